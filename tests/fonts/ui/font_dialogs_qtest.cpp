#include <QApplication>
#include <QCheckBox>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
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
