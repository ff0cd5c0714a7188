#include "ProportionalPage.h"

#include <cstdio>

int ProportionalPage::GlyphCount() const
{
    int count = 0;
    for (const Line& line : lines)
        count += static_cast<int>(line.glyphs.size());
    return count;
}

std::string ProportionalSummary(const ProportionalPage& page)
{
    char text[160];
    const int lines = static_cast<int>(page.lines.size());
    const int glyphs = page.GlyphCount();
    std::snprintf(text, sizeof text, "Read Page: %d line%s, %d character%s as proportional text, %.1f ms", lines,
                  lines == 1 ? "" : "s", glyphs, glyphs == 1 ? "" : "s", page.dMilliseconds);
    return text;
}
