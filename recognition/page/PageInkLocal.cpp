// The ink of a screen whose text lies on backgrounds of several colours: every pixel taken
// against the background around it.
#include "PageInk.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

namespace {

constexpr std::uint32_t kColourMask = 0xFFFFFF;
constexpr std::uint16_t kNoBackground = 0xFFFF;

// A region of another colour holds text when the pixels its background runs enclose on their
// rows add up to half a cell: a bar with a word in it, not a plain margin or a cursor block.
constexpr int kHoleCellsDenominator = 2;

// The shortest run of one colour that is background: a cell wide.
int MinBackgroundRun(int cellWidth)
{
    return std::max(cellWidth, 2);
}

// The most background colours told apart; a picture of more (a photograph) keeps one rule.
constexpr std::size_t kMaxBackgrounds = kNoBackground;

// The background runs of a picture and, for every other pixel, the background it is compared
// with, row by row from the top. A run of one colour at least a cell wide whose pixels have the
// same colour in such a run on the row above or below is background, and so is such a run on
// the picture's first or last row (a window's padding a pixel high): a glyph's horizontal
// strokes (an underline, a box-drawing line) are a row or two thin and stay ink, unless they
// are as thick as that.
class CBackgrounds {
public:
    CBackgrounds(const CRaster& picture, int cellWidth, std::uint32_t paper)
        : m_Picture(picture), m_nWidth(picture.width()), m_nMinRun(MinBackgroundRun(cellWidth))
    {
        m_Palette.push_back(paper);
        m_Index.emplace(paper, 0);
        for (auto& row : m_Runs)
            row.assign(static_cast<std::size_t>(m_nWidth), kNoBackground);
        m_Background.assign(static_cast<std::size_t>(m_nWidth), kNoBackground);
        m_Local.assign(static_cast<std::size_t>(m_nWidth), 0);
        m_Above.assign(static_cast<std::size_t>(m_nWidth), 0);
        m_AboveRow.assign(static_cast<std::size_t>(m_nWidth), -1);
        m_Right.assign(static_cast<std::size_t>(m_nWidth), 0);
        m_RightX.assign(static_cast<std::size_t>(m_nWidth), -1);
    }

    // Calls visit(y, row, background, local) for every row from the top: background[x] is the
    // palette index of the background run pixel x lies in, or kNoBackground; local[x] the index of
    // the background pixel x is compared with. False when the picture has more background colours
    // than are told apart.
    template <class Visit>
    bool ForEachRow(Visit&& visit)
    {
        const int height = m_Picture.height();
        if (height == 0)
            return true;
        std::fill(m_AboveRow.begin(), m_AboveRow.end(), -1);
        if (!LongRuns(0, m_Runs[0]))
            return false;
        for (int y = 0; y < height; ++y) {
            std::vector<std::uint16_t>& above = m_Runs[static_cast<std::size_t>((y + 2) % 3)];
            std::vector<std::uint16_t>& here = m_Runs[static_cast<std::size_t>(y % 3)];
            std::vector<std::uint16_t>& below = m_Runs[static_cast<std::size_t>((y + 1) % 3)];
            if (y + 1 < height) {
                if (!LongRuns(y + 1, below))
                    return false;
            } else {
                std::fill(below.begin(), below.end(), kNoBackground);
            }
            for (int x = 0; x < m_nWidth; ++x) {
                const std::uint16_t run = here[static_cast<std::size_t>(x)];
                const bool thick = run != kNoBackground && (y == 0 || y + 1 == height || above[static_cast<std::size_t>(x)] == run ||
                                                            below[static_cast<std::size_t>(x)] == run);
                m_Background[static_cast<std::size_t>(x)] = thick ? run : kNoBackground;
            }
            Assign(y);
            visit(y, m_Picture.Row(y), m_Background, m_Local);
        }
        return true;
    }

    const std::vector<std::uint32_t>& Palette() const { return m_Palette; }

private:
    // Marks the pixels of row y that lie in a run of one colour at least m_nMinRun long with the
    // run's palette index; false when the palette is full.
    bool LongRuns(int y, std::vector<std::uint16_t>& out)
    {
        const std::uint32_t* row = m_Picture.Row(y);
        std::fill(out.begin(), out.end(), kNoBackground);
        for (int x = 0; x < m_nWidth;) {
            const std::uint32_t colour = row[x] & kColourMask;
            int end = x + 1;
            while (end < m_nWidth && (row[end] & kColourMask) == colour)
                ++end;
            if (end - x >= m_nMinRun) {
                const std::uint16_t index = IndexOf(colour);
                if (index == kNoBackground)
                    return false;
                std::fill(out.begin() + x, out.begin() + end, index);
            }
            x = end;
        }
        return true;
    }

    std::uint16_t IndexOf(std::uint32_t colour)
    {
        const auto found = m_Index.find(colour);
        if (found != m_Index.end())
            return found->second;
        if (m_Palette.size() >= kMaxBackgrounds)
            return kNoBackground;
        const auto index = static_cast<std::uint16_t>(m_Palette.size());
        m_Palette.push_back(colour);
        m_Index.emplace(colour, index);
        return index;
    }

    // The background each pixel of row y is compared with: its own run's, or the nearest of the
    // background above it in its column and the backgrounds left and right of it in its row (the
    // one above among equals); the paper where there is none.
    void Assign(int y)
    {
        int right = -1;
        std::uint16_t rightIndex = 0;
        for (int x = m_nWidth - 1; x >= 0; --x) {
            if (m_Background[static_cast<std::size_t>(x)] != kNoBackground) {
                right = x;
                rightIndex = m_Background[static_cast<std::size_t>(x)];
            }
            m_RightX[static_cast<std::size_t>(x)] = right;
            m_Right[static_cast<std::size_t>(x)] = rightIndex;
        }
        int left = -1;
        std::uint16_t leftIndex = 0;
        for (int x = 0; x < m_nWidth; ++x) {
            const std::size_t i = static_cast<std::size_t>(x);
            if (m_Background[i] != kNoBackground) {
                left = x;
                leftIndex = m_Background[i];
                m_Above[i] = leftIndex;
                m_AboveRow[i] = y;
                m_Local[i] = leftIndex;
                continue;
            }
            int best = std::numeric_limits<int>::max();
            std::uint16_t index = 0;
            if (m_AboveRow[i] >= 0) {
                best = y - m_AboveRow[i];
                index = m_Above[i];
            }
            if (left >= 0 && x - left < best) {
                best = x - left;
                index = leftIndex;
            }
            if (m_RightX[i] >= 0 && m_RightX[i] - x < best)
                index = m_Right[i];
            m_Local[i] = index;
        }
    }

    const CRaster& m_Picture;
    const int m_nWidth;
    const int m_nMinRun;
    std::vector<std::uint32_t> m_Palette;  // index 0: the paper
    std::unordered_map<std::uint32_t, std::uint16_t> m_Index;
    std::vector<std::uint16_t> m_Runs[3];  // long runs of three rows in turn
    std::vector<std::uint16_t> m_Background;
    std::vector<std::uint16_t> m_Local;
    std::vector<std::uint16_t> m_Above;  // per column: the last background seen, and its row
    std::vector<int> m_AboveRow;
    std::vector<std::uint16_t> m_Right;  // per pixel of the row: the nearest background right of it
    std::vector<int> m_RightX;
};

// Whether column x of the picture is of one colour from top to bottom.
bool UniformColumn(const CRaster& picture, int x)
{
    const std::uint32_t colour = picture.Row(0)[x] & kColourMask;
    for (int y = 1; y < picture.height(); ++y)
        if ((picture.Row(y)[x] & kColourMask) != colour)
            return false;
    return true;
}

// Clears the columns at the picture's left and right edges that are each of one colour from top
// to bottom: a terminal's padding or a window's edge, whose colour may be neither the paper nor
// the background beside it, is no ink.
void ClearEdgeColumns(const CRaster& picture, InkBits& ink)
{
    auto clear = [&](int x) {
        for (int y = 0; y < ink.height; ++y)
            ink.Row(y)[x / 64] &= ~(std::uint64_t{1} << (63 - x % 64));
    };
    int left = 0;
    while (left < picture.width() && UniformColumn(picture, left))
        clear(left++);
    for (int right = picture.width() - 1; right > left && UniformColumn(picture, right); --right)
        clear(right);
    ink.CountRows();
}

// Whether any row holds a run of a colour other than paper at least minRun long: without one,
// the paper is the picture's only background.
bool OtherLongRun(const CRaster& picture, std::uint32_t paper, int minRun)
{
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint32_t* row = picture.Row(y);
        for (int x = 0; x < picture.width();) {
            const std::uint32_t colour = row[x] & kColourMask;
            int end = x + 1;
            while (end < picture.width() && (row[end] & kColourMask) == colour)
                ++end;
            if (colour != paper && end - x >= minRun)
                return true;
            x = end;
        }
    }
    return false;
}

// The local rule of ScreenInkMask, or nothing where the picture has one background.
std::optional<InkBits> LocalInkMask(const CRaster& picture, std::uint32_t paper, int cellWidth, int cellHeight)
{
    if (!OtherLongRun(picture, paper, MinBackgroundRun(cellWidth)))
        return std::nullopt;
    CBackgrounds backgrounds(picture, cellWidth, paper);

    // First pass: the pixels each background's runs enclose on their rows, and the contrast of
    // every background: the largest distance from it of a pixel compared with it.
    std::vector<long long> holes;
    std::vector<int> contrasts;
    const bool told = backgrounds.ForEachRow([&](int, const std::uint32_t* row, const std::vector<std::uint16_t>& background,
                                                 const std::vector<std::uint16_t>& local) {
        const std::size_t colours = backgrounds.Palette().size();
        if (holes.size() < colours) {
            holes.resize(colours, 0);
            contrasts.resize(colours, 0);
        }
        std::uint16_t opened = kNoBackground;
        int openedAt = 0;
        for (std::size_t x = 0; x < background.size(); ++x) {
            const std::uint16_t b = background[x];
            if (b != kNoBackground) {
                if (b == opened && static_cast<int>(x) > openedAt + 1)
                    holes[b] += static_cast<int>(x) - openedAt - 1;
                opened = b;
                openedAt = static_cast<int>(x);
                continue;
            }
            const std::uint16_t l = local[x];
            contrasts[l] = std::max(contrasts[l], ColourDistance(row[x] & kColourMask, backgrounds.Palette()[l]));
        }
    });
    const long long needed = static_cast<long long>(cellWidth) * cellHeight / kHoleCellsDenominator;
    bool local = false;
    for (std::size_t b = 1; told && b < holes.size(); ++b)
        local = local || holes[b] >= needed;
    if (!local)
        return std::nullopt;

    // Second pass: the mask.
    InkBits ink;
    ink.width = picture.width();
    ink.height = picture.height();
    ink.wordsPerRow = (ink.width + 63) / 64;
    ink.words.assign(static_cast<std::size_t>(ink.wordsPerRow) * ink.height, 0);
    ink.background = paper;
    ink.contrast = contrasts.empty() ? 0 : contrasts[0];
    ink.threshold = ink.contrast / 2;
    ink.bLocal = true;
    backgrounds.ForEachRow([&](int y, const std::uint32_t* row, const std::vector<std::uint16_t>& background,
                               const std::vector<std::uint16_t>& localIndex) {
        std::uint64_t* bits = ink.Row(y);
        const std::vector<std::uint32_t>& palette = backgrounds.Palette();
        for (std::size_t x = 0; x < background.size(); ++x) {
            if (background[x] != kNoBackground)
                continue;
            const std::uint16_t l = localIndex[x];
            const int contrast = l < contrasts.size() ? contrasts[l] : 0;
            if (ColourDistance(row[x] & kColourMask, palette[l]) > contrast / 2)
                bits[x / 64] |= std::uint64_t{1} << (63 - x % 64);
        }
    });
    ink.CountRows();
    return ink;
}

}  // namespace

std::optional<InkBits> LocalScreenInkMask(const CRaster& picture, int cellWidth, int cellHeight, MatchPath path)
{
    if (picture.empty() || cellWidth <= 0 || cellHeight <= 0)
        return std::nullopt;
    return LocalScreenInkMask(picture, MostCommonColour(picture, path), cellWidth, cellHeight);
}

std::optional<InkBits> LocalScreenInkMask(const CRaster& picture, std::uint32_t paper, int cellWidth, int cellHeight)
{
    if (picture.empty() || cellWidth <= 0 || cellHeight <= 0)
        return std::nullopt;
    std::optional<InkBits> local = LocalInkMask(picture, paper, cellWidth, cellHeight);
    if (local)
        ClearEdgeColumns(picture, *local);
    return local;
}

InkBits ScreenInkMask(const CRaster& picture, int cellWidth, int cellHeight, MatchPath path)
{
    if (std::optional<InkBits> local = LocalScreenInkMask(picture, cellWidth, cellHeight, path))
        return std::move(*local);
    InkBits ink = InkMask(picture, InkRule::Auto, path);
    if (!picture.empty() && cellWidth > 0 && cellHeight > 0)
        ClearEdgeColumns(picture, ink);
    return ink;
}

InkBits ScreenInkMask(const CRaster& picture, const InkBits& autoInk, int cellWidth, int cellHeight)
{
    if (picture.empty() || cellWidth <= 0 || cellHeight <= 0)
        return autoInk;
    if (std::optional<InkBits> local = LocalScreenInkMask(picture, autoInk.background, cellWidth, cellHeight))
        return std::move(*local);
    InkBits ink = autoInk;
    ClearEdgeColumns(picture, ink);
    return ink;
}
