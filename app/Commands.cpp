#include "app/Commands.h"

#include <algorithm>

#include "phone/PhoneTypes.h"

namespace pixelon::app {

namespace {

using M = Menu;
using R = Rule;

// Menu order within each menu is the order of this table.
constexpr CommandSpec kCommands[] = {
    {ID_FILE_NEW, M::File, "&New Portfolio\tCtrl+N", "Ctrl+N", R::Always, false,
     "Create a new portfolio"},
    {ID_FILE_OPEN, M::File, "&Open file...\tCtrl+O", "Ctrl+O", R::Always, false,
     "Open a portfolio or a picture file"},
    {ID_FILE_SAVE, M::File, "&Save Portfolio\tCtrl+S", "Ctrl+S", R::Active, false,
     "Save the portfolio"},
    {ID_FILE_SAVE_AS, M::File, "Save &As...", "", R::Active, false,
     "Save the portfolio under a new name"},
    {ID_FILE_CLOSE, M::File, "&Close", "", R::Active, false, "Close the portfolio"},
    {ID_MERGE_PORTFOLIOS, M::File, "&Merge Portfolios...", "", R::Active, false,
     "Merge another portfolio into this one"},
    {ID_EXPORT_PICTURE, M::File, "Export &Image to File...", "", R::AnySelected, true},
    {ID_EXPORT_WINDOWS_FONT, M::File, "Export to &Windows Font...", "", R::ActiveHasPictures, true,
     "Write the glyphs as a Windows raster font"},
    {ID_EXPORT_BDF_FONT, M::File, "Export to &BDF Font...", "", R::ActiveHasPictures, false,
     "Write the glyphs as a BDF bitmap font"},
    {ID_EXPORT_CONTACT_SHEET, M::File, "Export Contact Sheet...", "", R::HasPictures, false,
     "Write every picture onto one contact sheet"},
    {ID_SEND_FILE, M::File, "Send Fi&le to Phone...\tCtrl+L", "Ctrl+L", R::Always, false,
     "Send a file to the phone"},
    {ID_FILE_PRINT, M::File, "&Print...\tCtrl+P", "Ctrl+P", R::Active, false,
     "Print the portfolio"},
    {ID_FILE_PRINT_PREVIEW, M::File, "Print Pre&view", "", R::Active, false,
     "Show the printed pages"},
    {ID_FILE_PRINT_SETUP, M::File, "Prin&t Setup...", "", R::Active, false,
     "Choose the printer and its options"},
    {ID_APP_EXIT, M::File, "E&xit", "", R::Always, false, "Quit the program"},

    {ID_EDIT_COPY, M::Edit, "&Copy Picture\tCtrl+C", "Ctrl+C;Ctrl+Ins", R::OneSelected, false,
     "Copy the selected picture to the clipboard"},
    {ID_COPY_WITH_GRID, M::Edit, "Copy with &Grid", "", R::OneSelected, true,
     "Copy the selected picture enlarged, with a pixel grid"},
    {ID_PASTE_NEW_PICTURE, M::Edit, "&Paste New Picture\tCtrl+V", "Ctrl+V;Shift+Ins", R::Active,
     false, "Make a new picture of the clipboard's bitmap"},
    {ID_PASTE_EDIT_NEW_PICTURE, M::Edit, "&Paste && Edit New Picture", "", R::Active, true,
     "Make a new picture of the clipboard's bitmap and edit it"},
    {ID_EDIT_PICTURE, M::Edit, "&Edit Picture\tCtrl+E", "Ctrl+E;Return;Enter", R::OneSelected,
     false, "Edit the selected picture"},
    {ID_DELETE_PICTURE, M::Edit, "&Delete Picture\tDel", "Del", R::ActiveNotEmpty, false,
     "Delete the selected pictures"},
    {ID_PICTURE_ID, M::Edit, "&Unicode...\tCtrl+U", "Ctrl+U", R::OneSelected, false,
     "Change the ID of the selected picture"},
    {ID_SELECT_ALL, M::Edit, "Select &All\tCtrl+A", "Ctrl+A", R::ActiveHasPictures, true,
     "Select every picture"},
    {ID_PORTFOLIO_NAME, M::Edit, "Portfolio Na&me...", "", R::Active, false,
     "Change the portfolio's name"},
    {ID_PORTFOLIO_NOTES, M::Edit, "Portfolio &Notes...", "", R::Active, false,
     "Edit the portfolio's notes"},
    {ID_REORDER_IDS, M::Edit, "&Re-Order IDs", "", R::HasPictures, false,
     "Number the pictures again in list order"},

    {ID_PICTURE_PORTFOLIO, M::View, "&Picture Portfolio...", "", R::HasPictures, false,
     "Show every picture of the portfolio"},
    {ID_PHONE_FORMAT_TYPE, M::View, "Phone Format &Type...", "", R::Always, false,
     "Choose the phone format type"},
    {ID_SET_GUIDELINE, M::View, "Set &GuideLine...", "", R::Active, true},
    {ID_ASCENT_LINE, M::View, "Ascent &Line (s)\tCtrl+W", "Ctrl+W", R::Active, true,
     "Show or hide the ascent line"},
    {ID_DISPLAY_RATIO, M::View, "Display &Ratio...", "", R::Always, true},

    {ID_NEW_PICTURE, M::Insert, "&New Picture...\tCtrl+I", "Ctrl+I", R::Active, false,
     "Add a new white picture"},
    {ID_DUPLICATE_PICTURE, M::Insert, "&Duplicate Picture...\tCtrl+D", "Ctrl+D",
     R::ActiveOneSelected, false, "Add copies of the selected picture"},
    {ID_INSERT_FROM_FILE, M::Insert, "&Picture from File...\tCtrl+F", "Ctrl+F", R::Active, false,
     "Add the pictures of a picture file"},
    {ID_IMAGE_GRABBER, M::Insert, "Picture from Image &Grabber", "", R::Active, false,
     "Add a picture grabbed from the screen"},
    {ID_INSERT_WINDOWS_FONT, M::Insert, "Windows &Font...", "", R::Active, true,
     "Add glyphs drawn with a system font"},
    {ID_INSERT_BDF_FONT, M::Insert, "BDF Font...", "", R::Always, true,
     "Add the glyphs of a BDF font file"},

    {ID_EXPORT_PICTURE, M::Preview, "E&xport Picture to File...\tCtrl+X", "Ctrl+X", R::AnySelected,
     false, "Export the selected pictures"},
    {ID_SEND_PICTURE, M::Preview, "&Send Picture to Phone...\tCtrl+T", "Ctrl+T", R::Always, false,
     "Send the picture to the phone"},
    {ID_APPLICATION_TYPE, M::Preview, "&Application Type...", "", R::ApplicationTypeChoice, false,
     "Choose the application type"},
    {ID_RECEIVE_PICTURE, M::Preview, "&Receive Picture from Phone\tCtrl+R", "Ctrl+R", R::Receive,
     false, "Add a picture received from the phone"},
    {ID_IMAGE_TO_PREVIEW, M::Preview, "Image to &Preview", "", R::OneSelected, true},
    {ID_COPY_PREVIEW, M::Preview, "&Copy Preview to Clipboard", "", R::Always, true},
    {ID_CLEAR_PREVIEW, M::Preview, "C&lear Preview Window", "", R::Always, true},

    {ID_ANIMATIONS, M::Tools, "&Animations...", "", R::Active, false,
     "Edit the portfolio's animations"},
    {ID_TEXT_METRICS, M::Tools, "&Text Metrics...", "", R::Active, false,
     "Edit the font metrics of the portfolio"},
    {ID_CHECK_UNICODES, M::Tools, "Chec&k Unicodes", "", R::ActiveHasPictures, false,
     "Report pictures that share an ID"},
    {ID_CROP_HEIGHT, M::Tools, "Crop &Height...", "", R::ActiveHasPictures, false,
     "Crop every picture to a height"},
    {ID_ENLARGE_HEIGHT, M::Tools, "&Enlarge Height...", "", R::ActiveHasPictures, false,
     "Enlarge every picture to a height"},
    {ID_SHIFT_VERTICALLY, M::Tools, "Shift &Vertically...", "", R::ActiveHasPictures, false,
     "Shift every picture up or down"},
    {ID_OPEN_USER_PALETTE, M::Tools, "&OpenUserPalette...", "", R::Always, false,
     "Load the user palette from a file"},
    {ID_SAVE_USER_PALETTE, M::Tools, "&SaveUserPalette...", "", R::Always, false,
     "Edit and save the user palette"},
    {ID_IMPORT_PSP_PALETTE, M::Tools, "Import &PSP Palette...", "", R::Always, false,
     "Import a PSP palette file"},

    {ID_HANDSET_GATEWAY, M::Help, "Handset Gateway...", "", R::Always, false,
     "Open the phone-connectivity control panel"},
    {ID_COMMS_LOG, M::Help, "Communications &Log", "", R::Always, false,
     "Show or hide the communications log"},
    {ID_FIND_COMMAND, M::Help, "Find Command...\tCtrl+Shift+P", "Ctrl+Shift+P", R::Always, false,
     "Search every command by name and run it"},
    {ID_APP_ABOUT, M::Help, "&About Pixelon...", "", R::Always, false, "About this program"},

    // Reached only through the toolbar, an accelerator or Find Command.
    {ID_SEARCH_PHONE, M::None, "Search for Phone and type; set default COM Port#", "", R::Always,
     false, "Search the serial ports for a phone"},
    {ID_PREV_PHONE_TYPE, M::None, "Next colour phone format type", "", R::Active, false,
     "Next colour phone format type"},
    {ID_NEXT_PHONE_TYPE, M::None, "Next grey phone format type", "", R::Active, false,
     "Next grey or black-and-white phone format type"},
    {ID_APP_KINETTO, M::None, "Kinetto", "", R::KinettoApp, false, "Kinetto Image"},
    {ID_APP_BACKGROUND, M::None, "BackgroundPicture", "", R::BackgroundApp, false,
     "Background Picture"},
    {ID_APP_EMS, M::None, "EMS", "", R::EmsApp, false, "Vistrel for EMS"},
    {ID_RESTORE_ASSOCIATIONS, M::None, "Restore file associations", "", R::Always},
    {ID_EDIT_CUT, M::None, "Cut", "Shift+Del", R::Always},
    {ID_NEXT_PANE, M::None, "Next Pane", "F6", R::Always, false, "Move to the next pane"},
    {ID_PREV_PANE, M::None, "Previous Pane", "Shift+F6", R::Always, false,
     "Move to the previous pane"},
};

constexpr int kToolbar[] = {
    ID_FILE_OPEN,
    ID_FILE_SAVE,
    0,
    ID_FILE_PRINT,
    ID_FILE_PRINT_PREVIEW,
    0,
    ID_EDIT_PICTURE,
    ID_IMAGE_GRABBER,
    0,
    ID_EDIT_COPY,
    ID_PASTE_NEW_PICTURE,
    0,
    ID_PICTURE_PORTFOLIO,
    0,
    ID_PREV_PHONE_TYPE,
    ID_NEXT_PHONE_TYPE,
    0,
    ID_APP_KINETTO,
    ID_APP_BACKGROUND,
    ID_APP_EMS,
    0,
    ID_INSERT_FROM_FILE,
    0,
    ID_SEND_PICTURE,
    0,
    ID_EXPORT_PICTURE,
    0,
    ID_APP_ABOUT,
};

constexpr MenuTitle kMenus[] = {
    {M::File, "&File"},       {M::Edit, "&Edit"},   {M::View, "&View"}, {M::Insert, "&Insert"},
    {M::Preview, "&Preview"}, {M::Tools, "&Tools"}, {M::Help, "&Help"},
};

constexpr int kSeparatorsBefore[] = {
    ID_MERGE_PORTFOLIOS, ID_SEND_FILE,           ID_FILE_PRINT,       ID_EDIT_PICTURE,
    ID_PORTFOLIO_NAME,   ID_INSERT_WINDOWS_FONT, ID_APPLICATION_TYPE, ID_IMAGE_TO_PREVIEW,
    ID_FIND_COMMAND,     ID_APP_ABOUT,
};

constexpr int kPictureListMenu[] = {
    ID_EDIT_PICTURE,
    ID_PICTURE_ID,
    ID_EDIT_COPY,
    ID_PASTE_NEW_PICTURE,
    ID_DELETE_PICTURE,
    ID_SELECT_ALL,
    0,
    ID_NEW_PICTURE,
    ID_DUPLICATE_PICTURE,
    ID_INSERT_FROM_FILE,
    ID_IMAGE_GRABBER,
};

struct IconEntry {
    int id;
    std::string_view name;
};
constexpr IconEntry kIcons[] = {
    {ID_FILE_OPEN, "open"},
    {ID_FILE_SAVE, "save"},
    {ID_FILE_PRINT, "print"},
    {ID_FILE_PRINT_PREVIEW, "print-preview"},
    {ID_EDIT_PICTURE, "edit-picture"},
    {ID_IMAGE_GRABBER, "grabber"},
    {ID_EDIT_COPY, "copy"},
    {ID_PASTE_NEW_PICTURE, "paste"},
    {ID_PICTURE_PORTFOLIO, "portfolio"},
    {ID_PREV_PHONE_TYPE, "colour-phone"},
    {ID_NEXT_PHONE_TYPE, "grey-phone"},
    {ID_APP_KINETTO, "kinetto"},
    {ID_APP_BACKGROUND, "background"},
    {ID_APP_EMS, "ems"},
    {ID_INSERT_FROM_FILE, "from-file"},
    {ID_SEND_PICTURE, "send"},
    {ID_EXPORT_PICTURE, "export"},
    {ID_APP_ABOUT, "about"},
};

bool withSelection(const CommandState& s, bool typeAllows) {
    return s.selected > 0 && typeAllows;
}

} // namespace

bool isEnabled(Rule rule, const CommandState& s) {
    switch (rule) {
    case R::Always:
        return true;
    case R::Active:
        return s.active;
    case R::ActiveNotEmpty:
        return s.active && s.pictures > 0;
    case R::ActiveOneSelected:
        return s.active && s.selected == 1;
    case R::OneSelected:
        return s.selected == 1;
    case R::HasPictures:
        return s.pictures > 0;
    case R::ActiveHasPictures:
        return s.active && s.pictures > 0;
    case R::AnySelected:
        return s.selected > 0;
    case R::KinettoApp:
        return withSelection(s, applicationEnabled(s.phoneType, ApplicationType::Kinetto));
    case R::BackgroundApp:
        return withSelection(s,
                             applicationEnabled(s.phoneType, ApplicationType::BackgroundPicture));
    case R::EmsApp:
        return withSelection(s, applicationEnabled(s.phoneType, ApplicationType::VistrelEms));
    case R::ApplicationTypeChoice:
        return applicationTypeCommandEnabled(s.phoneType);
    case R::Receive:
        return receivePictureEnabled(s.phoneType);
    }
    return false;
}

std::span<const CommandSpec> commandTable() {
    return kCommands;
}

const CommandSpec* findCommand(int id) {
    // The first entry of an identifier is its menu entry (Export Picture appears twice).
    auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                           [id](const CommandSpec& c) { return c.id == id; });
    return it == std::end(kCommands) ? nullptr : &*it;
}

std::string_view menuLabel(const CommandSpec& spec) {
    return spec.text.substr(0, spec.text.find('\t'));
}

std::vector<std::string_view> acceleratorList(const CommandSpec& spec) {
    std::vector<std::string_view> out;
    std::string_view rest = spec.accelerators;
    while (!rest.empty()) {
        std::size_t semi = rest.find(';');
        out.push_back(rest.substr(0, semi));
        if (semi == std::string_view::npos)
            break;
        rest.remove_prefix(semi + 1);
    }
    return out;
}

std::span<const int> toolbarLayout() {
    return kToolbar;
}

std::span<const MenuTitle> menuTitles() {
    return kMenus;
}

std::string_view menuTitle(Menu menu) {
    for (const MenuTitle& t : kMenus)
        if (t.menu == menu)
            return t.title;
    return {};
}

std::string_view shownText(const CommandSpec& spec) {
    if (spec.id == ID_PICTURE_ID && spec.menu == Menu::Edit)
        return PictureIdMenuText;
    if (spec.id == ID_APP_ABOUT && spec.menu == Menu::Help)
        return AboutMenuText;
    return spec.text;
}

std::string plainLabel(std::string_view label) {
    std::string out;
    for (std::size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '&') {
            // "&&" stands for one '&'; a single '&' marks the mnemonic.
            if (i + 1 < label.size() && label[i + 1] == '&')
                out += label[++i];
            continue;
        }
        out += label[i];
    }
    return out;
}

bool separatorBefore(int id) {
    return std::find(std::begin(kSeparatorsBefore), std::end(kSeparatorsBefore), id) !=
           std::end(kSeparatorsBefore);
}

std::span<const int> pictureListMenu() {
    return kPictureListMenu;
}

std::string_view iconName(int id) {
    for (const IconEntry& e : kIcons)
        if (e.id == id)
            return e.name;
    return {};
}

} // namespace pixelon::app
