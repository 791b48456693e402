#include "cli/qt/GuiSession.h"

#include <cstdlib>

#ifdef PIXELON_HAVE_QTGUI
#include <QGuiApplication>
#endif

#include "core/EString.h"

namespace pixelon::cli {

#ifdef PIXELON_HAVE_QTGUI
namespace {
int argcStorage = 1;
char programName[] = "pixelon";
char* argvStorage[] = {programName, nullptr};
} // namespace

GuiSession::GuiSession() {
    if (QGuiApplication::instance())
        return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    m_app = std::make_unique<QGuiApplication>(argcStorage, argvStorage);
}

bool GuiSession::available() {
    return true;
}
#else
GuiSession::GuiSession() {
    throw EString("pixelon was built without Qt's GUI module");
}

bool GuiSession::available() {
    return false;
}
#endif

GuiSession::~GuiSession() = default;

} // namespace pixelon::cli
