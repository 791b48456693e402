#pragma once

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/EString.h"
#include "core/LineReader.h"
#include "core/LineWriter.h"
#include "core/Portfolio.h"
#include "platform/Feedback.h"

namespace pixelon::test {

// A folder of its own for one test, removed afterwards.
class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "pixelon-core-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

inline std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Joins lines with the given line end (the reader accepts LF and CR LF).
// The names in a folder, sorted: a test sees that nothing but the expected files is left (no
// temporary file).
inline std::vector<std::string> namesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string lines(const std::vector<std::string>& list, const char* end = "\n") {
    std::string text;
    for (const auto& l : list)
        text += l + end;
    return text;
}

inline std::vector<std::string> splitCrLf(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        out.push_back(text.substr(start, at - start));
    if (start < text.size())
        out.push_back(text.substr(start));
    return out;
}

inline bool readText(CPortfolio& folio, const std::string& text, RecordingFeedback& feedback) {
    LineReader reader(text);
    return folio.ReadFrom(reader, text.size(), "mem.pfo", feedback);
}

inline std::string writeText(CPortfolio& folio) {
    LineWriter writer;
    folio.WriteTo(writer, "mem.pfo");
    return writer.text();
}

} // namespace pixelon::test
