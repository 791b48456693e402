#include "phone/ReplyParsing.h"

#include <climits>

namespace pixelon {

namespace {

bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Moves past `commas` commas (at any depth); npos when the text ends first.
std::size_t pastCommas(std::string_view text, std::size_t pos, int commas) {
    while (commas > 0 && pos < text.size()) {
        if (text[pos] == ',')
            --commas;
        ++pos;
    }
    return commas == 0 ? pos : std::string_view::npos;
}

// A phone screen the picture record can hold; anything else is a garbled reply.
bool plausibleSize(int width, int height) {
    return width > 0 && width <= 1280 && height > 0 && height <= 1024;
}

} // namespace

int readIntegers(std::string_view text, std::size_t pos, int count, int* out) {
    int read = 0;
    while (read < count && pos < text.size()) {
        if (read > 0) {
            if (text[pos] != ',')
                break;
            ++pos;
        }
        while (pos < text.size() && isSpace(text[pos]))
            ++pos;
        bool negative = false;
        if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
            negative = text[pos++] == '-';
        if (pos >= text.size() || !isDigit(text[pos]))
            break;
        long long value = 0;
        for (; pos < text.size() && isDigit(text[pos]); ++pos)
            value = std::min<long long>(value * 10 + (text[pos] - '0'), INT_MAX);
        out[read++] = int(negative ? -value : value);
    }
    return read;
}

std::optional<int> ParseEdawBufferSize(std::string_view reply) {
    std::size_t at = reply.find("EDAW: ");
    if (at == std::string_view::npos)
        return std::nullopt;
    int size = 0;
    if (readIntegers(reply, at + 6, 1, &size) != 1 || size <= 0)
        return std::nullopt;
    return size;
}

EsupResult ParseEsupReply(std::string_view reply, ApplicationSizes& sizes,
                          bool& threeApplications) {
    threeApplications = false;
    if (reply.find("*ESUP:") == std::string_view::npos)
        return EsupResult::NotEsup;

    int depth = 0, commas = 2;
    std::size_t pos = 0;
    while (commas > 0 && pos < reply.size()) {
        char c = reply[pos];
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == ',' && depth == 0) {
            --commas;
        } else if (c == ':' && pos + 2 < reply.size() && reply[pos + 2] == '0') {
            sizes.replyFormatMode = 2;
            threeApplications = true;
            pos = pastCommas(reply, pos, 2);
            if (pos != std::string_view::npos)
                ++pos;
            break;
        }
        ++pos;
    }
    if (pos == std::string_view::npos || pos > reply.size())
        return EsupResult::Failed;

    int values[3] = {};
    if (readIntegers(reply, pos, 3, values) != 3 || !plausibleSize(values[1], values[2]))
        return EsupResult::Failed;
    sizes.kinetto = {values[1], values[2], coloursFromCode(values[0], sizes.kinetto.colours)};
    if (sizes.replyFormatMode != 2)
        return EsupResult::Success;

    pos = pastCommas(reply, pos, 6);
    if (pos == std::string_view::npos || readIntegers(reply, pos, 3, values) != 3 ||
        !plausibleSize(values[1], values[2]))
        return EsupResult::Failed;
    sizes.background.width = values[1];
    sizes.background.height = values[2];
    pos = pastCommas(reply, pos, 7);
    int vistrelCode = 0;
    if (pos == std::string_view::npos || readIntegers(reply, pos, 1, &vistrelCode) != 1)
        return EsupResult::Failed;
    sizes.vistrel = {32, 32, coloursFromCode(vistrelCode, sizes.vistrel.colours)};
    return EsupResult::Success;
}

bool IsLargeWallpaperModel(std::string_view reply) {
    for (std::string_view model : {"HX215", "HX214", "HX236", "HX237"})
        if (reply.find(model) != std::string_view::npos)
            return true;
    return false;
}

} // namespace pixelon
