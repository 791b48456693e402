// Files dropped on the main window, pictures dragged out of the list and the clipboard's PNG.

#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>

#include <fstream>

#include "app/DragAndDrop.h"
#include "app/GlyphonView.h"
#include "app/MainFrame.h"
#include "codecs/PngFile.h"
#include "tests/app/TestDoubles.h"
#include "tests/app/TestMain.h"

namespace pixelon::app::test {

namespace {

std::unique_ptr<QMimeData> filesData(const std::vector<std::string>& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const std::string& path : paths)
        urls.push_back(path.rfind("http", 0) == 0
                           ? QUrl(QString::fromStdString(path))
                           : QUrl::fromLocalFile(QString::fromStdString(path)));
    data->setUrls(urls);
    return data;
}

// Sends the drag's entry and, when it was accepted, its drop; true when both were accepted.
bool drop(CGlyphonApp& app, const std::vector<std::string>& paths) {
    const auto data = filesData(paths);
    QDragEnterEvent enter(QPoint(400, 400), Qt::CopyAction, data.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(&app.frame(), &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(QPointF(400, 400), Qt::CopyAction, data.get(), Qt::LeftButton,
                       Qt::NoModifier);
    QCoreApplication::sendEvent(&app.frame(), &dropped);
    return dropped.isAccepted();
}

// A 3 x 2 PNG, blue with a red pixel, its top-left pixel transparent when `clear`.
std::string writePng(AppFixture& f, const char* name, bool clear) {
    PngPicture png;
    png.colours = Surface(3, 2, rgb(0, 0, 255));
    png.colours.setPixel(2, 1, rgb(255, 0, 0));
    if (clear) {
        png.opaque.assign(6, 1);
        png.opaque[0] = 0;
    }
    WritePngFile(png, f.path(name));
    return f.path(name);
}

PngImage decodeBytes(const QByteArray& bytes) {
    auto decoded = DecodePng(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), std::size_t(bytes.size())));
    return std::holds_alternative<PngImage>(decoded) ? std::get<PngImage>(decoded) : PngImage{};
}

} // namespace

class DragAndDropTest : public QObject {
    Q_OBJECT
private slots:
    void aDroppedPortfolioOpensAfterTheChangedPrompt() {
        AppFixture f;
        CGlyphonApp& app = f.start(f.writePortfolio("ours.pfo", {1}));
        const std::string theirs = f.writePortfolio("theirs.pfo", {7, 8, 9}, "Theirs");
        f.dialogs.name = "Changed";
        app.frame().action(ID_PORTFOLIO_NAME)->trigger();
        f.feedback.queueAnswer(Answer::Cancel);
        QVERIFY(drop(app, {theirs}));
        QCOMPARE(app.doc().m_portfolio.Count(), 1);
        QVERIFY(app.doc().IsModified());

        f.feedback.queueAnswer(Answer::No);
        QVERIFY(drop(app, {theirs}));
        QCOMPARE(app.doc().m_portfolio.Count(), 3);
        QCOMPARE(app.view().list()->count(), 3);
        QVERIFY(!app.doc().IsModified());
        QCOMPARE(QString::fromStdString(app.doc().m_portfolio.m_strName), QString("Theirs"));
    }

    void onlyTheFirstOfSeveralDroppedPortfoliosOpensAndTheRestAreNamed() {
        AppFixture f;
        CGlyphonApp& app = f.start(f.writePortfolio("ours.pfo", {1}));
        const std::string first = f.writePortfolio("first.pfo", {7, 8}, "First");
        const std::string second = f.writePortfolio("second.pfo", {9}, "Second");
        const std::string third = f.writePortfolio("third.pfo", {10}, "Third");
        QVERIFY(drop(app, {first, second}));
        QCOMPARE(QString::fromStdString(app.doc().m_portfolio.m_strName), QString("First"));
        QCOMPARE(app.frame().statusPrompt(),
                 QString("One portfolio opens at a time: second.pfo was not opened"));
        QVERIFY(drop(app, {third, first, second}));
        QCOMPARE(QString::fromStdString(app.doc().m_portfolio.m_strName), QString("Third"));
        QCOMPARE(app.frame().statusPrompt(),
                 QString("One portfolio opens at a time: first.pfo and 1 more were not opened"));
    }

    void droppedPicturesImportAsImportDoes() {
        AppFixture f;
        CGlyphonApp& app = f.start(f.writePortfolio("set.pfo", {1}));
        const std::string clear = writePng(f, "clear.png", true);
        const std::string plain = writePng(f, "plain.data", false);
        // Several files are a batch: no editor, every picture added.
        QVERIFY(drop(app, {clear, plain}));
        QCOMPARE(f.editorRuns, 0);
        QCOMPARE(app.doc().m_portfolio.Count(), 3);
        QVERIFY(app.doc().IsModified());
        const CPicture& icon = app.doc().m_portfolio.Picture(1);
        QVERIFY(icon.m_bMasked);
        QCOMPARE(int(icon.GetMask(0, 0)), 0);
        // Taken under the portfolio's grey map: red and blue stay apart.
        QVERIFY(icon.PixelColour(2, 1) != icon.PixelColour(1, 1));
        QVERIFY(!app.doc().m_portfolio.Picture(2).m_bMasked);
        // One file goes through the editor; Cancel adds nothing.
        f.editor = [](CPicture&) { return false; };
        QVERIFY(drop(app, {plain}));
        QCOMPARE(f.editorRuns, 1);
        QCOMPARE(app.doc().m_portfolio.Count(), 3);
    }

    void aPortfolioAndPicturesTogetherOpenThenImport() {
        AppFixture f;
        CGlyphonApp& app = f.start();
        const std::string theirs = f.writePortfolio("theirs.pfo", {7});
        QVERIFY(drop(app, {writePng(f, "a.png", false), theirs}));
        QCOMPARE(app.doc().m_portfolio.Count(), 2);
        QCOMPARE(app.doc().m_portfolio.Picture(0).m_nId, 7);
        QCOMPARE(app.doc().m_portfolio.Picture(1).m_nId, 8);
    }

    void onlyLocalFilesAreTaken() {
        AppFixture f;
        CGlyphonApp& app = f.start(f.writePortfolio("set.pfo", {1}));
        QVERIFY(!drop(app, {"https://example.org/a.png"}));
        QCOMPARE(app.doc().m_portfolio.Count(), 1);
        // A file that is not a picture is reported by the import, as Open reports it.
        std::ofstream(f.path("notes.txt")) << "text";
        QVERIFY(drop(app, {f.path("notes.txt")}));
        QCOMPARE(app.doc().m_portfolio.Count(), 1);
    }

    void aDraggedPictureIsAPngAndAFile() {
        AppFixture f;
        CGlyphonApp& app = f.start(f.writePortfolio("set.pfo", {3, 4}));
        CPicture& picture = app.doc().m_portfolio.Picture(1);
        picture.m_nDepth = 16;
        picture.SetPixel(1, 1, 0xF800);
        picture.m_bMasked = true;
        picture.SetMask(0, 0, 0);
        auto* list = dynamic_cast<PictureListWidget*>(app.view().list());
        QVERIFY(list);
        QVERIFY(list->dragEnabled());
        std::unique_ptr<QMimeData> data(list->dragData({list->item(1)}));
        QVERIFY(data);
        QVERIFY(data->hasFormat("image/png"));
        QVERIFY(data->hasImage());
        const PngImage png = decodeBytes(data->data("image/png"));
        QCOMPARE(png.colours.width(), 4);
        QCOMPARE(png.colours.height(), 3);
        QCOMPARE(png.colours.pixel(1, 1), rgb(255, 0, 0));
        QCOMPARE(png.colours.pixel(3, 2), picture.PixelColour(3, 2));
        QVERIFY(png.transparentAt(0, 0));
        QVERIFY(!png.transparentAt(1, 0));
        QCOMPARE(data->urls().size(), 1);
        const QString file = data->urls().front().toLocalFile();
        QVERIFY(file.endsWith("picture-00004.png"));
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), data->data("image/png"));
        written.remove();
    }

    void aDraggedPicturesFileIsInAPrivateFolderOfItsOwn() {
        AppFixture f;
        CGlyphonApp& app = f.start(f.writePortfolio("set.pfo", {3}));
        // Another user's link, made beforehand, at a name derived from the process: nothing may
        // be written through it.
        QDir().mkpath(QString::fromStdString(f.path("elsewhere")));
        const QString guessed = QDir::temp().filePath(
            QStringLiteral("pixelon-drag-%1").arg(QCoreApplication::applicationPid()));
        if (QFileInfo(guessed).isSymLink())
            QFile::remove(guessed);
        else
            QDir(guessed).removeRecursively();
        QVERIFY(QFile::link(QString::fromStdString(f.path("elsewhere")), guessed));
        auto* list = dynamic_cast<PictureListWidget*>(app.view().list());
        QVERIFY(list);
        std::unique_ptr<QMimeData> data(list->dragData({list->item(0)}));
        QFile::remove(guessed);
        QVERIFY(data);
        QCOMPARE(data->urls().size(), 1);
        const QFileInfo file(data->urls().front().toLocalFile());
        QVERIFY(file.exists());
        QVERIFY(QDir(QString::fromStdString(f.path("elsewhere"))).isEmpty());
        const QFileInfo folder(file.absolutePath());
        QVERIFY(!folder.isSymLink());
        QCOMPARE(folder.permissions() &
                     (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                      QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther),
                 QFileDevice::Permissions());
    }

    void copyPicturePutsItsPngOnTheClipboard() {
        AppFixture f;
        CGlyphonApp& app = f.start(f.writePortfolio("set.pfo", {5}));
        app.view().selectOnly(0);
        app.view().runCommand(ID_EDIT_COPY);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data);
        QVERIFY(data->hasFormat("image/png"));
        const PngImage png = decodeBytes(data->data("image/png"));
        QCOMPARE(png.colours.width(), 4);
        QCOMPARE(png.colours.height(), 3);
        QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(4, 3));
    }
};

PIXELON_QT_TEST(DragAndDropTest)

} // namespace pixelon::app::test

#include "draganddrop_test.moc"
