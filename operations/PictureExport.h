#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/Colours.h"
#include "phone/PhoneTypes.h"

namespace pixelon {

class CPicture;
class Feedback;

inline constexpr std::string_view ExportFilter =
    "GIF File (*.gif)|*.gif|JPG File(*.jpg;*.jpeg)|*.jpg;*.jpeg|WAP BMP File (*.wbmp)|*.wbmp|PNG "
    "File (*.png)|*.png|";
inline constexpr std::string_view ExportDefaultExtension = "bmp";
inline constexpr std::string_view ExportFailedText = "Failed to write source file data.";

// The filter indices of the save dialog.
enum class ExportType { Gif = 1, Jpeg = 2, Wbmp = 3, Png = 4 };

// What the last export wrote, for the whole run: 0 GIF (also at start), 1 JPEG, 2 WBMP (a PNG
// export leaves it). Sending a picture to a colour phone reads it.
int LastExportKind();
void SetLastExportKind(int kind);

// "<folder of the document><portfolio name>_<ID in five digits>"; the folder is everything up to
// the last path separator.
std::string DefaultExportName(std::string_view documentPath, std::string_view portfolioName,
                              int id);

// The information text after a successful export.
std::string ExportSavedText(const std::string& path, long long fileSize);

// The largest picture a GIF export writes for a phone format type.
PreviewSize DefaultPictureSize(int phoneType);

// The map through which the preview is grabbed for a phone format type.
const PaletteMap& ExportGrabMap(int phoneType, ApplicationType app, const CPicture& picture);

// The preview's size at start, before any phone format type has set one.
inline constexpr PreviewSize StartPreviewSize{101, 80};

// The size of the preview an export grabs: the application's size for the phone format type;
// for type 14, and for an application the type does not offer, the preview keeps its previous
// size, `current` (the window's preview), else StartPreviewSize.
PreviewSize ExportPreviewSize(int phoneType, ApplicationType app,
                              std::optional<PreviewSize> current = {});

// The picture as the phone would receive it: for types 12 and 13 the picture itself; otherwise
// the picture drawn at the top-left of a white preview of ExportPreviewSize and grabbed back
// through ExportGrabMap.
CPicture PictureForExport(const CPicture& picture, int phoneType, ApplicationType app,
                          std::optional<PreviewSize> currentPreview = {});

// Writes a picture as a JPEG file; false on failure.
using JpegPictureWriter = std::function<bool(const CPicture&, const std::filesystem::path&)>;

struct ExportRequest {
    std::filesystem::path path;
    ExportType type = ExportType::Gif;
    int phoneType = 0;
    ApplicationType app = ApplicationType::Kinetto;
    JpegPictureWriter writeJpeg;            // unset: the built-in writer
    std::optional<PreviewSize> previewSize; // the window's preview size, when there is one
};

// Exports one picture and tells the user the outcome through `feedback`. Sets the last export
// kind; true when the file was written.
bool ExportPicture(const CPicture& picture, const ExportRequest& request, Feedback& feedback);

// The built-in JPEG picture writer.
bool WritePictureJpegFile(const CPicture& picture, const std::filesystem::path& path);

} // namespace pixelon
