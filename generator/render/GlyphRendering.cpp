#include "GlyphRendering.h"

#include "Cp1251.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

QFont MakeFont(const FontDescription& description)
{
    QFont font(QString::fromStdString(description.m_strFamily));
    font.setPixelSize(std::max(1, description.m_nPixelSize));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(description.m_nWeight, 1, 1000)));
    font.setItalic(description.m_bItalic);
    font.setUnderline(description.m_bUnderline);
    font.setStrikeOut(description.m_bStrikeOut);
    font.setFixedPitch(description.m_bFixedPitch);
    // Monospace stands in for a missing family when fixed pitch is asked for.
    font.setStyleHint(description.m_bFixedPitch ? QFont::TypeWriter : QFont::AnyStyle, QFont::NoAntialias);
    if (!description.m_strStyleName.empty())
        font.setStyleName(QString::fromStdString(description.m_strStyleName));
    font.setKerning(false);
    return font;
}

FontDescription DescribeFont(const QFont& font, double dpi)
{
    FontDescription description;
    description.m_strFamily = font.family().toStdString();
    description.m_strStyleName = font.styleName().toStdString();
    if (font.pixelSize() > 0)
        description.m_nPixelSize = font.pixelSize();
    else if (font.pointSizeF() > 0)
        description.m_nPixelSize = std::max(1, static_cast<int>(std::lround(font.pointSizeF() * dpi / 72.0)));
    description.m_nWeight = font.weight();
    description.m_bItalic = font.italic();
    description.m_bUnderline = font.underline();
    description.m_bStrikeOut = font.strikeOut();
    description.m_bFixedPitch = font.fixedPitch();
    return description;
}

QString CharacterString(std::uint8_t code)
{
    return QString(QChar(Cp1251ToUtf16(code)));
}

QSize CharacterExtent(const QFont& font, std::uint8_t code, const QPaintDevice* device)
{
    const QFontMetrics metrics = device != nullptr ? QFontMetrics(font, device) : QFontMetrics(font);
    return {metrics.horizontalAdvance(CharacterString(code)), metrics.ascent() + metrics.descent()};
}

void PrepareTextPainter(QPainter& painter, const QFont& font)
{
    // Large sizes are drawn as outlines, which the font's own setting does not keep sharp.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 0));
}

void DrawCharacter(QPainter& painter, const QFont& font, std::uint8_t code, const QRect& rect, Placement placement)
{
    if (painter.font() != font)
        painter.setFont(font);
    const QFontMetrics metrics(font, painter.device());
    const QString text = CharacterString(code);
    const int advance = metrics.horizontalAdvance(text);
    const int lineHeight = metrics.ascent() + metrics.descent();
    int left = rect.left();
    int top = rect.top();
    if (placement != Placement::Measurement)
        left += (rect.width() - advance) / 2;
    if (placement == Placement::Capture)
        top += (rect.height() - lineHeight) / 2;
    painter.drawText(QPoint(left, top + metrics.ascent()), text);
}
