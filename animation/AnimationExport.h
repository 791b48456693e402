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

// Writes the animation in `format`, refusing (with a message) when a frame's picture is missing.
bool exportAnimationTo(const Animation& animation, const CPortfolio& portfolio,
                       const std::filesystem::path& path, AnimationFormat format,
                       Feedback& feedback);

// The Export Animation command: the save dialog (GIF or C source, the animation's name as the
// proposed file name), then the export. False when cancelled or failed.
bool exportAnimation(const Animation& animation, const CPortfolio& portfolio, FileChooser& chooser,
                     Feedback& feedback);

} // namespace pixelon
