#pragma once

#include <string>
#include <string_view>

#include "platform/Feedback.h"

namespace pixelon {

// A message about one file: the file's path on the first line, then a blank line and `text`,
// so a box among several files says which one it concerns.
std::string NamingFile(std::string_view path, std::string_view text);

// Passes everything on to `inner`, naming `path` (as NamingFile does) in every failure (stop
// icon) shown meanwhile: the readers' own texts stay as they are, the window says which file.
class FileFeedback : public Feedback {
public:
    FileFeedback(Feedback& inner, std::string path) : m_inner(inner), m_path(std::move(path)) {}
    Answer message(std::string_view text, MessageIcon icon, MessageButtons buttons) override;
    Answer titledMessage(std::string_view title, std::string_view text, MessageIcon icon,
                         MessageButtons buttons) override;
    ProgressWindow& progress() override { return m_inner.progress(); }

private:
    Feedback& m_inner;
    std::string m_path;
};

} // namespace pixelon
