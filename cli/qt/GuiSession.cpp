#include "cli/qt/GuiSession.h"

#include <cstdio>
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

QtMessageHandler qtDefaultHandler = nullptr;

// Qt's notes about its own set-up (a missing XDG_RUNTIME_DIR on a server, say) say nothing
// about the user's files; they are dropped so the command's output stays its own.
void quietQtSetupNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths:")))
        return;
    if (qtDefaultHandler)
        qtDefaultHandler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}
} // namespace

GuiSession::GuiSession() {
    if (QGuiApplication::instance())
        return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    qtDefaultHandler = qInstallMessageHandler(quietQtSetupNotes);
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
