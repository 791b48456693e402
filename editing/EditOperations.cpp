#include "editing/EditOperations.h"

#include <charconv>
#include <stdexcept>
#include <vector>

namespace pixelon {

namespace {

[[noreturn]] void fail(std::string_view operation, std::string_view why) {
    throw std::invalid_argument("bad operation '" + std::string(operation) +
                                "': " + std::string(why));
}

std::vector<int> numbers(std::string_view operation, std::string_view text, char separator,
                         std::size_t count) {
    std::vector<int> out;
    std::size_t at = 0;
    while (true) {
        std::size_t end = text.find(separator, at);
        std::string_view part = text.substr(at, end == std::string_view::npos ? end : end - at);
        int v = 0;
        auto [ptr, ec] = std::from_chars(part.data(), part.data() + part.size(), v);
        if (part.empty() || ec != std::errc() || ptr != part.data() + part.size())
            fail(operation, "expected a number, got '" + std::string(part) + "'");
        out.push_back(v);
        if (end == std::string_view::npos)
            break;
        at = end + 1;
    }
    if (out.size() != count)
        fail(operation, "expected " + std::to_string(count) + " numbers");
    return out;
}

std::pair<int, int> size(std::string_view operation, std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c == 'X')
            c = 'x';
    auto v = numbers(operation, lower, 'x', 2);
    return {v[0], v[1]};
}

} // namespace

void applyEditOperation(PictureEditor& editor, std::string_view operation) {
    const std::size_t eq = operation.find('=');
    const std::string_view name = operation.substr(0, eq);
    const std::string_view arg =
        eq == std::string_view::npos ? std::string_view{} : operation.substr(eq + 1);
    const bool hasArg = eq != std::string_view::npos;
    auto noArg = [&] {
        if (hasArg)
            fail(operation, "takes no value");
    };
    if (name == "mono") {
        noArg();
        editor.toMono();
    } else if (name == "grey") {
        noArg();
        editor.toGreyLevels();
    } else if (name == "cube") {
        noArg();
        editor.toCubeColours();
    } else if (name == "gsmap") {
        MappingSteps steps = currentMappingSteps();
        if (hasArg) {
            auto v = numbers(operation, arg, ',', 4);
            for (int s : v)
                if (s < 0 || s > 255)
                    fail(operation, "steps lie in 0..255");
            steps = {v[0], v[1], v[2], v[3]};
        }
        editor.mapToSteps(steps);
    } else if (name == "fold") {
        static constexpr std::pair<std::string_view, FoldMode> modes[] = {
            {"left-to-right", FoldMode::LeftToRight},
            {"right-to-left", FoldMode::RightToLeft},
            {"top-to-bottom", FoldMode::TopToBottom},
            {"bottom-to-top", FoldMode::BottomToTop},
            {"mirror", FoldMode::Mirror},
            {"flip", FoldMode::Flip}};
        for (const auto& [text, mode] : modes)
            if (arg == text)
                return editor.fold(mode);
        fail(operation, "fold=left-to-right|right-to-left|top-to-bottom|bottom-to-top|mirror|flip");
    } else if (name == "rotate") {
        if (arg == "left")
            editor.rotate(Rotation::Left);
        else if (arg == "right")
            editor.rotate(Rotation::Right);
        else if (arg == "180")
            editor.rotate(Rotation::Half);
        else
            fail(operation, "rotate=left|right|180");
    } else if (name == "scale" || name == "resize") {
        const auto [w, h] = size(operation, arg);
        const bool ok = name == "scale" ? editor.scale(w, h) : editor.resize(w, h);
        if (!ok)
            fail(operation, "sizes lie in 1.." + std::to_string(MaxEditSize));
    } else if (name == "crop") {
        noArg();
        editor.crop();
    } else if (name == "shift") {
        int dx = 0, dy = 0;
        if (arg == "left")
            dx = -1;
        else if (arg == "right")
            dx = 1;
        else if (arg == "up")
            dy = -1;
        else if (arg == "down")
            dy = 1;
        else
            fail(operation, "shift=left|right|up|down");
        // The operation names where the content goes; the arrow buttons move the picture
        // window when nothing is selected, which moves the content the other way.
        const int sign = editor.selection() ? 1 : -1;
        editor.shift(sign * dx, sign * dy);
    } else if (name == "clear") {
        noArg();
        editor.clear();
    } else if (name == "swap") {
        auto v = numbers(operation, arg, ',', 5);
        ColourSwapModel swap(editor.customColour());
        for (int row = 0; row < 5; ++row) {
            if (v[std::size_t(row)] < 0 || v[std::size_t(row)] > 8)
                fail(operation, "entries lie in 0..8");
            swap.select(row, v[std::size_t(row)]);
        }
        editor.swapColours(swap.result());
    } else if (name == "select") {
        auto v = numbers(operation, arg, ',', 4);
        if (v[2] < 1 || v[3] < 1)
            fail(operation, "width and height must be at least 1");
        const Rect r{v[0], v[1], v[0] + v[2], v[1] + v[3]};
        if (r.intersected({0, 0, editor.width(), editor.height()}).empty())
            fail(operation, "the rectangle lies outside the picture");
        editor.setSelection(r);
    } else {
        fail(operation, "unknown operation");
    }
}

std::string editOperationsHelp() {
    return "  mono                     Mono colors (dithered with --dither)\n"
           "  grey                     Grey scale (dithered with --dither)\n"
           "  cube                     256 Colors (dithered with --dither)\n"
           "  gsmap[=W,L,D,B]          GS Map with the steps White, Lite Grey, Dark Grey, Black\n"
           "                           (0..255; default 240,180,152,66)\n"
           "  fold=MODE                left-to-right, right-to-left, top-to-bottom,\n"
           "                           bottom-to-top, mirror or flip\n"
           "  rotate=left|right|180    quarter or half turn\n"
           "  scale=WxH                stretch the picture to W x H\n"
           "  resize=WxH               change the picture area, keeping the top-left corner\n"
           "  crop                     to the selection, else to the phone's standard size\n"
           "  shift=left|right|up|down move the picture (or the selection) by one pixel\n"
           "  clear                    fill the whole canvas white\n"
           "  swap=B,D,L,W,U           Color Swap: the entry (0..8) of the black, dark grey,\n"
           "                           light grey, white and user-colour rows\n"
           "  select=X,Y,W,H           select a rectangle for the operations that follow\n";
}

} // namespace pixelon
