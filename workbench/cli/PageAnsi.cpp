#include "PageAnsi.h"

#include "CodePage1251.h"

#include <cstdio>

namespace {

// The SGR sequence that sets style from a reset state.
std::string Sgr(const CellStyle& style)
{
    std::string sgr = "\x1b[0";
    if (style.bold)
        sgr += ";1";
    if (style.italic)
        sgr += ";3";
    if (style.underline)
        sgr += ";4";
    if (style.strike)
        sgr += ";9";
    // Reverse video swaps the colours given: they are given swapped, so the cell shows as read.
    const std::uint32_t fg = style.inverse ? style.bg : style.fg;
    const std::uint32_t bg = style.inverse ? style.fg : style.bg;
    if (style.inverse)
        sgr += ";7";
    char colours[64];
    std::snprintf(colours, sizeof colours, ";38;2;%u;%u;%u;48;2;%u;%u;%u", (fg >> 16) & 0xFFU, (fg >> 8) & 0xFFU,
                  fg & 0xFFU, (bg >> 16) & 0xFFU, (bg >> 8) & 0xFFU, bg & 0xFFU);
    return sgr + colours + "m";
}

}  // namespace

std::string PageAnsi(const PageReading& page)
{
    if (!page.bStyled)
        return page.text;
    std::string out;
    for (std::size_t i = 0; i < page.lines.size(); ++i) {
        const PageLine& line = page.lines[i];
        if (i > 0) {
            const int gap = page.bSharedGrid ? line.Row() - page.lines[i - 1].Row() : 1;
            out.append(static_cast<std::size_t>(std::max(gap, 1)), '\n');
        }
        std::size_t end = line.cells.size();
        while (end > 0 && line.cells[end - 1].code == U' ' && line.cells[end - 1].style.bg == page.colours.bg &&
               !line.cells[end - 1].style.underline && !line.cells[end - 1].style.strike)
            --end;
        if (line.column > 0)
            out.append(static_cast<std::size_t>(line.column), ' ');
        const CellStyle* last = nullptr;
        for (std::size_t c = static_cast<std::size_t>(std::max(-line.column, 0)); c < end; ++c) {
            const PageCell& cell = line.cells[c];
            if (last == nullptr || !(cell.style == *last))
                out += Sgr(cell.style);
            last = &cell.style;
            AppendUtf8(out, cell.code);
        }
        if (last != nullptr)
            out += "\x1b[0m";
    }
    if (page.screen.bScreen)
        while (!out.empty() && out.back() == '\n')
            out.pop_back();
    return out;
}
