#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

#include "fonts/ui/FontDialogs.h"
#include "tests/support/ScriptedChooser.h"

using namespace pixelon;

namespace {

QStringList labelsOf(const QWidget& w) {
    QStringList texts;
    for (const QLabel* label : w.findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

QAbstractButton* buttonNamed(const QWidget& w, const QString& text) {
    for (QAbstractButton* b : w.findChildren<QAbstractButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

// Clicks a line of one of the chooser's lists (families 0, styles 1, sizes 2).
bool pickLine(ui::FontChooserDialog& dialog, int which, const QString& text) {
    const QList<QListView*> lists = dialog.fontDialog()->findChildren<QListView*>();
    if (lists.size() <= which)
        return false;
    QListView* list = lists[which];
    QAbstractItemModel* model = list->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        if (index.data().toString() != text)
            continue;
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
        return list->currentIndex() == index;
    }
    return false;
}
bool pickFamily(ui::FontChooserDialog& dialog, const QString& family) {
    return pickLine(dialog, 0, family);
}
bool pickStyle(ui::FontChooserDialog& dialog, const QString& style) {
    return pickLine(dialog, 1, style);
}

} // namespace

class FontDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void bdfImportEnablesTheChosenFields() {
        BdfImportChoice proposal;
        proposal.rangeFirst = "0020";
        proposal.rangeLast = "00FF";
        proposal.globalHeightEnabled = false;
        ui::BdfImportDialog dialog(proposal);
        QCOMPARE(dialog.windowTitle(), QString("Import BDF font"));
        QVERIFY(dialog.rangeButton()->isChecked());
        QVERIFY(!dialog.singleField()->isEnabled());
        QVERIFY(dialog.firstField()->isEnabled());
        QCOMPARE(dialog.singleField()->text(), QString("0030"));
        QVERIFY(!dialog.globalHeightBox()->isEnabled());
        QVERIFY(dialog.globalHeightBox()->isChecked());

        dialog.singleButton()->click();
        QVERIFY(dialog.singleField()->isEnabled());
        QVERIFY(!dialog.lastField()->isEnabled());
        dialog.singleField()->setText("41");
        const BdfImportChoice c = dialog.choice();
        QVERIFY(c.singleGlyph);
        QCOMPARE(c.codes().first, 0x41);
        QVERIFY(!c.globalHeight());
    }

    void characterSetTextsAndReadOnlyFields() {
        ui::CharacterSetDialog dialog(105, 96);
        QCOMPARE(dialog.windowTitle(), QString("Select character set from Font"));
        const QStringList labels = labelsOf(dialog);
        QVERIFY(labels.contains("Font Point-Size you've chosen: 10"));
        QVERIFY(labels.contains("The resultant Font Height in Pixel size is about: 14 + 3"));
        QVERIFY(labels.contains("Select a single character or a character set."));
        QVERIFY(dialog.singleField()->isReadOnly());
        QVERIFY(!dialog.firstField()->isReadOnly());
        QCOMPARE(dialog.tenthsField()->maxLength(), 1);
        dialog.singleButton()->click();
        QVERIFY(dialog.firstField()->isReadOnly());
        QVERIFY(!dialog.singleField()->isReadOnly());
        dialog.tenthsField()->setText("5");
        const CharacterSetChoice c = dialog.choice();
        QVERIFY(c.single);
        QCOMPARE(c.codes(), std::vector<int>{0x30});
        QCOMPARE(c.tenths, std::string("5"));
    }

    void fontChooserReturnsEffectsAndColour() {
        ui::FontChooserDialog dialog;
        QFont font("DejaVu Sans");
        font.setPointSize(14);
        font.setUnderline(true);
        font.setStrikeOut(true);
        dialog.fontDialog()->setCurrentFont(font);
        dialog.setColour(rgb(255, 0, 0));
        const ChosenFont c = dialog.chosen();
        QCOMPARE(c.font.tenthsOfPoint, 140);
        QVERIFY(c.font.underline);
        QVERIFY(c.font.strikeout);
        QCOMPARE(c.colour, rgb(255, 0, 0));
    }

    void fontChooserOpensUprightOnTheFixedFontAndKeepsItUpright() {
        ui::lastChosenFont().reset();
        ui::FontChooserDialog dialog;
        const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        const QFont opened = dialog.fontDialog()->currentFont();
        QCOMPARE(opened.family(), QFontInfo(fixed).family());
        QCOMPARE(opened.style(), QFont::StyleNormal);
        QCOMPARE(opened.weight(), QFont::Normal);
        QVERIFY(opened.pointSize() >= 10 && opened.pointSize() <= 12);

        // Picking a family whose first listed style is slanted keeps the upright one, as a
        // click in the family list does it.
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QString mono = "DejaVu Sans Mono";
        if (!QFontDatabase::families().contains(mono))
            QSKIP("DejaVu Sans Mono is not installed");
        QVERIFY(pickFamily(dialog, "DejaVu Serif"));
        QVERIFY(pickFamily(dialog, mono));
        QCOMPARE(dialog.fontDialog()->currentFont().family(), mono);
        QCOMPARE(dialog.fontDialog()->currentFont().style(), QFont::StyleNormal);
        QVERIFY(!dialog.chosen().font.italic);

        // A style the user picks is kept across families by its slant and weight.
        QVERIFY(pickStyle(dialog, "Bold Oblique"));
        QVERIFY(pickFamily(dialog, "DejaVu Sans"));
        const QFont boldSlanted = dialog.fontDialog()->currentFont();
        QVERIFY(boldSlanted.style() != QFont::StyleNormal);
        QVERIFY(boldSlanted.bold());
    }

    void fontChooserOpensOnTheLastFontUsed() {
        ChosenFont last;
        last.font.family = "DejaVu Serif";
        last.font.tenthsOfPoint = 180;
        last.font.bold = true;
        last.font.strikeout = true;
        last.colour = rgb(0, 0, 255);
        ui::FontChooserDialog dialog(last);
        const ChosenFont again = dialog.chosen();
        QCOMPARE(QString::fromStdString(again.font.family),
                 QFontInfo(QFont("DejaVu Serif")).family());
        QCOMPARE(again.font.tenthsOfPoint, 180);
        QVERIFY(again.font.bold && !again.font.italic && again.font.strikeout);
        QCOMPARE(again.colour, rgb(0, 0, 255));
    }

    void escapeInTheFontListCancelsTheWholeWindow() {
        ui::FontChooserDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QWidget* list = dialog.fontDialog()->focusWidget();
        QTest::keyClick(list ? list : dialog.fontDialog(), Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        // Shown again, the window still holds the font lists.
        dialog.show();
        QVERIFY(dialog.fontDialog()->isVisible());
    }

    void fntExportShowsTheProposals() {
        FntExportState proposal;
        proposal.fileName = "/tmp/set.fnt";
        proposal.fontName = "Set";
        proposal.maximumHeight = 16;
        proposal.medianHeight = 12;
        proposal.heightLimit = 16;
        proposal.italic = true;
        proposal.fontType = 1;
        test::ScriptedChooser chooser;
        ui::FntExportDialog dialog(proposal, chooser);
        const QStringList labels = labelsOf(dialog);
        QVERIFY(labels.contains("Maximum Height: 16"));
        QVERIFY(labels.contains("Median Height: 12"));
        QAbstractButton* selection = buttonNamed(dialog, "Selection");
        QVERIFY(selection && !selection->isEnabled());
        QVERIFY(buttonNamed(dialog, "All images (first 223)")->isChecked());
        QVERIFY(buttonNamed(dialog, "OEM")->isChecked());
        QVERIFY(buttonNamed(dialog, "&Information..."));

        chooser.queuePath("/tmp/other.fnt");
        buttonNamed(dialog, "...")->click();
        QCOMPARE(chooser.asked.at(0).filter, std::string("Windows FNT Files (*.fnt)|*.fnt||"));
        QCOMPARE(chooser.asked.at(0).defaultName, std::string("/tmp/set.fnt"));
        buttonNamed(dialog, "Bold")->click();
        buttonNamed(dialog, "Default")->click();
        dialog.findChild<QSpinBox*>()->setValue(20); // above the maximum: kept at 16
        const FntExportState s = dialog.state();
        QCOMPARE(s.fileName, std::string("/tmp/other.fnt"));
        QVERIFY(s.bold && s.italic);
        QCOMPARE(s.fontType, 2);
        QCOMPARE(s.heightLimit, 16);
        QVERIFY(s.exportAll);
    }
};

QTEST_MAIN(FontDialogsTest)
#include "font_dialogs_qtest.moc"
