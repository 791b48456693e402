// The editor window at its default size, its scrolling, its fonts and the glyph-font files.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFontDialog>
#include <QScrollBar>
#include <QtTest>

#include <filesystem>
#include <fstream>

#include "core/Portfolio.h"
#include "editing/PixelFont.h"
#include "editing/ui/EditorDialogs.h"
#include "editing/ui/EditorWindow.h"
#include "editing/ui/GlyphFontFile.h"
#include "editing/ui/PaletteButton.h"
#include "platform/Feedback.h"
#include "tests/support/TestPictures.h"

using namespace pixelon;
namespace fs = std::filesystem;

namespace {

int blackPixels(const CPicture& p) {
    int n = 0;
    for (int y = 0; y < p.m_nHeight; ++y)
        for (int x = 0; x < p.m_nWidth; ++x)
            n += p.PixelColour(x, y) == 0;
    return n;
}

fs::path scratch(const char* name) {
    fs::path dir = fs::temp_directory_path() /
                   ("pixelon-editor-ui-" + std::to_string(QCoreApplication::applicationPid()));
    fs::create_directories(dir);
    return dir / name;
}

} // namespace

class EditorLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { fs::remove_all(scratch("x").parent_path()); }

    void paletteButtonsAreUsableAtTheDefaultSize() {
        CPicture picture = whitePicture(101, 80);
        RecordingFeedback feedback;
        ui::EditorWindow window(picture, feedback, {});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect inside = window.rect();
        for (int id = 1084; id <= 1097; ++id) {
            auto* b = window.findChild<ui::PaletteButton*>(QString("ctl%1").arg(id));
            QVERIFY(b);
            QVERIFY2(b->width() >= 16 && b->height() >= 16, qPrintable(QString::number(id)));
            const QRect r(b->mapTo(&window, QPoint(0, 0)), b->size());
            QVERIFY2(inside.contains(r), qPrintable(QString::number(id)));
        }
        // Optional picture of the window for a person to look at.
        if (const QByteArray dir = qgetenv("PIXELON_SCREENSHOT_DIR"); !dir.isEmpty()) {
            QTest::qWait(50);
            window.grab().save(QString::fromLocal8Bit(dir) + "/editor-default.png");
        }
    }

    // Only for a person to look at: an edited Icon with text, a transparent area, a selection
    // and the grid, saved when PIXELON_SCREENSHOT_DIR is set.
    void screenshotOfAnEditedIcon() {
        const QByteArray dir = qgetenv("PIXELON_SCREENSHOT_DIR");
        if (dir.isEmpty())
            QSKIP("PIXELON_SCREENSHOT_DIR is not set");
        setEditorFont(nullptr);
        CPicture picture = whitePicture(48, 32);
        picture.m_bMasked = true;
        for (int y = 20; y < 32; ++y)
            for (int x = 30; x < 48; ++x)
                picture.SetMask(x, y, 0);
        RecordingFeedback feedback;
        ui::EditorWindow window(picture, feedback, {});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        PictureEditor& ed = window.editor();
        ed.setTool(Tool::Text);
        ed.mouseDown(MouseButton::Left, 2, 2);
        ed.typeText("Hi 42");
        ed.clickPaletteButton(1090, MouseButton::Left);
        ed.setTool(Tool::Fill);
        ed.mouseDown(MouseButton::Left, 10, 25);
        ed.mouseUp(MouseButton::Left, 10, 25);
        ed.toggleGrid();
        ed.setSelection(Rect{1, 1, 20, 11});
        window.control(1207)->click();
        window.control(1207)->click();
        QTest::qWait(50);
        window.grab().save(QString::fromLocal8Bit(dir) + "/editor-icon.png");
    }

    void largePictureScrolls() {
        CPicture picture = whitePicture(900, 700);
        RecordingFeedback feedback;
        ui::EditorWindow window(picture, feedback, {});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        PictureEditor& ed = window.editor();
        QCOMPARE(ed.zoom(), 1);
        QVERIFY(window.horizontalScroll()->maximum() > 0);
        QVERIFY(window.verticalScroll()->maximum() > 0);
        QCOMPARE(window.horizontalScroll()->maximum(), 900 - window.view()->width());
        window.horizontalScroll()->setValue(window.horizontalScroll()->maximum());
        window.verticalScroll()->setValue(300);
        QCOMPARE(ed.scrollX(), 900 - window.view()->width());
        QCOMPARE(ed.scrollY(), 300);
        // A pen click in the view's bottom-right corner paints the picture's last column.
        const QPoint corner(window.view()->width() - 1, 10);
        QTest::mouseClick(window.view(), Qt::LeftButton, {}, corner);
        QCOMPARE(ed.pixel(899, 310), colourBlack);
        if (const QByteArray dir = qgetenv("PIXELON_SCREENSHOT_DIR"); !dir.isEmpty()) {
            QTest::qWait(50);
            window.grab().save(QString::fromLocal8Bit(dir) + "/editor-scrolled.png");
        }
        // Zooming in widens the range; the wheel scrolls too.
        window.control(3)->click();
        QCOMPARE(window.horizontalScroll()->maximum(), 2 * 900 - window.view()->width());
        const int before = ed.scrollY();
        QWheelEvent wheel(QPointF(5, 5), window.view()->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(window.view(), &wheel);
        QCOMPARE(ed.scrollY(), before + 40);
        QCOMPARE(window.verticalScroll()->value(), before + 40);
    }

    void textToolWritesWithoutChoosingAFont() {
        setEditorFont(nullptr);
        CPicture picture = whitePicture(40, 20);
        RecordingFeedback feedback;
        ui::EditorWindow window(picture, feedback, {});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.control(1104)->click();
        PictureEditor& ed = window.editor();
        const int z = ed.zoom();
        QTest::mouseClick(window.view(), Qt::LeftButton, {},
                          QPoint(ed.viewOffset() + 2 * z + z / 2, 2 * z + z / 2));
        QTest::keyClicks(window.view(), "OK");
        window.control(1)->click();
        QVERIFY(blackPixels(picture) > 20);
    }

    void fontDialogOffersColours() {
        ui::FontColourDialog dialog(nullptr, QFont(),
                                    fontDialogStartColour(ColourPair::plain(colourDarkGrey)));
        QCOMPARE(dialog.colourList()->count(), 16);
        QCOMPARE(dialog.colourList()->currentText(), QString("Gray"));
        QCOMPARE(dialog.colour(), rgb(128, 128, 128));
        dialog.colourList()->setCurrentIndex(dialog.colourList()->findText("Red"));
        QCOMPARE(dialog.colour(), rgb(255, 0, 0));
        ui::FontColourDialog plain(nullptr, QFont(), rgb(10, 20, 30));
        QCOMPARE(plain.colourList()->currentText(), QString("Black"));

        // Escape in the font lists cancels the whole window rather than emptying it.
        plain.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plain));
        QWidget* list = plain.fontChooser()->focusWidget();
        QTest::keyClick(list ? list : plain.fontChooser(), Qt::Key_Escape);
        QCOMPARE(plain.result(), int(QDialog::Rejected));
        QVERIFY(!plain.isVisible());
        plain.show();
        QVERIFY(plain.fontChooser()->isVisible());
    }

    void glyphFontFromPictureOrPortfolio() {
        RecordingFeedback feedback;
        // A 3 x 2 WBMP: black, white, black over a white row.
        const fs::path wbmp = scratch("glyph.wbmp");
        {
            std::ofstream out(wbmp, std::ios::binary);
            const char bytes[] = {0x00, 0x00, 0x03, 0x02, 0x40, char(0xE0)};
            out.write(bytes, sizeof bytes);
        }
        auto font = ui::loadGlyphFontFile(wbmp, feedback);
        QVERIFY(font);
        QCOMPARE(font->Count(), 1);
        QCOMPARE(font->Picture(0).m_nId, 1);
        QCOMPARE(font->Picture(0).m_nWidth, 3);
        QCOMPARE(font->Picture(0).PixelColour(0, 0), Colour(0));

        // A portfolio in a folder whose name looks like a picture type is still a portfolio.
        const fs::path folder = scratch("fonts.id");
        fs::create_directories(folder);
        CPortfolio glyphs;
        glyphs.m_strName = "Glyphs";
        auto a = std::make_unique<CPicture>(whitePicture(4, 5));
        a->m_nId = 'A';
        glyphs.InsertSorted(std::move(a));
        QVERIFY(glyphs.WriteFile(folder / "g.pfo", feedback));
        font = ui::loadGlyphFontFile(folder / "g.pfo", feedback);
        QVERIFY(font);
        QCOMPARE(font->Picture(0).m_nId, int('A'));

        // A picture file that does not decode gives no font, and says why.
        const fs::path broken = scratch("broken.gif");
        std::ofstream(broken, std::ios::binary) << "GIF89a";
        const std::size_t shown = feedback.messages().size();
        QVERIFY(!ui::loadGlyphFontFile(broken, feedback));
        QVERIFY(feedback.messages().size() > shown);
    }
};

QTEST_MAIN(EditorLayoutTest)
#include "editor_layout_qtest.moc"
