#include "PictureFit.h"

#include "CExactFont.h"
#include "GlfFile.h"

#include "ByteStream.h"
#include "CCharImageFont.h"
#include "PageReader.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <limits>
#include <new>
#include <sstream>

namespace {

// The pitch tried in each direction: a cell from 3 to 200 pixels.
constexpr int kMinPitch = 3;
constexpr int kMaxPitch = 200;
// The lowest line in which glyphs can differ from each other.
constexpr int kMinLinePitch = 6;
// Terminals draw in the regular weight; the bold one is tried once the size is known.
constexpr int kRegularWeight = 400;
// A run of equal residues counts as empty when it holds no more than this share of the mean.
constexpr double kEmptyShare = 0.01;

// The period at which the ink of profile (per row or per column) leaves the most positions
// empty: text on a fixed grid never inks the gaps between its lines (or cells) at one phase,
// while at any other period the lines smear over every phase. Ties go to the shortest
// period; 0 when no period leaves a gap.
int GridPitch(const std::vector<long long>& profile, int minPitch, int maxPitch)
{
    const int length = static_cast<int>(profile.size());
    int best = 0;
    double bestShare = 0;
    std::vector<long long> residues;
    for (int pitch = std::max(minPitch, kMinPitch); pitch <= std::min({kMaxPitch, maxPitch, length / 2}); ++pitch) {
        residues.assign(static_cast<std::size_t>(pitch), 0);
        long long total = 0;
        for (int i = 0; i < length; ++i) {
            residues[static_cast<std::size_t>(i % pitch)] += profile[static_cast<std::size_t>(i)];
            total += profile[static_cast<std::size_t>(i)];
        }
        const double limit = kEmptyShare * static_cast<double>(total) / pitch;
        int empty = 0;
        for (long long sum : residues)
            empty += static_cast<double>(sum) <= limit ? 1 : 0;
        const double share = static_cast<double>(empty) / pitch;
        if (empty > 0 && empty < pitch && share > bestShare + 1e-9) {
            bestShare = share;
            best = pitch;
        }
    }
    return best;
}

// Ink per column of the mask.
std::vector<long long> ColumnProfile(const InkBits& ink)
{
    std::vector<long long> columns(static_cast<std::size_t>(ink.width), 0);
    for (int y = 0; y < ink.height; ++y) {
        const std::uint64_t* row = ink.Row(y);
        for (int w = 0; w < ink.wordsPerRow; ++w) {
            std::uint64_t bits = row[w];
            while (bits != 0) {
                const int bit = std::countl_zero(bits);
                columns[static_cast<std::size_t>(w * 64 + bit)] += 1;
                bits &= ~(std::uint64_t{1} << (63 - bit));
            }
        }
    }
    return columns;
}

// The median height of the runs of rows that hold ink: about the height of a line's ink.
int MedianBand(const std::vector<long long>& rows)
{
    std::vector<int> heights;
    int run = 0;
    for (std::size_t y = 0; y <= rows.size(); ++y) {
        if (y < rows.size() && rows[y] > 0) {
            ++run;
        } else if (run > 0) {
            heights.push_back(run);
            run = 0;
        }
    }
    if (heights.empty())
        return 0;
    std::nth_element(heights.begin(), heights.begin() + static_cast<std::ptrdiff_t>(heights.size() / 2), heights.end());
    return heights[heights.size() / 2];
}

// One candidate font and how the reader read the picture with it.
struct Trial {
    GeneratorSettings settings;
    double mean = std::numeric_limits<double>::infinity();
    int cells = 0;
    std::vector<std::uint8_t> glf;
};

class CFitSearch {
public:
    CFitSearch(const InkBits& ink, const FitProgress& progress) : m_Ink(ink), m_Progress(progress) {}

    // Renders the candidate's GLF, reads the picture with it and keeps it when it reads best.
    bool Try(const GeneratorSettings& settings)
    {
        ++m_nTried;
        if (m_Progress && !m_Progress(m_nTried, m_nEstimate)) {
            m_bStopped = true;
            return false;
        }
        Trial trial;
        trial.settings = settings;
        std::string error;
        if (!RenderGlfFile(settings, {}, trial.glf, error))
            return true;
        CCharImageFont font;
        CByteReader reader(trial.glf);
        if (!font.LoadFromArchive(reader))
            return true;
        // The picture's ink is found once for every candidate; only the glyphs differ.
        PageOptions options;
        options.coefficient = 0.0;
        const PageReading page = ReadPage(m_Ink, GlyphSetFromFont(font), options);
        long long sum = 0;
        for (const PageLine& line : page.lines) {
            for (const PageCell& cell : line.cells) {
                if (cell.bBlank)
                    continue;
                sum += cell.best;
                ++trial.cells;
            }
        }
        if (trial.cells == 0)
            return true;
        trial.mean = static_cast<double>(sum) / trial.cells;
        if (trial.mean < m_Best.mean)
            m_Best = std::move(trial);
        return true;
    }

    const Trial& Best() const { return m_Best; }
    int Tried() const { return m_nTried; }
    bool Stopped() const { return m_bStopped; }
    void AddToEstimate(int count) { m_nEstimate += count; }

private:
    const InkBits& m_Ink;
    const FitProgress& m_Progress;
    Trial m_Best;
    int m_nTried = 0;
    int m_nEstimate = 0;
    bool m_bStopped = false;
};

// Sizes in pixels at which the font's line height is height: whole pixels and whole or half
// points at 96 dpi first, as terminals are given them, at most count of them spread over the
// range, or the middle of the range when it holds none of those.
std::vector<double> SizesForLineHeight(const GeneratorSettings& base, int height, int count)
{
    constexpr int kStepsPerPixel = 24;
    auto lineHeight = [&base](double size) {
        FontDescription font = base.m_Font;
        font.m_nWeight = kRegularWeight;
        font.m_dPixelSize = size;
        return CExactFont(font, false).LineHeight();
    };
    double low = 0;
    double high = 0;
    for (int step = static_cast<int>(0.3 * height * kStepsPerPixel); step <= static_cast<int>(1.1 * height * kStepsPerPixel);
         ++step) {
        const double size = static_cast<double>(step) / kStepsPerPixel;
        if (size < 1 || lineHeight(size) != height)
            continue;
        if (low == 0)
            low = size;
        high = size;
    }
    if (low == 0)
        return {};
    // Checked one by one, since the steps above may step over the range's ends.
    std::vector<double> given;
    for (int px = static_cast<int>(std::floor(low)); px <= high + 1; ++px)
        given.push_back(px);
    for (int halfPoints = static_cast<int>(std::floor(low * 1.5)); halfPoints <= (high + 1) * 1.5; ++halfPoints) {
        if (halfPoints % 3 != 0)
            given.push_back(halfPoints / 1.5);
    }
    std::vector<double> exact;
    for (double size : given) {
        if (size >= 1 && lineHeight(size) == height)
            exact.push_back(size);
    }
    if (exact.empty())
        return {(low + high) / 2};
    std::sort(exact.begin(), exact.end());
    if (static_cast<int>(exact.size()) <= count)
        return exact;
    std::vector<double> spaced;
    for (int i = 0; i < count; ++i)
        spaced.push_back(exact[static_cast<std::size_t>(i * (static_cast<int>(exact.size()) - 1) / std::max(1, count - 1))]);
    return spaced;
}

std::string Quoted(const std::string& text)
{
    if (!text.empty() && text.find_first_of(" \t\"'\\$`&|;<>()*?[]#~") == std::string::npos)
        return text;
    std::string quoted = "'";
    for (char c : text)
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    return quoted + "'";
}

// A number as its shortest decimal that reads back to within a millionth.
std::string Decimal(double value)
{
    for (int digits = 0; digits <= 6; ++digits) {
        std::ostringstream out;
        out.setf(std::ios::fixed);
        out.precision(digits);
        out << value;
        if (std::abs(std::stod(out.str()) - value) < 1e-6)
            return out.str();
    }
    return std::to_string(value);
}

} // namespace

namespace {

PictureFit Fit(const CRaster& picture, const GeneratorSettings& base, const FitProgress& progress)
{
    const auto start = std::chrono::steady_clock::now();
    PictureFit fit;
    fit.settings = base;
    auto finish = [&]() {
        fit.dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return fit;
    };
    const int anchor = base.m_nFirstCode + 32;
    if (anchor > base.m_nLastCode || !base.IsIncluded(anchor)) {
        fit.strProblem = "the font must include code " + std::to_string(anchor) +
                         " (the first code + 32), whose glyph gives the reader its cell size";
        return finish();
    }

    InkBits ink = InkMask(picture, InkRule::Auto);
    // Solid strips (a window's margin, a bar) are no text: they leave the ink before the pitch is
    // measured, at the height of the picture's inked bands, as the reader leaves them out.
    {
        const std::vector<long long> raw(ink.rowInk.begin(), ink.rowInk.end());
        ClearSolidStrips(ink, MedianBand(raw));
    }
    const std::vector<long long> rows(ink.rowInk.begin(), ink.rowInk.end());
    const std::vector<long long> columns = ColumnProfile(ink);
    if (std::all_of(rows.begin(), rows.end(), [](long long count) { return count == 0; })) {
        fit.strProblem = "the picture holds no text: it is all one colour";
        return finish();
    }
    // A line's ink fills most of its pitch: from its capitals' tops to its descenders.
    const int band = MedianBand(rows);
    int pitch = GridPitch(rows, band, 2 * band);
    if (pitch == 0)
        pitch = band + band / 4;
    fit.nLinePitch = pitch;
    if (pitch < kMinLinePitch) {
        fit.strProblem = "the picture holds no text: its ink lies in bands of " + std::to_string(band) +
                         " pixels, too low for a line of characters";
        return finish();
    }

    CFitSearch search(ink, progress);
    // Sizes whose line height is the pitch, and a few a pixel off it, for terminals that round
    // the ascent and descent otherwise or add a row between lines.
    std::vector<double> sizes = SizesForLineHeight(base, pitch, 5);
    for (int off : {1, -1}) {
        const std::vector<double> near = SizesForLineHeight(base, pitch + off, 2);
        sizes.insert(sizes.end(), near.begin(), near.end());
    }
    if (sizes.empty()) {
        fit.strProblem = "no size of \"" + base.m_Font.m_strFamily + "\" has the picture's line pitch of " +
                         std::to_string(pitch) + " pixels";
        return finish();
    }
    // Monospaced cells are a quarter to the whole of their height wide.
    const int columnPitch = GridPitch(columns, pitch / 4, pitch);

    // First the sizes, smoothed or not, in the cell layout with the line pitch as its height.
    GeneratorSettings cell = base;
    cell.m_Layout = CellLayout::Cell;
    cell.m_Font.m_nWeight = kRegularWeight;
    cell.m_nXOffset = 0;
    cell.m_nYOffset = 0;
    cell.m_nHeight = pitch;
    cell.m_nCoverage = 50;
    std::vector<GeneratorSettings> first;
    for (double size : sizes) {
        for (bool antialias : {false, true}) {
            GeneratorSettings candidate = cell;
            candidate.m_Font.m_dPixelSize = size;
            candidate.m_Font.m_nPixelSize = static_cast<int>(std::lround(size));
            candidate.m_bAntialias = antialias;
            // The font's own advance, and the picture's column pitch where a terminal widens the cell.
            const int width = MeasureCellMetrics(candidate).width;
            std::vector<int> widths{width};
            if (columnPitch > 0 && columnPitch != width)
                widths.push_back(columnPitch);
            for (int w : widths) {
                if (w <= 0)
                    continue;
                candidate.m_nWidth = w;
                first.push_back(candidate);
            }
        }
    }
    search.AddToEstimate(static_cast<int>(first.size()) + 1 + 24 + 2);
    for (const GeneratorSettings& candidate : first) {
        if (!search.Try(candidate))
            break;
    }
    // Then the bold weight of the best, and the window moved against the pen, keeping its size.
    if (!search.Stopped() && search.Best().cells > 0) {
        GeneratorSettings bold = search.Best().settings;
        bold.m_Font.m_nWeight = 700;
        search.Try(bold);
    }
    if (!search.Stopped() && search.Best().cells > 0) {
        const GeneratorSettings centre = search.Best().settings;
        for (int dy = -2; dy <= 2 && !search.Stopped(); ++dy) {
            for (int dx = -2; dx <= 2 && !search.Stopped(); ++dx) {
                if (dx == 0 && dy == 0)
                    continue;
                GeneratorSettings moved = centre;
                moved.m_nXOffset = dx;
                moved.m_nWidth = centre.m_nWidth + dx;
                moved.m_nYOffset = dy;
                moved.m_nHeight = centre.m_nHeight + dy;
                search.Try(moved);
            }
        }
    }
    // Last the coverage at which smoothed glyphs are cut.
    if (!search.Stopped() && search.Best().cells > 0 && search.Best().settings.m_bAntialias) {
        const GeneratorSettings centre = search.Best().settings;
        for (int coverage : {40, 60}) {
            GeneratorSettings cut = centre;
            cut.m_nCoverage = coverage;
            if (!search.Try(cut))
                break;
        }
    }

    fit.nCandidates = search.Tried();
    if (search.Stopped()) {
        fit.strProblem = "the fit was cancelled";
        return finish();
    }
    const Trial& best = search.Best();
    if (best.cells == 0) {
        fit.strProblem = "the page reader found no text in the picture with any size of \"" +
                         base.m_Font.m_strFamily + "\"";
        return finish();
    }
    fit.settings = best.settings;
    fit.dMeanCost = best.mean;
    fit.nCells = best.cells;
    const double area = static_cast<double>(best.settings.CellWidth()) * best.settings.CellHeight();
    if (best.mean > kFitCostBound * area) {
        std::ostringstream problem;
        problem.precision(3);
        problem << "\"" << base.m_Font.m_strFamily << "\" does not match the picture's text: its best mean cost per cell, "
                << best.mean << " of " << static_cast<int>(area) << " pixels, is above the bound of "
                << kFitCostBound * area;
        fit.strProblem = problem.str();
        return finish();
    }
    fit.glf = best.glf;
    fit.bFound = true;
    return finish();
}

}  // namespace

PictureFit FitFontToPicture(const CRaster& picture, const GeneratorSettings& base, const FitProgress& progress)
{
    try {
        return Fit(picture, base, progress);
    } catch (const std::bad_alloc&) {
        PictureFit fit;
        fit.settings = base;
        fit.strProblem = "not enough memory to fit a font to the picture";
        return fit;
    }
}

std::string FitCommandLine(const GeneratorSettings& settings, const std::string& output)
{
    const GeneratorSettings start;
    const FontDescription& font = settings.m_Font;
    std::string line = "glyphmill-cli --font " + Quoted(font.m_strFamily);
    line += font.m_nWeight >= 600 ? " --bold" : " --no-bold";
    if (font.m_bItalic)
        line += " --italic";
    const double size = font.PixelSize();
    const double points = size * 72.0 / 96.0;
    if (std::abs(points * 2 - std::round(points * 2)) < 1e-6)
        line += " --points " + Decimal(std::round(points * 2) / 2);
    else
        line += " --size " + Decimal(size);
    if (settings.m_Layout == CellLayout::Cell)
        line += " --layout cell";
    if (settings.m_bAntialias) {
        line += " --antialias";
        if (settings.m_nCoverage != start.m_nCoverage)
            line += " --coverage " + std::to_string(settings.m_nCoverage);
    }
    if (settings.m_nFirstCode != start.m_nFirstCode)
        line += " --first " + std::to_string(settings.m_nFirstCode);
    if (settings.m_nLastCode != start.m_nLastCode)
        line += " --last " + std::to_string(settings.m_nLastCode);
    // The included codes as the codes left out of a full table.
    std::string excluded;
    for (int code = 0; code <= 255; ++code) {
        if (settings.IsIncluded(code))
            continue;
        int last = code;
        while (last < 255 && !settings.IsIncluded(last + 1))
            ++last;
        if (!excluded.empty())
            excluded += ',';
        excluded += std::to_string(code);
        if (last > code) {
            excluded += '-';
            excluded += std::to_string(last);
        }
        code = last;
    }
    if (!excluded.empty())
        line += " --exclude-codes " + excluded;
    line += " --x " + std::to_string(settings.m_nXOffset) + " --y " + std::to_string(settings.m_nYOffset) +
            " --width " + std::to_string(settings.m_nWidth) + " --height " + std::to_string(settings.m_nHeight);
    if (!output.empty())
        line += " -o " + Quoted(output);
    return line;
}
