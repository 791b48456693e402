// pixelon anim: list a portfolio's animations, export one, or print its playback order.

#include <cstdio>
#include <filesystem>
#include <string>

#include "animation/AnimationExport.h"
#include "animation/Playback.h"
#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"

namespace pixelon::cli {

namespace {

constexpr const char* help = R"(Usage: pixelon anim PORTFOLIO --list
       pixelon anim PORTFOLIO --name NAME -o OUT.gif|OUT.c
       pixelon anim PORTFOLIO --name NAME --play [--steps N]

Works on the animations of a portfolio.

  --list       print each animation: name, size (stored, and as its frames
               need it), loop start and end, repeats (0 for ever), mode
               (forwards, backwards, ping-pong), clear between frames, and
               its frames (picture ID, offset, disposal, delay)
  --name NAME  the animation to export or play
  -o OUT       export it: a name ending in .c gives C source (CR LF line
               ends), any other an animated GIF over the colour cube
  --play       print the frame indices playback shows, one a line, until the
               animation finishes or N frames have been printed
  --steps N    the most frames --play prints (default 1000)

An export is refused when a frame's picture is no longer in the portfolio,
and a GIF export also for an animation without frames, a frame with an empty
picture, and offsets or sizes a GIF cannot hold (0 to 65535).
)";

const char* modeName(int mode) {
    switch (mode) {
    case 1:
        return "backwards";
    case 2:
        return "ping-pong";
    default:
        return "forwards";
    }
}

void list(const CPortfolio& folio) {
    for (const Animation& a : folio.m_animations) {
        const AnimationSize needed = animationSize(a, folio);
        std::printf("%s %d x %d (frames need %d x %d), loop %d..%d, repeats %d, %s, clear %d, "
                    "%zu frames\n",
                    a.name.c_str(), a.width, a.height, needed.width, needed.height, a.loopstart,
                    a.loopend, a.nrepeats, modeName(a.loopmode), a.clearbetweenframes,
                    a.frames.size());
        for (std::size_t i = 0; i < a.frames.size(); ++i) {
            const AnimationFrame& f = a.frames[i];
            std::printf("  %zu: %05d at %d, %d, %s, %d ms%s\n", i, f.id, f.xoffset, f.yoffset,
                        f.disposal == 1 ? "transparent" : "opaque", f.framedelay,
                        folio.FindPicture(f.id) ? "" : " (missing)");
        }
    }
}

const Animation& animationNamed(const CPortfolio& folio, const std::string& name) {
    for (const Animation& a : folio.m_animations)
        if (a.name == name)
            return a;
    throw UsageError("No animation named " + name);
}

bool endsWithC(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    return ext == ".c" || ext == ".C";
}

} // namespace

int runAnim(std::span<const std::string> args) {
    Args parsed(args, {"--name", "-o", "--steps"}, {"--list", "--play"});
    if (parsed.help()) {
        std::fputs(help, stdout);
        return 0;
    }
    if (parsed.positional().size() != 1)
        throw UsageError("Expected one portfolio file (see --help)");
    const bool listing = parsed.flag("--list"), playing = parsed.flag("--play");
    const auto out = parsed.value("-o");
    if (int(listing) + int(playing) + int(out.has_value()) != 1)
        throw UsageError("Give exactly one of --list, --play and -o (see --help)");
    const int steps = parsed.integer("--steps", 1000);
    if (steps < 0)
        throw UsageError("--steps must not be negative");

    CliFeedback feedback;
    CPortfolio folio;
    if (!readPortfolio(folio, parsed.positional()[0], feedback))
        return 1;
    if (listing) {
        list(folio);
        return 0;
    }
    const Animation& animation = animationNamed(folio, parsed.required("--name"));
    if (playing) {
        PlaybackCursor cursor = startPlayback(animation);
        for (int shown = 0; shown < steps && !cursor.finished(); ++shown) {
            std::printf("%d\n", cursor.frame);
            stepPlayback(cursor);
        }
        return 0;
    }
    const std::filesystem::path path = *out;
    const AnimationFormat format =
        endsWithC(path) ? AnimationFormat::CSource : AnimationFormat::Gif;
    return exportAnimationTo(animation, folio, path, format, feedback) ? 0 : 1;
}

} // namespace pixelon::cli
