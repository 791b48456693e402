// The Portfolio Viewer, the printing flow and the Qt page painter on the offscreen platform.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <cstdlib>
#include <filesystem>

#include "core/AppSettings.h"
#include "core/Colours.h"
#include "core/Portfolio.h"
#include "output/qt/QtPagePainter.h"
#include "output/ui/PortfolioViewerDialog.h"
#include "output/ui/PrintSupport.h"
#include "platform/Feedback.h"
#include "tests/output/OutputTestUtil.h"

namespace pixelon::ui {

namespace {

std::filesystem::path artefactDir() {
    return std::filesystem::path(PIXELON_TEST_BINARY_DIR) / "tests" / "output";
}

} // namespace

class OutputWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void viewerOpensZoomedAndSelectsEditsAndCopies() {
        CPortfolio portfolio;
        const Colour colours[] = {rgb(255, 0, 0), rgb(0, 128, 0), rgb(0, 0, 255), rgb(0, 0, 0)};
        for (int i = 0; i < 160; ++i)
            test::addSolid(portfolio, 65 + i, 8 + i % 9, 12, colours[i % 4]);
        CAppSettings settings;
        RecordingFeedback feedback;
        int edits = 0, changes = 0;
        ViewerServices services;
        services.edit = [&](CPicture& p) {
            ++edits;
            p.SetPixel(0, 0, toRgb565(rgb(255, 255, 0)));
            return true;
        };
        services.changed = [&] { ++changes; };
        PortfolioViewerDialog dialog(portfolio, "letters.pfo", feedback, settings, services);
        dialog.resize(420, 300);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QString("Portfolio Viewer - letters.pfo, 160 images"));
        QVERIFY(dialog.zoomBox()->isChecked());
        QVERIFY(dialog.zoomBox()->isEnabled());
        QVERIFY(!dialog.editButton()->isEnabled());
        QCOMPARE(dialog.scrollBar()->maximum(), dialog.viewer().ScrollMax());
        QVERIFY(dialog.scrollBar()->maximum() > 0);
        QCOMPARE(dialog.scrollBar()->singleStep(), 12 + 12);

        // A click on the third picture, then a double click edits it.
        const Rect third = dialog.viewer().Layout().rects[2];
        QTest::mouseClick(dialog.area(), Qt::LeftButton, {}, QPoint(third.left + 2, third.top + 2));
        QCOMPARE(dialog.infoText()->text(), QString("00067: 16"));
        QCOMPARE(dialog.idText()->text(), QString("0043"));
        QVERIFY(dialog.editButton()->isEnabled());
        QVERIFY(dialog.copyButton()->isEnabled());
        QTest::mouseDClick(dialog.area(), Qt::LeftButton, {},
                           QPoint(third.left + 2, third.top + 2));
        QCOMPARE(edits, 1);
        QCOMPARE(changes, 1);
        QCOMPARE(dialog.viewer().Canvas().pixel(third.left, third.top), rgb(255, 255, 0));

        dialog.copyButton()->click();
        const QImage copied = QApplication::clipboard()->image();
        QCOMPARE(copied.width(), 10);
        QCOMPARE(QColor(copied.pixel(1, 1)), QColor(0, 0, 255));

        // The window as it looks, kept for a person to check.
        const QImage shot = dialog.grab().toImage();
        QVERIFY(shot.save(QString::fromStdString((artefactDir() / "viewer.png").string())));
        // The selected picture, magnified two times, is on screen at its place.
        QCOMPARE(QColor(dialog.area()->grab().toImage().pixel(third.left + 3, third.top + 3)),
                 QColor(0, 0, 255));

        dialog.zoomBox()->click();
        QCOMPARE(dialog.viewer().Zoom(), 1);
        dialog.plainBox()->click();
        QVERIFY(settings.m_bFontViewPlainView);
        dialog.scrollBar()->setValue(dialog.scrollBar()->maximum());
        QCOMPARE(dialog.viewer().ScrollPosition(), dialog.viewer().ScrollMax());
    }

    void viewerWithALargePictureCannotZoom() {
        CPortfolio portfolio;
        test::addSolid(portfolio, 1, 40, 20);
        test::addSolid(portfolio, 2, 4, 4);
        CAppSettings settings;
        RecordingFeedback feedback;
        PortfolioViewerDialog dialog(portfolio, "big.pfo", feedback, settings, {});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(!dialog.zoomBox()->isChecked());
        QVERIFY(!dialog.zoomBox()->isEnabled());
        QCOMPARE(dialog.scrollBar()->maximum(), 0);
    }

    void pagePainterDrawsSharpPixelsAndMeasuresText() {
        QImage page(400, 300, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        QtPagePainter pagePainter(painter, 2.0);
        QVERIFY(pagePainter.setFont({"MS Sans Serif", 20, 600, false}));
        QVERIFY(pagePainter.textWidth("Portfolio") > 20);
        Surface bitmap(2, 1);
        bitmap.setPixel(0, 0, rgb(0, 0, 0));
        bitmap.setPixel(1, 0, rgb(255, 0, 0));
        pagePainter.drawBitmap({10, 10, 50, 30}, bitmap);
        pagePainter.drawLine(0, 100, 100, 100);
        painter.end();
        QCOMPARE(QColor(page.pixel(20, 20)), QColor(Qt::black));
        QCOMPARE(QColor(page.pixel(59, 59)), QColor(Qt::black));
        QCOMPARE(QColor(page.pixel(60, 20)), QColor(Qt::red));
        QCOMPARE(QColor(page.pixel(99, 59)), QColor(Qt::red));
        QCOMPARE(QColor(page.pixel(100, 20)), QColor(Qt::white));
        QCOMPARE(QColor(page.pixel(50, 200)), QColor(Qt::black));
        QVERIFY(pagePainter.visibleArea() == (PageRect{0, 0, 200, 150}));
    }

    void resolutionChooserPreselectsAValidChoice() {
        ResolutionDialog dialog(3);
        QCOMPARE(dialog.windowTitle(), QString("Choose Printer Resolution"));
        QCOMPARE(dialog.choice(), 0);
        dialog.setChoice(2);
        QCOMPARE(dialog.choice(), 2);
        auto buttons = dialog.findChildren<QAbstractButton*>();
        QVERIFY(std::any_of(buttons.begin(), buttons.end(), [](QAbstractButton* b) {
            return b->text() == "Test resolution (~900dpi)";
        }));
    }

    void printingStoresTheChoicesAndWritesThePages() {
        CPortfolio portfolio;
        portfolio.m_strName = "Printed";
        test::addSolid(portfolio, 1, 8, 8, rgb(0, 0, 0));
        test::addSolid(portfolio, 1, 8, 8, rgb(0, 0, 0)); // a duplicate ID is reported
        CAppSettings settings;
        settings.m_nPrinterRes = 1;
        RecordingFeedback feedback;
        PortfolioPrinting printing(settings, feedback);
        const std::filesystem::path pdf = artefactDir() / "print-flow.pdf";
        std::filesystem::remove(pdf);
        printing.printer().setOutputFormat(QPrinter::PdfFormat);
        printing.printer().setOutputFileName(QString::fromStdString(pdf.string()));

        int preselected = -1;
        printing.chooseResolution = [&](int p) -> std::optional<int> {
            preselected = p;
            return std::nullopt;
        };
        int shownPages = 0;
        printing.printDialog = [&](QPrinter&, int pages, bool grid) -> std::optional<bool> {
            shownPages = pages;
            return !grid;
        };
        const PrintDocument document{portfolio, "printed.pfo", ""};
        printing.print(nullptr, document); // Cancel in the chooser
        QCOMPARE(preselected, 1);
        QCOMPARE(shownPages, 0);
        QVERIFY(!std::filesystem::exists(pdf));

        printing.chooseResolution = [](int) -> std::optional<int> { return 2; };
        printing.print(nullptr, document);
        QCOMPARE(settings.m_nPrinterRes, 2);
        QCOMPARE(shownPages, 1);
        QVERIFY(settings.m_bPrintGrid);
        QVERIFY(std::filesystem::exists(pdf));
        QVERIFY(std::filesystem::file_size(pdf) > 500);
        QCOMPARE(int(feedback.messages().size()), 1); // the duplicate warning
        QVERIFY(QString::fromStdString(feedback.messages()[0].text).contains("Printed"));

        // The printer's pages, rendered whole by poppler: the black picture in its place (at
        // 900 dpi a picture pixel is 26.67 units, 4.44 page pixels at 150 dpi).
        if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0)
            QSKIP("poppler-utils missing");
        const std::filesystem::path page = artefactDir() / "print-flow";
        const std::string command = "pdftoppm -r 150 -singlefile " + pdf.string() + " " +
                                    page.string() + " 2>" + page.string() + ".err";
        QCOMPARE(std::system(command.c_str()), 0);
        QCOMPARE(std::filesystem::file_size(page.string() + ".err"), std::uintmax_t(0));
        QImage rendered(QString::fromStdString(page.string() + ".ppm"));
        QVERIFY(!rendered.isNull());
        const double c = 20 / 0.75 * 150 / 900;
        const double left = 12 * c, top = 38 * c;
        QCOMPARE(QColor(rendered.pixel(int(left + 4.5 * c), int(top + 4.5 * c))),
                 QColor(Qt::black));
        QCOMPARE(QColor(rendered.pixel(int(left - 2 * c), int(top + 4.5 * c))), QColor(Qt::white));
    }
};

} // namespace pixelon::ui

QTEST_MAIN(pixelon::ui::OutputWindowsTest)
#include "output_ui_test.moc"
