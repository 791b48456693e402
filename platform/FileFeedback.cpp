#include "platform/FileFeedback.h"

namespace pixelon {

std::string NamingFile(std::string_view path, std::string_view text) {
    std::string out(path);
    out += "\n\n";
    out += text;
    return out;
}

Answer FileFeedback::message(std::string_view text, MessageIcon icon, MessageButtons buttons) {
    if (icon == MessageIcon::Stop)
        return m_inner.message(NamingFile(m_path, text), icon, buttons);
    return m_inner.message(text, icon, buttons);
}

Answer FileFeedback::titledMessage(std::string_view title, std::string_view text,
                                   MessageIcon icon, MessageButtons buttons) {
    if (icon == MessageIcon::Stop)
        return m_inner.titledMessage(title, NamingFile(m_path, text), icon, buttons);
    return m_inner.titledMessage(title, text, icon, buttons);
}

} // namespace pixelon
