// The text tool's fonts in the picture editor window: a system font chosen with Fon&t, drawn
// by Qt, and the glyph font files with the menu of those last used.

#include <QFileDialog>
#include <QFontMetrics>
#include <QImage>
#include <QMenu>
#include <QPainter>

#include "editing/PixelFont.h"
#include "editing/ui/EditorDialogs.h"
#include "editing/ui/EditorWindow.h"
#include "editing/ui/GlyphFontFile.h"
#include "platform/qt/SurfaceImage.h"

namespace pixelon::ui {

namespace {

// A system font rendered by Qt without smoothing, so every pixel is ink or background.
class QtTextFont : public TextFont {
public:
    QtTextFont(QFont font, Colour colour) : m_font(std::move(font)), m_colour(colour) {
        m_font.setStyleStrategy(QFont::NoAntialias);
    }
    Surface renderWord(std::string_view word) const override {
        const QString text = QString::fromUtf8(word.data(), qsizetype(word.size()));
        const QFontMetrics metrics(m_font);
        const int w = std::max(1, metrics.horizontalAdvance(text)),
                  h = std::max(1, metrics.height());
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(m_font);
        painter.setPen(Qt::black);
        painter.drawText(0, metrics.ascent(), text);
        painter.end();
        return fromQImage(image);
    }
    int blankWidth() const override { return QFontMetrics(m_font).horizontalAdvance(' '); }
    int lineHeight() const override { return std::max(1, QFontMetrics(m_font).height()); }
    std::optional<Colour> colour() const override { return m_colour; }

private:
    QFont m_font;
    Colour m_colour;
};

// The system font last chosen with Fon&t, offered first the next time.
QFont& lastSystemFont() {
    static QFont font;
    return font;
}

// The eight files last used as glyph fonts, newest first, for the rest of the run.
QStringList& recentGlyphFonts() {
    static QStringList recent;
    return recent;
}

} // namespace

void EditorWindow::font() {
    FontColourDialog dialog(this, lastSystemFont(), fontDialogStartColour(m_editor.leftColour()));
    if (dialog.exec() != QDialog::Accepted)
        return;
    lastSystemFont() = dialog.font();
    m_editor.chooseFont(std::make_shared<QtTextFont>(dialog.font(), dialog.colour()));
    refresh(); // checks the Text tool the font choice selected
}

void EditorWindow::rebuildGlyphMenu() {
    m_glyphMenu->clear();
    m_glyphMenu->addAction("&Open Portfolio or Picture as Font...", this, [this] {
        const QString path =
            QFileDialog::getOpenFileName(this, "Glyph Font", QString(), GlyphFontFilter);
        if (!path.isEmpty())
            glyphFont(path);
    });
    const QStringList& recent = recentGlyphFonts();
    if (!recent.isEmpty())
        m_glyphMenu->addSeparator();
    for (int i = 0; i < recent.size(); ++i) {
        const QString path = recent[i];
        m_glyphMenu->addAction(QString("&%1 %2").arg(i + 1).arg(path), this,
                               [this, path] { glyphFont(path); });
    }
}

void EditorWindow::glyphFont(const QString& path) {
    auto portfolio = loadGlyphFontFile(path.toStdString(), m_feedback);
    if (!portfolio)
        return;
    QStringList& recent = recentGlyphFonts();
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > 8)
        recent.removeLast();
    rebuildGlyphMenu();
    m_editor.chooseFont(std::make_shared<GlyphFont>(std::move(portfolio)));
    refresh(); // checks the Text tool the font choice selected
}

} // namespace pixelon::ui
