#include "fonts/qt/QtGlyphRenderer.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QScreen>

#include <array>
#include <cmath>
#include <optional>

namespace pixelon {

namespace {

// Windows ANSI code page: the codes 0x80..0x9F that differ from Latin-1 (0 where unassigned).
constexpr std::array<char16_t, 32> Ansi80 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QChar characterOf(std::uint8_t code) {
    if (code >= 0x80 && code <= 0x9F && Ansi80[code - 0x80])
        return QChar(Ansi80[code - 0x80]);
    return QChar(code);
}

int dotsPerMeter(int dotsPerInch) {
    return int(std::lround(dotsPerInch / 0.0254));
}

class QtGlyphRenderer : public GlyphRenderer {
public:
    QtGlyphRenderer(const SystemFont& chosen, int dotsPerInch)
        : m_device(1, 1, QImage::Format_RGB32) {
        m_device.setDotsPerMeterX(dotsPerMeter(dotsPerInch));
        m_device.setDotsPerMeterY(dotsPerMeter(dotsPerInch));
        m_font.setFamily(QString::fromStdString(chosen.family));
        m_font.setPointSizeF(chosen.tenthsOfPoint / 10.0);
        m_font.setBold(chosen.bold);
        m_font.setItalic(chosen.italic);
        m_font.setUnderline(chosen.underline);
        m_font.setStrikeOut(chosen.strikeout);
        m_font.setStyleStrategy(QFont::NoAntialias);
        m_italic = chosen.italic;
        // The font as resolved at the device's resolution: the same glyphs text drawing uses.
        m_raw = QRawFont::fromFont(QFont(m_font, &m_device));
    }

    int advance(std::uint8_t character) const override {
        return QFontMetrics(m_font, &m_device).horizontalAdvance(characterOf(character));
    }
    int height() const override { return QFontMetrics(m_font, &m_device).height(); }
    bool italic() const override { return m_italic; }

    void draw(Surface& surface, std::uint8_t character, Colour colour) const override {
        if (surface.empty())
            return;
        QImage image(surface.width(), surface.height(), QImage::Format_RGB32);
        image.setDotsPerMeterX(m_device.dotsPerMeterX());
        image.setDotsPerMeterY(m_device.dotsPerMeterY());
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setFont(m_font);
            painter.setPen(QColor(redOf(colour), greenOf(colour), blueOf(colour)));
            const int baseline = QFontMetrics(m_font, &image).ascent();
            const QChar c = characterOf(character);
            if (std::optional<quint32> glyph = glyphOf(c)) {
                QGlyphRun run;
                run.setRawFont(m_raw);
                run.setGlyphIndexes({*glyph});
                run.setPositions({QPointF(0, 0)});
                run.setUnderline(m_font.underline());
                run.setStrikeOut(m_font.strikeOut());
                painter.drawGlyphRun(QPointF(0, baseline), run);
            } else {
                painter.drawText(0, baseline, QString(c));
            }
        }
        for (int y = 0; y < surface.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < surface.width(); ++x)
                surface.setPixel(x, y, rgb(qRed(line[x]), qGreen(line[x]), qBlue(line[x])));
        }
    }

private:
    // The font's own glyph for the character, from its character map. Text drawing shapes the
    // string first, and shaping hides some characters that have a visible glyph (the soft
    // hyphen U+00AD becomes nothing); the character set wants each code's glyph, as the
    // advance width (also taken from the character map) does. Nothing when the font lacks the
    // character: text drawing then finds it in a substitute font.
    std::optional<quint32> glyphOf(QChar c) const {
        if (!m_raw.isValid() || !m_raw.supportsCharacter(c))
            return std::nullopt;
        const QList<quint32> glyphs = m_raw.glyphIndexesForString(QString(c));
        if (glyphs.size() != 1 || glyphs[0] == 0)
            return std::nullopt;
        return glyphs[0];
    }

    QImage m_device; // carries the resolution the metrics are taken at
    QFont m_font;
    QRawFont m_raw;
    bool m_italic = false;
};

} // namespace

std::unique_ptr<GlyphRenderer> MakeQtGlyphRenderer(const SystemFont& font, int dotsPerInch) {
    return std::make_unique<QtGlyphRenderer>(font, dotsPerInch);
}

bool SystemFontInstalled(const std::string& family) {
    return QFontDatabase::families().contains(QString::fromStdString(family), Qt::CaseInsensitive);
}

int ScreenDotsPerInch() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? int(std::lround(screen->logicalDotsPerInchY())) : 96;
}

} // namespace pixelon
