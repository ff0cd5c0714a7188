#include "MeasureLayout.h"

#include "GlyphRendering.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace {

constexpr int kWhiteIndex = 0;
constexpr int kBlackIndex = 1;

} // namespace

LayoutBox MeasureLayout(const GeneratorSettings& settings, const std::function<void(std::uint8_t)>& progress)
{
    LayoutBox box;
    if (settings.m_nFirstCode > settings.m_nLastCode)
        return box;

    const QFont font = MakeFont(settings.m_Font);
    QImage surface(kMeasureSurfaceSide, kMeasureSurfaceSide, QImage::Format_Mono);
    surface.setColorCount(2);
    surface.setColor(kWhiteIndex, qRgb(255, 255, 255));
    surface.setColor(kBlackIndex, qRgb(0, 0, 0));
    const QRect area = surface.rect();

    for (int code = settings.m_nFirstCode; code <= settings.m_nLastCode; ++code) {
        const auto c = static_cast<std::uint8_t>(code);
        if (progress)
            progress(c);
        if (!settings.IsIncluded(code))
            continue;
        surface.fill(kWhiteIndex);
        QPainter painter(&surface);
        PrepareTextPainter(painter, font);
        DrawCharacter(painter, font, c, area, Placement::Measurement);
        painter.end();
        const QSize extent = CharacterExtent(font, c, &surface);
        const CInkView view = CInkView::FromMono(surface.constBits(), surface.width(), surface.height(),
                                                 surface.bytesPerLine(), kBlackIndex);
        ScanCharacterInk(view, extent.width(), extent.height(), box);
    }
    return box;
}
