// vistrel: the desktop editor for phone pictures.

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/DisplayCheck.h"
#include "app/GlyphonApp.h"
#include "core/TemporaryFiles.h"
#include "platform/Version.h"

namespace {

void usage() {
    std::printf("Usage: vistrel [PATH]\n\n"
                "Opens the portfolio at PATH (.pfo, .r), or starts a new portfolio with the\n"
                "pictures of a picture file (GIF, JPEG, BMP, WBMP). Without PATH the window\n"
                "opens with no portfolio.\n\n"
                "--version prints the version.\n"
                "Qt's own options (-platform, -style, ...) are accepted as well.\n");
}

} // namespace

int main(int argc, char** argv) {
    // Ctrl+C or kill during a save leaves the previous file and no half-written one.
    pixelon::RemoveTemporaryFilesOnSignals();
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            usage();
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            pixelon::PrintVersion("vistrel");
            return 0;
        }
    }
    // Without a display Qt aborts; say why in one line and end with status 1 instead.
    std::vector<std::string> given(argv + 1, argv + argc);
    std::string platform = pixelon::app::requestedPlatform(given, std::getenv("QT_QPA_PLATFORM"));
    if (auto problem = pixelon::app::displayProblem(platform, std::getenv("DISPLAY"),
                                                    std::getenv("WAYLAND_DISPLAY"),
                                                    &pixelon::app::canConnectToX)) {
        std::fprintf(stderr, "%s\n", problem->c_str());
        return 1;
    }
    QApplication qt(argc, argv);
    // No display name is set: Qt would append it to every window title, and the captions are
    // fixed texts ("Vistrel - <title>", the dialogs' own titles).
    QApplication::setApplicationName("Vistrel");
    QApplication::setOrganizationName("Kivo Norvane");

    // QApplication has taken its own options out of the list; what is left is ours.
    QStringList args = QApplication::arguments();
    std::optional<std::string> path;
    if (args.size() > 1)
        path = args[1].toStdString();
    if (args.size() > 2) {
        std::fprintf(stderr, "vistrel: only one path may be given\n");
        return 1;
    }

    pixelon::app::CGlyphonApp app;
    if (!app.InitInstance(path))
        return 1;
    return QApplication::exec();
}
