// The portfolio text file: the reader and a picture's entry.

#include "core/PortfolioFile.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <fcntl.h>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "core/EString.h"
#include "core/LineReader.h"
#include "core/LineWriter.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"
#include "platform/HexDigit.h"

namespace pixelon {

namespace {

// Entries are a few lines whatever their size, so a small file could ask for gigabytes of
// pixels. The pictures of one file may hold this many pixels plus 16 for every byte of the file,
// far more than any file that carries its pixel data needs.
constexpr std::uint64_t BasePixelBudget = std::uint64_t(1) << 24;
// Every picture and animation costs memory whatever its size, and every frame a little, so
// each is charged to the same budget: an endless stream of empty entries (from a pipe, whose
// size is unknown) stops there instead of growing without end.
constexpr std::uint64_t EntryCharge = 64;
constexpr std::uint64_t FrameCharge = 16;

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view from(std::string_view line, std::size_t offset) {
    return offset < line.size() ? line.substr(offset) : std::string_view{};
}

std::string_view skipSign(std::string_view text, bool& negative) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    return text.substr(i);
}

// A data line: at most two characters read as a hexadecimal byte.
std::uint8_t dataByte(std::string_view line) {
    if (line.size() == 2) {
        int high = hexDigitValue(line[0]), low = hexDigitValue(line[1]);
        if (high >= 0 && low >= 0)
            return std::uint8_t(high << 4 | low);
    }
    return std::uint8_t(parseHex(line));
}

// Splits at spaces and tabs, skipping empty tokens.
class Tokens {
public:
    explicit Tokens(std::string_view line) : m_rest(line) {}
    bool next(std::string_view& token) {
        std::size_t start = m_rest.find_first_not_of(" \t");
        if (start == std::string_view::npos)
            return false;
        std::size_t stop = m_rest.find_first_of(" \t", start);
        if (stop == std::string_view::npos)
            stop = m_rest.size();
        token = m_rest.substr(start, stop - start);
        m_rest.remove_prefix(stop);
        return true;
    }

private:
    std::string_view m_rest;
};

std::string hex4(int value) {
    LineWriter w;
    w.putHex(std::uint32_t(value), 4);
    return w.text();
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower((unsigned char)x) == std::tolower((unsigned char)y);
           });
}

// Data lines (at most two characters each) go into `bytes` until it is full; further ones are
// read and dropped. Returns the first longer line, or an empty line at the end of the file.
std::string readDataLines(LineReader& file, std::vector<std::uint8_t>& bytes) {
    std::size_t stored = 0;
    std::string_view line;
    while (file.next(line)) {
        if (line.size() > 2)
            return std::string(line);
        if (stored < bytes.size())
            bytes[stored++] = dataByte(line);
    }
    return {};
}

// The line that opens the notes block: a comment whose text starts with FONT_DESCRIPTION. Other
// header lines may hold the word too (the path line holds any folder name).
bool isNotesMarker(std::string_view line) {
    std::string_view text = line.substr(2);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text.starts_with("FONT_DESCRIPTION");
}

const PaletteMap& unpackSourceMap(int depth) {
    return depth == 1 ? MonoMap : depth == 2 ? GreyMap : depth == 8 ? CubeMap : DirectMap;
}
const PaletteMap& unpackTargetMap(int depth) {
    return depth <= 2 ? GreyMap : depth == 8 ? CubeMap : DirectMap;
}
std::size_t packedLength(int width, int height, int depth) {
    if (depth == 16)
        return std::size_t(width) * std::size_t(height) * 2;
    const std::size_t perByte = std::size_t(8 / depth);
    return std::size_t(width) * ((std::size_t(height) + perByte - 1) / perByte);
}

// Grey indices read as the colours they show, in RGB565, so the packing rules apply.
int clampToInt(std::uint64_t value) {
    return int(std::min<std::uint64_t>(value, std::uint64_t(INT_MAX)));
}

} // namespace

int parseDecimal(std::string_view text) {
    bool negative;
    std::string_view digits = skipSign(text, negative);
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            break;
        value = std::min<std::int64_t>(value * 10 + (c - '0'), std::int64_t(INT_MAX) + 1);
    }
    if (negative)
        value = -value;
    return int(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

// The leading hexadecimal digits of `text` (after a sign and an optional 0x), their value kept
// at most `ceiling`.
static std::uint32_t leadingHex(std::string_view digits, std::uint32_t ceiling) {
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X') &&
        hexDigitValue(digits[2]) >= 0)
        digits.remove_prefix(2);
    std::uint32_t value = 0;
    for (char c : digits) {
        const int d = hexDigitValue(c);
        if (d < 0)
            break;
        value = std::min<std::uint32_t>(value << 4 | std::uint32_t(d), ceiling);
    }
    return value;
}

int parseHex(std::string_view text) {
    bool negative;
    const std::uint32_t value = leadingHex(skipSign(text, negative), UINT32_MAX);
    return int(negative ? 0 - value : value);
}

// A 16-bit ID in hexadecimal, or nothing when the text names a larger or negative one.
static std::optional<int> parseId(std::string_view text) {
    bool negative;
    const std::uint32_t value = leadingHex(skipSign(text, negative), 0x10000);
    if (value > 0xFFFF || (negative && value != 0))
        return std::nullopt;
    return int(value);
}

std::string CPicture::ReadItem(LineReader& file, const std::string& typeLine,
                               std::uint64_t maxPixels) {
    const std::string_view type = std::string_view(typeLine).substr(0, 5);
    const bool icon = type == "Icon";
    const bool glyph = type == "Glyph";
    if (!icon && !glyph && type != "Image")
        throw EString("Glyph data error: " + typeLine);

    std::string_view line;
    file.next(line);
    // IDs are 16 bits wide; a larger one would be written back as a different number.
    std::optional<int> id = parseId(line);
    if (!id)
        throw EString("Glyph data error: the " + std::string(type) + " entry has the ID \"" +
                      std::string(line) + "\", outside 0000 to FFFF");
    m_nId = *id;
    file.next(line);
    const int width = parseDecimal(line);
    file.next(line);
    const int height = parseDecimal(line);
    int depth = 1;
    if (!glyph) {
        file.next(line);
        const int colours = parseDecimal(line);
        if (icon && colours != 2 && colours != 4 && colours != 256 && colours != 65536)
            throw EString("Glyph data error: " + typeLine);
        depth = depthOfCount(colours);
    }
    if (width < 0 || height < 0)
        throw EString("Glyph data error: picture " + hex4(m_nId) + " has the size " +
                      std::to_string(width) + " x " + std::to_string(height));
    // Any size the record holds is accepted; only the memory a file may claim is bounded.
    if (std::uint64_t(width) * std::uint64_t(height) > maxPixels)
        throw EString("Glyph data error: picture " + hex4(m_nId) + " has the size " +
                      std::to_string(width) + " x " + std::to_string(height) +
                      ", more pixels than a file of this size can describe");

    m_nStoredDepth = depth;
    m_nDepth = 16;
    m_nWidth = width;
    m_nHeight = height;
    ResizeStorage();

    std::vector<std::uint8_t> bytes(packedLength(width, height, depth), 0);
    std::string pending = readDataLines(file, bytes);
    Unpack(unpackSourceMap(depth), unpackTargetMap(depth), bytes);
    CurrentMap = &unpackTargetMap(depth);

    if (equalsIgnoringCase(pending, "mask")) {
        std::vector<std::uint8_t> mask(packedLength(width, height, 1), 0);
        pending = readDataLines(file, mask);
        UnpackMask(mask);
    }
    // An Icon stays an Icon when it is saved again.
    if (icon)
        m_bMasked = true;

    if (depth <= 2) {
        std::uint16_t colourOf[4];
        if (depth == 1) {
            colourOf[0] = colourOf[1] = colourOf[2] = toRgb565(colourBlack);
        } else {
            colourOf[0] = toRgb565(colourBlack);
            colourOf[1] = toRgb565(colourDarkGrey);
            colourOf[2] = toRgb565(colourLightGrey);
        }
        colourOf[3] = toRgb565(colourWhite);
        for (std::size_t i = 0; i + 1 < m_pixels.size(); i += 2) {
            std::uint16_t v = colourOf[m_pixels[i + 1] & 3];
            m_pixels[i] = std::uint8_t(v >> 8);
            m_pixels[i + 1] = std::uint8_t(v);
        }
    }
    m_nSaveDepth = 0;
    return pending;
}

bool CPortfolio::ReadFrom(LineReader& file, std::uint64_t length, std::string_view shownPath,
                          Feedback& feedback, const std::function<void()>& onName) {
    const PictureSink keep = [this](std::unique_ptr<CPicture> picture) {
        m_pictures.push_back(std::move(picture));
        return true;
    };
    if (!readLines(file, length, shownPath, feedback, onName, keep, ReadingTitle))
        return false;
    SortById();
    return true;
}

bool CPortfolio::StreamFrom(LineReader& file, std::uint64_t length, std::string_view shownPath,
                            Feedback& feedback, const PictureSink& sink,
                            std::string_view progressTitle) {
    return readLines(file, length, shownPath, feedback, {}, sink, progressTitle);
}

bool CPortfolio::readLines(LineReader& file, std::uint64_t length, std::string_view shownPath,
                           Feedback& feedback, const std::function<void()>& onName,
                           const PictureSink& sink, std::string_view progressTitle) {
    m_nFailedLine = 0;
    m_strNotes.clear();
    m_nAscent = 0;
    m_nWeight = 400;
    m_bItalic = 0;
    m_nSpacing = 0;
    m_nHeight = 0;
    m_animations.clear();

    ProgressWindow& progress = feedback.progress();
    progress.Open(progressTitle, shownPath, 0, clampToInt(length));
    const std::uint64_t pixelBudget = BasePixelBudget + std::min(length, UINT64_MAX / 32) * 16;
    std::uint64_t pixels = 0;
    std::uint64_t lineNumber = 0;
    // Pictures handed to the sink, which may keep them anywhere.
    std::uint64_t pictureCount = 0;
    try {
        bool inNotes = false;
        std::string pending;
        bool usePending = false;
        std::string_view line;
        for (;;) {
            // The line being handled, for the failure message: a pending line is the last one
            // read; the end of the file counts as one more (empty) line.
            if (usePending) {
                line = pending;
                // An entry's data that ran to the end of the file leaves the empty end line.
                lineNumber = file.lineNumber() + (pending.empty() && file.atEnd() ? 1 : 0);
            } else {
                lineNumber = file.next(line) ? file.lineNumber() : file.lineNumber() + 1;
            }
            usePending = false;
            progress.Step(clampToInt(file.position()));

            if (line.starts_with("//")) {
                if (inNotes && line.size() > 4) {
                    m_strNotes.append(line.substr(4));
                    m_strNotes.push_back('\n');
                } else if (isNotesMarker(line)) {
                    inNotes = true;
                }
            } else if (line.starts_with("FONTTABLE")) {
                m_strName = std::string(from(line, 10));
                if (onName)
                    onName();
            } else if (line.starts_with("BEGIN")) {
            } else if (line.starts_with("ASCENT")) {
                m_nAscent = parseDecimal(from(line, 7));
            } else if (line.starts_with("WEIGHT")) {
                m_nWeight = parseDecimal(from(line, 7));
            } else if (line.starts_with("ITALIC")) {
                m_bItalic = parseDecimal(from(line, 7));
            } else if (line.starts_with("HEIGHT")) {
                m_nHeight = parseDecimal(from(line, 7));
            } else if (line.starts_with("SPACING")) {
                m_nSpacing = parseDecimal(from(line, 8));
            } else if (line.starts_with("ANIMATION")) {
                pixels += ReadAnimation(file, line, pixelBudget - pixels);
            } else if (line.starts_with("Glyph") || line.starts_with("Image") || line == "Icon") {
                if (pixelBudget - pixels < EntryCharge)
                    throw EString("Glyph data error: more pictures than a file of this size can "
                                  "describe");
                pixels += EntryCharge;
                auto picture = std::make_unique<CPicture>();
                // The budget is checked before the pixels are allocated.
                pending = picture->ReadItem(file, std::string(line), pixelBudget - pixels);
                pixels += std::uint64_t(picture->m_nWidth) * std::uint64_t(picture->m_nHeight);
                ++pictureCount;
                if (!sink(std::move(picture))) {
                    m_nFailedLine = file.lineNumber();
                    progress.Close();
                    return false;
                }
                usePending = true;
            } else if (line.starts_with("END")) {
                progress.Close();
                if (pictureCount == 0 && m_pictures.empty())
                    feedback.message("This file contains no font information!",
                                     MessageIcon::Exclamation);
                return true;
            } else {
                throw EString("Unsupported data: \"" + std::string(line) + "\"");
            }
        }
    } catch (const EString& e) {
        // An entry that fails inside stops at the line it was reading.
        m_nFailedLine = std::max(lineNumber, file.lineNumber());
        progress.Close();
        feedback.message(std::string("Unable to open file:\n") + e.what(), MessageIcon::Stop);
    } catch (const std::bad_alloc&) {
        m_nFailedLine = std::max(lineNumber, file.lineNumber());
        progress.Close();
        feedback.message("Unable to open file:\nNot enough memory", MessageIcon::Stop);
    }
    return false;
}

std::uint64_t CPortfolio::ReadAnimation(LineReader& file, std::string_view line,
                                        std::uint64_t budgetLeft) {
    std::uint64_t charged = EntryCharge;
    if (charged > budgetLeft)
        throw EString("Animation data error: more animations than a file of this size can "
                      "describe");
    Animation animation;
    Tokens tokens(line);
    std::string_view token;
    tokens.next(token); // the keyword
    if (tokens.next(token))
        animation.name = std::string(token);
    int* const fields[] = {
        &animation.width,    &animation.height,   &animation.loopstart,         &animation.loopend,
        &animation.nrepeats, &animation.loopmode, &animation.clearbetweenframes};
    for (int* field : fields)
        if (tokens.next(token))
            *field = parseDecimal(token);
    const int frameCount = tokens.next(token) ? parseDecimal(token) : 0;
    // A count beyond the end of the file stops there; the reader then meets the empty line.
    for (int i = 0; i < frameCount; ++i) {
        std::string_view frameLine;
        if (!file.next(frameLine))
            break;
        charged += FrameCharge;
        if (charged > budgetLeft)
            throw EString("Animation data error: " + animation.name +
                          " has more frames than a file of this size can describe");
        AnimationFrame frame;
        Tokens frameTokens(frameLine);
        if (frameTokens.next(token)) {
            std::optional<int> id = parseId(token);
            if (!id)
                throw EString("Animation data error: frame " + std::to_string(i + 1) + " of " +
                              animation.name + " has the ID \"" + std::string(token) +
                              "\", outside 0000 to FFFF");
            frame.id = *id;
        }
        for (int* field : {&frame.xoffset, &frame.yoffset, &frame.disposal, &frame.framedelay})
            if (frameTokens.next(token))
                *field = parseDecimal(token);
        animation.frames.push_back(frame);
    }
    m_animations.push_back(std::move(animation));
    return charged;
}

bool CPortfolio::ReadFile(const std::filesystem::path& path, Feedback& feedback,
                          const std::function<void()>& onName) {
    return openAndRead(path, feedback, [&](LineReader& reader, std::uint64_t length) {
        return ReadFrom(reader, length, path.string(), feedback, onName);
    });
}

bool CPortfolio::StreamFile(const std::filesystem::path& path, Feedback& feedback,
                            const PictureSink& sink, std::string_view progressTitle) {
    return openAndRead(path, feedback, [&](LineReader& reader, std::uint64_t length) {
        return StreamFrom(reader, length, path.string(), feedback, sink, progressTitle);
    });
}

bool CPortfolio::openAndRead(const std::filesystem::path& path, Feedback& feedback,
                             const std::function<bool(LineReader&, std::uint64_t)>& read) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode))) {
        ::close(fd);
        fd = -1;
    }
    if (fd < 0) {
        m_nFailedLine = 0;
        feedback.message("Unable to open file:\nOpen file failed", MessageIcon::Stop);
        return false;
    }
    LineReader reader(fd);
    bool ok = false;
    try {
        ok = read(reader, std::uint64_t(info.st_size));
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    return ok;
}

} // namespace pixelon
