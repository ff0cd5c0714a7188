#include "PageStages.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::uint32_t kStripColour = 0xFFB0B0;
constexpr std::uint32_t kBandColours[2] = {0x0078FF, 0x00A000};
constexpr std::uint32_t kCellColour = 0x7FB8FF;
constexpr std::uint32_t kLineColour = 0x0050C0;
constexpr std::uint32_t kUnsureColour = 0xFF8C00;

// The picture at a third of its contrast against white, so that marks drawn over it stand out.
CRaster Faded(const CRaster& picture)
{
    CRaster faded;
    if (!faded.Create(picture.width(), picture.height()))
        return faded;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const std::uint32_t c = picture.Row(y)[x];
            std::uint32_t out = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                const std::uint32_t v = (c >> shift) & 0xFF;
                out |= (255 - (255 - v) / 3) << shift;
            }
            faded.Row(y)[x] = 0xFF000000U | out;
        }
    return faded;
}

// The outline of r, clipped to the picture.
void Frame(CRaster& picture, const PixelRect& r, std::uint32_t colour)
{
    const auto clampX = [&](long long x) { return static_cast<int>(std::clamp<long long>(x, -1, picture.width())); };
    const auto clampY = [&](long long y) { return static_cast<int>(std::clamp<long long>(y, -1, picture.height())); };
    const int left = clampX(r.left), right = clampX(r.right - 1), top = clampY(r.top), bottom = clampY(r.bottom - 1);
    for (int x = left; x <= right; ++x) {
        picture.SetPixel(x, top, colour);
        picture.SetPixel(x, bottom, colour);
    }
    for (int y = top; y <= bottom; ++y) {
        picture.SetPixel(left, y, colour);
        picture.SetPixel(right, y, colour);
    }
}

// Fills r half way towards colour, clipped to the picture.
void Tint(CRaster& picture, const PixelRect& r, std::uint32_t colour)
{
    for (long long y = std::max<long long>(r.top, 0); y < std::min<long long>(r.bottom, picture.height()); ++y)
        for (long long x = std::max<long long>(r.left, 0); x < std::min<long long>(r.right, picture.width()); ++x) {
            std::uint32_t& p = picture.Row(static_cast<int>(y))[x];
            std::uint32_t out = 0;
            for (int shift = 0; shift < 24; shift += 8)
                out |= ((((p >> shift) & 0xFF) + ((colour >> shift) & 0xFF)) / 2) << shift;
            p = 0xFF000000U | out;
        }
}

std::string Hex(std::uint32_t colour)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", colour & 0xFFFFFF);
    return text;
}

}  // namespace

std::vector<StagePicture> DrawPageStages(const CRaster& picture, const PageReading& page, const PageOptions& options)
{
    std::vector<StagePicture> stages;
    if (picture.empty())
        return stages;

    InkBits ink = InkMask(picture, options.ink, options.path);
    ClearStrips(ink, page.strips);
    StagePicture mask{"1-ink.png", {}};
    if (!mask.picture.Create(picture.width(), picture.height()))
        return stages;
    for (const SolidStrip& strip : page.strips)
        mask.picture.FillRect(0, strip.top, picture.width(), strip.bottom, kStripColour);
    for (int y = 0; y < ink.height; ++y)
        for (int x = 0; x < ink.width; ++x)
            if (ink.Ink(x, y))
                mask.picture.Row(y)[x] = 0xFF000000U | CRaster::kBlack;
    stages.push_back(std::move(mask));

    StagePicture bands{"2-bands.png", Faded(picture)};
    for (const SolidStrip& strip : page.strips)
        Tint(bands.picture, {0, strip.top, picture.width(), strip.bottom}, kStripColour);
    for (std::size_t b = 0; b < page.bands.size(); ++b)
        Frame(bands.picture, page.bands[b].Rect(), kBandColours[b % 2]);
    stages.push_back(std::move(bands));

    StagePicture grid{"3-grid.png", Faded(picture)};
    for (const PageLine& line : page.lines) {
        for (int c = 0; c < static_cast<int>(line.cells.size()); ++c) {
            const PageCell& cell = line.cells[static_cast<std::size_t>(c)];
            if (IsUnsure(cell, page.cellWidth, page.cellHeight))
                Tint(grid.picture, line.CellRect(c), kUnsureColour);
            else if (!cell.bBlank)
                Frame(grid.picture, line.CellRect(c), kCellColour);
        }
        Frame(grid.picture, line.grid.Rect(), kLineColour);
    }
    stages.push_back(std::move(grid));
    return stages;
}

std::string PageStageFigures(const CRaster& picture, const PageReading& page)
{
    std::string text;
    char line[256];
    auto add = [&](const char* format, auto... values) {
        std::snprintf(line, sizeof line, format, values...);
        text += line;
        text += '\n';
    };
    add("picture: %d x %d", picture.width(), picture.height());
    add("cell: %d x %d", page.cellWidth, page.cellHeight);
    add("ink: paper %s, contrast %d, threshold %d", Hex(page.background).c_str(), page.contrast, page.threshold);
    for (const SolidStrip& strip : page.strips)
        add("solid strip: rows %d..%d", strip.top, strip.bottom - 1);
    add("bands: %zu", page.bands.size());
    for (const TextBand& band : page.bands)
        add("  band: rows %d..%d, columns %d..%d", band.top, band.bottom - 1, band.left, band.right - 1);
    add("grid: %s, phase x %d y %d, sampled cost %lld", page.bSharedGrid ? "shared" : "per line", page.originX,
        page.originY, page.sharedCost);
    add("lines: %zu", page.lines.size());
    for (const PageLine& l : page.lines) {
        int unsure = 0;
        for (const PageCell& cell : l.cells)
            unsure += IsUnsure(cell, page.cellWidth, page.cellHeight) ? 1 : 0;
        add("  line: row %d, top %d, left %d, %zu cells, cost %lld, %d unsure%s", l.Row(), l.Top(), l.Left(),
            l.cells.size(), l.Cost(), unsure, l.grid.bOwn ? ", own grid" : "");
    }
    add("ms: ink %.2f, search %.2f, match %.2f, total %.2f", page.dInkMilliseconds, page.dSearchMilliseconds,
        page.dMatchMilliseconds, page.dMilliseconds);
    return text;
}
