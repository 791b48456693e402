#include "animation/AnimationExport.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <set>
#include <span>

#include "codecs/CSource.h"
#include "codecs/FileBytes.h"
#include "codecs/GifReader.h"
#include "codecs/GifWriter.h"
#include "core/Document.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"

namespace pixelon {

namespace {

std::string format(const char* pattern, auto... values) {
    const int n = std::snprintf(nullptr, 0, pattern, values...);
    std::string s(std::size_t(n > 0 ? n : 0), '\0');
    std::snprintf(s.data(), s.size() + 1, pattern, values...);
    return s;
}

const char* const DeclarationsComment[] = {
    "//",
    "// You also need to define Frame_t and Anim_t",
    "// They should be somthing like:",
    "//",
    "// typedef struct",
    "// {",
    "// \tBitmap_t *bitmap;",
    "// \tuint8 xoffset;",
    "// \tuint8 yoffset;",
    "// \tuint8 disposal;",
    "// \tuint16 framedelay;",
    "// } Frame_t;",
    "//",
    "// typedef struct",
    "// {",
    "// \tuint16 loopstart;",
    "// \tuint16 loopend;",
    "// \tuint16 nrepeats;",
    "// \tuint8 loopmode;",
    "// \tuint8 clearbetweenframes;",
    "// \tFrame_t *frames;",
    "// \tuint16 nframes;",
    "// } Anim_t;",
    "//\n",
};

// offset + extent without overflow: offsets come from files and may be anything.
int clampedSum(int offset, int extent) {
    return int(std::clamp<long long>(static_cast<long long>(offset) + extent, INT_MIN, INT_MAX));
}

// The picture ID as the C names show it: four upper-case hexadecimal digits.
unsigned hexId(int id) {
    return unsigned(id) & 0xFFFF;
}

} // namespace

AnimationSize animationSize(const Animation& animation, const CPortfolio& portfolio) {
    AnimationSize size;
    for (const AnimationFrame& frame : animation.frames) {
        const CPicture* picture = portfolio.FindPicture(frame.id);
        if (!picture)
            continue;
        size.width = std::max(size.width, clampedSum(frame.xoffset, picture->m_nWidth));
        size.height = std::max(size.height, clampedSum(frame.yoffset, picture->m_nHeight));
    }
    return size;
}

std::optional<int> missingPicture(const Animation& animation, const CPortfolio& portfolio) {
    for (const AnimationFrame& frame : animation.frames)
        if (!portfolio.FindPicture(frame.id))
            return frame.id;
    return std::nullopt;
}

std::string missingPictureText(const Animation& animation, int id) {
    return format("Cannot export animation %s:\nits picture %05d is no longer in the portfolio.",
                  animation.name.c_str(), id);
}

std::optional<std::string> animationGifRefusal(const Animation& animation,
                                               const CPortfolio& portfolio) {
    constexpr int GifMax = 0xFFFF; // the GIF's 16-bit sizes and offsets
    const char* name = animation.name.c_str();
    if (animation.frames.empty())
        return format("Cannot export animation %s:\nit has no frames, and a GIF needs at least "
                      "one image.",
                      name);
    if (auto id = missingPicture(animation, portfolio))
        return missingPictureText(animation, *id);
    long long pixels = 0;
    for (std::size_t i = 0; i < animation.frames.size(); ++i) {
        const AnimationFrame& f = animation.frames[i];
        const CPicture& p = *portfolio.FindPicture(f.id);
        const int w = p.m_nWidth, h = p.m_nHeight;
        if (w <= 0 || h <= 0)
            return format("Cannot export animation %s:\nframe %zu shows picture %05d, which is "
                          "empty (%d x %d).",
                          name, i, f.id, w, h);
        if (w > GifMax || h > GifMax)
            return format("Cannot export animation %s:\nframe %zu shows picture %05d of %d x %d; "
                          "a GIF holds pictures of at most 65535 x 65535.",
                          name, i, f.id, w, h);
        if (f.xoffset < 0 || f.xoffset > GifMax || f.yoffset < 0 || f.yoffset > GifMax)
            return format("Cannot export animation %s:\nframe %zu is at %d, %d; a GIF holds "
                          "offsets from 0 to 65535.",
                          name, i, f.xoffset, f.yoffset);
        if (f.xoffset + w > GifMax || f.yoffset + h > GifMax)
            return format("Cannot export animation %s:\nframe %zu at %d, %d with picture %05d of "
                          "%d x %d reaches beyond the 65535 x 65535 screen a GIF holds.",
                          name, i, f.xoffset, f.yoffset, f.id, w, h);
        pixels += static_cast<long long>(w) * h;
        if (pixels > static_cast<long long>(GifReadLimits{}.maxTotalPixels))
            return format("Cannot export animation %s:\nits frames up to frame %zu hold more "
                          "than %lld pixels, more than a GIF of this program may hold.",
                          name, i, static_cast<long long>(GifReadLimits{}.maxTotalPixels));
    }
    return std::nullopt;
}

std::string animationSourceText(const Animation& animation, const CPortfolio& portfolio,
                                std::string_view sourcePath, std::time_t when) {
    const char* name = animation.name.c_str();
    const int count = int(animation.frames.size());
    std::string out;
    WriteSourceHeader(out, sourcePath, when);
    for (const char* line : DeclarationsComment) {
        out += line;
        out += "\n";
    }
    std::set<int> written;
    for (const AnimationFrame& frame : animation.frames) {
        if (!written.insert(frame.id).second)
            continue;
        const CPicture* picture = portfolio.FindPicture(frame.id);
        out += "\n";
        if (!picture ||
            !WritePictureSource(out, *picture, format("%s_%04X", name, hexId(frame.id))))
            return out;
    }
    out += format("\nconst Frame_t %s_Frames[%d] = \n{\n", name, count);
    for (const AnimationFrame& f : animation.frames)
        out += format("  { &%s_%04X_Bitmap,%d,%d,%d,%d },\n", name, hexId(f.id), f.xoffset,
                      f.yoffset, f.disposal, f.framedelay);
    out += "};\n\n";
    out += format("const Anim_t %s_Anim = \n{\n", name);
    out +=
        format("  %d,%d,%d,%d,%d,&%s_Frames,%d\n", animation.loopstart, animation.loopend,
               animation.nrepeats, animation.loopmode, animation.clearbetweenframes, name, count);
    out += "};\n\n";
    return out;
}

bool writeAnimationSource(const Animation& animation, const CPortfolio& portfolio,
                          const std::filesystem::path& path, Feedback& feedback) {
    if (auto id = missingPicture(animation, portfolio)) {
        feedback.message(missingPictureText(animation, *id), MessageIcon::Stop);
        return false;
    }
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    const std::string text = ToCrLf(
        animationSourceText(animation, portfolio, (ec ? path : full).string(), std::time(nullptr)));
    int error = 0;
    if (!WriteFileAtomically(
            path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
            &error)) {
        feedback.message(SaveFailureText(error), MessageIcon::Stop);
        return false;
    }
    return true;
}

bool exportAnimationTo(const Animation& animation, const CPortfolio& portfolio,
                       const std::filesystem::path& path, AnimationFormat format,
                       Feedback& feedback) {
    if (format == AnimationFormat::CSource)
        return writeAnimationSource(animation, portfolio, path, feedback);
    // The GIF writer would leave such frames out or move them; refuse instead.
    if (auto refusal = animationGifRefusal(animation, portfolio)) {
        feedback.message(*refusal, MessageIcon::Stop);
        return false;
    }
    int error = 0;
    if (!WriteAnimationGif(animation, portfolio, path, &error)) {
        feedback.message(SaveFailureText(error), MessageIcon::Stop);
        return false;
    }
    return true;
}

bool exportAnimation(const Animation& animation, const CPortfolio& portfolio, FileChooser& chooser,
                     Feedback& feedback) {
    FileRequest request;
    request.filter = std::string(AnimationExportFilter);
    request.defaultExt = "gif";
    request.defaultName = animation.name;
    request.filterIndex = 1;
    const std::optional<FileAnswer> answer = chooser.chooseSave(request);
    if (!answer || answer->paths.empty())
        return false;
    const AnimationFormat format =
        answer->filterIndex == 2 ? AnimationFormat::CSource : AnimationFormat::Gif;
    return exportAnimationTo(animation, portfolio, answer->paths.front(), format, feedback);
}

} // namespace pixelon
