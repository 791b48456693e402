#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/Animation.h"

namespace pixelon {

class CPortfolio;
class Feedback;
class FileChooser;

struct AnimationSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const AnimationSize&, const AnimationSize&) = default;
};

// The screen an animation needs: the largest xoffset + picture width and yoffset + picture
// height over its frames; (0, 0) without frames. Frames whose picture is missing are left out.
AnimationSize animationSize(const Animation& animation, const CPortfolio& portfolio);

// The ID of the first frame's picture that is not in the portfolio, if any.
std::optional<int> missingPicture(const Animation& animation, const CPortfolio& portfolio);
// The refusal shown when an export meets a frame without its picture.
std::string missingPictureText(const Animation& animation, int id);

// Why the animation cannot be written as a GIF, or nothing when it can: no frames, a frame whose
// picture is missing or empty, or a frame that the GIF's 16-bit sizes and offsets cannot hold
// (offsets 0..65535, every frame within a 65535 x 65535 screen), or more frame pixels than a
// GIF reader of this program takes back. The text names the animation and the frame.
std::optional<std::string> animationGifRefusal(const Animation& animation,
                                               const CPortfolio& portfolio);

// The C source of an animation with "\n" line ends: the header, the declarations comment, the
// arrays of each distinct picture once, then the frame array and the animation record.
// Every frame's picture must be in the portfolio.
std::string animationSourceText(const Animation& animation, const CPortfolio& portfolio,
                                std::string_view sourcePath, std::time_t when);

// Writes the C source (CR LF line ends) through a temporary file, so a failure keeps the
// previous file. Failures are shown through `feedback`; false then.
bool writeAnimationSource(const Animation& animation, const CPortfolio& portfolio,
                          const std::filesystem::path& path, Feedback& feedback);

enum class AnimationFormat { Gif = 1, CSource = 2 };

inline constexpr std::string_view AnimationExportFilter =
    "GIF File (*.gif)|*.gif|C Source File (*.c)|*.c||";

// Writes the animation in `format`, refusing (with a message) when a frame's picture is missing
// and, for GIF, whatever animationGifRefusal names.
bool exportAnimationTo(const Animation& animation, const CPortfolio& portfolio,
                       const std::filesystem::path& path, AnimationFormat format,
                       Feedback& feedback);

// The Export Animation command: the save dialog (GIF or C source, the animation's name as the
// proposed file name), then the export. False when cancelled or failed.
bool exportAnimation(const Animation& animation, const CPortfolio& portfolio, FileChooser& chooser,
                     Feedback& feedback);

} // namespace pixelon
