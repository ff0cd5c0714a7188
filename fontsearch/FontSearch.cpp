#include "FontSearch.h"

#include "CodePage1251.h"
#include "FontCache.h"
#include "PageReader.h"
#include "RenderGlyphSet.h"
#include "Repertoire.h"
#include "WorkThreads.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <optional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace {

// A screen without antialiasing shows at most this many colours: its palette and paper.
constexpr std::size_t kMonoColours = 64;

// Candidates kept in the result, best first.
constexpr std::size_t kRanked = 5;

// Families tried with every hinting when none fits well.
constexpr std::size_t kHintedFamilies = 6;

// Candidates compared before the comparison may end on one that explains the sample exactly.
constexpr std::size_t kBatch = 32;

// Times the cells are found anew with the best candidate's glyphs.
constexpr int kSampleRounds = 3;

// A font remembered for the screen's pitch is taken without a search when its mean cost a cell is
// at most this share of the cell's pixels: a screen read with its own font costs a few pixels at most.
constexpr double kCachedFontShare = 0.01;
// Smoothed glyphs that differ from a many-coloured screen's cells in at most this share of their
// pixels are its own glyphs but for its rules, bars and cursor: sharp glyphs (of a JPEG of a sharp
// screen) explain a smoothed picture worse by far.
constexpr double kSmoothedFitShare = 0.02;

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
    request.cellWidth = candidate.program->terminal == Terminal::Chromium
                            ? static_cast<int>((candidate.pitchSub + kSubpixels - 1) / kSubpixels)
                            : candidate.cell.width;
    request.cellHeight = candidate.cell.height;
    request.baseline = candidate.cell.baseline;
    request.phases = candidate.phases;
    return request;
}

long long PitchOf(const FontCandidate& candidate)
{
    return candidate.pitchSub > 0 ? candidate.pitchSub : candidate.cell.width * kSubpixels;
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
    // A screen's rows are long runs of one colour: a colour is looked up where a run starts.
    std::unordered_set<std::uint32_t> colours;
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint32_t* row = picture.Row(y);
        for (int x = 0; x < picture.width(); ++x) {
            const std::uint32_t colour = row[x] & 0xFFFFFF;
            if (x > 0 && colour == (row[x - 1] & 0xFFFFFF))
                continue;
            colours.insert(colour);
            if (colours.size() > kMonoColours)
                return Smoothing::Grey;
        }
    }
    return Smoothing::Mono;
}

std::optional<CCharImageFont> Cp1251Font(const GlyphSet& glyphs, std::string* reason)
{
    GlyphSet regular;
    regular.Reset(glyphs.cellWidth, glyphs.cellHeight, 1, glyphs.baseline);
    regular.name = glyphs.name;
    for (int g = 0; g < glyphs.Glyphs(); ++g)
        if (glyphs.faces[static_cast<std::size_t>(g)] == GlyphFace::Regular && UnicodeToCp1251(glyphs.codes[static_cast<std::size_t>(g)]))
            regular.Add(glyphs.codes[static_cast<std::size_t>(g)], GlyphFace::Regular,
                        std::vector<std::uint8_t>(glyphs.Image(0, g), glyphs.Image(0, g) + glyphs.ImageBytes()));
    return GlyphSetToFont(regular, reason);
}

long long ChoicePitchSub(const FontChoice& choice)
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

namespace {

// Probe glyph sets of candidates, made once each: candidates that render alike (xterm, rxvt-unicode
// and st all draw through Xft) share their templates, cut into each one's cell.
class CProbeSets {
public:
    explicit CProbeSets(const std::vector<FontCandidate>& candidates) : m_Candidates(candidates), m_Sets(candidates.size()) {}

    // The probe set of candidate i, made with renderer (one per thread) on first use.
    const GlyphSet& Of(std::size_t i, CFaceRenderer& renderer)
    {
        std::call_once(m_Sets[i].once, [&] {
            GlyphSetRequest request = RequestOf(m_Candidates[i], false);
            request.codes = ProbeRepertoire();
            const std::string key = request.faces.front().file + '\t' + std::to_string(request.faces.front().index) +
                                    '\t' + std::to_string(request.size64) + '\t' + ToString(request.settings) + '\t' +
                                    std::to_string(request.phases);
            std::shared_ptr<const std::vector<FaceTemplates>> templates;
            {
                std::lock_guard lock(m_Mutex);
                if (const auto found = m_Templates.find(key); found != m_Templates.end())
                    templates = found->second;
            }
            if (!templates) {
                templates = std::make_shared<const std::vector<FaceTemplates>>(RenderTemplates(renderer, request));
                std::lock_guard lock(m_Mutex);
                m_Templates.emplace(key, templates);
            }
            m_Sets[i].set = CutGlyphSet(*templates, request);
        });
        return m_Sets[i].set;
    }

private:
    struct Slot {
        std::once_flag once;
        GlyphSet set;
    };
    const std::vector<FontCandidate>& m_Candidates;
    std::vector<Slot> m_Sets;
    std::mutex m_Mutex;
    std::map<std::string, std::shared_ptr<const std::vector<FaceTemplates>>> m_Templates;
};

// Fits candidates first..last - 1 to the sample, on every core, each thread with a renderer of
// its own; the fits land in their candidates' places, so the result is the same for any number
// of threads.
void FitBatch(const std::vector<FontCandidate>& candidates, std::size_t first, std::size_t last, CProbeSets& sets,
              const InkBits& ink, const std::vector<SampleCell>& sample, MatchPath path, std::vector<SampleFit>& fits,
              std::vector<std::uint8_t>& made)
{
    const unsigned threads = std::max(1U, std::thread::hardware_concurrency());
    std::vector<std::unique_ptr<CFaceRenderer>> renderers(threads);
    ForEachOnThreads(threads, last - first, [&](std::size_t k, unsigned t) {
        if (!renderers[t])
            renderers[t] = std::make_unique<CFaceRenderer>();
        const std::size_t i = first + k;
        const GlyphSet& glyphs = sets.Of(i, *renderers[t]);
        if (glyphs.Empty())
            return;
        fits[i] = FitSample(ink, glyphs, PitchOf(candidates[i]), sample, path);
        made[i] = 1;
    });
}

// Compares candidates on a sample of the page's cells (see FindScreenFont), best first.
std::vector<FontChoice> Compare(const std::vector<FontCandidate>& candidates, const InkBits& ink,
                                const FontSearchOptions& options, CFaceRenderer& renderer, FontSearchResult& result)
{
    CProbeSets sets(candidates);
    // The cells are found with one candidate's glyphs, every candidate is compared on a sample of
    // them, and where the best is another the cells are found again with its glyphs and the
    // candidates compared anew: a candidate far from the screen's font may place the lines a few
    // rows off. Candidates are compared a batch at a time, and a batch whose best explains every
    // sampled cell exactly ends the comparison.
    std::vector<FontChoice> choices;
    std::size_t finder = 0;
    for (int round = 0; round < kSampleRounds && !result.bStopped; ++round) {
        std::vector<SampleCell> sample;
        for (; finder < candidates.size() && sample.empty(); ++finder) {
            // On a picture of no text every candidate may find no cells: each reads the whole page.
            if (options.progress && !options.progress(result.tried, static_cast<int>(candidates.size()))) {
                result.bStopped = true;
                return choices;
            }
            const GlyphSet& glyphs = sets.Of(finder, renderer);
            if (glyphs.Empty())
                continue;
            PageOptions read;
            read.path = options.path;
            read.pitchSub = PitchOf(candidates[finder]);
            sample = SampleCells(ink, ReadPage(ink, glyphs, read), options.sampleCells);
        }
        if (sample.empty())
            break;
        const std::size_t found = finder - 1;
        std::vector<SampleFit> fits(candidates.size());
        std::vector<std::uint8_t> made(candidates.size(), 0);
        for (std::size_t first = 0; first < candidates.size(); first += kBatch) {
            const std::size_t last = std::min(candidates.size(), first + kBatch);
            if (options.progress && !options.progress(result.tried, static_cast<int>(candidates.size()))) {
                result.bStopped = true;
                break;
            }
            FitBatch(candidates, first, last, sets, ink, sample, options.path, fits, made);
            result.tried += static_cast<int>(last - first);
            if (std::any_of(fits.begin() + static_cast<std::ptrdiff_t>(first), fits.begin() + static_cast<std::ptrdiff_t>(last),
                            [&](const SampleFit& fit) { return fit.meanCost == 0 && made[static_cast<std::size_t>(&fit - fits.data())]; }))
                break;
        }
        choices.clear();
        for (std::size_t i = 0; i < candidates.size(); ++i)
            if (made[i]) {
                FontChoice choice;
                choice.candidate = candidates[i];
                choice.index = i;
                choice.fit = fits[i];
                choices.push_back(choice);
            }
        std::stable_sort(choices.begin(), choices.end(),
                         [](const FontChoice& a, const FontChoice& b) { return a.fit.meanCost < b.fit.meanCost; });
        if (choices.empty() || choices.front().index == found || choices.front().fit.meanCost == 0)
            break;
        finder = choices.front().index;
    }
    return choices;
}

// Puts the choices of a later comparison before the ranked ones they equal, best first.
void MergeRanked(std::vector<FontChoice> choices, std::vector<FontChoice>& ranked)
{
    choices.insert(choices.end(), ranked.begin(), ranked.end());
    std::stable_sort(choices.begin(), choices.end(),
                     [](const FontChoice& a, const FontChoice& b) { return a.fit.meanCost < b.fit.meanCost; });
    ranked = std::move(choices);
}

bool Wanted(const FontCandidate& font, const std::vector<std::string>& families)
{
    auto lower = [](std::string text) {
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    return families.empty() || std::any_of(families.begin(), families.end(),
                                            [&](const std::string& f) { return lower(f) == lower(font.family); });
}

// The page read with a font found: with the Auto ink rule from the picture itself, so that
// every cell is read against its own colours and styled; otherwise from the search's mask.
// The narrowest cells screens show: the local ink's backgrounds are runs at least this wide.
constexpr int kNarrowCellWidth = 5;
constexpr int kNarrowCellHeight = 10;

PageReading ReadWithFont(const CRaster& picture, const InkBits& pictureInk, const GlyphSet& glyphs, const PageOptions& read)
{
    if (read.ink != InkRule::Auto)
        return ReadPage(pictureInk, glyphs, read);
    return ReadPage(picture, pictureInk.bLocal ? nullptr : &pictureInk, glyphs, read);
}

// A screen read with its own font costs a few pixels a cell and leaves no cell unsure; a family of
// near twin shapes (Hack and DejaVu Sans Mono) may cost less on the whole and still leave the few
// glyphs it draws otherwise unsure. The choice's cost is the page's, a cell's share of it.
bool ReadsWell(const PageReading& page, const FontChoice& choice)
{
    return !page.Empty() && choice.CostShare() <= kCachedFontShare && page.UnsureCells() == 0;
}

}  // namespace

FontSearchResult FindScreenFont(const CRaster& picture, const InkBits& pictureInk, const FontSearchOptions& options)
{
    const auto start = std::chrono::steady_clock::now();
    FontSearchResult result;
    result.smoothing = SmoothingOf(picture);
    CFaceRenderer renderer;
    const CFontCache cache(options.cacheFile);

    // The fonts found before for screens of this pitch come first: one that reads the page well is
    // taken without a search.
    auto readWithCached = [&](const InkBits& ink) {
        std::vector<FontCandidate> cached = cache.Find(result.pitch, result.smoothing);
        std::erase_if(cached, [&](const FontCandidate& f) { return !Wanted(f, options.families); });
        for (const FontCandidate& font : cached) {
            FontChoice choice;
            choice.candidate = font;
            if (!cache.LoadGlyphs(font, result.glyphs) || result.glyphs.cellWidth != RequestOf(font, false).cellWidth) {
                result.glyphs = ChoiceGlyphSet(choice, renderer);
                cache.SaveGlyphs(font, result.glyphs);
            }
            PageOptions read = options.read;
            read.pitchSub = PitchOf(font);
            result.page = ReadWithFont(picture, ink, result.glyphs, read);
            choice.fit.meanCost = result.page.InkedCostShare() * font.cell.width * font.cell.height;
            if (ReadsWell(result.page, choice)) {
                result.ranked = {choice};
                result.bFromCache = true;
                result.dMilliseconds = MillisecondsSince(start);
                return true;
            }
        }
        result.glyphs = GlyphSet();
        result.page = PageReading();
        return false;
    };

    // Most screens have one background, and their ink is the picture's own: a kept font is tried
    // on it before the local ink is made, which a page the font reads well does not need.
    const bool mayBeLocal = options.read.ink == InkRule::Auto && !pictureInk.bLocal;
    bool triedOwnInk = false;
    if (mayBeLocal && cache.HasFile()) {
        result.pitch = MeasurePitch(pictureInk);
        triedOwnInk = true;
        if (result.pitch.columnPitch64 != 0 && readWithCached(pictureInk))
            return result;
    }
    // A screen of coloured regions (bars, reverse video, a terminal on a desktop of another
    // colour) is searched in the ink taken against the background around each pixel, with a
    // cell as narrow as screens' cells come; one background keeps the ink given.
    std::optional<InkBits> local;
    if (mayBeLocal)
        local = LocalScreenInkMask(picture, pictureInk.background, kNarrowCellWidth, kNarrowCellHeight);
    const InkBits& ink = local ? *local : pictureInk;
    const bool tried = triedOwnInk && !local;  // the kept fonts, on this very ink
    if (!tried)
        result.pitch = MeasurePitch(ink);
    if (result.pitch.columnPitch64 == 0) {
        result.problem = "the picture shows no text on a grid of cells";
        result.dMilliseconds = MillisecondsSince(start);
        return result;
    }
    // Light text on dark paper or dark on light: the paper's luminance tells.
    const double paper = (0.299 * ((ink.background >> 16) & 0xFF) + 0.587 * ((ink.background >> 8) & 0xFF) +
                          0.114 * (ink.background & 0xFF)) / 255.0;
    const double inkLuminance = paper > 0.5 ? 0.0 : 1.0;
    if (!tried && readWithCached(ink))
        return result;

    std::vector<FontCandidate> candidates = FontCandidates(result.pitch, result.smoothing, inkLuminance, options.families, renderer);
    if (!candidates.empty())
        result.ranked = Compare(candidates, ink, options, renderer, result);
    auto fits = [&]() { return !result.ranked.empty() && result.Best().CostShare() <= kCachedFontShare; };
    // The sample is matched with regular glyphs in the search's ink, so a screen of bold and
    // coloured text costs more there than the page does read with the best font, its bold face
    // and each cell's own colours: the best reads the page as a kept font is read, and where it
    // reads it well the font is found but for its hinting.
    std::string pageFont;  // the candidate result.page was read with
    auto readWithBest = [&]() {
        result.glyphs = ChoiceGlyphSet(result.Best(), renderer);
        PageOptions read = options.read;
        read.pitchSub = PitchOf(result.Best().candidate);
        result.page = ReadWithFont(picture, ink, result.glyphs, read);
        pageFont = result.Best().candidate.Describe();
    };
    bool readWell = false;
    if (!result.bStopped && !result.ranked.empty() && !fits()) {
        readWithBest();
        FontChoice read = result.Best();
        read.fit.meanCost = result.page.InkedCostShare() * read.candidate.cell.width * read.candidate.cell.height;
        readWell = ReadsWell(result.page, read);
    }
    // Where no font explains the cells well, the best families are tried with the hintings a
    // user's configuration may set instead of fontconfig's default: only the best family where
    // it reads the page well.
    if (!result.bStopped && !result.ranked.empty() && !fits()) {
        const std::size_t families = readWell ? 1 : kHintedFamilies;
        std::vector<std::string> best;
        for (const FontChoice& choice : result.ranked)
            if (std::find(best.begin(), best.end(), choice.candidate.family) == best.end() && best.size() < families)
                best.push_back(choice.candidate.family);
        const std::vector<FontCandidate> hinted =
            FontCandidates(result.pitch, result.smoothing, inkLuminance, best, renderer, true);
        if (!hinted.empty())
            MergeRanked(Compare(hinted, ink, options, renderer, result), result.ranked);
    }
    // A picture of many colours is smoothed; where none of the smoothed fonts fits, the glyphs may
    // be sharp after all (a photograph or a JPEG of a sharp screen has many colours too). A page
    // a smoothed font reads well is smoothed.
    if (result.smoothing == Smoothing::Grey && !result.bStopped && !readWell &&
        (result.ranked.empty() || result.Best().CostShare() > kSmoothedFitShare)) {
        std::vector<FontCandidate> sharp = FontCandidates(result.pitch, Smoothing::Mono, inkLuminance, options.families, renderer);
        if (!sharp.empty()) {
            MergeRanked(Compare(sharp, ink, options, renderer, result), result.ranked);
            candidates.insert(candidates.end(), sharp.begin(), sharp.end());
        }
    }
    if (candidates.empty()) {
        result.problem = "no installed fixed-width family gives the screen's cells";
        result.dMilliseconds = MillisecondsSince(start);
        return result;
    }
    if (result.ranked.size() > kRanked)
        result.ranked.resize(kRanked);
    if (!result.ranked.empty() && !result.bStopped) {
        if (result.Best().candidate.Describe() != pageFont)
            readWithBest();
        cache.Remember(result.pitch, result.smoothing, result.Best().candidate);
        cache.SaveGlyphs(result.Best().candidate, result.glyphs);
    }
    if (result.ranked.empty())
        result.problem = "no candidate font read a line of the picture";
    result.dMilliseconds = MillisecondsSince(start);
    return result;
}
