// The hive file format: the text the system registry editor exports and imports.

#include "platform/HiveData.h"

#include <cstdio>

#include "platform/HexDigit.h"

namespace pixelon {
namespace {

constexpr std::string_view header = "Windows Registry Editor Version 5.00";
constexpr std::string_view oldHeader = "REGEDIT4";
constexpr std::string_view eol = "\r\n";

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (lowerAscii(s[i]) != lowerAscii(prefix[i]))
            return false;
    return true;
}

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// --- UTF-16 ---------------------------------------------------------------------------------
// Strings that a quoted value cannot hold (line breaks, NUL) are stored as hex(1), UTF-16LE as
// the system registry keeps them. Bytes that are not UTF-8 travel as the code units
// 0xDC80..0xDCFF, which a well-formed UTF-16 text never contains alone, so nothing is lost.

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string utf16ToUtf8(std::string_view bytes) {
    std::string out;
    const std::size_t units = bytes.size() / 2;
    auto unit = [&](std::size_t i) {
        return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out += static_cast<char>(u - 0xDC00);
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

// Length of the well-formed UTF-8 sequence at s[i], or 0.
std::size_t utf8Sequence(std::string_view s, std::size_t i, char32_t& c) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t len = b0 < 0x80         ? 1
                      : (b0 >> 5) == 6  ? 2
                      : (b0 >> 4) == 14 ? 3
                      : (b0 >> 3) == 30 ? 4
                                        : 0;
    if (len == 0 || i + len > s.size())
        return 0;
    c = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b >> 6) != 2)
            return 0;
        c = (c << 6) | (b & 0x3F);
    }
    static constexpr char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < minimum[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return len;
}

std::vector<std::uint8_t> utf8ToUtf16(std::string_view s) {
    std::vector<std::uint8_t> out;
    auto put = [&](char16_t u) {
        out.push_back(static_cast<std::uint8_t>(u & 0xFF));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    };
    for (std::size_t i = 0; i < s.size();) {
        char32_t c = 0;
        const std::size_t len = utf8Sequence(s, i, c);
        if (len == 0) {
            put(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(s[i])));
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            put(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            put(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            put(static_cast<char16_t>(c));
        }
        i += len;
    }
    put(0); // the terminator the system registry stores with every string
    return out;
}

// --- Writing --------------------------------------------------------------------------------

void appendQuoted(std::string& out, std::string_view s) {
    out += '"';
    for (char c : s) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
}

// Bytes as "xx,xx,...", wrapped like the registry editor does so that lines stay short.
void appendHexBytes(std::string& out, std::size_t lineStart, const std::vector<std::uint8_t>& b) {
    char buf[4];
    for (std::size_t i = 0; i < b.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", b[i]);
        out += buf;
        if (i + 1 == b.size())
            break;
        out += ',';
        if (out.size() - lineStart > 76) {
            out += '\\';
            out += eol;
            lineStart = out.size();
            out += "  ";
        }
    }
}

void appendValue(std::string& out, std::size_t lineStart, const RegistryValue& v) {
    if (const auto* n = std::get_if<std::uint32_t>(&v)) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(*n));
        out += buf;
    } else if (const auto* s = std::get_if<std::string>(&v)) {
        if (s->find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos) {
            appendQuoted(out, *s);
        } else {
            out += "hex(1):";
            appendHexBytes(out, lineStart, utf8ToUtf16(*s));
        }
    } else {
        out += "hex:";
        appendHexBytes(out, lineStart, std::get<std::vector<std::uint8_t>>(v));
    }
}

// --- Reading --------------------------------------------------------------------------------

// Splits text into lines ending in LF, CR LF or CR.
class LineReader {
public:
    explicit LineReader(std::string_view text) : m_text(text) {}
    bool next(std::string_view& line) {
        if (m_pos >= m_text.size())
            return false;
        std::size_t end = m_text.find_first_of("\r\n", m_pos);
        if (end == std::string_view::npos)
            end = m_text.size();
        line = m_text.substr(m_pos, end - m_pos);
        m_pos = end;
        if (m_pos < m_text.size() && m_text[m_pos] == '\r')
            ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '\n')
            ++m_pos;
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

// Reads a quoted text starting at s[i] == '"'; leaves i after the closing quote. Only \\ and \"
// are escapes; any other backslash is kept as written.
bool readQuoted(std::string_view s, std::size_t& i, std::string& out) {
    out.clear();
    if (i >= s.size() || s[i] != '"')
        return false;
    for (++i; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            ++i;
            return true;
        }
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"'))
            ++i;
        out += s[i];
    }
    return false;
}

std::optional<std::vector<std::uint8_t>> parseHexBytes(std::string_view list) {
    std::vector<std::uint8_t> bytes;
    std::size_t pos = 0;
    while (pos <= list.size()) {
        std::size_t comma = list.find(',', pos);
        const bool last = comma == std::string_view::npos;
        if (last)
            comma = list.size();
        const std::string_view token = trim(list.substr(pos, comma - pos));
        if (token.empty()) {
            if (!last)
                return std::nullopt; // an empty item between commas
            break;                   // a trailing comma, or no bytes at all
        } else {
            if (token.size() > 2)
                return std::nullopt;
            int value = 0;
            for (char c : token) {
                const int d = hexDigitValue(c);
                if (d < 0)
                    return std::nullopt;
                value = value * 16 + d;
            }
            bytes.push_back(static_cast<std::uint8_t>(value));
        }
        pos = comma + 1;
    }
    return bytes;
}

std::optional<std::uint32_t> parseDword(std::string_view digits) {
    digits = trim(digits);
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        const int d = hexDigitValue(c);
        if (d < 0)
            return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(d);
    }
    return value;
}

// The data after '=' of a hex value, with its continuation lines joined.
std::string hexBody(std::string_view first, LineReader& lines) {
    std::string body(trim(first));
    std::string_view next;
    while (!body.empty() && body.back() == '\\' && lines.next(next)) {
        body.pop_back();
        body.append(trim(next));
    }
    if (!body.empty() && body.back() == '\\')
        body.pop_back();
    return body;
}

std::optional<RegistryValue> parseData(std::string_view data, LineReader& lines) {
    if (!data.empty() && data.front() == '"') {
        std::size_t i = 0;
        std::string text;
        if (!readQuoted(data, i, text) || !trim(data.substr(i)).empty())
            return std::nullopt;
        return text;
    }
    if (startsWithNoCase(data, "dword:"))
        return parseDword(data.substr(6));
    if (!startsWithNoCase(data, "hex"))
        return std::nullopt;
    const std::size_t colon = data.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    const std::string_view type = data.substr(3, colon - 3);
    const std::string body = hexBody(data.substr(colon + 1), lines);
    auto bytes = parseHexBytes(body);
    if (!bytes)
        return std::nullopt;
    if (type.empty())
        return std::move(*bytes);
    if (type == "(1)") {
        std::string_view raw(reinterpret_cast<const char*>(bytes->data()),
                             bytes->size() & ~std::size_t{1});
        if (raw.size() >= 2 && raw[raw.size() - 1] == 0 && raw[raw.size() - 2] == 0)
            raw.remove_suffix(2);
        return utf16ToUtf8(raw);
    }
    if (type == "(4)" && bytes->size() == 4)
        return static_cast<std::uint32_t>((*bytes)[0] | (*bytes)[1] << 8 | (*bytes)[2] << 16 |
                                          static_cast<std::uint32_t>((*bytes)[3]) << 24);
    return std::nullopt; // types the program does not use are not kept
}

} // namespace

std::string HiveData::toRegText(std::string_view rootName) const {
    std::string out(header);
    out += eol;
    out += eol;
    for (const auto& [lower, key] : m_keys) {
        out += '[';
        out += rootName;
        if (!key.name.empty()) {
            out += '\\';
            out += key.name;
        }
        out += ']';
        out += eol;
        for (const auto& [name, value] : key.values) {
            const std::size_t lineStart = out.size();
            if (name.empty())
                out += '@';
            else
                appendQuoted(out, name);
            out += '=';
            appendValue(out, lineStart, value);
            out += eol;
        }
        out += eol;
    }
    return out;
}

bool HiveData::fromRegText(std::string_view text, std::string_view rootName, HiveData& out) {
    out = HiveData();
    std::string decoded;
    if (text.starts_with("\xFF\xFE")) {
        decoded = utf16ToUtf8(text.substr(2));
        text = decoded;
    } else if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }

    LineReader lines(text);
    std::string_view line;
    bool headerSeen = false;
    while (!headerSeen && lines.next(line)) {
        line = trim(line);
        if (line.empty())
            continue;
        if (line != header && line != oldHeader)
            return false;
        headerSeen = true;
    }
    if (!headerSeen)
        return false;

    std::optional<std::string> current; // the key values belong to; none in a foreign section
    std::string name;
    while (lines.next(line)) {
        line = trim(line);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            current.reset();
            if (line.back() != ']')
                continue;
            const std::string_view path = line.substr(1, line.size() - 2);
            if (!startsWithNoCase(path, rootName) ||
                (path.size() > rootName.size() && path[rootName.size()] != '\\'))
                continue; // another root, or a deletion entry "[-...]"
            current = std::string(path.substr(std::min(path.size(), rootName.size() + 1)));
            out.createKey(*current);
            if (current->empty())
                out.m_keys.try_emplace(std::string());
            continue;
        }
        if (!current || (line.front() != '"' && line.front() != '@'))
            continue;
        std::size_t i = 0;
        if (line.front() == '@') {
            name.clear();
            i = 1;
        } else if (!readQuoted(line, i, name)) {
            continue;
        }
        const std::string_view rest = trim(line.substr(i));
        if (rest.empty() || rest.front() != '=')
            continue;
        if (auto value = parseData(trim(rest.substr(1)), lines))
            out.setValue(*current, name, std::move(*value));
    }
    return true;
}

} // namespace pixelon
