#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "codecs/FileType.h"
#include "operations/Ids.h"
#include "platform/Surface.h"

namespace pixelon {

class CPicture;
class CPortfolio;
class Feedback;

// Opens the picture editor on `picture` with `source` as the bitmap it came from; true on OK.
using EditImportedPicture = std::function<bool(CPicture& picture, const Surface& source)>;
// Decodes a JPEG file into a bitmap; raises EFatalError with the text to show.
using JpegFileDecoder = std::function<Surface(const std::filesystem::path&)>;

struct ImportOptions {
    // Set for an interactive import: single-image files go through the editor and are added only
    // on OK. Unset: batch mode, every picture is added at once.
    EditImportedPicture editor;
    // Unset: the built-in JPEG decoder.
    JpegFileDecoder decodeJpeg;
};

struct ImportReport {
    int picturesAdded = 0;
    int animationsAdded = 0;
    std::vector<std::filesystem::path> skipped; // files that added nothing
    std::vector<std::string> skipReasons;       // why, one for each of `skipped`
};

// Imports picture files, one progress step a file. PNG files are told by their signature, GIF,
// JPEG, BMP and WBMP files by name; fully transparent PNG pixels become the picture's mask; a
// multi-image GIF becomes one picture an image and an animation "New_Animation". Bitmaps are taken
// under CurrentMap, at most 1280 x 1024 from their top-left corner. Decoding failures are shown
// through `feedback` and the file is skipped.
ImportReport ImportPictureFiles(CPortfolio& portfolio, std::span<const std::filesystem::path> files,
                                Feedback& feedback, const ImportOptions& options = {});

// The bitmap a JPEG, PNG, BMP or WBMP file decodes to, or a GIF's first image as drawn; raises
// EFatalError for a file that cannot be decoded, with the text to show.
Surface DecodePictureBitmap(const std::filesystem::path& path, PictureFileType type,
                            const JpegFileDecoder& decodeJpeg = {});

// The decoder used when ImportOptions names none.
Surface DecodeJpegFile(const std::filesystem::path& path);

inline constexpr const char* ImportDialogTitle = "Insert Picture from file";
inline constexpr const char* ImportFilter =
    "Image Files (*.gif;*.jpg;*.png;*.bmp;*.wbmp)|*.gif;*.id;*.jpg;*.jpeg;*.png;*.bmp;*.wbmp;*.wbm|"
    "GIF files (*.gif;*.id)|*.gif;*.id|JPEG Files (*.jpg;*.jpeg)|*.jpg;*.jpeg|PNG files "
    "(*.png)|*.png|BMP files (*.bmp)|*.bmp|WAP "
    "BMP files "
    "(*.wbmp;*.wbm)|*.wbmp;*.wbm|";

// The files of an open dialog's selection in the order they are imported: at most 255, and with
// two or more the first and the last change places, as the dialog lists the last-clicked first.
std::vector<std::filesystem::path> ImportFileOrder(std::span<const std::filesystem::path> chosen);

inline constexpr const char* AnimationImportedText =
    "GIF Animation frames added as Images to Resource.\n\n  You can also send the whole Animation "
    "file to the "
    "Phone\n  by using the SendFileToPhone Menu Option in Vistrel.";

} // namespace pixelon
