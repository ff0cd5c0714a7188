#include "PageText.h"

#include "CodePage1251.h"

#include <algorithm>

std::string PageText(std::vector<PageLine>& lines, bool bSharedGrid, const ScreenExtent& screen)
{
    // The margin: the blank columns common to every line, left of the first character of the
    // line that starts furthest left.
    auto firstCharacter = [](const PageLine& line) {
        for (std::size_t i = 0; i < line.cells.size(); ++i)
            if (line.cells[i].code != U' ')
                return static_cast<long long>(i);
        return -1LL;
    };
    long long margin = 0;
    bool any = false;
    for (const PageLine& line : lines)
        if (const long long first = firstCharacter(line); first >= 0) {
            margin = any ? std::min(margin, line.column + first) : line.column + first;
            any = true;
        }
    if (screen.bScreen)
        margin = screen.firstColumn;

    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        PageLine& line = lines[i];
        line.column = static_cast<int>(line.column - margin);
        line.text.clear();
        if (line.column > 0)
            line.text.assign(static_cast<std::size_t>(line.column), ' ');
        for (std::size_t c = static_cast<std::size_t>(std::max(-line.column, 0)); c < line.cells.size(); ++c)
            AppendUtf8(line.text, line.cells[c].code);
        while (!line.text.empty() && line.text.back() == ' ')
            line.text.pop_back();
        if (i > 0) {
            // An empty grid row between two lines stays an empty line.
            const int gap = bSharedGrid ? line.Row() - lines[i - 1].Row() : 1;
            text.append(static_cast<std::size_t>(std::max(gap, 1)), '\n');
        }
        text += line.text;
    }
    if (screen.bScreen)
        while (!text.empty() && text.back() == '\n')
            text.pop_back();
    return text;
}
