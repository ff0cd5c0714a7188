#include "FontSearch.h"

#include "PageReader.h"
#include "RenderGlyphSet.h"
#include "Repertoire.h"

#include <algorithm>
#include <chrono>
#include <unordered_set>

namespace {

// A screen without antialiasing shows at most this many colours: its palette and paper.
constexpr std::size_t kMonoColours = 64;

// Candidates kept in the result, best first.
constexpr std::size_t kRanked = 5;

// The characters candidates are first compared on: printable ASCII and the Russian alphabet,
// which make most of what screens show; the whole repertoire is rendered for the winner only.
std::vector<char32_t> ProbeCodes()
{
    std::vector<char32_t> codes;
    for (char32_t c = 0x20; c < 0x7F; ++c)
        codes.push_back(c);
    for (char32_t c = 0x410; c <= 0x44F; ++c)
        codes.push_back(c);
    codes.push_back(0x401);
    codes.push_back(0x451);
    return codes;
}

GlyphSetRequest RequestOf(const FontCandidate& candidate, bool withBold)
{
    GlyphSetRequest request;
    request.faces.push_back({GlyphFace::Regular, candidate.file, candidate.index, false});
    if (withBold) {
        if (!candidate.boldFile.empty())
            request.faces.push_back({GlyphFace::Bold, candidate.boldFile, candidate.boldIndex, false});
        else
            request.faces.push_back({GlyphFace::Bold, candidate.file, candidate.index, true});
    }
    request.size64 = candidate.size64;
    request.settings = candidate.settings;
    request.cellWidth = candidate.program->terminal == Terminal::Chromium ? (candidate.cell.pitch64 + 63) / 64
                                                                         : candidate.cell.width;
    request.cellHeight = candidate.cell.height;
    request.baseline = candidate.cell.baseline;
    request.phases = candidate.phases;
    return request;
}

int PitchOf(const FontCandidate& candidate)
{
    return candidate.cell.pitch64 > 0 ? candidate.cell.pitch64 : candidate.cell.width * 64;
}

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

double FontChoice::CostShare() const
{
    const double pixels = static_cast<double>(candidate.cell.height) * std::max(candidate.cell.width, 1);
    return pixels > 0 ? fit.meanCost / pixels : 1.0;
}

Smoothing SmoothingOf(const CRaster& picture)
{
    std::unordered_set<std::uint32_t> colours;
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint32_t* row = picture.Row(y);
        for (int x = 0; x < picture.width(); ++x) {
            colours.insert(row[x] & 0xFFFFFF);
            if (colours.size() > kMonoColours)
                return Smoothing::Unknown;
        }
    }
    return Smoothing::Mono;
}

int ChoicePitch64(const FontChoice& choice)
{
    return PitchOf(choice.candidate);
}

GlyphSet ChoiceGlyphSet(const FontChoice& choice, CFaceRenderer& renderer)
{
    GlyphSetRequest request = RequestOf(choice.candidate, true);
    request.codes = ScreenRepertoire();
    GlyphSet glyphs = RenderGlyphSet(renderer, request);
    glyphs.name = choice.candidate.Describe();
    return glyphs;
}

FontSearchResult FindScreenFont(const CRaster& picture, const InkBits& ink, const FontSearchOptions& options)
{
    const auto start = std::chrono::steady_clock::now();
    FontSearchResult result;
    result.pitch = MeasurePitch(ink);
    if (result.pitch.columnPitch64 == 0) {
        result.problem = "the picture shows no text on a grid of cells";
        result.dMilliseconds = MillisecondsSince(start);
        return result;
    }
    result.smoothing = SmoothingOf(picture);
    CFaceRenderer renderer;
    const std::vector<FontCandidate> candidates = FontCandidates(result.pitch, result.smoothing, options.families, renderer);
    if (candidates.empty()) {
        result.problem = "no installed fixed-width family gives the screen's cells";
        result.dMilliseconds = MillisecondsSince(start);
        return result;
    }

    const std::vector<char32_t> probe = ProbeCodes();
    std::vector<SampleCell> sample;
    std::vector<FontChoice> choices;
    for (const FontCandidate& candidate : candidates) {
        if (options.progress && !options.progress(result.tried, static_cast<int>(candidates.size()))) {
            result.bStopped = true;
            break;
        }
        ++result.tried;
        GlyphSetRequest request = RequestOf(candidate, false);
        request.codes = probe;
        const GlyphSet glyphs = RenderGlyphSet(renderer, request);
        if (glyphs.Empty())
            continue;
        if (sample.empty()) {
            // The cells are found once, with the first candidate that reads a line: every
            // candidate has the screen's cell, and a baseline a row or two off is a shift.
            PageOptions read;
            read.path = options.path;
            read.pitch64 = PitchOf(candidate);
            const PageReading page = ReadPage(ink, glyphs, read);
            sample = SampleCells(ink, page, options.sampleCells);
            if (sample.empty())
                continue;
        }
        FontChoice choice;
        choice.candidate = candidate;
        // A browser's candidates differ in pitch by a 64th or two: the sample's cells lie where
        // the first one found them, so each is placed by its own line's origin and the candidate's
        // pitch.
        choice.fit = FitSample(ink, glyphs, PitchOf(candidate), sample, options.path);
        choices.push_back(choice);
    }
    std::stable_sort(choices.begin(), choices.end(),
                     [](const FontChoice& a, const FontChoice& b) { return a.fit.meanCost < b.fit.meanCost; });
    if (choices.size() > kRanked)
        choices.resize(kRanked);
    result.ranked = std::move(choices);
    if (result.ranked.empty() && result.problem.empty())
        result.problem = "no candidate font read a line of the picture";
    result.dMilliseconds = MillisecondsSince(start);
    return result;
}
