#pragma once

#include <memory>

class QGuiApplication;

namespace pixelon::cli {

// Qt's GUI module on the offscreen platform, for the commands that render system fonts or write
// PDF pages. pixelon never opens a window; the platform is forced to "offscreen" unless the
// caller set QT_QPA_PLATFORM. Create one on the stack before the first Qt drawing call.
class GuiSession {
public:
    GuiSession();
    ~GuiSession();
    GuiSession(const GuiSession&) = delete;
    GuiSession& operator=(const GuiSession&) = delete;

    // False when pixelon was built without Qt's GUI module.
    static bool available();

private:
    std::unique_ptr<QGuiApplication> m_app;
};

} // namespace pixelon::cli
