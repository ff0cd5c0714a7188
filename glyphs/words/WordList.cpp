#include "WordList.h"

#include <algorithm>
#include <cstring>

namespace {

// The entry text of the line from b to e: without the CR before its LF (only a line that
// ends at an LF drops it), trimmed of spaces, at most kMaxLineLength bytes from its first
// non-space one, trimmed again.
std::string_view LineContent(const char* b, const char* e, bool atLf)
{
    if (atLf && e > b && e[-1] == '\r')
        --e;
    while (b < e && *b == ' ')
        ++b;
    if (static_cast<std::size_t>(e - b) > kMaxLineLength)
        e = b + kMaxLineLength;
    while (e > b && e[-1] == ' ')
        --e;
    return {b, static_cast<std::size_t>(e - b)};
}

}  // namespace

void WordEntries::Add(const std::uint8_t* entry, std::size_t length)
{
    starts.push_back(static_cast<std::uint32_t>(keys.size()));
    keys.insert(keys.end(), entry, entry + length);
    keys.push_back(0);
}

void WordEntries::Pad()
{
    keys.reserve(keys.size() + 8);
    keys.insert(keys.end(), 8, 0);
    keys.resize(keys.size() - 8);
}

DictionaryLoadReport ReadWordList(std::string_view text, const std::uint8_t (&slots)[256], WordListBounds bounds,
                                  WordEntries& entries)
{
    DictionaryLoadReport report;
    report.bRead = true;
    std::uint8_t keyOf[256];
    for (int code = 0; code < 256; ++code)
        keyOf[code] = static_cast<std::uint8_t>(slots[code] + 1);
    const std::uint8_t space = keyOf[static_cast<std::uint8_t>(' ')];

    // Each line gains a space and an end mark in place of its LF: room for short lines.
    const std::size_t firstKey = entries.keys.size();
    const std::size_t firstEntry = entries.Count();
    entries.keys.reserve(firstKey + std::min(text.size() + text.size() / 4 + 16, bounds.nMaxKeyBytes + kMaxLineLength + 16));
    entries.starts.reserve(firstEntry + std::min(text.size() / 8 + 16, bounds.nMaxLines + 1));

    bool keeping = true;
    std::size_t kept = 0;
    const char* p = text.data();
    const char* const stop = p + text.size();
    for (;;) {
        // An empty text may have no bytes at all to search.
        if (p == stop)
            break;
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(stop - p)));
        if (keeping && (kept >= bounds.nMaxLines ||
                        entries.keys.size() - firstKey + kMaxLineLength + 2 > bounds.nMaxKeyBytes))
            keeping = false;
        if (keeping) {
            const std::string_view content = LineContent(p, lf ? lf : stop, lf != nullptr);
            const std::size_t at = entries.keys.size();
            entries.starts.push_back(static_cast<std::uint32_t>(at));
            entries.keys.resize(at + content.size() + 2);
            std::uint8_t* out = entries.keys.data() + at;
            for (const char c : content)
                *out++ = keyOf[static_cast<std::uint8_t>(c)];
            out[0] = space;
            out[1] = 0;
            ++kept;
        }
        if (!lf) {
            ++report.nLines;
            break;
        }
        ++report.nLines;
        p = lf + 1;
    }
    report.bComplete = keeping;
    report.nKept = kept;
    return report;
}
