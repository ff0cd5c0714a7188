#include "TerminalCells.h"

#include <algorithm>
#include <cmath>

namespace {

// Xft's integer metrics: FreeType's grid-fitted ones shifted down to pixels.
int XftAscent(const FaceMetrics& m)
{
    return m.ascent64 >> 6;
}

int XftDescent(const FaceMetrics& m)
{
    return -((-m.descent64) >> 6);
}

int RoundPixels(int value64)
{
    return static_cast<int>(std::lround(value64 / 64.0));
}

// The characters rxvt-unicode measures its cell with; the last two are double width.
constexpr char32_t kUrxvtTestChars[] = {U'0',    U'1',    U'8',    U'a',    U'd',    U'x',   U'm',
                                        U'y',    U'g',    U'W',    U'X',    U'\'',   U'_',   0x00CD,
                                        0x00D5,  0x0114,  0x0177,  0x0643,  0x304C,  0x672C};

}  // namespace

TerminalCell TerminalCellOf(Terminal terminal, CFaceRenderer& renderer)
{
    TerminalCell cell;
    const FaceMetrics m = renderer.Metrics();
    if (m.size64 == 0)
        return cell;
    GlyphImage image;
    switch (terminal) {
    case Terminal::Xterm:
        cell.width = m.maxAdvance64 >> 6;
        cell.height = std::max(m.height64 >> 6, XftAscent(m) + XftDescent(m));
        cell.baseline = XftAscent(m);
        break;
    case Terminal::Urxvt: {
        const int ascent = (m.ascent64 + 63) >> 6;
        const int descent = (m.descent64 + 63) >> 6;
        cell.height = std::max(ascent + descent, (m.height64 + 63) >> 6);
        cell.baseline = ascent;
        for (char32_t code : kUrxvtTestChars) {
            const unsigned glyph = renderer.GlyphIndex(code);
            if (glyph == 0 || !renderer.Render(glyph, 0, image))
                continue;
            int right = image.width + image.left;
            if (code >= 0x1100)  // double width: the ink counts half, rounded up
                right = (right + 1) / 2;
            cell.width = std::max(cell.width, right);
            cell.height = std::max(cell.height, image.height);
        }
        break;
    }
    case Terminal::St:
    case Terminal::Vte: {
        // The mean advance of the printable ASCII characters: st rounds it up, Pango's
        // hinted advances are whole pixels already.
        long long sum = 0;
        int count = 0;
        for (char32_t code = U' '; code <= U'~'; ++code) {
            const unsigned glyph = renderer.GlyphIndex(code);
            int advance64 = 0;
            if (glyph == 0 || !renderer.Advance(glyph, advance64))
                continue;
            const int advance = terminal == Terminal::St && m.fixedWidth ? (m.maxAdvance64 >> 6) : RoundPixels(advance64);
            sum += advance;
            ++count;
        }
        cell.width = count > 0 ? static_cast<int>((sum + count - 1) / count) : 0;
        if (terminal == Terminal::Vte && count > 0)
            cell.width = static_cast<int>((sum + count / 2) / count);
        cell.height = XftAscent(m) + XftDescent(m);
        cell.baseline = XftAscent(m);
        break;
    }
    case Terminal::Chromium: {
        const int ascent = RoundPixels(m.ascentExact64);
        const int descent = RoundPixels(m.descentExact64);
        cell.height = ascent + descent + RoundPixels(std::max(m.lineGapExact64, 0));
        cell.baseline = ascent;
        const unsigned glyph = renderer.GlyphIndex(U'0');
        if (glyph != 0 && renderer.Render(glyph, 0, image)) {
            // Sharp glyphs are laid out at their hinted advances, whole pixels; smoothed ones
            // at the unhinted advances, as they may stand at any subpixel.
            const RenderSettings& settings = renderer.Settings();
            const bool hinted = settings.antialias == Antialias::Mono && settings.hinting != Hinting::None;
            cell.pitch64 = hinted ? image.advance64 : image.linearAdvance64;
            cell.width = cell.pitch64 >> 6;
        }
        return cell;
    }
    }
    cell.pitch64 = cell.width * 64;
    return cell;
}

int PenInCell(Terminal terminal, int cellWidth, int advance64)
{
    if (terminal != Terminal::Urxvt)
        return 0;
    const int advance = (advance64 + 32) >> 6;
    if (advance == 0)
        return cellWidth;
    const int slack = cellWidth - advance;
    return slack >= 0 ? slack / 2 : -((-slack + 1) / 2);
}
