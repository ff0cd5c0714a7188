#include "FitLayout.h"

#include "CCapturePass.h"
#include "GlyphRendering.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

// The ink of one character drawn at the top-left of its extent: the columns and rows, inclusive.
struct CharacterInk {
    int advance = 0;
    int left = INT_MAX;
    int right = INT_MIN;
    int top = INT_MAX;
    int bottom = INT_MIN;
};

// The largest window tried; the surfaces of the capture stay far below their limit.
constexpr int kMaxFitSide = 1024;

// Where the capture puts the left (or top) edge of an extent in a span of the given size.
int CentredStart(int span, int extent)
{
    return (span - extent) / 2;
}

} // namespace

LayoutBox MeasureFitLayout(const GeneratorSettings& settings, const std::function<void(std::uint8_t)>& progress)
{
    LayoutBox box;
    if (settings.m_nFirstCode > settings.m_nLastCode)
        return box;

    const QFont font = MakeFont(settings.m_Font);
    // A margin on every side keeps the ink of overhanging glyphs (italics, accents) on the surface.
    const int margin = std::max(16, settings.m_Font.m_nPixelSize);
    const int side = std::min(4096, 4 * margin);
    QImage surface(side, side, QImage::Format_RGB32);
    int lineHeight = 0;
    std::vector<CharacterInk> inks;
    for (int code = settings.m_nFirstCode; code <= settings.m_nLastCode; ++code) {
        const auto c = static_cast<std::uint8_t>(code);
        if (progress)
            progress(c);
        if (!settings.IsIncluded(code))
            continue;
        surface.fill(QColor(255, 255, 255));
        QPainter painter(&surface);
        PrepareTextPainter(painter, font);
        DrawCharacter(painter, font, c, QRect(margin, margin, side - margin, side - margin), Placement::Measurement);
        painter.end();
        const QSize extent = CharacterExtent(font, c, &surface);
        lineHeight = extent.height();
        const CInkView view = CInkView::FromRgb32(surface.constBits(), surface.width(), surface.height(),
                                                  surface.bytesPerLine());
        CharacterInk ink;
        ink.advance = extent.width();
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                if (!view.IsInk(x, y))
                    continue;
                ink.left = std::min(ink.left, x - margin);
                ink.right = std::max(ink.right, x - margin);
                ink.top = std::min(ink.top, y - margin);
                ink.bottom = std::max(ink.bottom, y - margin);
            }
        }
        if (ink.left <= ink.right)
            inks.push_back(ink);
    }
    if (inks.empty())
        return box;

    // The smallest W whose centred placement keeps every glyph's ink within 0..W-1.
    for (int w = 1; w <= kMaxFitSide; ++w) {
        int minLeft = INT_MAX;
        int maxRight = INT_MIN;
        for (const CharacterInk& ink : inks) {
            const int start = CentredStart(Ceil8(w), ink.advance);
            minLeft = std::min(minLeft, start + ink.left);
            maxRight = std::max(maxRight, start + ink.right);
        }
        if (minLeft >= 0 && maxRight < w) {
            box.minLeft = minLeft;
            box.maxRight = w - 1;
            break;
        }
    }
    for (int h = 1; h <= kMaxFitSide; ++h) {
        const int start = CentredStart(h, lineHeight);
        int minTop = INT_MAX;
        int maxBottom = INT_MIN;
        for (const CharacterInk& ink : inks) {
            minTop = std::min(minTop, start + ink.top);
            maxBottom = std::max(maxBottom, start + ink.bottom);
        }
        if (minTop >= 0 && maxBottom < h) {
            box.minTop = minTop;
            box.maxBottom = h - 1;
            break;
        }
    }
    return box;
}
