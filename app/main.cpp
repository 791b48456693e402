// vistrel: the desktop editor for phone pictures.

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "app/GlyphonApp.h"

namespace {

void usage() {
    std::printf("Usage: vistrel [PATH]\n\n"
                "Opens the portfolio at PATH (.pfo, .r), or starts a new portfolio with the\n"
                "pictures of a picture file (GIF, JPEG, BMP, WBMP). Without PATH the window\n"
                "opens with no portfolio.\n\n"
                "Qt's own options (-platform, -style, ...) are accepted as well.\n");
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            usage();
            return 0;
        }
    }
    QApplication qt(argc, argv);
    QApplication::setApplicationName("Vistrel");
    QApplication::setApplicationDisplayName("Vistrel");
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
