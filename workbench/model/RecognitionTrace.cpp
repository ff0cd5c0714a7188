#include "RecognitionTrace.h"

#include <algorithm>
#include <cstdio>

int RecognitionTrace::ExactMatches() const
{
    return static_cast<int>(std::count_if(positions.begin(), positions.end(), [](const TracePosition& p) { return p.Exact(); }));
}

int RecognitionTrace::WordAt(int p) const
{
    // The words lie in order and cover every position once.
    const auto it = std::upper_bound(words.begin(), words.end(), p, [](int q, const TraceWord& w) { return q < w.end; });
    return it != words.end() && it->start <= p ? static_cast<int>(it - words.begin()) : -1;
}

int RecognitionTrace::WordCount() const
{
    return static_cast<int>(std::count_if(words.begin(), words.end(), [](const TraceWord& w) {
        return w.text.find_first_not_of(' ') != std::string::npos;
    }));
}

std::string RecognitionTrace::Summary() const
{
    if (kind == Kind::None)
        return {};
    char line[256];
    const int count = static_cast<int>(positions.size());
    if (kind == Kind::Page) {
        std::snprintf(line, sizeof line, "Page reading, line %d of %d: %d cell%s, %d of %d match a glyph exactly",
                      nPageLine + 1, nPageLines, count, count == 1 ? "" : "s", ExactMatches(), count);
        return line;
    }
    std::snprintf(line, sizeof line, "%s recognition: %d position%s, %d of %d cells match a glyph exactly, %.1f ms",
                  kind == Kind::Simple ? "Simple" : "Complex", count, count == 1 ? "" : "s", ExactMatches(), count,
                  dMilliseconds);
    std::string text = line;
    if (kind == Kind::Complex) {
        if (bCut) {
            const int n = WordCount();
            std::snprintf(line, sizeof line, "; %d word%s, total cost %u", n, n == 1 ? "" : "s", static_cast<unsigned>(totalCost));
            text += line;
            if (bOpenWords) {
                const auto unknown = std::count_if(words.begin(), words.end(), [](const TraceWord& w) { return !w.bKnown; });
                std::snprintf(line, sizeof line, ", %d outside the list", static_cast<int>(unknown));
                text += line;
            }
        } else {
            text += "; no cut into dictionary words";
        }
    }
    return text;
}
