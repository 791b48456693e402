// The document life cycle driven through the window's actions.

#include <fstream>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "app/QtFileChooser.h"
#include "app/SpacingSpinBox.h"
#include "app/ViewDialogs.h"
#include "tests/app/TestDoubles.h"
#include "tests/app/TestMain.h"

namespace pixelon::app::test {

class LifecycleTest : public QObject {
    Q_OBJECT
private slots:
    void changedPromptAnswers_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("renewed");
        QTest::newRow("yes saves, then starts anew") << int(Answer::Yes) << true << true;
        QTest::newRow("no starts anew unsaved") << int(Answer::No) << false << true;
        QTest::newRow("cancel keeps everything") << int(Answer::Cancel) << false << false;
    }
    void changedPromptAnswers() {
        QFETCH(int, answer);
        QFETCH(bool, saved);
        QFETCH(bool, renewed);
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1, 2});
        CGlyphonApp& app = f.start(file);
        f.dialogs.name = "Edited";
        app.frame().action(ID_PORTFOLIO_NAME)->trigger();
        QVERIFY(app.doc().IsModified());
        QCOMPARE(app.view().nameField()->text(), QString("Edited"));

        f.feedback.queueAnswer(Answer(answer));
        app.frame().action(ID_FILE_NEW)->trigger();
        QCOMPARE(f.feedback.messages().size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(f.feedback.messages()[0].text),
                 QString::fromStdString("Portfolio has changed!\n\nSave to: " + file + "   "));
        QCOMPARE(f.store.written.size(), std::size_t(saved ? 1 : 0));
        QCOMPARE(app.doc().m_portfolio.m_strName, std::string(renewed ? "MyPortfolio" : "Edited"));
        QCOMPARE(app.view().list()->count(), renewed ? 0 : 2);
        QCOMPARE(app.doc().IsModified(), !renewed);
        if (renewed)
            QCOMPARE(app.frame().windowTitle(), QString("Vistrel - MyPortfolio"));
        if (saved) {
            CPortfolio back;
            QVERIFY(back.ReadFile(file, f.feedback));
            QCOMPARE(back.m_strName, std::string("Edited"));
        }
    }

    void saveOfNeverSavedPortfolioAsksWhere() {
        AppFixture f;
        CGlyphonApp& app = f.start();
        app.frame().action(ID_FILE_NEW)->trigger();
        f.dialogs.notes = "line one\nline two";
        app.frame().action(ID_PORTFOLIO_NOTES)->trigger();
        std::string target = f.path("fresh.pfo");
        FileAnswer where;
        where.paths = {target};
        where.name = "Fresh";
        where.notes = "line one\nline two";
        f.chooser.answers.push_back(where);
        app.frame().action(ID_FILE_SAVE)->trigger();
        QCOMPARE(f.chooser.asked.size(), std::size_t(1));
        QVERIFY(f.chooser.asked[0].nameSetsFileName);
        QCOMPARE(f.store.written, std::vector<std::string>{target});
        QCOMPARE(app.frame().windowTitle(), QString("Vistrel - fresh.pfo"));
        QVERIFY(!app.doc().IsModified());
        QCOMPARE(app.recentFiles().entries().front(), target);
        QVERIFY(app.frame().menu(Menu::File)->actions().size() > 0);
        bool listed = false;
        for (QAction* a : app.frame().menu(Menu::File)->actions())
            listed |= a->text().endsWith(QString::fromStdString(target));
        QVERIFY(listed);
    }

    void saveFailureStaysModified() {
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {7});
        CGlyphonApp& app = f.start(file);
        f.dialogs.name = "Other";
        app.frame().action(ID_PORTFOLIO_NAME)->trigger();
        f.store.failWrites = true;
        app.frame().action(ID_FILE_SAVE)->trigger();
        QCOMPARE(QString::fromStdString(f.feedback.messages().back().text),
                 QString("Failed to write font data"));
        QVERIFY(app.doc().IsModified());
    }

    void closeWithCancelKeepsThePortfolio() {
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1, 2, 3});
        CGlyphonApp& app = f.start(file);
        f.dialogs.name = "Changed";
        app.frame().action(ID_PORTFOLIO_NAME)->trigger();
        f.feedback.queueAnswer(Answer::Cancel);
        app.frame().action(ID_FILE_CLOSE)->trigger();
        QCOMPARE(app.view().list()->count(), 3);
        QVERIFY(app.doc().IsModified());
        QVERIFY(app.doc().m_bActive);

        f.feedback.queueAnswer(Answer::No);
        app.frame().action(ID_FILE_CLOSE)->trigger();
        QCOMPARE(app.view().list()->count(), 0);
        QCOMPARE(app.frame().windowTitle(), QString("Vistrel -  "));
        QCOMPARE(app.frame().statusSummary(), QString());
        QVERIFY(!app.frame().action(ID_FILE_SAVE)->isEnabled());
    }

    void windowCloseAsksAndCancelKeepsItOpen() {
        AppFixture f;
        CGlyphonApp& app = f.start();
        app.frame().show();
        app.frame().action(ID_FILE_NEW)->trigger();
        f.dialogs.name = "X";
        app.frame().action(ID_PORTFOLIO_NAME)->trigger();
        f.feedback.queueAnswer(Answer::Cancel);
        QVERIFY(!app.frame().close());
        QVERIFY(app.frame().isVisible());
        f.feedback.queueAnswer(Answer::No);
        QVERIFY(app.frame().close());
    }

    void openingFilesFromTheCommandLine() {
        AppFixture f;
        std::string file = f.writePortfolio("set.r", {5, 6});
        CGlyphonApp& app = f.start(file);
        QVERIFY(app.doc().m_bActive);
        QCOMPARE(app.doc().GetPathName(), file);
        QCOMPARE(app.view().list()->item(0)->text(), QString("00005"));
        QCOMPARE(app.recentFiles().entries().front(), file);

        AppFixture missing;
        missing.app = std::make_unique<CGlyphonApp>(missing.services());
        QVERIFY(!missing.app->InitInstance(missing.path("gone.pfo"), false));

        // A picture file starts a new portfolio, even when the picture cannot be read.
        AppFixture picture;
        CGlyphonApp& p = picture.start(picture.path("photo.gif"));
        QVERIFY(p.doc().m_bActive);
        QCOMPARE(p.doc().m_portfolio.m_strName, std::string("MyPortfolio"));
        QCOMPARE(p.doc().GetPathName(), std::string());
    }

    void openDialogRemembersTheFilter() {
        AppFixture f;
        std::string file = f.writePortfolio("set.pfo", {1});
        CGlyphonApp& app = f.start();
        FileAnswer pick;
        pick.paths = {file};
        pick.filterIndex = 2;
        f.chooser.answers.push_back(pick);
        app.frame().action(ID_FILE_OPEN)->trigger();
        QCOMPARE(QString::fromStdString(f.chooser.asked[0].filter),
                 QString::fromStdString(std::string(OpenFileFilter)));
        QCOMPARE(app.view().list()->count(), 1);
        QCOMPARE(f.settings.m_nDefaultImportType, 2);
        app.frame().action(ID_FILE_OPEN)->trigger(); // cancelled
        QCOMPARE(f.chooser.asked[1].filterIndex, 2);
    }

    void aFailedOpenChangesNothingShown() {
        AppFixture f;
        std::string file = f.writePortfolio("demo.pfo", {1, 2, 3});
        CGlyphonApp& app = f.start(file);
        f.dialogs.name = "Edited";
        app.frame().action(ID_PORTFOLIO_NAME)->trigger();
        app.view().selectOnly(1);
        const QString caption = app.frame().windowTitle();
        QCOMPARE(caption, QString::fromStdString("Vistrel - " + file));

        // A text file that only looks like a portfolio by its name.
        std::string notes = f.path("notes.pfo");
        std::ofstream(notes) << "just some notes\n";
        FileAnswer pick;
        pick.paths = {notes};
        f.chooser.answers.push_back(pick);
        f.feedback.queueAnswer(Answer::No); // do not save the changes first
        app.frame().action(ID_FILE_OPEN)->trigger();
        QVERIFY(QString::fromStdString(f.feedback.messages().back().text)
                    .startsWith(QString::fromStdString(notes) +
                                "\n\nUnable to open file:\nUnsupported data: "));

        QCOMPARE(app.frame().windowTitle(), caption);
        QCOMPARE(app.view().list()->count(), 3);
        QCOMPARE(app.view().list()->item(2)->text(), QString("00003"));
        QCOMPARE(app.view().nameField()->text(), QString("Edited"));
        QCOMPARE(app.doc().GetPathName(), file);
        QVERIFY(app.doc().IsModified());
        QVERIFY(app.frame().action(ID_FILE_SAVE)->isEnabled());

        // Save puts the pictures that are shown back where they came from, asking nothing.
        app.frame().action(ID_FILE_SAVE)->trigger();
        QCOMPARE(f.chooser.asked.size(), std::size_t(1)); // only the Open dialog
        QCOMPARE(f.store.written, std::vector<std::string>{file});
        CPortfolio back;
        QVERIFY(back.ReadFile(file, f.feedback));
        QCOMPARE(back.Count(), 3);
        QCOMPARE(back.m_strName, std::string("Edited"));
    }

    void textMetricsTicksAscentLine() {
        AppFixture f;
        CGlyphonApp& app = f.start();
        app.frame().action(ID_FILE_NEW)->trigger();
        TextMetrics m;
        m.ascent = 12;
        m.bold = true;
        f.dialogs.metrics = m;
        app.view().runCommand(ID_TEXT_METRICS);
        QCOMPARE(app.doc().m_portfolio.m_nWeight, 700);
        QVERIFY(app.frame().ascentLineChecked());
        QVERIFY(app.doc().IsModified());
        m.ascent = 300; // outside the range: refused
        f.dialogs.metrics = m;
        app.view().runCommand(ID_TEXT_METRICS);
        QCOMPARE(app.doc().m_portfolio.m_nAscent, 12);
    }

    void doubleClickOnNameEditsIt() {
        AppFixture f;
        CGlyphonApp& app = f.start();
        QTest::mouseDClick(app.view().nameField(), Qt::LeftButton);
        QCOMPARE(f.dialogs.asked, 0); // no portfolio is open
        app.frame().action(ID_FILE_NEW)->trigger();
        f.dialogs.name = "Clicked";
        QTest::mouseDClick(app.view().nameField(), Qt::LeftButton);
        QCOMPARE(f.dialogs.asked, 1);
        QCOMPARE(app.doc().m_portfolio.m_strName, std::string("Clicked"));
    }

    // A filter shows one pattern list, the one that applies, however its description is
    // written; descriptions without a list get the patterns added.
    void fileFiltersShowEachPatternListOnce() {
        const QStringList open = QtFileChooser::nameFilters(std::string(OpenFileFilter));
        QCOMPARE(open.size(), 7);
        QCOMPARE(open[0], QString("All supported types (*.pfo *.r *.gif *.id *.jpg *.jpeg *.png "
                                  "*.bmp *.wbmp *.wbm)"));
        QCOMPARE(open[1], QString("Portfolio Files (*.pfo *.r)"));
        QCOMPARE(open[3], QString("JPG files (*.jpg *.jpeg)"));
        QCOMPARE(open[6], QString("PNG files (*.png)"));
        QCOMPARE(QtFileChooser::nameFilters(std::string(SaveAsFilter)).last(),
                 QString("All Files (*.*)"));
        QCOMPARE(QtFileChooser::nameFilters("GIF File (*.gif)|*.gif|"),
                 QStringList{"GIF File (*.gif)"});
        QCOMPARE(QtFileChooser::nameFilters("Palette File|*.p|Low Res (300dpi)|*.lr|"),
                 QStringList({"Palette File (*.p)", "Low Res (300dpi) (*.lr)"}));
        for (const QString& f : open)
            QCOMPARE(f.count('('), 1);
    }

    // Spacing is a spin field of -2..2; a value from the file outside that range is shown as
    // it is and refused at OK, and the arrows bring it back into the range.
    void textMetricsSpacingSpinsWithinItsRange() {
        RecordingFeedback feedback;
        QtViewDialogs dialogs(feedback);
        TextMetrics current;
        current.ascent = 7;
        current.spacing = 5;
        QString shown;
        std::size_t refusals = 0;
        bool stillOpen = false;
        int afterUp = 0, lowest = 0;
        std::function<void(int)> drive = [&](int tries) {
            QDialog* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                if (tries < 200)
                    QTimer::singleShot(10, [&drive, tries] { drive(tries + 1); });
                return;
            }
            auto* spin = dialog->findChild<SpacingSpinBox*>();
            auto* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            if (!spin || !ok) {
                dialog->reject();
                return;
            }
            shown = spin->text();
            ok->click();
            refusals = feedback.messages().size();
            stillOpen = dialog->isVisible();
            QTest::keyClick(spin, Qt::Key_Up); // from 5: into the range, at its top
            QTest::keyClick(spin, Qt::Key_Up);
            afterUp = spin->value();
            for (int i = 0; i < 6; ++i)
                QTest::keyClick(spin, Qt::Key_Down);
            lowest = spin->value();
            ok->click();
        };
        QTimer::singleShot(0, [&drive] { drive(0); });
        std::optional<TextMetrics> result = dialogs.editTextMetrics(current);
        QCOMPARE(shown, QString("5"));
        QCOMPARE(refusals, std::size_t(1));
        QCOMPARE(feedback.messages()[0].text, rangeMessage(-2, 2));
        QVERIFY(stillOpen);
        QCOMPARE(afterUp, 2);
        QCOMPARE(lowest, -2);
        QVERIFY(result);
        QCOMPARE(result->spacing, -2);
        QCOMPARE(result->ascent, 7);
    }

    void saveDialogProposesTheSanitisedName() {
        QtFileChooser chooser;
        FileRequest r;
        r.filter = SaveAsFilter;
        r.nameAndNotes = true;
        r.nameSetsFileName = true;
        r.name = "MyPortfolio";
        auto save = chooser.makeSaveDialog(r);
        QVERIFY(save.name && save.notes);
        QCOMPARE(save.dialog->nameFilters().size(), 2);
        save.name->clear();
        QTest::keyClicks(save.name, "a/b:c");
        auto* fileName = save.dialog->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(fileName);
        QCOMPARE(fileName->text(), QString("a_b_c"));

        r.nameSetsFileName = false; // a document with a path keeps its file name
        r.defaultName = "set.pfo";
        auto keep = chooser.makeSaveDialog(r);
        QTest::keyClicks(keep.name, "zz");
        QCOMPARE(keep.dialog->findChild<QLineEdit*>("fileNameEdit")->text(), QString("set.pfo"));
    }
};

PIXELON_QT_TEST(LifecycleTest)

} // namespace pixelon::app::test

#include "lifecycle_test.moc"
