#include "phone/PhoneTypes.h"

#include <string>

namespace pixelon {

namespace {

constexpr std::optional<PreviewSize> none = std::nullopt;
constexpr PreviewSize sz(int w, int h) {
    return {w, h};
}

using D = PhoneDisplay;
using T = PhoneTransfer;

const std::array<PhoneFormatInfo, PhoneFormatTypeCount> kTypes{{
    {0, "HX202", "HX202", D::Colour, none, sz(101, 80), sz(96, 32), T::ObexJpgAndWbmp},
    {1, "HX201", "HX201", D::Colour, none, sz(101, 80), none, T::ObexGif},
    {2, "HX203", "HX203", D::Colour, none, sz(101, 80), sz(96, 32), T::ObexJpgAndWbmp},
    {3, "HX204", "HX204", D::Colour, sz(128, 128), sz(128, 110), none, T::ObexJpg},
    {4, "HX206", "HX206", D::FourGreys, sz(101, 67), sz(73, 39), sz(96, 32), T::AtDownload},
    {5, "HX207", "HX207", D::FourGreys, sz(101, 67), sz(73, 39), sz(96, 32), T::AtDownload},
    {6, "HX209", "HX209", D::FourGreys, none, sz(73, 26), none, T::ObexGif},
    {7, "HX211", "HX211", D::FourGreys, none, sz(73, 39), none, T::ObexGif},
    {8, "HX213", "HX213", D::FourGreys, sz(101, 80), sz(101, 67), sz(96, 32), T::AtDownload},
    {9, "HX214", "HX214 (also HX215)", D::BlackAndWhite, sz(101, 80), sz(73, 39), none,
     T::AtDownload},
    {10, "HX224", "HX224 (also HX228, HX230)", D::BlackAndWhite, sz(101, 54), none, none,
     T::AtDownload},
    {11, "HX219", "HX219 (also HX221)", D::BlackAndWhite, sz(101, 33), none, none, T::AtDownload},
}};

template <std::size_t N> bool oneOf(int type, const int (&set)[N]) {
    for (int v : set)
        if (v == type)
            return true;
    return false;
}

} // namespace

std::string_view applicationShortName(ApplicationType app) {
    switch (app) {
    case ApplicationType::Kinetto:
        return "Kto";
    case ApplicationType::BackgroundPicture:
        return "BaP";
    case ApplicationType::VistrelEms:
        return "EMS";
    }
    return "";
}

std::string_view applicationChoiceLabel(ApplicationType app) {
    switch (app) {
    case ApplicationType::Kinetto:
        return "Kinetto Image     [KT]";
    case ApplicationType::BackgroundPicture:
        return "Background Pictures   [BP]";
    case ApplicationType::VistrelEms:
        return "Vistrel for EMS     [VS]";
    }
    return "";
}

std::optional<ApplicationType> applicationTypeFromInt(int value) {
    if (value < 0 || value >= ApplicationTypeCount)
        return std::nullopt;
    return ApplicationType(value);
}

AppSize& ApplicationSizes::of(ApplicationType app) {
    switch (app) {
    case ApplicationType::BackgroundPicture:
        return background;
    case ApplicationType::VistrelEms:
        return vistrel;
    default:
        return kinetto;
    }
}

const AppSize& ApplicationSizes::of(ApplicationType app) const {
    return const_cast<ApplicationSizes*>(this)->of(app);
}

ApplicationSizes& applicationSizes() {
    static ApplicationSizes sizes;
    return sizes;
}

int coloursFromCode(int code, int current) {
    switch (code) {
    case 0:
        return 2;
    case 1:
        return 4;
    case 2:
        return 16;
    case 3:
        return 256;
    default:
        return current;
    }
}

int bitsForColours(int colours) {
    int bits = 0;
    for (unsigned v = unsigned(colours > 1 ? colours - 1 : 1); v != 0; v >>= 1)
        ++bits;
    return bits;
}

std::optional<PreviewSize> PhoneFormatInfo::previewFor(ApplicationType app) const {
    switch (app) {
    case ApplicationType::Kinetto:
        return kinetto;
    case ApplicationType::BackgroundPicture:
        return background;
    case ApplicationType::VistrelEms:
        return vistrel;
    }
    return std::nullopt;
}

const std::array<PhoneFormatInfo, PhoneFormatTypeCount>& phoneFormatTypes() {
    return kTypes;
}

const PhoneFormatInfo& phoneFormatInfo(int type) {
    if (type < 0 || type >= PhoneFormatTypeCount)
        return kTypes[3];
    return kTypes[std::size_t(type)];
}

std::string phoneFormatShortName(int type) {
    if (type >= 0 && type < PhoneFormatTypeCount)
        return std::string(kTypes[std::size_t(type)].shortName);
    return "Type " + std::to_string(type);
}

const PaletteMap& displayMap(PhoneDisplay display) {
    switch (display) {
    case PhoneDisplay::BlackAndWhite:
        return MonoMap;
    case PhoneDisplay::FourGreys:
        return GreyMap;
    case PhoneDisplay::Colour:
        break;
    }
    return CubeMap;
}

bool usesAtDownload(int type) {
    return oneOf(type, {4, 5, 8, 9, 10, 11});
}

bool sendsFiles(int type) {
    return !usesAtDownload(type);
}

bool applicationEnabled(int type, ApplicationType app) {
    switch (app) {
    case ApplicationType::Kinetto:
        return oneOf(type, {3, 4, 5, 8, 9, 10, 11});
    case ApplicationType::BackgroundPicture:
        return type != 10 && type != 11;
    case ApplicationType::VistrelEms:
        return oneOf(type, {0, 2, 4, 5, 8});
    }
    return false;
}

bool applicationTypeCommandEnabled(int type) {
    return oneOf(type, {0, 1, 2, 4, 5, 8, 9, 12, 13, 14});
}

bool receivePictureEnabled(int type) {
    return oneOf(type, {4, 5, 8, 9});
}

CycleResult cycleColourPhoneType(int type, ApplicationType app) {
    using A = ApplicationType;
    CycleResult r{0, app, std::nullopt};
    switch (type) {
    case 0:
        r.type = 3;
        if (app == A::VistrelEms)
            r.app = A::BackgroundPicture;
        break;
    case 3:
        r.type = 2;
        if (app == A::Kinetto)
            r.app = A::BackgroundPicture;
        break;
    case 2:
        r.type = 1;
        r.app = A::BackgroundPicture;
        break;
    default:
        r.type = 0;
        if (app == A::Kinetto)
            r.app = A::BackgroundPicture;
        break;
    }
    r.newPictureSize = r.type == 3 ? PreviewSize{128, 110} : PreviewSize{101, 80};
    return r;
}

CycleResult cycleGreyPhoneType(int type, ApplicationType app) {
    using A = ApplicationType;
    CycleResult r{4, app, std::nullopt};
    switch (type) {
    case 4:
    case 8:
        r.type = type == 4 ? 8 : 9;
        if (app == A::VistrelEms)
            r.app = A::BackgroundPicture;
        break;
    case 9:
        r.type = 5;
        break;
    case 5:
    case 6:
    case 7:
        r.type = type == 5 ? 6 : type == 6 ? 7 : 10;
        r.app = A::BackgroundPicture;
        break;
    case 10:
        r.type = 11;
        r.app = A::Kinetto;
        break;
    default:
        r.type = 4;
        break;
    }
    return r;
}

} // namespace pixelon
