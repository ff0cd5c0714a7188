#include "PageDecode.h"

#include "PageCells.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <limits>

#if defined(__x86_64__) || defined(__i386__)
#define RECOGNIZE_X86 1
#else
#define RECOGNIZE_X86 0
#endif

namespace {

using pagedecode::kPixel;

constexpr long long kOne = 65536;  // a pixel in 1/65536
// Glyph costs and candidate lists are kept for the last phases asked for, in a ring of this
// many slots: positions only move right, so a slot that holds another phase is computed again.
constexpr int kMemoSlots = 64;
// The region a line is matched in reaches this many rows beyond the band and its height either
// way, and its pens past the band the widest advance up to this many pixels: a font of absurd
// metrics costs no more than a sane one.
constexpr int kRowReach = 8;
constexpr long long kWidestAdvance = 1024;
// Rows of a glyph compared with the ink to choose the candidates matched in full.
constexpr int kSampleRows = 4;
// The median glyph height up to which the beam holds as given (text up to 16 px).
constexpr int kBeamHeight = 12;
// A candidate's rank: twice the pixels its sample rows differ in, one more for a rare glyph.
constexpr int kMaxRank = 2 * kSampleRows * 64 + 1;
// Letters of two scripts drawn this many pixels apart or fewer are twins, which a word's script
// decides between: hinting may draw a Latin c and a Cyrillic с of one outline a pixel apart.
constexpr int kTwinPixels = 2;

long long FloorDiv(long long a, long long b)
{
    // Whole pixels of a pen, the common case, by a shift: an arithmetic shift floors negatives too.
    static_assert(kOne == 1LL << 16);
    if (b == kOne)
        return a >> 16;
    const long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Bits set in a word, counted in the word itself: no call, whatever instructions the CPU has.
inline int Bits(std::uint64_t v)
{
    v = v - ((v >> 1) & 0x5555555555555555ULL);
    v = (v & 0x3333333333333333ULL) + ((v >> 2) & 0x3333333333333333ULL);
    v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<int>((v * 0x0101010101010101ULL) >> 56);
}

std::uint64_t Dilate(std::uint64_t rows)
{
    return rows | (rows << 1) | (rows >> 1);
}

// Ink pixels that a template's rows meet: the sum over n rows of template & ink.
int MetPortable(const std::uint64_t* glyph, const std::uint64_t* ink, int n)
{
    int met = 0;
    for (int i = 0; i < n; ++i)
        met += std::popcount(glyph[i] & ink[i]);
    return met;
}

#if RECOGNIZE_X86
__attribute__((target("popcnt")))
int MetPopcount(const std::uint64_t* glyph, const std::uint64_t* ink, int n)
{
    int met = 0;
    for (int i = 0; i < n; ++i)
        met += __builtin_popcountll(glyph[i] & ink[i]);
    return met;
}
#endif

// Pixels where a glyph's sample rows and the ink's differ, among those that count: the ink's
// rows are those of column, at the given indexes.
int SamplePortable(const int* rows, const std::uint64_t* glyph, const std::uint64_t* counted, const std::uint64_t* column)
{
    int differ = 0;
    for (int k = 0; k < kSampleRows; ++k)
        differ += Bits((glyph[k] ^ column[rows[k]]) & counted[k]);
    return differ;
}

#if RECOGNIZE_X86
__attribute__((target("popcnt")))
int SamplePopcount(const int* rows, const std::uint64_t* glyph, const std::uint64_t* counted, const std::uint64_t* column)
{
    int differ = 0;
    for (int k = 0; k < kSampleRows; ++k)
        differ += __builtin_popcountll((glyph[k] ^ column[rows[k]]) & counted[k]);
    return differ;
}
#endif

using MetKernel = int (*)(const std::uint64_t*, const std::uint64_t*, int);
using SampleKernel = int (*)(const int*, const std::uint64_t*, const std::uint64_t*, const std::uint64_t*);

#if !RECOGNIZE_X86
// Elsewhere the portable kernels serve every path.
constexpr MetKernel MetPopcount = MetPortable;
constexpr SampleKernel SamplePopcount = SamplePortable;
#endif

// Whether pixels are counted with the POPCNT instruction: where the path asks for it and the
// CPU has it.
bool UsePopcount(MatchPath path)
{
    return RECOGNIZE_X86 && path != MatchPath::Portable && MatchPathSupported(MatchPath::ScalarPopcount);
}

// The ink of a band, made ready for templates to be laid over it: the rows a line's glyphs can
// reach, and for every column the 64 pixels from it on in each row, the rows of a column next
// to each other. Rows and columns outside the band, and columns outside the region, are blank.
class CLineInk {
public:
    CLineInk(const InkBits& ink, const TextBand& band, int rowTop, int rowBottom, int colLeft, int colRight)
        : m_nRowTop(rowTop), m_nRows(std::max(rowBottom - rowTop, 0)), m_nColLeft(colLeft), m_nCols(std::max(colRight - colLeft, 0))
    {
        m_nRowsPerBit = std::max(1, (m_nRows + 63) / 64);
        m_Shifted.assign((static_cast<std::size_t>(m_nCols) + 1) * Stride(), 0);
        m_ColMask.assign(static_cast<std::size_t>(m_nCols), 0);
        m_ColInk.assign(static_cast<std::size_t>(m_nCols) + 1, 0);
        for (int r = 0; r < m_nRows; ++r) {
            const int y = rowTop + r;
            if (y < band.top || y >= band.bottom || y < 0 || y >= ink.height)
                continue;
            const std::uint64_t* row = ink.Row(y);
            for (int c = 0; c < m_nCols; ++c) {
                const std::uint64_t word = pagecells::InkWord(ink, row, colLeft + c) & BandColumns(colLeft + c, band);
                m_Shifted[static_cast<std::size_t>(c) * Stride() + static_cast<std::size_t>(r)] = word;
                if ((word >> 63) != 0) {
                    m_ColMask[static_cast<std::size_t>(c)] |= 1ULL << (r / m_nRowsPerBit);
                    ++m_ColInk[static_cast<std::size_t>(c) + 1];
                }
            }
        }
        for (int c = 0; c < m_nCols; ++c)
            m_ColInk[static_cast<std::size_t>(c) + 1] += m_ColInk[static_cast<std::size_t>(c)];
        m_NextInk.assign(static_cast<std::size_t>(m_nCols) + 1, m_nCols);
        for (int c = m_nCols - 1; c >= 0; --c)
            m_NextInk[static_cast<std::size_t>(c)] = m_ColMask[static_cast<std::size_t>(c)] != 0 ? c : m_NextInk[static_cast<std::size_t>(c) + 1];
        m_Near.assign(static_cast<std::size_t>(m_nCols), 0);
        for (int c = 0; c < m_nCols; ++c)
            m_Near[static_cast<std::size_t>(c)] = Dilate(Column(colLeft + c - 1) | Column(colLeft + c) | Column(colLeft + c + 1));
        // A sparse table of the column masks ORed over runs of 2^k columns.
        m_OrLevels.push_back(m_ColMask);
        for (int span = 2; span <= m_nCols; span *= 2) {
            const std::vector<std::uint64_t>& below = m_OrLevels.back();
            std::vector<std::uint64_t> level(static_cast<std::size_t>(m_nCols - span + 1));
            for (std::size_t c = 0; c < level.size(); ++c)
                level[c] = below[c] | below[c + static_cast<std::size_t>(span / 2)];
            m_OrLevels.push_back(std::move(level));
        }
    }

    int RowTop() const { return m_nRowTop; }
    int Rows() const { return m_nRows; }
    // A row index past the region's rows whose words are blank in every column.
    int BlankRow() const { return m_nRows; }
    int ColLeft() const { return m_nColLeft; }
    int ColRight() const { return m_nColLeft + m_nCols; }
    int RowsPerBit() const { return m_nRowsPerBit; }

    // The rows of column x from region row r on: 64 pixels a row from x on, x in bit 63, as many
    // rows as are left in the region. A column outside the region reads as blank rows.
    const std::uint64_t* Rows(long long x, int r) const {
        const long long c = x - m_nColLeft;
        if (c < 0 || c >= m_nCols)
            return m_Shifted.data() + static_cast<std::size_t>(m_nCols) * Stride() + r;
        return m_Shifted.data() + static_cast<std::size_t>(c) * Stride() + r;
    }
    std::uint64_t Word(long long x, int r) const {
        return r >= 0 && r < m_nRows ? *Rows(x, r) : 0;
    }
    // The row groups of column x that hold ink.
    std::uint64_t Column(long long x) const {
        const long long c = x - m_nColLeft;
        return c >= 0 && c < m_nCols ? m_ColMask[static_cast<std::size_t>(c)] : 0;
    }
    // The row groups that hold ink in column x or next to it, a row group either way.
    std::uint64_t Near(long long x) const {
        const long long c = x - m_nColLeft;
        return c >= 0 && c < m_nCols ? m_Near[static_cast<std::size_t>(c)] : 0;
    }
    // The row groups that hold ink anywhere in columns first..last.
    std::uint64_t Columns(long long first, long long last) const {
        first = std::max<long long>(first - m_nColLeft, 0);
        last = std::min<long long>(last - m_nColLeft, m_nCols - 1);
        if (first > last)
            return 0;
        const int k = std::bit_width(static_cast<unsigned long long>(last - first + 1)) - 1;
        const std::vector<std::uint64_t>& level = m_OrLevels[static_cast<std::size_t>(k)];
        return level[static_cast<std::size_t>(first)] | level[static_cast<std::size_t>(last - (1LL << k) + 1)];
    }
    // The first column from x on that holds ink; ColRight() when none does.
    long long NextInk(long long x) const {
        const long long c = std::clamp<long long>(x - m_nColLeft, 0, m_nCols);
        return m_nColLeft + m_NextInk[static_cast<std::size_t>(c)];
    }
    // Ink pixels of columns first..last - 1.
    long long InkIn(long long first, long long last) const {
        first = std::clamp<long long>(first - m_nColLeft, 0, m_nCols);
        last = std::clamp<long long>(last - m_nColLeft, 0, m_nCols);
        return last > first ? m_ColInk[static_cast<std::size_t>(last)] - m_ColInk[static_cast<std::size_t>(first)] : 0;
    }

private:
    // Each column's rows, and a blank one after them.
    std::size_t Stride() const { return static_cast<std::size_t>(m_nRows) + 1; }

    // The bits of a word from column x on that lie in the band's columns: ink outside them is
    // another line's, or past the part of the line being read.
    static std::uint64_t BandColumns(long long x, const TextBand& band) {
        const long long first = band.left - x;  // bit index of the band's first column
        const long long end = band.right - x;
        if (end <= 0 || first >= 64)
            return 0;
        std::uint64_t mask = first <= 0 ? ~0ULL : ~0ULL >> first;
        if (end < 64)
            mask &= ~(~0ULL >> end);
        return mask;
    }

    int m_nRowTop;
    int m_nRows;
    int m_nColLeft;
    int m_nCols;
    int m_nRowsPerBit = 1;
    std::vector<std::uint64_t> m_Shifted;  // [column][row], a blank row after each column's, and one blank column after the last
    std::vector<std::uint64_t> m_ColMask;
    std::vector<std::uint64_t> m_Near;
    std::vector<long long> m_ColInk;  // prefix sums
    std::vector<int> m_NextInk;       // per column, the next column with ink
    std::vector<std::vector<std::uint64_t>> m_OrLevels;
};

// What the extent test asks of the glyphs' images at one phase on this line, glyph by glyph:
// their first and last columns against the pen, and the row groups of their first and last
// column and of their top and bottom row, in the line's region.
struct PhaseExtents {
    // One glyph's, side by side, as the tests read them together.
    struct Glyph {
        int left = 0;
        int right = 0;  // the last column
        int row = 0;    // region row of the image's first row
        int span = 0;   // its (left, right) pair's index in spans
        std::uint64_t first = 0;
        std::uint64_t last = 0;
        std::uint64_t top = 0;
        std::uint64_t bottom = 0;

        // Whether the ink near its first and its last column (row groups) and the ink in its
        // columns (rows, dilated) hold its edges.
        bool Fits(std::uint64_t nearFirst, std::uint64_t nearLast, std::uint64_t rows) const
        {
            return (nearFirst & first) != 0 && (nearLast & last) != 0 && (rows & top) != 0 && (rows & bottom) != 0;
        }
    };
    std::vector<Glyph> glyphs;
    std::vector<std::pair<int, int>> spans;  // the distinct (left, right) pairs
    // A few of its rows (SampleCost): which, its ink on them from the pen's pixel on, and the
    // pixels that count (within its advance, not those that may be ink).
    struct Sample {
        int rows[kSampleRows] = {};
        std::uint64_t ink[kSampleRows] = {};
        std::uint64_t counted[kSampleRows] = {};
    };
    std::vector<Sample> samples;
};

// A state of the decoding: a glyph drawn with its pen at pen16 (or, without a glyph, the pen
// standing there), the cost of the line left of it, and the state before it.
struct Entry {
    long long pen16 = 0;
    int glyph = -1;
    int cost = 0;
    int back = -1;
    long long x = 0;        // the phase it was drawn at
    bool bOverInk = false;  // the pen moved on over ink: only a blank column starts glyphs again
    GlyphScript script = GlyphScript::None;  // the script of the word's letters so far
};

class CDecoder {
public:
    CDecoder(const InkBits& ink, const TextBand& band, int baseline, const LineFont& font, const DecodeOptions& options)
        : m_Font(font), m_Options(options), m_nBaseline(baseline), m_nPhases(font.phases),
          m_Ink(ink, band, std::max(std::min(band.top, baseline - font.Ascent()), band.top - band.Height() - kRowReach),
                std::min(std::max(band.bottom, baseline + font.Descent()), band.bottom + band.Height() + kRowReach),
                band.left - Pad(font), band.right + Pad(font)),
          m_Met(UsePopcount(options.path) ? MetPopcount : MetPortable),
          m_Sample(UsePopcount(options.path) ? SamplePopcount : SamplePortable)
    {
        // The buffers of the last decoder of this thread, their memory taken over.
        Spares& spares = SparesOfThread();
        m_Extents.swap(spares.extents);
        m_Memo.swap(spares.memo);
        m_SampleMemo.swap(spares.sampleMemo);
        m_Entries.swap(spares.entries);
        m_Buckets.swap(spares.buckets);
        m_Entries.clear();
        for (PhaseExtents& e : m_Extents)
            e.spans.clear();
        m_nStep = kOne / m_nPhases;
        if (std::has_single_bit(static_cast<unsigned>(m_nPhases)))
            m_nPhaseShift = std::countr_zero(static_cast<unsigned>(m_nPhases));
        const int glyphs = font.Glyphs();
        m_nGlyphs = static_cast<std::size_t>(glyphs);
        m_Extents.resize(static_cast<std::size_t>(m_nPhases));
        for (PhaseExtents& e : m_Extents) {
            e.glyphs.assign(static_cast<std::size_t>(glyphs), PhaseExtents::Glyph{});
            e.samples.assign(static_cast<std::size_t>(glyphs), PhaseExtents::Sample{});
        }
        // The glyphs that may be matched at all: their extents, and those of the line's pens.
        for (int g = 0; g < glyphs; ++g) {
            const LineGlyph& glyph = font.glyphs[static_cast<std::size_t>(g)];
            if (options.regularOnly && glyph.face != GlyphFace::Regular)
                continue;
            const bool later = (options.first != FirstGlyphs::All && glyph.bRare) ||
                               (options.first == FirstGlyphs::Latin && glyph.script == GlyphScript::Cyrillic);
            (later ? m_Others : m_Matchable).push_back(g);
        }
        std::vector<int> measured = m_Matchable;
        measured.insert(measured.end(), m_Others.begin(), m_Others.end());
        for (int g : measured)
            for (int p = 0; p < m_nPhases; ++p) {
                const LineGlyphImage& image = font.Image(g, p);
                PhaseExtents& e = m_Extents[static_cast<std::size_t>(p)];
                const std::size_t i = static_cast<std::size_t>(g);
                e.glyphs[i].row = baseline - image.top - m_Ink.RowTop();
                // The extents of the ink itself, inside the box of the pixels that may be ink: a
                // row of one word at a time, else pixel by pixel.
                int first = image.width, last = -1, top = image.height, bottom = -1;
                if (image.WordsPerRow() == 1) {
                    for (int y = 0; y < image.height; ++y)
                        if (const std::uint64_t row = font.Row(image, y)[0]; row != 0) {
                            first = std::min(first, std::countl_zero(row));
                            last = std::max(last, 63 - std::countr_zero(row));
                            top = std::min(top, y);
                            bottom = y;
                        }
                } else {
                    for (int y = 0; y < image.height; ++y)
                        for (int x = 0; x < image.width; ++x)
                            if (font.Ink(image, x, y)) {
                                first = std::min(first, x);
                                last = std::max(last, x);
                                top = std::min(top, y);
                                bottom = std::max(bottom, y);
                            }
                }
                if (last < 0)
                    continue;
                e.glyphs[i].left = image.left + first;
                e.glyphs[i].right = image.left + last;
                for (int y = 0; y < image.height; ++y) {
                    const std::uint64_t bit = RowBit(e.glyphs[i].row + y);
                    if (font.Ink(image, first, y))
                        e.glyphs[i].first |= bit;
                    if (font.Ink(image, last, y))
                        e.glyphs[i].last |= bit;
                }
                e.glyphs[i].top = RowBit(e.glyphs[i].row + top);
                e.glyphs[i].bottom = RowBit(e.glyphs[i].row + bottom);
                // The columns the glyph steps over, from its pen's pixel: a wide glyph and a
                // narrow one are compared on the ink each has to explain.
                const int span = std::clamp(static_cast<int>((font.glyphs[i].advance16 + kOne - 1) / kOne), 1, 64);
                const std::uint64_t columns = ~0ULL << (64 - span);
                auto place = [&](std::uint64_t bits) {
                    return image.left >= 64 || image.left <= -64 ? 0 : image.left >= 0 ? bits >> image.left : bits << -image.left;
                };
                PhaseExtents::Sample& sample = e.samples[i];
                for (int k = 0; k < kSampleRows; ++k) {
                    const int y = (image.height * (2 * k + 1)) / (2 * kSampleRows);
                    // A row outside the region reads the blank row.
                    const int r = e.glyphs[i].row + y;
                    sample.rows[k] = r >= 0 && r < m_Ink.Rows() ? r : m_Ink.BlankRow();
                    sample.ink[k] = place(font.Row(image, y)[0]);
                    sample.counted[k] = columns & ~place(font.MaybeRow(image, y)[0]);
                }
                if (image.ink > 0) {
                    m_nMinLeft = std::min(m_nMinLeft, image.left);
                    m_nMaxLeft = std::max(m_nMaxLeft, e.glyphs[i].left);
                    m_nMaxRight = std::max(m_nMaxRight, image.Right());
                }
            }
        if (m_nMinLeft > m_nMaxRight)
            m_nMinLeft = m_nMaxLeft = m_nMaxRight = 0;
        m_Memo.assign(static_cast<std::size_t>(kMemoSlots) * static_cast<std::size_t>(glyphs), Memo{});
        m_SampleMemo.assign(m_Memo.size(), Memo{});
        // The glyphs' ink spans at each phase, each once: the extent tests are made per span.
        for (PhaseExtents& e : m_Extents) {
            for (int g : m_Matchable) {
                const std::pair<int, int> span{e.glyphs[static_cast<std::size_t>(g)].left, e.glyphs[static_cast<std::size_t>(g)].right};
                auto found = std::find(e.spans.begin(), e.spans.end(), span);
                if (found == e.spans.end())
                    found = e.spans.insert(e.spans.end(), span);
                e.glyphs[static_cast<std::size_t>(g)].span = static_cast<int>(found - e.spans.begin());
            }
            m_SpanRows.resize(std::max(m_SpanRows.size(), e.spans.size()));
        }
        m_SpanFits.resize(m_Extents.front().spans.size());
        m_ListTag.assign(kMemoSlots, std::numeric_limits<long long>::min());
        m_Lists.resize(kMemoSlots);
        m_NearTag.assign(kMemoSlots, std::numeric_limits<long long>::min());
        m_NearLists.resize(kMemoSlots);
        m_KernMark.assign(static_cast<std::size_t>(glyphs), -1);
        m_nMaxAdvancePhases = static_cast<int>(std::min<long long>(FloorDiv(static_cast<long long>(font.MaxAdvance16()) * m_nPhases, kOne), kWidestAdvance * m_nPhases)) + 1;
        // The beam grows with the glyphs' median height past kBeamHeight. A glyph of a few
        // pixels (a dot, a comma at 9 px) pays a quarter of the glyph's toll a pixel of its own:
        // else leaving its ink unexplained would cost less than reading it.
        std::vector<int> heights;
        m_Tolls.assign(static_cast<std::size_t>(glyphs), 0);
        for (int g = 0; g < glyphs; ++g) {
            const LineGlyphImage& image = font.Image(g, 0);
            if (image.ink > 0)
                heights.push_back(image.height);
            m_Tolls[static_cast<std::size_t>(g)] = std::min(options.glyphCost, (image.ink + image.maybe) * options.glyphCost / 4);
        }
        int median = 0;
        if (!heights.empty()) {
            std::nth_element(heights.begin(), heights.begin() + static_cast<std::ptrdiff_t>(heights.size() / 2), heights.end());
            median = heights[heights.size() / 2];
        }
        auto grown = [&](long long bound) { return bound * std::max(median, kBeamHeight) / kBeamHeight; };
        m_nBeam = grown(static_cast<long long>(options.beam) * kPixel);
        m_nRankMargin = static_cast<int>(std::min<long long>(grown(std::max(options.rankMargin, 0)), kMaxRank));
    }

    // Its buffers are left to the next decoder of the thread: a page decodes many lines, and
    // memory freed and taken again costs more than filling it.
    ~CDecoder() {
        Spares& spares = SparesOfThread();
        spares.extents.swap(m_Extents);
        spares.memo.swap(m_Memo);
        spares.sampleMemo.swap(m_SampleMemo);
        spares.entries.swap(m_Entries);
        spares.buckets.swap(m_Buckets);
    }
    CDecoder(const CDecoder&) = delete;
    CDecoder& operator=(const CDecoder&) = delete;

    DecodedLine Run(const TextBand& band);
    // Whether the glyphs left out may read line better: one of them drawn where one of its
    // glyphs was (a phase either way) explains the columns it steps over better, its tolls
    // counted, or the reading left ink that no glyph explains.
    bool OthersMayFit(const DecodedLine& line);
    // The glyph the line's glyph k follows without a gap, or -1.
    int Touching(const DecodedLine& line, std::size_t k) const {
        if (k == 0 || line.glyphs[k - 1].bSpace)
            return -1;
        const DecodedGlyph& before = line.glyphs[k - 1];
        return line.glyphs[k].pen16 - (before.pen16 + Advance(before.glyph)) < kOne / 2 ? before.glyph : -1;
    }

private:
    static int Pad(const LineFont& font) {
        return 80 + 2 * static_cast<int>(std::min<long long>(font.MaxAdvance16() / kOne, kWidestAdvance));
    }
    std::uint64_t RowBit(int regionRow) const {
        if (regionRow < 0)
            return 0;
        const int bit = regionRow / m_Ink.RowsPerBit();
        return bit < 64 ? 1ULL << bit : 0;
    }

    // Whether a glyph's ink extents at a phase fit the line's with its pen in pixel, as
    // Candidates tests them: ink near its first and last columns, and in its columns near its
    // top and bottom rows. A glyph without ink fits nowhere.
    bool ExtentsFit(const PhaseExtents::Glyph& g, long long pixel) const {
        return g.top != 0 && g.Fits(m_Ink.Near(pixel + g.left), m_Ink.Near(pixel + g.right),
                                    Dilate(m_Ink.Columns(pixel + g.left, pixel + g.right)));
    }

    // The whole pixel of phase x: a shift where the phases are a power of two, as they are.
    long long PixelOf(long long x) const { return m_nPhaseShift >= 0 ? x >> m_nPhaseShift : FloorDiv(x, m_nPhases); }
    long long Place(long long pen16) const { return PenPhase(pen16, m_nPhases, m_Font.pen); }
    long long Key(long long pen16) const { return FloorDiv(pen16 * m_nPhases, kOne); }
    const LineGlyph& Glyph(int glyph) const { return m_Font.glyphs[static_cast<std::size_t>(glyph)]; }
    std::int32_t Advance(int glyph) const { return Glyph(glyph).advance16; }
    static long long RoundPixel(long long v) { return FloorDiv(v + kOne / 2, kOne) * kOne; }
    // Where the pen of the glyph after e stands, before kerning.
    long long PenAfter(const Entry& e) const {
        if (e.glyph < 0)
            return e.pen16;
        return e.pen16 + (m_Font.wholePixelAdvances ? RoundPixel(Advance(e.glyph)) : Advance(e.glyph));
    }
    // Where the pen of the next glyph stands after e, kerned by kern.
    long long PenOf(const Entry& e, std::int32_t kern) const {
        if (e.glyph < 0)
            return e.pen16;
        if (m_Font.wholePixelAdvances)
            return e.pen16 + RoundPixel(static_cast<long long>(Advance(e.glyph)) + kern);
        return e.pen16 + Advance(e.glyph) + kern;
    }
    // What choosing h after the glyph previous (-1: none, a gap or a space before it) in a word
    // of that script so far costs besides its pixels: a rare glyph, a letter of another script,
    // a glyph of another face than the one it touches.
    int Prior(GlyphScript word, int previous, int h) const {
        const LineGlyph& next = Glyph(h);
        int cost = m_Tolls[static_cast<std::size_t>(h)] + (next.bRare ? m_Options.rareCost : 0);
        if (word != GlyphScript::None && next.script != GlyphScript::None && word != next.script)
            cost += m_Options.scriptCost;
        if (previous >= 0 && previous != m_Font.space && h != m_Font.space && Glyph(previous).face != next.face)
            cost += m_Options.faceCost;
        return cost;
    }

    // The cost of the line left of the pen after e, which stands in column: its ink that no
    // glyph explained counted, up to the end of the last glyph's ink (the next glyph's ink may
    // start before its pen).
    long long Explained(const Entry& e, long long column) const {
        return e.cost + m_Ink.InkIn(m_Ink.ColLeft(), std::min(column, InkEnd(e))) * kPixel;
    }
    // The column after the last of the image e's glyph was drawn with; none without a glyph or ink.
    long long InkEnd(const Entry& e) const {
        if (e.glyph < 0)
            return std::numeric_limits<long long>::max();
        const long long pixel = PixelOf(e.x);
        const LineGlyphImage& image = m_Font.Image(e.glyph, static_cast<int>(e.x - pixel * m_nPhases));
        return image.ink > 0 ? pixel + image.Right() : std::numeric_limits<long long>::max();
    }
    // The ink that glyph a drawn at phase xa and glyph b drawn at xb both cover: each glyph's
    // cost counts it as explained, but it is explained once.
    int Overlap(int a, long long xa, int b, long long xb) const;
    // How far a glyph drawn at x is from the ink on a few of its rows, in the columns it steps
    // over; kept for the phases lately asked for.
    struct Memo;
    int SampleCost(int glyph, long long x) {
        Memo& memo = m_SampleMemo[MemoSlot(glyph, x)];
        return memo.tag == x ? memo.cost : ComputeSample(glyph, x, memo);
    }
    int ComputeSample(int glyph, long long x, Memo& memo);
    // A glyph's slot for phase x: the glyphs of one phase side by side, as a position's
    // candidates are matched together.
    std::size_t MemoSlot(int glyph, long long x) const {
        return static_cast<std::size_t>(x & (kMemoSlots - 1)) * m_nGlyphs + static_cast<std::size_t>(glyph);
    }
    int Score(int glyph, long long x);
    // The glyphs whose ink extents may fit the line's with their pens in pixel, at any phase.
    const std::vector<int>& Near(long long pixel);
    // The glyphs worth matching in full drawn at phase x or a jitter from it: those whose
    // extents fit, the best on a few of their rows.
    const std::vector<int>& Candidates(long long x);
    void Offer(long long key, const Entry& entry);
    // Offers what may follow state index: the pen on a phase, and unless skipOnly a space and the glyphs.
    void Expand(int index, bool skipOnly);
    void Finish(DecodedLine& line, int best);

    const LineFont& m_Font;
    const DecodeOptions& m_Options;
    int m_nBaseline;
    int m_nPhases;
    int m_nPhaseShift = -1;  // log2 of the phases where they are a power of two
    CLineInk m_Ink;
    MetKernel m_Met;
    SampleKernel m_Sample;
    long long m_nStep = kOne;
    std::size_t m_nGlyphs = 0;
    std::vector<PhaseExtents> m_Extents;
    int m_nMinLeft = std::numeric_limits<int>::max();
    int m_nMaxLeft = std::numeric_limits<int>::min();
    int m_nMaxRight = std::numeric_limits<int>::min();
    int m_nMaxAdvancePhases = 1;
    long long m_nBeam = 0;  // the beam in eighths of a pixel, grown with the glyphs' height
    int m_nRankMargin = 0;  // the candidates' rank margin, grown with the glyphs' height; 0: none
    std::vector<int> m_Tolls;  // per glyph, what it costs for being a glyph
    std::vector<int> m_Matchable;  // the glyphs that may be matched: all, or the regular face's
    std::vector<int> m_Others;     // those of the face left out for now (DecodeOptions::first)
    bool m_bSkippedInk = false;    // the reading's pen moved on over ink that no glyph explained
    std::vector<int> m_Unmet;      // per glyph read, its template's ink that meets no ink
    std::vector<long long> m_UncoveredIn;  // prefix sums by column of the ink no template read covers

    // A cost kept for the phase it was computed at, tag and value side by side.
    // A phase beyond 32 bits is never found in its slot: its cost is then computed again.
    struct Memo {
        std::int32_t tag = std::numeric_limits<std::int32_t>::min();
        std::int32_t cost = 0;
    };
    std::vector<Memo> m_Memo;
    std::vector<Memo> m_SampleMemo;
    // The largest buffers, kept from one decoder of a thread to the next.
    struct Spares {
        std::vector<PhaseExtents> extents;
        std::vector<Memo> memo;
        std::vector<Memo> sampleMemo;
        std::vector<Entry> entries;
        std::vector<std::vector<int>> buckets;
    };
    static Spares& SparesOfThread() {
        thread_local Spares spares;
        return spares;
    }
    // What Near asks of a span's columns at one pixel.
    struct SpanFit {
        std::uint64_t first = 0;  // row groups with ink near its first column
        std::uint64_t last = 0;   // near its last column
        std::uint64_t rows = 0;   // in its columns, a column and a row either way
    };
    std::vector<SpanFit> m_SpanFits;  // by span of phase 0, at the pixel Near works at
    // What Candidates asks of a span's columns at the phase it works at, by span: the row groups
    // with ink near its first and its last column, and of ink in its columns, dilated; the
    // stamps say which call computed them.
    struct SpanAt {
        long long edges = -1;
        long long rowsStamp = -1;
        std::uint64_t first = 0;
        std::uint64_t last = 0;
        std::uint64_t rows = 0;
    };
    std::vector<SpanAt> m_SpanRows;
    long long m_nStamp = 0;
    std::vector<long long> m_ListTag;
    std::vector<std::vector<int>> m_Lists;
    std::vector<long long> m_NearTag;
    std::vector<std::vector<int>> m_NearLists;
    std::vector<int> m_KernMark;
    std::vector<std::pair<int, int>> m_Ranked;  // (rank, glyph) in the glyphs' order
    std::vector<int> m_RankCounts;
    // A glyph considered after a state: where, its cost there, and how well it explains the
    // columns it steps over.
    struct Placed {
        int glyph;
        long long pen;
        long long x;
        int cost;
        long long local;
    };
    std::vector<Placed> m_Placed;

    long long m_nKeyFirst = 0;
    long long m_nLastBucket = -1;  // the furthest bucket a state was offered to
    std::vector<Entry> m_Entries;
    std::vector<std::vector<int>> m_Buckets;
    long long m_nMatched = 0;
    int m_nExpanded = 0;
};

int CDecoder::Overlap(int a, long long xa, int b, long long xb) const
{
    const long long pa = PixelOf(xa);
    const long long pb = PixelOf(xb);
    const LineGlyphImage& ia = m_Font.Image(a, static_cast<int>(xa - pa * m_nPhases));
    const LineGlyphImage& ib = m_Font.Image(b, static_cast<int>(xb - pb * m_nPhases));
    if (ia.ink == 0 || ib.ink == 0 || ia.WordsPerRow() > 1 || ib.WordsPerRow() > 1)
        return 0;
    const long long la = pa + ia.left;
    const long long lb = pb + ib.left;
    const long long first = std::max(la, lb);
    const long long end = std::min(la + ia.width, lb + ib.width);
    if (first >= end)
        return 0;
    const int topA = m_nBaseline - ia.top;
    const int topB = m_nBaseline - ib.top;
    const int top = std::max(topA, topB);
    const int bottom = std::min(topA + ia.height, topB + ib.height);
    const std::uint64_t columns = ~0ULL << (64 - (end - first));
    int both = 0;
    for (int y = top; y < bottom; ++y) {
        const std::uint64_t ca = (m_Font.Row(ia, y - topA)[0] | m_Font.MaybeRow(ia, y - topA)[0]) << (first - la);
        const std::uint64_t cb = (m_Font.Row(ib, y - topB)[0] | m_Font.MaybeRow(ib, y - topB)[0]) << (first - lb);
        both += Bits(ca & cb & columns & m_Ink.Word(first, y - m_Ink.RowTop()));
    }
    return both;
}

int CDecoder::ComputeSample(int glyph, long long x, Memo& memo)
{
    memo.tag = static_cast<std::int32_t>(x);
    const long long pixel = PixelOf(x);
    const PhaseExtents::Sample& sample = m_Extents[static_cast<std::size_t>(x - pixel * m_nPhases)].samples[static_cast<std::size_t>(glyph)];
    memo.cost = m_Sample(sample.rows, sample.ink, sample.counted, m_Ink.Rows(pixel, 0));
    return memo.cost;
}

int CDecoder::Score(int glyph, long long x)
{
    Memo& memo = m_Memo[MemoSlot(glyph, x)];
    if (memo.tag == x)
        return memo.cost;
    const long long pixel = PixelOf(x);
    const int phase = static_cast<int>(x - pixel * m_nPhases);
    const LineGlyphImage& image = m_Font.Image(glyph, phase);
    int met = 0;       // pixels of its ink that meet ink
    int metMaybe = 0;  // pixels that may be ink that meet ink
    if (image.ink > 0) {
        const int row = m_Extents[static_cast<std::size_t>(phase)].glyphs[static_cast<std::size_t>(glyph)].row;
        const int words = image.WordsPerRow();
        const long long left = pixel + image.left;
        if (words == 1 && row >= 0 && row + image.height <= m_Ink.Rows()) {
            const std::uint64_t* ink = m_Ink.Rows(left, row);
            met = m_Met(m_Font.Row(image, 0), ink, image.height);
            if (image.maybe > 0)
                metMaybe = m_Met(m_Font.MaybeRow(image, 0), ink, image.height);
        } else {
            for (int y = 0; y < image.height; ++y)
                for (int w = 0; w < words; ++w) {
                    const std::uint64_t ink = m_Ink.Word(left + 64LL * w, row + y);
                    met += std::popcount(m_Font.Row(image, y)[w] & ink);
                    metMaybe += std::popcount(m_Font.MaybeRow(image, y)[w] & ink);
                }
        }
    }
    ++m_nMatched;
    // The ink the template covers is explained: the line's cost falls by a pixel for each pixel
    // of its ink or that may be ink that meets ink, and rises by one for each pixel of its ink
    // that meets none. A pixel that may be ink and meets none costs a quarter, so that of two
    // glyphs alike but for faint marks (e and ë) the one without them wins.
    const int cost = (image.ink - 2 * met) * kPixel - metMaybe * kPixel + (image.maybe - metMaybe) * kPixel / 4;
    memo.tag = static_cast<std::int32_t>(x);
    memo.cost = cost;
    return cost;
}

const std::vector<int>& CDecoder::Near(long long pixel)
{
    const std::size_t slot = static_cast<std::size_t>(pixel & (kMemoSlots - 1));
    std::vector<int>& list = m_NearLists[slot];
    if (m_NearTag[slot] == pixel)
        return list;
    m_NearTag[slot] = pixel;
    list.clear();
    // The images of phase 0 stand for every phase of the pixel: the test allows a column and a
    // row either way.
    const PhaseExtents& e = m_Extents.front();
    for (std::size_t s = 0; s < e.spans.size(); ++s) {
        const long long first = pixel + e.spans[s].first;
        const long long last = pixel + e.spans[s].second;
        m_SpanFits[s] = SpanFit{m_Ink.Near(first) | m_Ink.Near(first + 1), m_Ink.Near(last) | m_Ink.Near(last + 1),
                                Dilate(m_Ink.Columns(first - 1, last + 1))};
    }
    for (int g : m_Matchable) {
        const std::size_t i = static_cast<std::size_t>(g);
        const SpanFit& fit = m_SpanFits[static_cast<std::size_t>(e.glyphs[i].span)];
        if (e.glyphs[i].Fits(fit.first, fit.last, fit.rows))
            list.push_back(g);
    }
    return list;
}

const std::vector<int>& CDecoder::Candidates(long long x)
{
    const std::size_t slot = static_cast<std::size_t>(x & (kMemoSlots - 1));
    std::vector<int>& list = m_Lists[slot];
    if (m_ListTag[slot] == x)
        return list;
    m_ListTag[slot] = x;
    list.clear();
    m_Ranked.clear();
    ++m_nStamp;
    const long long pixel = PixelOf(x);
    const PhaseExtents& e = m_Extents[static_cast<std::size_t>(x - pixel * m_nPhases)];
    int best = std::numeric_limits<int>::max();
    const int jitter = m_Options.jitter;
    for (int g : Near(pixel)) {
        const std::size_t i = static_cast<std::size_t>(g);
        if (e.glyphs[i].top == 0)
            continue;
        const long long first = pixel + e.glyphs[i].left;
        const long long last = pixel + e.glyphs[i].right;
        SpanAt& span = m_SpanRows[static_cast<std::size_t>(e.glyphs[i].span)];
        if (span.edges != m_nStamp) {
            span.edges = m_nStamp;
            span.first = m_Ink.Near(first);
            span.last = m_Ink.Near(last);
        }
        if ((span.first & e.glyphs[i].first) == 0 || (span.last & e.glyphs[i].last) == 0)
            continue;
        if (span.rowsStamp != m_nStamp) {
            span.rowsStamp = m_nStamp;
            span.rows = Dilate(m_Ink.Columns(first, last));
        }
        if (!e.glyphs[i].Fits(span.first, span.last, span.rows))
            continue;
        // A glyph a phase off its place is tried there too (jitter), and ranks by its best;
        // among glyphs that fit alike (e and its accented kin) the common ones come first.
        int sample = SampleCost(g, x);
        for (int j = 1; j <= jitter; ++j) {
            sample = std::min(sample, SampleCost(g, x - j));
            sample = std::min(sample, SampleCost(g, x + j));
        }
        const int rank = 2 * sample + (Glyph(g).bRare ? 1 : 0);
        m_Ranked.emplace_back(rank, g);
        best = std::min(best, rank);
    }
    // The best by rank, the glyph's index breaking ties, kept in the glyphs' order: ranks are
    // small numbers, so the rank of the last one kept is found by counting.
    const std::size_t keep = m_Options.candidates > 0 ? static_cast<std::size_t>(m_Options.candidates) : m_Ranked.size();
    int last = std::numeric_limits<int>::max();
    std::size_t ties = keep;
    if (m_Ranked.size() > keep) {
        m_RankCounts.assign(static_cast<std::size_t>(kMaxRank) + 1, 0);
        for (const auto& [rank, g] : m_Ranked)
            ++m_RankCounts[static_cast<std::size_t>(rank)];
        std::size_t below = 0;
        last = 0;
        while (below + m_RankCounts[static_cast<std::size_t>(last)] < keep)
            below += m_RankCounts[static_cast<std::size_t>(last++)];
        ties = keep - below;
    }
    // (No glyph ranked here: no margin either.)
    const int margin = m_nRankMargin > 0 && best <= kMaxRank ? best + m_nRankMargin : std::numeric_limits<int>::max();
    for (const auto& [rank, g] : m_Ranked)
        if ((rank < last || (rank == last && ties-- > 0)) && rank <= margin)
            list.push_back(g);
    return list;
}

void CDecoder::Offer(long long key, const Entry& entry)
{
    const long long b = key - m_nKeyFirst;
    if (b < 0 || b >= static_cast<long long>(m_Buckets.size()))
        return;
    m_nLastBucket = std::max(m_nLastBucket, b);
    std::vector<int>& bucket = m_Buckets[static_cast<std::size_t>(b)];
    int worst = -1;
    for (std::size_t k = 0; k < bucket.size(); ++k) {
        Entry& other = m_Entries[static_cast<std::size_t>(bucket[k])];
        if (other.glyph == entry.glyph && (!m_Options.exactPens || other.pen16 == entry.pen16)) {
            if (entry.cost < other.cost)
                other = entry;
            return;
        }
        if (worst < 0 || other.cost > m_Entries[static_cast<std::size_t>(bucket[static_cast<std::size_t>(worst)])].cost)
            worst = static_cast<int>(k);
    }
    const int states = std::max(1, m_Options.states);
    if (static_cast<int>(bucket.size()) < states) {
        bucket.push_back(static_cast<int>(m_Entries.size()));
        m_Entries.push_back(entry);
        return;
    }
    Entry& replaced = m_Entries[static_cast<std::size_t>(bucket[static_cast<std::size_t>(worst)])];
    if (entry.cost < replaced.cost)
        replaced = entry;
}

void CDecoder::Expand(int index, bool skipOnly)
{
    const Entry e = m_Entries[static_cast<std::size_t>(index)];
    ++m_nExpanded;
    const long long after = PenAfter(e);
    const long long floorKey = Key(after);

    // The pen on by a phase, without a glyph: over blank columns from any state; over ink only
    // on the way of a state that ink no glyph explains stopped (skipOnly), and on from there.
    {
        const long long column = FloorDiv(after, kOne);
        const bool blank = m_Ink.InkIn(column, column + 1) == 0;
        if (blank || skipOnly || e.bOverInk) {
            Entry skip{after + m_nStep, -1, e.cost + (blank ? m_Options.blankStepCost : m_Options.inkStepCost), index, 0, !blank};
            Offer(Key(skip.pen16), skip);
        }
        if (e.bOverInk || skipOnly)
            return;
    }
    // A space: no ink, no jitter, over columns blank but for a pixel at either edge and those
    // the glyph before it covers (the ink of the glyphs either side may reach into it: an f's
    // hook at 2x reaches past its advance by more than a pixel).
    if (m_Font.space >= 0) {
        const int s = m_Font.space;
        const std::int32_t kern = e.glyph >= 0 ? m_Font.Kerning(e.glyph, s) : 0;
        Entry space{PenOf(e, kern), s, e.cost, index, 0};
        space.x = Place(space.pen16);
        const long long end = InkEnd(e);
        long long first = FloorDiv(space.pen16, kOne) + 1;
        if (end != std::numeric_limits<long long>::max())
            first = std::max(first, end);
        // (Like a glyph, only where the pen goes on: a space of a font file's own advance and
        // kerning may end where it began, and a state that replaced its own ancestor would
        // leave the reading a loop.)
        if (const long long key = Key(PenAfter(space));
            key > floorKey && m_Ink.InkIn(first, FloorDiv(space.pen16 + Advance(s), kOne) - 1) == 0)
            Offer(key, space);
    }
    // A glyph starts here only where ink starts within its reach: no glyph's ink begins further
    // right of its pen than the widest left bearing.
    const long long pixel = FloorDiv(after, kOne);
    if (m_Ink.NextInk(pixel + m_nMinLeft - 1) > pixel + m_nMaxLeft + 1)
        return;

    // Each glyph at the phase its pen gives; glyphs kerned after this one at their own pens.
    m_Placed.clear();
    auto consider = [&](int h, long long pen) {
        const long long x = Place(pen);
        const int cost = Score(h, x);
        // How well it explains the columns it steps over, to compare glyphs of other widths.
        const long long end = pen + Advance(h);
        const long long local = cost + m_Ink.InkIn(FloorDiv(pen, kOne), FloorDiv(end, kOne)) * kPixel;
        m_Placed.push_back(Placed{h, pen, x, cost, local});
    };
    if (e.glyph >= 0 && !m_Font.kerning.empty()) {
        const KernPair from{static_cast<std::uint16_t>(e.glyph), 0, 0};
        auto it = std::lower_bound(m_Font.kerning.begin(), m_Font.kerning.end(), from,
                                   [](const KernPair& a, const KernPair& b) { return a.left < b.left; });
        for (; it != m_Font.kerning.end() && it->left == e.glyph; ++it) {
            const int h = it->right;
            if (h == m_Font.space)
                continue;
            m_KernMark[static_cast<std::size_t>(h)] = index;
            // A kerned glyph is matched in full only where it is among the candidates of its
            // own place, so that a font of many pairs matches no more glyphs than one of few.
            const long long pen = PenOf(e, it->adjust16);
            const std::vector<int>& candidates = Candidates(Place(pen));
            if (std::find(candidates.begin(), candidates.end(), h) != candidates.end())
                consider(h, pen);
        }
    }
    const long long pen = PenOf(e, 0);
    for (int h : Candidates(Place(pen)))
        if (m_KernMark[static_cast<std::size_t>(h)] != index)
            consider(h, pen);
    if (m_Placed.empty())
        return;

    // Each may sit a phase off its place; none that explains the columns it steps over far
    // worse than the best is offered.
    long long least = std::numeric_limits<long long>::max();
    for (const Placed& p : m_Placed)
        least = std::min(least, p.local);
    const long long bound = m_Options.choice > 0 ? least + static_cast<long long>(m_Options.choice) * kPixel
                                                 : std::numeric_limits<long long>::max();
    for (const Placed& p : m_Placed) {
        if (p.local > bound)
            continue;
        int bestCost = p.cost;
        int bestJitter = 0;
        for (int j = -m_Options.jitter; j <= m_Options.jitter; ++j) {
            if (j == 0)
                continue;
            const int cost = Score(p.glyph, p.x + j) + (j < 0 ? -j : j) * m_Options.jitterCost;
            if (cost < bestCost) {
                bestCost = cost;
                bestJitter = j;
            }
        }
        Entry next{p.pen + bestJitter * m_nStep, p.glyph, e.cost + bestCost + Prior(e.script, e.glyph, p.glyph), index,
                   p.x + bestJitter};
        if (e.glyph >= 0)
            next.cost += Overlap(e.glyph, e.x, p.glyph, next.x) * kPixel;
        const GlyphScript script = Glyph(p.glyph).script;
        next.script = script != GlyphScript::None ? script : e.script;
        if (const long long key = Key(PenAfter(next)); key > floorKey)
            Offer(key, next);
        // The glyph may be drawn off its place with its pen unmoved (its image a phase off the
        // renderer's): the glyphs after it then follow its pen, not where it was drawn.
        if (bestJitter != 0 && m_Options.holdPen) {
            next.pen16 = p.pen;
            if (const long long key = Key(PenAfter(next)); key > floorKey)
                Offer(key, next);
        }
    }
}

DecodedLine CDecoder::Run(const TextBand& band)
{
    DecodedLine line;
    line.baseline = m_nBaseline;
    line.ink = m_Ink.InkIn(m_Ink.ColLeft(), m_Ink.ColRight());
    if (m_Font.Empty() || line.ink == 0)
        return line;

    // Pens from where the leftmost ink could start to where the rightmost could end.
    const long long firstPen = (static_cast<long long>(band.left) - m_nMaxRight - 1) * kOne;
    const long long lastPen = (static_cast<long long>(band.right) - m_nMinLeft + 2) * kOne +
                              std::min<long long>(m_Font.MaxAdvance16(), kWidestAdvance * kOne);
    m_nKeyFirst = Key(firstPen);
    m_Buckets.resize(static_cast<std::size_t>(Key(lastPen) - m_nKeyFirst + 1));
    for (std::vector<int>& bucket : m_Buckets)
        bucket.clear();
    // The line may start at any phase near its first ink, at no cost.
    const long long startLast = Key((static_cast<long long>(band.left) - m_nMinLeft + 1) * kOne);
    for (long long k = m_nKeyFirst; k <= startLast; ++k)
        Offer(k, Entry{FloorDiv(k * kOne + m_nPhases - 1, m_nPhases), -1, 0, -1, 0});

    // Each state is compared with the states expanded in the last glyph's width of positions
    // by the cost of the line left of its pen, the ink it has not explained counted.
    std::vector<long long> kept(m_Buckets.size(), std::numeric_limits<long long>::max());
    const std::size_t window = static_cast<std::size_t>(m_nMaxAdvancePhases);
    int best = -1;
    std::vector<int> indexes;
    for (std::size_t b = 0; b < m_Buckets.size(); ++b) {
        if (m_Buckets[b].empty())
            continue;
        const long long column = PixelOf(static_cast<long long>(b) + m_nKeyFirst);
        indexes = m_Buckets[b];
        long long reference = std::numeric_limits<long long>::max();
        int bucketBest = -1;
        for (int index : indexes) {
            const Entry& entry = m_Entries[static_cast<std::size_t>(index)];
            reference = std::min(reference, Explained(entry, column));
            if (bucketBest < 0 || entry.cost < m_Entries[static_cast<std::size_t>(bucketBest)].cost)
                bucketBest = index;
        }
        long long live = std::numeric_limits<long long>::max();  // the best state expanded lately
        for (std::size_t k = b >= window ? b - window : 0; k < b; ++k)
            live = std::min(live, kept[k]);
        reference = std::min(reference, live);
        bool bExpanded = false;
        for (int index : indexes) {
            const Entry& entry = m_Entries[static_cast<std::size_t>(index)];
            if (best < 0 || entry.cost < m_Entries[static_cast<std::size_t>(best)].cost)
                best = index;
            const long long explained = Explained(entry, column);
            if (m_Options.beam > 0 && explained > reference + m_nBeam) {
                // Where no state lives lately, the bucket's best still moves the pen on, so
                // that the line goes on past ink that nothing explains.
                if (index == bucketBest && live == std::numeric_limits<long long>::max()) {
                    Expand(index, true);
                    bExpanded = true;
                }
                continue;
            }
            // A pen moving on over ink starts no glyph, so it sets no standard.
            if (!entry.bOverInk)
                kept[b] = std::min(kept[b], explained);
            Expand(index, false);
            bExpanded = true;
        }
        // Ink that nothing explains leaves every state after it far worse than those before
        // it: where the last of them would be dropped, the best goes on, over the ink and with
        // the glyphs after it, so that the rest of the line is still read.
        if (!bExpanded && static_cast<long long>(b) >= m_nLastBucket) {
            // The states after it are compared with it alone.
            for (std::size_t k = b >= window ? b - window : 0; k < b; ++k)
                kept[k] = std::numeric_limits<long long>::max();
            kept[b] = Explained(m_Entries[static_cast<std::size_t>(bucketBest)], column);
            Expand(bucketBest, true);
            if (!m_Entries[static_cast<std::size_t>(bucketBest)].bOverInk)
                Expand(bucketBest, false);
        }
    }
    line.states = m_nExpanded;
    line.matched = m_nMatched;
    if (best >= 0)
        Finish(line, best);
    return line;
}

bool CDecoder::OthersMayFit(const DecodedLine& line)
{
    if (m_Others.empty())
        return false;
    if (m_bSkippedInk)
        return true;
    // What the reading pays over the columns from glyph i's pen to end: for glyph i and the
    // glyphs after it that end there, their ink that meets none, their tolls and their phases
    // off their places (a glyph reaching past end is paid for by any other reading too), and
    // the ink there that none of its templates covers.
    auto paid = [&](std::size_t i, long long end) {
        long long cost = 0;
        for (std::size_t k = i; k < line.glyphs.size(); ++k) {
            const DecodedGlyph& glyph = line.glyphs[k];
            if (k > i && glyph.pen16 + Advance(glyph.glyph) > end)
                break;
            cost += static_cast<long long>(m_Unmet[k]) * kPixel +
                    (glyph.bSpace ? 0 : Prior(Glyph(glyph.glyph).script, Touching(line, k), glyph.glyph));
            // A glyph drawn a phase off the place its pen gives.
            const long long off = static_cast<long long>(glyph.pixel) * m_nPhases + glyph.phase - Place(glyph.pen16);
            if (!glyph.bSpace)
                cost += (off < 0 ? -off : off) * m_Options.jitterCost;
        }
        auto column = [&](long long pen) {
            return m_UncoveredIn[static_cast<std::size_t>(std::clamp<long long>(FloorDiv(pen, kOne) - m_Ink.ColLeft(), 0,
                                                                                 static_cast<long long>(m_UncoveredIn.size()) - 1))];
        };
        return cost + (column(end) - column(line.glyphs[i].pen16)) * kPixel;
    };
    for (std::size_t i = 0; i < line.glyphs.size(); ++i) {
        const DecodedGlyph& glyph = line.glyphs[i];
        if (glyph.bSpace)
            continue;
        const long long x = static_cast<long long>(glyph.pixel) * m_nPhases + glyph.phase;
        const GlyphScript script = Glyph(glyph.glyph).script;
        const PhaseExtents& e = m_Extents[static_cast<std::size_t>(glyph.phase)];
        const long long place = Place(glyph.pen16);
        for (int h : m_Others) {
            if (!ExtentsFit(e.glyphs[static_cast<std::size_t>(h)], glyph.pixel))
                continue;
            // The least h drawn at the glyph's phase or a phase either way pays over the columns
            // it steps over: its pixels that differ from the ink there, its phases off the place
            // the pen gives, and its tolls.
            long long cost = std::numeric_limits<long long>::max();
            for (long long at = x - m_Options.jitter; at <= x + m_Options.jitter; ++at)
                cost = std::min(cost, Score(h, at) + (at < place ? place - at : at - place) * m_Options.jitterCost);
            const long long end = glyph.pen16 + Advance(h);
            const long long least = cost + Prior(script, Touching(line, i), h) + m_Ink.InkIn(FloorDiv(glyph.pen16, kOne), FloorDiv(end, kOne)) * kPixel;
            if (least <= paid(i, end))
                return true;
        }
    }
    return false;
}

// Pixels two images of one phase differ in, their pens at one place; past limit, limit + 1.
int ImagesDiffer(const LineFont& font, const LineGlyphImage& a, const LineGlyphImage& b, int limit)
{
    if (std::abs(a.ink - b.ink) > limit)
        return limit + 1;
    const int top = std::max(a.top, b.top);
    const int bottom = std::min(a.top - a.height, b.top - b.height);
    const int left = std::min(a.left, b.left);
    const int right = std::max(a.Right(), b.Right());
    int differ = 0;
    for (int row = top; row > bottom; --row)
        for (int column = left; column < right; ++column)
            if (font.Ink(a, column - a.left, a.top - row) != font.Ink(b, column - b.left, b.top - row) && ++differ > limit)
                return differ;
    return differ;
}

// An everyday letter of another script than the glyph's drawn within kTwinPixels of it at the
// phase, in its face and with an advance less than a pixel from its own (a hinted Latin c and
// Cyrillic с a pixel apart; Cantarell's Cyrillic letters of one outline with the Latin ones
// are spaced a fraction of a pixel apart, which the pen's rounding hides): the cheapest, or
// -1. With script None, of any other script.
int NearTwin(const LineFont& font, int g, int phase, GlyphScript script)
{
    const LineGlyph& glyph = font.glyphs[static_cast<std::size_t>(g)];
    if (glyph.text.size() != 1 || glyph.bRare || glyph.script == GlyphScript::None || glyph.script == GlyphScript::Other)
        return -1;
    int best = -1;
    int least = kTwinPixels + 1;
    for (int h = 0; h < font.Glyphs(); ++h) {
        const LineGlyph& other = font.glyphs[static_cast<std::size_t>(h)];
        if (other.text.size() != 1 || other.bRare || other.script == glyph.script || other.script == GlyphScript::None ||
            other.script == GlyphScript::Other || (script != GlyphScript::None && other.script != script) ||
            other.face != glyph.face || std::abs(other.advance16 - glyph.advance16) >= kOne)
            continue;
        const int differ = ImagesDiffer(font, font.Image(g, phase), font.Image(h, phase), least - 1);
        if (differ < least) {
            least = differ;
            best = h;
        }
    }
    return best;
}

// The script a word (the line's glyphs at these indexes) is read in: the most common among its
// letters that name one, those drawn like a letter of another script (twinned) aside.
GlyphScript WordScript(const LineFont& font, const std::vector<DecodedGlyph>& glyphs, const std::vector<std::size_t>& word,
                       const std::vector<bool>& twinned, GlyphScript fallback)
{
    int counts[5] = {};
    for (std::size_t i : word)
        if (!twinned[i])
            ++counts[static_cast<int>(font.glyphs[static_cast<std::size_t>(glyphs[i].glyph)].script)];
    int best = 0;
    for (int s = 1; s < 5; ++s)
        if (counts[s] > counts[best] || (best == 0 && counts[s] > 0))
            best = s;
    return best == 0 || counts[best] == 0 ? fallback : static_cast<GlyphScript>(best);
}

// Letter case in the scripts of everyday text (ASCII, Latin-1, basic Greek and Cyrillic);
// other codes are neither.
bool IsUpper(char32_t c)
{
    return (c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3A9) ||
           (c >= 0x400 && c <= 0x42F);
}

bool IsLower(char32_t c)
{
    return (c >= U'a' && c <= U'z') || (c >= 0xDF && c <= 0xFF && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9) ||
           (c >= 0x430 && c <= 0x45F);
}

bool IsCased(char32_t c)
{
    return IsUpper(c) || IsLower(c);
}

bool IsDigit(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

// A glyph drawn exactly as glyph g at the phase, in its face and with an advance less than a
// pixel from its own, whose single code want accepts (its lowercase letters first): where
// pixels cannot tell two glyphs apart (l, I and ! as one stem at 9 px), its word decides. Or -1.
int ExactTwin(const LineFont& font, int g, int phase, bool (*want)(char32_t))
{
    const LineGlyph& glyph = font.glyphs[static_cast<std::size_t>(g)];
    int found = -1;
    for (int h = 0; h < font.Glyphs(); ++h) {
        const LineGlyph& other = font.glyphs[static_cast<std::size_t>(h)];
        if (h == g || other.text.size() != 1 || other.bRare || !want(other.text[0]) || other.face != glyph.face ||
            std::abs(other.advance16 - glyph.advance16) >= kOne ||
            ImagesDiffer(font, font.Image(g, phase), font.Image(h, phase), 0) != 0)
            continue;
        if (found < 0 || (IsLower(other.text[0]) && !IsLower(font.glyphs[static_cast<std::size_t>(found)].text[0])))
            found = h;
    }
    return found;
}

// The text of a glyph in a word of the script: a look-alike of that script where it has one.
std::u32string TextIn(const LineGlyph& glyph, GlyphScript script)
{
    if (glyph.text.size() != 1 || ScriptOfCode(glyph.text[0]) == script)
        return glyph.text;
    for (char32_t code : glyph.lookAlikes)
        if (ScriptOfCode(code) == script)
            return std::u32string(1, code);
    return glyph.text;
}

void CDecoder::Finish(DecodedLine& line, int best)
{
    std::vector<const Entry*> path;
    for (int i = best; i >= 0; i = m_Entries[static_cast<std::size_t>(i)].back) {
        const Entry& entry = m_Entries[static_cast<std::size_t>(i)];
        if (entry.glyph >= 0)
            path.push_back(&entry);
        else if (entry.bOverInk)
            m_bSkippedInk = true;
    }
    std::reverse(path.begin(), path.end());

    // The placed templates drawn into two masks of the line's region, their ink and what may be
    // ink, to count what differs.
    const int rows = m_Ink.Rows();
    const long long colLeft = m_Ink.ColLeft();
    const int wordsPerRow = (m_Ink.ColRight() - m_Ink.ColLeft() + 63) / 64 + 2;
    std::vector<std::uint64_t> drawn(static_cast<std::size_t>(rows) * static_cast<std::size_t>(wordsPerRow), 0);
    std::vector<std::uint64_t> covered(drawn.size(), 0);
    auto maskWord = [&](const std::vector<std::uint64_t>& mask, long long x, int r) -> std::uint64_t {
        const long long c = x - colLeft;
        if (r < 0 || r >= rows || c <= -64 || c >= static_cast<long long>(wordsPerRow) * 64)
            return 0;
        const std::uint64_t* row = mask.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(wordsPerRow);
        const long long index = c >> 6;
        const int shift = static_cast<int>(c & 63);
        const std::uint64_t high = index >= 0 ? row[index] : 0;
        if (shift == 0)
            return high;
        const std::uint64_t low = index + 1 < wordsPerRow ? row[index + 1] : 0;
        return (high << shift) | (low >> (64 - shift));
    };
    auto paint = [&](std::vector<std::uint64_t>& mask, long long left, int r, std::uint64_t bits) {
        const long long c = left - colLeft;
        if (r < 0 || r >= rows || c < 0 || c >= static_cast<long long>(wordsPerRow - 1) * 64)
            return;
        std::uint64_t* row = mask.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(wordsPerRow);
        const long long index = c >> 6;
        const int shift = static_cast<int>(c & 63);
        row[index] |= bits >> shift;
        if (shift != 0)
            row[index + 1] |= bits << (64 - shift);
    };
    const int ascent = m_Font.Ascent();
    const int descent = m_Font.Descent();
    for (const Entry* e : path) {
        DecodedGlyph glyph;
        glyph.glyph = e->glyph;
        glyph.pen16 = e->pen16;
        glyph.pixel = static_cast<int>(PixelOf(e->x));
        glyph.phase = static_cast<int>(e->x - static_cast<long long>(glyph.pixel) * m_nPhases);
        glyph.bSpace = e->glyph == m_Font.space;
        const LineGlyphImage& image = m_Font.Image(e->glyph, glyph.phase);
        if (image.ink == 0) {
            const long long right = FloorDiv(e->pen16 + Advance(e->glyph), kOne);
            glyph.box = PixelRect{glyph.pixel, m_nBaseline - ascent, std::max<long long>(right, glyph.pixel + 1), m_nBaseline + descent};
        } else {
            glyph.box = PixelRect{glyph.pixel + image.left, m_nBaseline - image.top, glyph.pixel + image.Right(),
                                  m_nBaseline - image.top + image.height};
            const int row0 = m_nBaseline - image.top - m_Ink.RowTop();
            for (int y = 0; y < image.height; ++y)
                for (int w = 0; w < image.WordsPerRow(); ++w) {
                    const long long left = glyph.box.left + 64LL * w;
                    paint(drawn, left, row0 + y, m_Font.Row(image, y)[w]);
                    paint(covered, left, row0 + y, m_Font.Row(image, y)[w] | m_Font.MaybeRow(image, y)[w]);
                }
        }
        line.glyphs.push_back(glyph);
    }
    // Each glyph's cost: its template's ink that meets no ink, and ink in its box that no
    // template covers.
    m_Unmet.assign(line.glyphs.size(), 0);
    for (std::size_t i = 0; i < line.glyphs.size(); ++i) {
        DecodedGlyph& glyph = line.glyphs[i];
        const LineGlyphImage& image = m_Font.Image(glyph.glyph, glyph.phase);
        if (image.ink == 0)
            continue;
        const int row0 = static_cast<int>(glyph.box.top) - m_Ink.RowTop();
        const std::uint64_t mask = image.width % 64 == 0 ? ~0ULL : ~(~0ULL >> (image.width % 64));
        for (int y = 0; y < image.height; ++y)
            for (int w = 0; w < image.WordsPerRow(); ++w) {
                const std::uint64_t bits = m_Font.Row(image, y)[w];
                const long long x = glyph.box.left + 64LL * w;
                const std::uint64_t ink = m_Ink.Word(x, row0 + y);
                const std::uint64_t cover = maskWord(covered, x, row0 + y);
                const std::uint64_t inBox = w + 1 == image.WordsPerRow() ? mask : ~0ULL;
                m_Unmet[i] += std::popcount(bits & ~ink);
                glyph.cost += std::popcount(bits & ~ink) + std::popcount(ink & ~cover & inBox);
            }
    }
    // The line's cost: ink no template covers, and the templates' ink that meets none; and the
    // ink no template covers by column.
    m_UncoveredIn.assign(static_cast<std::size_t>(m_Ink.ColRight() - colLeft) + 1, 0);
    long long cost = 0;
    for (int r = 0; r < rows; ++r)
        for (long long x = colLeft; x < m_Ink.ColRight(); x += 64) {
            const std::uint64_t ink = m_Ink.Word(x, r);
            const std::uint64_t inColumns = m_Ink.ColRight() - x < 64 ? ~(~0ULL >> (m_Ink.ColRight() - x)) : ~0ULL;
            const std::uint64_t bare = ink & ~maskWord(covered, x, r) & inColumns;
            cost += std::popcount(bare | (maskWord(drawn, x, r) & ~ink & inColumns));
            for (std::uint64_t b = bare; b != 0; b &= b - 1)
                ++m_UncoveredIn[static_cast<std::size_t>(x + std::countl_zero(b) - colLeft) + 1];
        }
    for (std::size_t c = 1; c < m_UncoveredIn.size(); ++c)
        m_UncoveredIn[c] += m_UncoveredIn[c - 1];
    line.cost = cost;

    // Words: runs of glyphs without a gap a space wide; each is read in one script where its
    // look-alikes allow, the line's where the word does not say.
    const std::int32_t space16 = m_Font.space >= 0 ? Advance(m_Font.space) : m_Font.MaxAdvance16() / 3;
    std::vector<std::vector<std::size_t>> words;  // indexes of the glyphs of each word
    std::vector<int> spacesBefore;                 // spaces before each word
    const DecodedGlyph* previous = nullptr;
    for (std::size_t i = 0; i < line.glyphs.size(); ++i) {
        DecodedGlyph& glyph = line.glyphs[i];
        if (glyph.bSpace) {
            glyph.text.assign(1, U' ');
            continue;
        }
        const int gap = previous != nullptr ? GapSpaces(glyph.pen16 - previous->pen16 - Advance(previous->glyph), space16) : 1;
        if (words.empty() || gap > 0) {
            words.emplace_back();
            spacesBefore.push_back(previous != nullptr ? gap : 0);
        }
        words.back().push_back(i);
        previous = &glyph;
    }
    // A letter drawn a pixel or two from a letter of another script tells its word's script
    // no more than an exact look-alike does, and reads as that letter in a word of its script.
    std::vector<bool> twinned(line.glyphs.size(), false);
    for (std::size_t i = 0; i < line.glyphs.size(); ++i)
        twinned[i] = !line.glyphs[i].bSpace && NearTwin(m_Font, line.glyphs[i].glyph, line.glyphs[i].phase, GlyphScript::None) >= 0;
    std::vector<std::size_t> all;
    for (const std::vector<std::size_t>& word : words)
        all.insert(all.end(), word.begin(), word.end());
    const GlyphScript lineScript = WordScript(m_Font, line.glyphs, all, twinned, GlyphScript::Latin);
    for (std::size_t w = 0; w < words.size(); ++w) {
        line.text.append(static_cast<std::size_t>(spacesBefore[w]), U' ');
        const GlyphScript script = WordScript(m_Font, line.glyphs, words[w], twinned, lineScript);
        for (std::size_t i : words[w]) {
            DecodedGlyph& glyph = line.glyphs[i];
            glyph.text = TextIn(Glyph(glyph.glyph), script);
            if (twinned[i] && Glyph(glyph.glyph).script != script)
                if (const int twin = NearTwin(m_Font, glyph.glyph, glyph.phase, script); twin >= 0)
                    glyph.text = Glyph(twin).text;
        }
        // Where a glyph's image is another's exactly, its neighbours decide: a letter stands for
        // a mark between two letters, a small letter for a capital after one ("C!ear" and
        // "CtrI" read "Clear" and "Ctrl" where l, I and ! are one stem).
        const std::vector<std::size_t>& word = words[w];
        auto code = [&](std::size_t k) { return line.glyphs[word[k]].text.size() == 1 ? line.glyphs[word[k]].text[0] : U'\0'; };
        for (std::size_t k = 1; k < word.size(); ++k) {
            DecodedGlyph& glyph = line.glyphs[word[k]];
            const char32_t c = code(k);
            int twin = -1;
            if (c != U'\0' && !IsCased(c) && !IsDigit(c) && k + 1 < word.size() && IsCased(code(k - 1)) && IsCased(code(k + 1)))
                twin = ExactTwin(m_Font, glyph.glyph, glyph.phase, IsCased);
            else if (IsUpper(c) && IsLower(code(k - 1)))
                twin = ExactTwin(m_Font, glyph.glyph, glyph.phase, IsLower);
            if (twin >= 0)
                glyph.text = TextIn(Glyph(twin), script);
        }
        for (std::size_t i : word)
            line.text += line.glyphs[i].text;
    }
}

}  // namespace

void LocalInk(const CRaster& picture, InkBits& ink, const TextBand& band, InkLevel level)
{
    const int top = std::max(band.top, 0);
    const int bottom = std::min({band.bottom, ink.height, picture.height()});
    const int width = std::min(ink.width, picture.width());
    if (top >= bottom || width <= 0 || ink.threshold <= 0 || static_cast<int>(ink.rowInk.size()) != ink.height)
        return;
    auto distance = [&](std::uint32_t pixel) {
        int d = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const int a = static_cast<int>((pixel >> shift) & 0xFF);
            const int b = static_cast<int>((ink.background >> shift) & 0xFF);
            d = std::max(d, a > b ? a - b : b - a);
        }
        return d;
    };
    std::vector<int> strongest(static_cast<std::size_t>(width), 0);
    for (int y = top; y < bottom; ++y) {
        const std::uint32_t* row = picture.Row(y);
        for (int x = 0; x < width; ++x)
            strongest[static_cast<std::size_t>(x)] = std::max(strongest[static_cast<std::size_t>(x)], distance(row[x]));
    }
    // The strongest ink within a band height either side, as a running maximum.
    const int reach = std::max(1, bottom - top);
    std::vector<int> threshold(static_cast<std::size_t>(width));
    std::vector<int> window;  // columns of falling strength, a deque kept in a vector
    std::size_t head = 0;
    for (int x = 0, next = 0; x < width; ++x) {
        for (; next < width && next <= x + reach; ++next) {
            while (window.size() > head && strongest[static_cast<std::size_t>(window.back())] <= strongest[static_cast<std::size_t>(next)])
                window.pop_back();
            window.push_back(next);
            head = std::min(head, window.size() - 1);
        }
        while (window[head] < x - reach)
            ++head;
        const int strength = strongest[static_cast<std::size_t>(window[head])];
        threshold[static_cast<std::size_t>(x)] = level == InkLevel::Half
                                                     ? std::clamp(strength / 2, ink.threshold / 3, ink.threshold)
                                                     : std::clamp(strength / 4, ink.threshold / 6, ink.threshold / 2);
    }
    for (int y = top; y < bottom; ++y) {
        const std::uint32_t* row = picture.Row(y);
        std::uint64_t* bits = ink.Row(y);
        std::fill(bits, bits + ink.wordsPerRow, 0);
        int count = 0;
        for (int x = 0; x < width; ++x)
            if (distance(row[x]) > threshold[static_cast<std::size_t>(x)]) {
                bits[x / 64] |= 1ULL << (63 - x % 64);
                ++count;
            }
        ink.rowInk[static_cast<std::size_t>(y)] = count;
    }
}

long long PenPhase(long long pen16, int phases, PenRule rule)
{
    const long long scaled = pen16 * phases;
    return rule == PenRule::Nearest ? FloorDiv(scaled + kOne / 2, kOne) : FloorDiv(scaled, kOne);
}

int GapSpaces(long long gap16, std::int32_t space16)
{
    if (space16 <= 0 || gap16 * 2 < space16)
        return 0;
    return static_cast<int>(std::min<long long>((gap16 + space16 / 2) / space16, 1000));
}

std::vector<int> BaselineCandidates(const InkBits& ink, const TextBand& band, int count)
{
    if (band.Height() <= 0 || static_cast<int>(ink.rowInk.size()) != ink.height)
        return {band.bottom};
    auto rowInk = [&](int y) { return y >= band.top && y < band.bottom ? ink.rowInk[static_cast<std::size_t>(y)] : 0; };
    std::vector<std::pair<int, int>> drops;  // (drop, row)
    for (int y = band.top + (band.Height() * 2) / 5 + 1; y <= band.bottom; ++y)
        drops.emplace_back(rowInk(y - 1) - rowInk(y), y);
    // The sharpest drop first; of equal ones, the highest row.
    std::stable_sort(drops.begin(), drops.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<int> rows;
    for (const auto& [drop, row] : drops)
        if (static_cast<int>(rows.size()) < std::max(count, 1) && (rows.empty() || drop > 0))
            rows.push_back(row);
    if (rows.empty())
        rows.push_back(band.bottom);
    return rows;
}

int EstimateBaseline(const InkBits& ink, const TextBand& band)
{
    return BaselineCandidates(ink, band, 1).front();
}

DecodedLine DecodeLine(const InkBits& ink, const TextBand& band, int baseline, const LineFont& font, const DecodeOptions& options)
{
    if (font.Empty() || band.Height() <= 0 || band.Width() <= 0) {
        DecodedLine line;
        line.baseline = baseline;
        return line;
    }
    CDecoder decoder(ink, band, baseline, font, options);
    DecodedLine line = decoder.Run(band);
    if (options.first != FirstGlyphs::All && decoder.OthersMayFit(line)) {
        DecodeOptions all = options;
        all.first = FirstGlyphs::All;
        CDecoder again(ink, band, baseline, font, all);
        DecodedLine full = again.Run(band);
        full.states += line.states;
        full.matched += line.matched;
        return full;
    }
    return line;
}
