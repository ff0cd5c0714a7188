#include "CExactFont.h"

#include "Cp1251.h"
#include "GlyphRendering.h"

#include <QGlyphRun>
#include <QPainter>

#include <algorithm>
#include <cmath>

CExactFont::CExactFont(const FontDescription& description, bool antialias) : m_bAntialias(antialias)
{
    QFont font = MakeFont(description);
    font.setStyleStrategy(antialias ? QFont::PreferAntialias : QFont::NoAntialias);
    m_Raw = QRawFont::fromFont(font);
    if (!m_Raw.isValid())
        return;
    m_Raw.setPixelSize(TerminalPixelSize(description.PixelSize()));
    // A hair above a whole pixel is rounding noise of the font units, not a pixel row.
    constexpr double kSlack = 1.0 / 64;
    m_nAscent = static_cast<int>(std::ceil(m_Raw.ascent() - kSlack));
    m_nDescent = static_cast<int>(std::ceil(m_Raw.descent() - kSlack));
}

double TerminalPixelSize(double size)
{
    // A hair below a 64th is the fraction's binary noise (10.65625 held as 10.6562499...).
    constexpr double kNoise = 1e-6;
    return std::floor(size * 64 + kNoise) / 64;
}

quint32 CExactFont::GlyphIndex(std::uint8_t code) const
{
    if (!m_Raw.isValid())
        return 0;
    const QList<quint32> indexes = m_Raw.glyphIndexesForString(QString(QChar(Cp1251ToUtf16(code))));
    return indexes.size() == 1 ? indexes.front() : 0;
}

double CExactFont::Advance(std::uint8_t code) const
{
    const quint32 index = GlyphIndex(code);
    if (index == 0)
        return 0;
    const QList<QPointF> advances = m_Raw.advancesForGlyphIndexes(QList<quint32>{index});
    return advances.isEmpty() ? 0 : advances.front().x();
}

void CExactFont::Draw(QPainter& painter, QPointF pen, std::uint8_t code) const
{
    const quint32 index = GlyphIndex(code);
    if (index == 0)
        return;
    QGlyphRun run;
    run.setRawFont(m_Raw);
    run.setGlyphIndexes({index});
    run.setPositions({QPointF(0, 0)});
    painter.drawGlyphRun(pen, run);
}

CellMetrics MeasureCellMetrics(const GeneratorSettings& settings)
{
    const CExactFont font(settings.m_Font, settings.m_bAntialias);
    CellMetrics metrics;
    metrics.ascent = font.Ascent();
    metrics.height = font.LineHeight();
    double widest = 0;
    double first = -1;
    for (int code = settings.m_nFirstCode; code <= settings.m_nLastCode; ++code) {
        const auto c = static_cast<std::uint8_t>(code);
        if (!settings.IsIncluded(code) || !font.HasGlyph(c))
            continue;
        const double advance = font.Advance(c);
        // Zero-width glyphs (control characters, joiners) take no cell of their own.
        if (advance <= 0)
            continue;
        if (first < 0)
            first = advance;
        else if (std::abs(advance - first) > 1.0 / 64)
            metrics.monospaced = false;
        widest = std::max(widest, advance);
    }
    metrics.width = static_cast<int>(std::lround(widest));
    return metrics;
}

void PrepareExactPainter(QPainter& painter, const CExactFont& font)
{
    painter.setRenderHint(QPainter::Antialiasing, font.IsAntialiased());
    painter.setRenderHint(QPainter::TextAntialiasing, font.IsAntialiased());
    painter.setPen(QColor(0, 0, 0));
}

void CutAtCoverage(QImage& image, int percent)
{
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    const int limit = std::clamp(percent, 0, 100) * 255;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            // Coverage is how far the pixel went from white toward black; sub-pixel smoothing
            // gives each channel its own, so their mean stands for the pixel.
            const int darkness = 255 - (qRed(row[x]) + qGreen(row[x]) + qBlue(row[x])) / 3;
            row[x] = darkness * 100 >= limit && darkness > 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
        }
    }
}
