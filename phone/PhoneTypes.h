#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/Colours.h"

namespace pixelon {

// The picture application on the phone that receives or sends a picture.
enum class ApplicationType { Kinetto = 0, BackgroundPicture = 1, VistrelEms = 2 };
constexpr int ApplicationTypeCount = 3;

std::string_view applicationShortName(ApplicationType app);   // "Kto", "BaP", "EMS"
std::string_view applicationChoiceLabel(ApplicationType app); // the radio button text
std::optional<ApplicationType> applicationTypeFromInt(int value);

// Width, height and colour count of one application's pictures.
struct AppSize {
    int width = 0;
    int height = 0;
    int colours = 0;
    friend constexpr bool operator==(const AppSize&, const AppSize&) = default;
};

// What the phone reported about its three picture applications. Rewritten by every successful
// query and kept for the whole run, never saved.
struct ApplicationSizes {
    AppSize kinetto{101, 80, 2};
    AppSize background{73, 39, 4};
    AppSize vistrel{32, 32, 4};
    // 1 until a three-application reply has been seen, then 2 for the rest of the run.
    int replyFormatMode = 1;

    AppSize& of(ApplicationType app);
    const AppSize& of(ApplicationType app) const;
};

// The process-wide record the phone exchanges update.
ApplicationSizes& applicationSizes();

// Colour code in a phone reply: 0 -> 2, 1 -> 4, 2 -> 16, 3 -> 256; other codes keep `current`.
int coloursFromCode(int code, int current);
// Bits per pixel for a colour count: the number of bits of (colours - 1), at least 1.
int bitsForColours(int colours);

enum class PhoneDisplay { Colour, FourGreys, BlackAndWhite };
enum class PhoneTransfer { AtDownload, ObexJpgAndWbmp, ObexGif, ObexJpg };

struct PreviewSize {
    int width = 0;
    int height = 0;
    friend constexpr bool operator==(const PreviewSize&, const PreviewSize&) = default;
};

// One phone format type: the phone family the user targets.
struct PhoneFormatInfo {
    int value;
    std::string_view shortName; // shown in the status line
    std::string_view models;    // shown in the choice dialog
    PhoneDisplay display;
    // Preview size per application; empty when the application is not offered.
    std::optional<PreviewSize> kinetto;
    std::optional<PreviewSize> background;
    std::optional<PreviewSize> vistrel;
    PhoneTransfer transfer;

    std::optional<PreviewSize> previewFor(ApplicationType app) const;
};

constexpr int PhoneFormatTypeCount = 12;
// The saved setting also admits 12..14, which behave like type 3 in the preview.
constexpr int PhoneFormatTypeMaxSetting = 14;

const std::array<PhoneFormatInfo, PhoneFormatTypeCount>& phoneFormatTypes();
// The row of a type; 12..14 (and anything unknown) give type 3's row.
const PhoneFormatInfo& phoneFormatInfo(int type);
// Status-line short name; types without a row of their own are named "Type %d".
std::string phoneFormatShortName(int type);

// The palette map that reduces colours for a display family.
const PaletteMap& displayMap(PhoneDisplay display);

// True for the types whose "Send Picture to Phone" uses the AT download.
bool usesAtDownload(int type);
// True for the types that take pictures as files over OBEX.
bool sendsFiles(int type);

// Enablement, when at least one picture is selected.
bool applicationEnabled(int type, ApplicationType app);
bool applicationTypeCommandEnabled(int type);
bool receivePictureEnabled(int type);

// A cycling toolbar command: the new type, the new application and, for the colour command,
// the default size offered by New Picture.
struct CycleResult {
    int type;
    ApplicationType app;
    std::optional<PreviewSize> newPictureSize;
};
CycleResult cycleColourPhoneType(int type, ApplicationType app);
CycleResult cycleGreyPhoneType(int type, ApplicationType app);

} // namespace pixelon
