#pragma once

// The command table of the main window: one entry per command identifier with its menu, menu
// text, accelerators, toolbar use and enablement rule. Plain C++ so tests can check the rules
// without a window.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pixelon::app {

enum CommandId : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_MRU_FIRST = 57616, // 16 entries: 57616..57631
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_DELETE_PICTURE = 1245,
    ID_NEW_PICTURE = 1246,
    ID_INSERT_WINDOWS_FONT = 32774,
    ID_INSERT_FROM_FILE = 32776,
    ID_DUPLICATE_PICTURE = 32778,
    ID_EDIT_PICTURE = 32782,
    ID_PORTFOLIO_NAME = 32783,
    ID_PORTFOLIO_NOTES = 32784,
    ID_PICTURE_ID = 32785,
    ID_PICTURE_PORTFOLIO = 32787,
    ID_ENLARGE_HEIGHT = 32793,
    ID_CROP_HEIGHT = 32794,
    ID_SHIFT_VERTICALLY = 32795,
    ID_IMAGE_TO_PREVIEW = 32799,
    ID_CLEAR_PREVIEW = 32803,
    ID_ASCENT_LINE = 32804,
    ID_PASTE_NEW_PICTURE = 32806,
    ID_CHECK_UNICODES = 32808,
    ID_COPY_PREVIEW = 32811,
    ID_SET_GUIDELINE = 32813,
    ID_SEND_PICTURE = 32815,
    ID_DISPLAY_RATIO = 32816,
    ID_SEARCH_PHONE = 32820,
    ID_APPLICATION_TYPE = 32821,
    ID_EXPORT_PICTURE = 32822,
    ID_COPY_WITH_GRID = 32823,
    ID_TEXT_METRICS = 32825,
    ID_EXPORT_WINDOWS_FONT = 32831,
    ID_RECEIVE_PICTURE = 32832,
    ID_RESTORE_ASSOCIATIONS = 32834,
    ID_ANIMATIONS = 32837,
    ID_PASTE_EDIT_NEW_PICTURE = 32841,
    ID_SELECT_ALL = 32853,
    ID_EXPORT_CONTACT_SHEET = 32854,
    ID_COMMS_LOG = 32855,
    ID_MERGE_PORTFOLIOS = 32856,
    ID_SAVE_USER_PALETTE = 32858,
    ID_OPEN_USER_PALETTE = 32859,
    ID_INSERT_BDF_FONT = 32860,
    ID_REORDER_IDS = 32863,
    ID_APP_KINETTO = 32864,
    ID_APP_EMS = 32866,
    ID_APP_BACKGROUND = 32867,
    ID_HANDSET_GATEWAY = 32869,
    ID_PREV_PHONE_TYPE = 32874, // the colour phones
    ID_NEXT_PHONE_TYPE = 32875, // the grey and black-and-white phones
    ID_SEND_FILE = 32879,
    ID_IMAGE_GRABBER = 32881,
    ID_PHONE_FORMAT_TYPE = 32883,
    ID_IMPORT_PSP_PALETTE = 32892,
    ID_FIND_COMMAND = 32950, // the command search over the whole table
    ID_EXPORT_BDF_FONT = 32961,
    ID_NEXT_PANE = 59392,
    ID_PREV_PANE = 59393,
};

constexpr int RecentFileCount = 16;

// When a command can run.
enum class Rule {
    Always,
    Active,            // a portfolio is open
    ActiveNotEmpty,    // ... and the list is not empty
    ActiveOneSelected, // ... and exactly one line is selected
    OneSelected,       // exactly one line is selected
    HasPictures,       // the portfolio holds at least one picture
    ActiveHasPictures, // a portfolio is open and holds at least one picture
    AnySelected,       // at least one line is selected
    KinettoApp,        // application buttons: a selection and a type that offers it
    BackgroundApp,
    EmsApp,
    ApplicationTypeChoice, // the Application Type dialog
    Receive,               // Receive Picture from Phone
};

// What the rules look at.
struct CommandState {
    bool active = false;
    int pictures = 0;
    int selected = 0;
    int phoneType = 0;
    int applicationType = 0; // which application button shows as checked
};

bool isEnabled(Rule rule, const CommandState& state);

enum class Menu { None, File, Edit, View, Insert, Preview, Tools, Help };

struct CommandSpec {
    int id;
    Menu menu;
    std::string_view text;         // the menu text, with "\t" and the accelerator's name when shown
    std::string_view accelerators; // "Ctrl+C;Ctrl+Ins": key sequences, first one shown
    Rule rule;
    bool removedAtStart = false; // deleted from the menu; its accelerators still work
    std::string_view tip = {};   // tool tip and status bar prompt
};

std::span<const CommandSpec> commandTable();
const CommandSpec* findCommand(int id);

// The menu text without the accelerator hint after the tab.
std::string_view menuLabel(const CommandSpec& spec);
// The menu text the window shows, after the texts changed when it is created.
std::string_view shownText(const CommandSpec& spec);
// A menu label as plain words: no '&' mnemonics ("&&" is a literal '&').
std::string plainLabel(std::string_view label);
// The accelerators as separate key sequence texts.
std::vector<std::string_view> acceleratorList(const CommandSpec& spec);

// The toolbar, left to right; 0 is a separator.
std::span<const int> toolbarLayout();
// Menu items that have a separator line above them.
bool separatorBefore(int id);
// The picture list's context menu: the picture commands of Edit and Insert; 0 is a separator.
std::span<const int> pictureListMenu();
// The toolbar's icon file name of a command (":/icons/<name>.png"), empty when it has none.
std::string_view iconName(int id);

// Menu texts replaced when the main window is created.
inline constexpr std::string_view PictureIdMenuText = "&Picture's ID #\tCtrl+U";
inline constexpr std::string_view AboutMenuText = "&About Vistrel";

// The menu titles in order; Tools is removed when the window is created.
struct MenuTitle {
    Menu menu;
    std::string_view title;
};
std::span<const MenuTitle> menuTitles();
std::string_view menuTitle(Menu menu);

} // namespace pixelon::app
