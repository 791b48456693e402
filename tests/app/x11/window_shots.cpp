// Screenshots of the program's windows as the X server shows them (frames and all), for looking
// at the layout by eye: at QT_SCALE_FACTOR=1 and 2 nothing may be cut, overlap or blur.
// scripts/window-shots.sh runs it under Xvfb and a window manager; the PNG files go to the
// folder given as the first argument.

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

#include "animation/ui/AnimationEditorWindow.h"
#include "app/CommandFinder.h"
#include "app/FindCommandDialog.h"
#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "core/Colours.h"
#include "core/Picture.h"
#include "editing/ui/EditorWindow.h"
#include "operations/DuplicateCheck.h"
#include "operations/ui/OperationWindows.h"
#include "output/ui/PortfolioViewerDialog.h"
#include "phone/ui/GatewayWindow.h"
#include "platform/qt/QtFeedback.h"
#include "tests/app/TestDoubles.h"

using namespace pixelon;
using namespace pixelon::app;

namespace {

QString g_folder;
int g_failures = 0;

// A picture with a little drawing in it (a framed diagonal cross on colour bands), so a blurred
// magnification shows at once.
std::unique_ptr<CPicture> drawing(int id, int width, int height) {
    auto p = std::make_unique<CPicture>();
    p->Create(width, height, id);
    p->m_nDepth = 16;
    const Colour bands[] = {rgb(230, 60, 40), rgb(40, 160, 60), rgb(40, 80, 220),
                            rgb(250, 210, 40)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool ink = x == 0 || y == 0 || x == width - 1 || y == height - 1 ||
                             x * height / width == y || (width - 1 - x) * height / width == y;
            p->SetPixel(x, y, toRgb565(ink ? rgb(0, 0, 0) : bands[(y * 4 / height + id) % 4]));
        }
    return p;
}

CPortfolio sample(std::initializer_list<int> ids) {
    CPortfolio portfolio;
    portfolio.m_strName = "Demo";
    int i = 0;
    for (int id : ids) {
        portfolio.InsertSorted(drawing(id, 9 + 3 * (i % 4), 12 + 2 * (i % 3)));
        ++i;
    }
    return portfolio;
}

void waitForWindow(QWidget* window, int timeout) {
    if (!QTest::qWaitForWindowExposed(window, timeout))
        std::fprintf(stderr, "window-shots: %s was not shown\n",
                     qPrintable(window->windowTitle()));
}

void settle(int ms = 400) {
    QTest::qWait(ms);
    QApplication::processEvents();
}

// The window with its frame, as the screen shows it.
void shoot(QWidget* window, const QString& name) {
    settle();
    QScreen* screen = window->screen();
    const QRect frame = window->frameGeometry().adjusted(-2, -2, 2, 2);
    const QPixmap shot = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    const QString path = QDir(g_folder).filePath(name + ".png");
    if (shot.isNull() || !shot.save(path)) {
        std::fprintf(stderr, "window-shots: could not save %s\n", qPrintable(path));
        ++g_failures;
        return;
    }
    std::printf("%s %dx%d (window %dx%d at %d,%d, %g device pixels a point)\n", qPrintable(path),
                shot.width(), shot.height(), window->width(), window->height(), window->x(),
                window->y(), shot.devicePixelRatio());
}

// Shoots the modal box `show` opens, then closes it.
void shootModal(const QString& name, const std::function<void()>& show) {
    QTimer::singleShot(600, [name] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            shoot(box, name);
            box->close();
        } else {
            std::fprintf(stderr, "window-shots: no window for %s\n", qPrintable(name));
            ++g_failures;
        }
    });
    show();
}

} // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    QApplication::setApplicationName("Vistrel");
    g_folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(g_folder);

    pixelon::app::test::AppFixture f;
    CPortfolio demo = sample({1, 2, 3, 5, 8, 13, 21, 34, 40, 41, 65, 66});
    RecordingFeedback quiet;
    const std::string file = f.path("demo.pfo");
    demo.WriteFile(file, quiet);
    CGlyphonApp& app = f.start(file);
    CMainFrame& frame = app.frame();
    app.view().selectOnly(4);
    frame.show();
    waitForWindow(&frame, 5000);
    shoot(&frame, "main-window");

    {
        CPicture picture;
        picture.CopyFrom(demo.Picture(4));
        ui::EditorWindow editor(picture, f.feedback, {});
        editor.show();
        waitForWindow(&editor, 5000);
        shoot(&editor, "editor");
    }
    {
        CPortfolio theirs = sample({5, 7, 9, 100, 101});
        ui::MergeDialog merge(demo, theirs, &frame);
        merge.show();
        waitForWindow(&merge, 5000);
        merge.list(MergeList::Theirs)->item(1)->setSelected(true);
        shoot(&merge, "merge");
    }
    {
        ui::GatewayWindow gateway(f.registry, [](const obex::ObexAddress&, std::string& error) {
            error = "Cannot connect";
            return std::unique_ptr<obex::ObexStream>();
        });
        gateway.addConnection("Desk phone", "tcp:127.0.0.1:43210", "Kivo", "HX224 Deluxe");
        gateway.addConnection("Cable", "serial:/dev/ttyUSB0", "", "");
        gateway.show();
        waitForWindow(&gateway, 5000);
        shoot(&gateway, "handset-gateway");
    }
    {
        QtFeedback feedback(&frame);
        feedback.progress().Open("Importing files...", "", 0, 10);
        feedback.progress().SetText("holiday-photo-2026-beach-sunset.jpg");
        feedback.progress().Step(4);
        shoot(feedback.progressWidget(), "progress");
        feedback.progress().Close();
    }
    {
        CommandFinder finder([](int) { return true; });
        CommandState state;
        state.active = true;
        state.pictures = 12;
        state.selected = 1;
        FindCommandDialog find(finder, state, &frame);
        find.show();
        waitForWindow(&find, 5000);
        QTest::keyClicks(find.searchField(), "pic");
        shoot(&find, "find-command");
    }
    {
        QtFeedback feedback(&frame);
        shootModal("duplicate-ids", [&] {
            feedback.message(DuplicateIdsText(std::vector<int>{1, 0x41, 0x1234}, "resource"),
                             MessageIcon::Exclamation, MessageButtons::Ok);
        });
    }
    {
        AnimationEditorServices services;
        services.feedback = &f.feedback;
        CPortfolio animated = sample({1, 2, 3});
        Animation walk;
        walk.name = "Walk";
        walk.frames = {{1, 0, 0, 0, 100}, {2, 2, 1, 0, 100}, {3, 4, 0, 0, 100}};
        animated.m_animations.push_back(walk);
        ui::AnimationEditorWindow animation(animated, services, false, 1.0, &frame);
        animation.show();
        waitForWindow(&animation, 5000);
        shoot(&animation, "animation-editor");
    }
    {
        ui::PortfolioViewerDialog viewer(demo, "demo.pfo", f.feedback, f.settings, {}, &frame);
        viewer.resize(420, 300);
        viewer.show();
        waitForWindow(&viewer, 5000);
        shoot(&viewer, "portfolio-viewer");
    }
    return g_failures == 0 ? 0 : 1;
}
