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
    {ID_MERGE_PORTFOLIOS, M::File, "&Merge Portfolios...", "", R::Active},
    {ID_EXPORT_PICTURE, M::File, "Export &Image to File...", "", R::AnySelected, true},
    {ID_EXPORT_WINDOWS_FONT, M::File, "Export to &Windows Font...", "", R::ActiveHasPictures, true},
    {ID_EXPORT_CONTACT_SHEET, M::File, "Export Contact Sheet...", "", R::HasPictures},
    {ID_SEND_FILE, M::File, "Send Fi&le to Phone...\tCtrl+L", "Ctrl+L", R::Always},
    {ID_FILE_PRINT, M::File, "&Print...\tCtrl+P", "Ctrl+P", R::Active},
    {ID_FILE_PRINT_PREVIEW, M::File, "Print Pre&view", "", R::Active},
    {ID_FILE_PRINT_SETUP, M::File, "Prin&t Setup...", "", R::Active},
    {ID_APP_EXIT, M::File, "E&xit", "", R::Always, false, "Quit the program"},

    {ID_EDIT_COPY, M::Edit, "&Copy Picture\tCtrl+C", "Ctrl+C;Ctrl+Ins", R::OneSelected},
    {ID_COPY_WITH_GRID, M::Edit, "Copy with &Grid", "", R::OneSelected, true},
    {ID_PASTE_NEW_PICTURE, M::Edit, "&Paste New Picture\tCtrl+V", "Ctrl+V;Shift+Ins", R::Active},
    {ID_PASTE_EDIT_NEW_PICTURE, M::Edit, "&Paste && Edit New Picture", "", R::Active, true},
    {ID_EDIT_PICTURE, M::Edit, "&Edit Picture\tCtrl+E", "Ctrl+E;Return;Enter", R::OneSelected,
     false, "Edit the selected picture"},
    {ID_DELETE_PICTURE, M::Edit, "&Delete Picture\tDel", "Del", R::ActiveNotEmpty},
    {ID_PICTURE_ID, M::Edit, "&Unicode...\tCtrl+U", "Ctrl+U", R::OneSelected},
    {ID_SELECT_ALL, M::Edit, "Select &All\tCtrl+A", "Ctrl+A", R::ActiveHasPictures, true},
    {ID_PORTFOLIO_NAME, M::Edit, "Portfolio Na&me...", "", R::Active},
    {ID_PORTFOLIO_NOTES, M::Edit, "Portfolio &Notes...", "", R::Active},
    {ID_REORDER_IDS, M::Edit, "&Re-Order IDs", "", R::HasPictures},

    {ID_PICTURE_PORTFOLIO, M::View, "&Picture Portfolio...", "", R::HasPictures},
    {ID_PHONE_FORMAT_TYPE, M::View, "Phone Format &Type...", "", R::Always},
    // Not among the menu items the window starts with; listed here so the search can be run
    // before a transfer needs it.
    {ID_SEARCH_PHONE, M::View, "Search for Phone and type; set default COM Port#", "", R::Always},
    {ID_SET_GUIDELINE, M::View, "Set &GuideLine...", "", R::Active, true},
    {ID_ASCENT_LINE, M::View, "Ascent &Line (s)\tCtrl+W", "Ctrl+W", R::Active, true},
    {ID_DISPLAY_RATIO, M::View, "Display &Ratio...", "", R::Always, true},

    {ID_NEW_PICTURE, M::Insert, "&New Picture...\tCtrl+I", "Ctrl+I", R::Active},
    {ID_DUPLICATE_PICTURE, M::Insert, "&Duplicate Picture...\tCtrl+D", "Ctrl+D",
     R::ActiveOneSelected},
    {ID_INSERT_FROM_FILE, M::Insert, "&Picture from File...\tCtrl+F", "Ctrl+F", R::Active},
    {ID_IMAGE_GRABBER, M::Insert, "Picture from Image &Grabber", "", R::Active},
    {ID_INSERT_WINDOWS_FONT, M::Insert, "Windows &Font...", "", R::Active, true},
    {ID_INSERT_BDF_FONT, M::Insert, "BDF Font...", "", R::Always, true},

    {ID_EXPORT_PICTURE, M::Preview, "E&xport Picture to File...\tCtrl+X", "Ctrl+X", R::AnySelected,
     false, "Export the selected pictures"},
    {ID_SEND_PICTURE, M::Preview, "&Send Picture to Phone...\tCtrl+T", "Ctrl+T", R::AnySelected,
     false, "Send the picture to the phone"},
    {ID_APPLICATION_TYPE, M::Preview, "&Application Type...", "", R::ApplicationTypeChoice},
    {ID_RECEIVE_PICTURE, M::Preview, "&Receive Picture from Phone\tCtrl+R", "Ctrl+R", R::Receive},
    {ID_IMAGE_TO_PREVIEW, M::Preview, "Image to &Preview", "", R::OneSelected, true},
    {ID_COPY_PREVIEW, M::Preview, "&Copy Preview to Clipboard", "", R::Always, true},
    {ID_CLEAR_PREVIEW, M::Preview, "C&lear Preview Window", "", R::Always, true},

    {ID_ANIMATIONS, M::Tools, "&Animations...", "", R::Active},
    {ID_TEXT_METRICS, M::Tools, "&Text Metrics...", "", R::Active},
    {ID_CHECK_UNICODES, M::Tools, "Chec&k Unicodes", "", R::ActiveHasPictures},
    {ID_CROP_HEIGHT, M::Tools, "Crop &Height...", "", R::ActiveHasPictures},
    {ID_ENLARGE_HEIGHT, M::Tools, "&Enlarge Height...", "", R::ActiveHasPictures},
    {ID_SHIFT_VERTICALLY, M::Tools, "Shift &Vertically...", "", R::ActiveHasPictures},
    {ID_OPEN_USER_PALETTE, M::Tools, "&OpenUserPalette...", "", R::Always},
    {ID_SAVE_USER_PALETTE, M::Tools, "&SaveUserPalette...", "", R::Always},
    {ID_IMPORT_PSP_PALETTE, M::Tools, "Import &PSP Palette...", "", R::Always},

    {ID_HANDSET_GATEWAY, M::Help, "Handset Gateway...", "", R::Always},
    {ID_COMMS_LOG, M::Help, "Communications &Log", "", R::Always},
    {ID_APP_ABOUT, M::Help, "&About Pixelon...", "", R::Always, false, "About this program"},

    // Reached only through the toolbar or the command identifier.
    {ID_PREV_PHONE_TYPE, M::None, "Next colour phone format type", "", R::Active, false,
     "Next colour phone format type"},
    {ID_NEXT_PHONE_TYPE, M::None, "Next grey phone format type", "", R::Active, false,
     "Next grey or black-and-white phone format type"},
    {ID_APP_KINETTO, M::None, "Kinetto", "", R::KinettoApp, false, "Kinetto Image"},
    {ID_APP_BACKGROUND, M::None, "BackgroundPicture", "", R::BackgroundApp, false,
     "Background Picture"},
    {ID_APP_EMS, M::None, "EMS", "", R::EmsApp, false, "Vistrel for EMS"},
    {ID_RESTORE_ASSOCIATIONS, M::None, "Restore file associations", "", R::Always},
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

} // namespace pixelon::app
