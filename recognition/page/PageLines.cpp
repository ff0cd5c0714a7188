#include "PageLines.h"

#include <bit>

std::vector<std::uint64_t> InkedColumnWords(const InkBits& ink, long long top, long long bottom)
{
    std::vector<std::uint64_t> columns(static_cast<std::size_t>(ink.wordsPerRow), 0);
    for (long long y = std::max<long long>(top, 0); y < std::min<long long>(bottom, ink.height); ++y) {
        const std::uint64_t* row = ink.Row(static_cast<int>(y));
        for (int w = 0; w < ink.wordsPerRow; ++w)
            columns[static_cast<std::size_t>(w)] |= row[w];
    }
    return columns;
}

void InkColumns(const InkBits& ink, long long top, long long bottom, int& left, int& right)
{
    const std::vector<std::uint64_t> columns = InkedColumnWords(ink, top, bottom);
    left = right = 0;
    int w = 0;
    while (w < ink.wordsPerRow && columns[static_cast<std::size_t>(w)] == 0)
        ++w;
    if (w == ink.wordsPerRow)
        return;
    left = w * 64 + std::countl_zero(columns[static_cast<std::size_t>(w)]);
    int last = ink.wordsPerRow - 1;
    while (columns[static_cast<std::size_t>(last)] == 0)
        --last;
    right = last * 64 + 64 - std::countr_zero(columns[static_cast<std::size_t>(last)]);
}

std::vector<TextBand> FindLines(const InkBits& ink, int cellHeight)
{
    std::vector<TextBand> bands;
    if (static_cast<int>(ink.rowInk.size()) != ink.height)
        return bands;
    const std::vector<int>& rowInk = ink.rowInk;
    auto add = [&](int top, int bottom) {
        TextBand band;
        band.top = top;
        band.bottom = bottom;
        InkColumns(ink, top, bottom, band.left, band.right);
        bands.push_back(band);
    };
    for (int y = 0; y < ink.height;) {
        if (rowInk[static_cast<std::size_t>(y)] == 0) {
            ++y;
            continue;
        }
        int end = y;
        while (end < ink.height && rowInk[static_cast<std::size_t>(end)] != 0)
            ++end;
        // A run taller than a cell is cut into pieces of at most one cell height, each where the
        // ink is thinnest; the grid search puts the pieces together again.
        int top = y;
        while (cellHeight > 0 && end - top > cellHeight) {
            int cut = top + cellHeight;
            for (int r = top + cellHeight; r > top; --r)
                if (rowInk[static_cast<std::size_t>(r)] < rowInk[static_cast<std::size_t>(cut)])
                    cut = r;
            add(top, cut);
            top = cut;
        }
        add(top, end);
        y = end;
    }
    return bands;
}
