#include "ProportionalSearch.h"

#include "ByteStream.h"
#include "CodePage1251.h"
#include "FaceRenderer.h"
#include "FontMatch.h"
#include "FontSearch.h"
#include "LineFontFile.h"
#include "Repertoire.h"
#include "TabFields.h"
#include "WorkThreads.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <sstream>
#include <tuple>

namespace {

// Sample lines a search compares the candidates on, the inkiest of typical height.
constexpr std::size_t kSampleLines = 3;
// Candidates kept after the first sample line for the others.
constexpr std::size_t kShortList = 4;
// A sample line is decoded up to this many ems of its width: enough glyphs to tell families
// apart, few enough to keep the search quick.
constexpr double kSampleEms = 12;
// A choice of an earlier picture reads the page without a search only when it explains the
// samples about as well as a page's own font does (a hundredth or two of the ink differing);
// a family of like shapes explains another's page at 0.04 and up, and a search tells them apart.
constexpr double kCachedCostPerInk = 0.025;
// Sharp glyphs part families far more: a page's own family explains its samples at 0.015-0.05
// (the browser's sharp glyphs differ from the renderer's by a pixel here and there), another
// at 0.2 and up, as there is no grey to blur their differences.
constexpr double kCachedSharpCostPerInk = 0.06;
// Small text explains its samples worse with its own font (0.025-0.035 at 9 px, where a pixel of
// each stem is grey): a kept choice also reads a page it explains within this share of what it
// explained its own samples at, up to the bound after it. Its next family is measured beside it.
constexpr double kKeptScoreMargin = 0.2;
constexpr double kCachedSmallCostPerInk = 0.04;
// A kept choice that explains the samples this well or better reads the page without trying the
// family that came next to it: a page's own font explains them at 0.001-0.01 when its renderer
// is found, the next family of like design at 0.02 and up (Open Sans a Noto Sans page's 11 px
// lines), and metric clones alike, which read alike.
constexpr double kClearlyOwnCostPerInk = 0.01;
// The first renderer explains a sample this badly at its best size (half its ink or more
// unexplained) when it draws nothing like the screen.
constexpr double kLeadExplainsNothing = 0.5;
// Sizes of its own height a sample line after the first is also decoded at, besides the first's.
constexpr std::size_t kSampleSizes = 2;
// A line's size is chosen on its first ems.
constexpr double kSizeEms = 16;
// A line read at a size with at most this many differing pixels per pixel of ink is taken to
// be read at its size: a few pixels of each glyph's edges.
constexpr double kSureCostPerInk = 0.03;
// A glyph that differs from the ink in at least this many pixels, and in two fifths of its
// own, or this much ink outside every glyph's box, may be a bold one read with regular glyphs.
constexpr int kPoorGlyphPixels = 8;
constexpr long long kStrayInkPixels = 16;
// A line read badly tries at most this many of the sizes the page's other lines were read at.
constexpr std::size_t kPageSizesTried = 3;
// A line read badly tries at most this many rows for its baseline, the one estimated first.
constexpr int kBaselinesTried = 3;
// Choices remembered in the cache folder, latest first.
constexpr std::size_t kCachedChoices = 8;
// A band at most this share of its neighbour's height, and as near to it, belongs to it: the
// underscore or the accents a blank row keeps apart from their line.
constexpr double kThinBand = 0.4;
// A gap between baselines this many times the page's usual one holds empty lines.
constexpr double kParagraphGap = 1.6;
// Candidates of another renderer or family whose score on the samples is within this share of
// the best's also read the whole page (the samples are lines of one size, and renderers part
// on the smallest), at most this many; the reading of least cost stands.
constexpr double kCloseScore = 0.05;
// Scores this close are close too, however small: two candidates that both explain the samples
// within a few pixels (Noto Sans 11 px drawn as Qt and as Chromium draw it, 0.005 and 0.008 on
// a Chromium page) part only on lines of other sizes.
constexpr double kCloseCostPerInk = 0.005;
constexpr std::size_t kRivals = 1;

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The letters, digits and punctuation of Latin and Russian text: what a search tells families by.
const std::vector<char32_t>& SearchCodes()
{
    static const std::vector<char32_t> codes = ProbeRepertoire();
    return codes;
}

// A family's faces and how tall its letters stand, per pixel of size.
struct Family {
    std::string name;
    std::string file;
    int index = 0;
    std::string boldFile;
    int boldIndex = 0;
    double capital = 0;   // top of H above the baseline
    double ascender = 0;  // the highest top of the letters b, d, f, h, k, l
    double highest = 0;   // the highest top of any ASCII glyph
};

// Families for other uses than running text, whose digits and letters only look like text:
// mathematics, symbols, small capitals, display cuts of a text family.
bool TextFamily(const std::string& name)
{
    for (const char* word : {"Math", "Symbol", "Emoji", "Nushu", "Smallcaps", "Display"})
        if (name.find(word) != std::string::npos)
            return false;
    return true;
}

// The installed proportional families that draw Latin letters, narrowed to names when given;
// with fixedWidth, the fixed-width ones too.
std::vector<Family> Families(const std::vector<std::string>& names, CFaceRenderer& renderer, bool fixedWidth)
{
    std::vector<std::string> wanted;
    for (const std::string& name : names)
        wanted.push_back(Lower(name));
    std::vector<Family> families;
    for (const InstalledFamily& installed : InstalledScreenFamilies()) {
        if ((installed.fixedWidth && !fixedWidth) || !TextFamily(installed.family))
            continue;
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), Lower(installed.family)) == wanted.end())
            continue;
        FontRequest request;
        request.family = installed.family;
        request.pixelSize = 32;
        const std::optional<MatchedFont> regular = MatchFont(request, ScreenRenderer::Skia);
        if (!regular || !regular->familyFound || regular->weight >= 200 || regular->slant != 0)
            continue;
        Family family;
        family.name = installed.family;
        family.file = regular->file;
        family.index = regular->index;
        request.bold = true;
        if (const std::optional<MatchedFont> bold = MatchFont(request, ScreenRenderer::Skia);
            bold && bold->familyFound && bold->weight >= 200 && bold->file != regular->file)
        {
            family.boldFile = bold->file;
            family.boldIndex = bold->index;
        }
        if (!renderer.SetFace(family.file, family.index) || !renderer.SetSize(64 * 64))
            continue;
        bool latin = true;
        for (char32_t code = U'0'; code <= U'z' && latin; ++code)
            latin = !std::isalnum(static_cast<int>(code)) || renderer.Covered(code);
        if (!latin)
            continue;
        RenderSettings unhinted;
        unhinted.hinting = Hinting::None;
        renderer.SetSettings(unhinted);
        GlyphImage image;
        if (renderer.Render(renderer.GlyphIndex(U'H'), 0, image))
            family.capital = image.top / 64.0;
        for (char32_t code = U'!'; code <= U'~'; ++code)
            if (renderer.Render(renderer.GlyphIndex(code), 0, image)) {
                family.highest = std::max(family.highest, image.top / 64.0);
                if (std::u32string_view(U"bdfhkl").find(code) != std::u32string_view::npos)
                    family.ascender = std::max(family.ascender, image.top / 64.0);
            }
        if (family.capital > 0)
            families.push_back(std::move(family));
    }
    return families;
}

// The sizes text is set at: whole pixels, and whole and half points at 96 dpi, at 1x and 2x.
const std::vector<double>& NominalSizes()
{
    static const std::vector<double> sizes = [] {
        std::vector<double> list;
        for (int px = 5; px <= 160; ++px)
            list.push_back(px);
        for (int halfPoints = 10; halfPoints <= 144; ++halfPoints) {
            list.push_back(halfPoints * 0.5 * 96.0 / 72.0);
            list.push_back(halfPoints * 0.5 * 96.0 / 72.0 * 2.0);
        }
        std::sort(list.begin(), list.end());
        std::vector<double> unique;
        for (double size : list)
            if (unique.empty() || std::lround(size * 64) != std::lround(unique.back() * 64))
                unique.push_back(size);
        return unique;
    }();
    return sizes;
}

// The sizes a line may be set at: those at which the family's ascenders reach within a row of
// the line's top row or a row and a half above it (a row is ink where the outline covers half
// of it, hinting moves the top by up to half a row, and a line may lack ascenders), the count
// nearest the size at which they reach it exactly.
std::vector<double> SizesFor(const Family& family, int above, std::size_t count)
{
    const double tall = std::max(family.ascender, family.capital);
    const double middle = above / tall;
    std::vector<double> sizes;
    for (double size : NominalSizes())
        if (size * tall >= above - 1.0 && size * tall <= above + 1.5)
            sizes.push_back(size);
    std::stable_sort(sizes.begin(), sizes.end(), [&](double a, double b) { return std::abs(a - middle) < std::abs(b - middle); });
    if (sizes.size() > count)
        sizes.resize(count);
    return sizes;
}

// A line to read: its band, baseline and how far its ink reaches above the baseline.
struct Band {
    TextBand band;
    int baseline = 0;
    long long ink = 0;
    int Above() const { return baseline - band.top; }
};

// Bands too thin to be lines join the line they belong to.
std::vector<TextBand> JoinThinBands(std::vector<TextBand> bands)
{
    for (bool joined = true; joined;) {
        joined = false;
        for (std::size_t i = 0; i < bands.size() && !joined; ++i) {
            const TextBand& thin = bands[i];
            auto fits = [&](const TextBand& line, int gap) {
                return thin.Height() <= kThinBand * line.Height() && gap >= 0 && gap <= kThinBand * line.Height();
            };
            const bool above = i > 0 && fits(bands[i - 1], thin.top - bands[i - 1].bottom);
            const bool below = i + 1 < bands.size() && fits(bands[i + 1], bands[i + 1].top - thin.bottom);
            if (!above && !below)
                continue;
            const std::size_t into = above && (!below || thin.top - bands[i - 1].bottom <= bands[i + 1].top - thin.bottom) ? i - 1 : i + 1;
            TextBand& line = bands[into];
            line.top = std::min(line.top, thin.top);
            line.bottom = std::max(line.bottom, thin.bottom);
            line.left = std::min(line.left, thin.left);
            line.right = std::max(line.right, thin.right);
            bands.erase(bands.begin() + static_cast<std::ptrdiff_t>(i));
            joined = true;
        }
    }
    return bands;
}

// The luminance (0..1) of the page's ink: the mean colour of the pixels farthest from the paper.
double InkLuminance(const CRaster& picture, const InkBits& ink)
{
    double sum = 0;
    long long count = 0;
    const int strong = ink.contrast * 9 / 10;
    for (int y = 0; y < picture.height(); y += 2) {
        const std::uint32_t* row = picture.Row(y);
        for (int x = 0; x < picture.width(); x += 2) {
            int distance = 0;
            for (int shift = 0; shift < 24; shift += 8)
                distance = std::max(distance, std::abs(static_cast<int>((row[x] >> shift) & 0xFF) -
                                                       static_cast<int>((ink.background >> shift) & 0xFF)));
            if (distance < strong || distance == 0)
                continue;
            sum += (0.2126 * ((row[x] >> 16) & 0xFF) + 0.7152 * ((row[x] >> 8) & 0xFF) + 0.0722 * (row[x] & 0xFF)) / 255.0;
            ++count;
        }
    }
    return count > 0 ? sum / static_cast<double>(count) : 0.0;
}

// The glyphs of a font: those a search tells families by, in the regular face or in both, or
// the whole text repertoire in both faces.
enum class GlyphChoice { Search, SearchBothFaces, Full };

// What a font file is on disk: its path, size and time, so that a changed file is a new key.
std::string FileStamp(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    const auto time = std::filesystem::last_write_time(path, error);
    return path + ":" + std::to_string(error ? 0 : size) + ":" +
           std::to_string(error ? 0 : time.time_since_epoch().count());
}

// FNV-1a, 64 bits, as hexadecimal: the name of a cached font's file.
std::string HashName(const std::string& text)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    char name[17];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
    return name;
}

// Rendered fonts, kept for the process, and those of the family and renderer found in the cache
// folder (when given) as line-font files: a search asks for the same ones again and again, and
// the next picture of the same screen for those that read this one.
class CFontShelf {
public:
    explicit CFontShelf(std::string folder) : m_strFolder(std::move(folder)) {}

    // Safe to call from several threads at once: one renders at a time. threshold: the blend
    // weight from which a pixel is ink (kFaintInkWeight for faint text).
    std::shared_ptr<const LineFont> Get(const Family& family, const TextRenderer& renderer, const RenderSettings& settings,
                                        double size, GlyphChoice choice, int threshold = kInkWeight)
    {
        const std::lock_guard<std::mutex> lock(m_Mutex);
        const int size64 = PixelSizeTo26Dot6(size, settings.sizeRounding);
        auto key = std::make_tuple(family.file, family.index, std::string(renderer.name), ToString(settings), size64, choice,
                                   threshold);
        if (auto found = m_Fonts.find(key); found != m_Fonts.end())
            return found->second;
        // Everything the font is made from, and the recipe's version.
        const std::string recipe = std::string("lfont 1|") + FileStamp(family.file) + "|" + std::to_string(family.index) +
                                   "|" + (family.boldFile.empty() ? "" : FileStamp(family.boldFile)) + "|" +
                                   std::to_string(family.boldIndex) + "|" + renderer.name + "|" + ToString(settings) + "|" +
                                   std::to_string(size64) + "|" + std::to_string(static_cast<int>(choice)) + "|" +
                                   std::to_string(kUncertainWeight) +
                                   (threshold == kInkWeight ? std::string() : "|" + std::to_string(threshold));
        const std::string path = m_strFolder.empty() ? std::string()
                                                     : (std::filesystem::path(m_strFolder) / "fonts" / (HashName(recipe) + ".lfont")).string();
        if (!path.empty()) {
            std::vector<std::uint8_t> bytes;
            LineFont cached;
            std::string error;
            if (std::filesystem::exists(path) && ReadWholeFile(path, bytes) && DecodeLineFont(bytes, cached, error)) {
                auto font = std::make_shared<const LineFont>(std::move(cached));
                m_Fonts.emplace(std::move(key), font);
                return font;
            }
        }
        LineFontRequest request;
        request.faces.push_back(LineFontFace{GlyphFace::Regular, family.file, family.index, false});
        if (choice != GlyphChoice::Search && !family.boldFile.empty())
            request.faces.push_back(LineFontFace{GlyphFace::Bold, family.boldFile, family.boldIndex, false});
        request.size64 = size64;
        request.settings = settings;
        request.layout = renderer.layout;
        request.threshold = threshold;
        if (choice != GlyphChoice::Full)
            request.codes = SearchCodes();
        auto font = std::make_shared<const LineFont>(RenderLineFont(m_Renderer, request));
        m_Fonts.emplace(std::move(key), font);
        if (!path.empty())
            m_Unsaved.push_back(Unsaved{family.file, renderer.name, path, font});
        return font;
    }

    // Writes the fonts of the family and renderer rendered here into the cache folder: those the
    // next picture of the same screen asks for.
    void Keep(const Family& family, const TextRenderer& renderer)
    {
        for (const Unsaved& unsaved : m_Unsaved) {
            if (unsaved.file != family.file || unsaved.renderer != renderer.name)
                continue;
            std::error_code error;
            std::filesystem::create_directories(std::filesystem::path(unsaved.path).parent_path(), error);
            if (!error)
                WriteFileAtomically(unsaved.path, EncodeLineFont(*unsaved.font));
        }
    }

    CFaceRenderer& Renderer() { return m_Renderer; }

private:
    struct Unsaved {
        std::string file;
        std::string renderer;
        std::string path;
        std::shared_ptr<const LineFont> font;
    };
    std::mutex m_Mutex;
    std::string m_strFolder;
    CFaceRenderer m_Renderer;
    std::vector<Unsaved> m_Unsaved;
    std::map<std::tuple<std::string, int, std::string, std::string, int, GlyphChoice, int>, std::shared_ptr<const LineFont>> m_Fonts;
};

// A band cut to its first ems at size.
TextBand Prefix(const TextBand& band, double size, double ems)
{
    TextBand prefix = band;
    prefix.right = std::min(band.right, band.left + static_cast<int>(std::ceil(size * ems)));
    return prefix;
}

// A family, renderer and size, and how well they explain sample lines.
struct Trial {
    const Family* family = nullptr;
    const TextRenderer* renderer = nullptr;
    double size = 0;
    long long cost = 1;
    long long ink = 1;
    bool bCyrillic = false;  // a Cyrillic letter was read on the samples
    double Score() const { return ink > 0 ? static_cast<double>(cost) / static_cast<double>(ink) : 1.0; }
};

// The first ems of each sample decoded at a size: the first sample at the one given, the others
// at the one of their own height's that explains them best (lines of one height may be set a pixel
// apart, as a page's 10 and 11 px lines).
Trial Measure(CFontShelf& shelf, const InkBits& ink, const std::vector<const Band*>& samples, const Family& family,
              const TextRenderer& renderer, const RenderSettings& settings, double size, const DecodeOptions& options)
{
    Trial trial{&family, &renderer, size, 0, 0};
    DecodeOptions strict = options;
    strict.holdPen = false;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const Band& sample = *samples[i];
        std::vector<double> sizes = {size};
        if (i > 0)
            for (double other : SizesFor(family, sample.Above(), kSampleSizes))
                if (other != size)
                    sizes.push_back(other);
        DecodedLine best;
        std::shared_ptr<const LineFont> bestFont;
        for (double at : sizes) {
            std::shared_ptr<const LineFont> font = shelf.Get(family, renderer, settings, at, GlyphChoice::Search);
            if (font->Empty())
                continue;
            DecodedLine line = DecodeLine(ink, Prefix(sample.band, at, kSampleEms), sample.baseline, *font, strict);
            // Costs per pixel of ink compared exactly: cost x ink' < cost' x ink.
            if (bestFont == nullptr || (line.ink > 0 && static_cast<double>(line.cost) * static_cast<double>(std::max(best.ink, 1LL)) <
                                                            static_cast<double>(best.cost) * static_cast<double>(line.ink))) {
                best = std::move(line);
                bestFont = std::move(font);
            }
        }
        trial.cost += bestFont != nullptr ? best.cost : 1;
        trial.ink += bestFont != nullptr ? best.ink : 1;
        for (const DecodedGlyph& glyph : best.glyphs)
            trial.bCyrillic =
                trial.bCyrillic || bestFont->glyphs[static_cast<std::size_t>(glyph.glyph)].script == GlyphScript::Cyrillic;
    }
    return trial;
}

// Sorts trials best first, the earlier of equal scores first, and keeps at most count.
void KeepBest(std::vector<Trial>& trials, std::size_t count)
{
    std::stable_sort(trials.begin(), trials.end(), [](const Trial& a, const Trial& b) { return a.Score() < b.Score(); });
    if (trials.size() > count)
        trials.resize(count);
}

// The size among sizes at which the family and renderer explain the samples best, the sizes
// measured on the threads; the first of the best scores stands, as on one thread.
Trial BestSize(CFontShelf& shelf, const InkBits& ink, const std::vector<const Band*>& samples, const Family& family,
               const TextRenderer& renderer, const RenderSettings& settings, const std::vector<double>& sizes,
               const DecodeOptions& options, unsigned threads)
{
    std::vector<Trial> trials(sizes.size());
    ForEachOnThreads(threads, sizes.size(), [&](std::size_t k, unsigned) {
        trials[k] = Measure(shelf, ink, samples, family, renderer, settings, sizes[k], options);
    });
    Trial best{&family, &renderer};
    for (const Trial& trial : trials)
        if (best.size <= 0 || trial.Score() < best.Score())
            best = trial;
    return best;
}

RenderSettings SettingsOf(const TextRenderer& renderer, double inkLuminance)
{
    RenderSettings settings = FindRenderPreset(renderer.preset).value_or(RenderSettings{});
    settings.inkLuminance = inkLuminance;
    return settings;
}

// A choice of an earlier picture: the family, the renderer, and the size its samples were read
// at (0 where the line gave none, as in the files of earlier versions); and the family's files
// and heights as the search found them (no file where the line gave none), so that the next
// picture of the screen needs no list of the installed families. And the family of another name
// that explained the samples next best, with its renderer (none where the line gave none): at
// small sizes a family of like design explains another's page almost as well as its own does
// (Open Sans a Noto Sans page's 11 px lines at 0.020, Noto Sans at 0.005), so a kept choice is
// measured against it before it reads a page.
struct Choice {
    std::string family;
    std::string renderer;
    double size = 0;
    Family faces;
    std::string next;
    std::string nextRenderer;
    double score = 0;  // what it explained its own samples at; 0 where the line gave none
};

// A number of a choices line: finite, and within 0..limit (exclusive) or none.
std::optional<double> ChoiceNumber(const std::string& text, double limit)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value) || value < 0 || value >= limit)
        return std::nullopt;
    return value;
}

// The choices kept in the cache folder, latest first: a line each, "family TAB renderer", TAB
// size where known, and then TAB file TAB index TAB bold file TAB bold index TAB the heights of
// H, of the ascenders and of the highest glyph per pixel of size, and then TAB the next family
// TAB its renderer (empty where the search had none), and TAB the choice's score.
std::vector<Choice> ReadChoices(const std::string& folder)
{
    std::vector<Choice> choices;
    std::vector<std::uint8_t> bytes;
    if (folder.empty() || !ReadWholeFile((std::filesystem::path(folder) / "choices").string(), bytes, 1 << 16))
        return choices;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string line;
    while (std::getline(in, line) && choices.size() < kCachedChoices) {
        const std::vector<std::string> fields = TabFields(line);
        if (fields.size() < 2 || fields[0].empty() || fields[1].empty())
            continue;
        Choice choice;
        choice.family = fields[0];
        choice.renderer = fields[1];
        if (fields.size() >= 3)
            if (const std::optional<double> size = ChoiceNumber(fields[2], 1000); size && *size > 0)
                choice.size = *size;
        if ((fields.size() == 10 || fields.size() == 12 || fields.size() == 13) && !fields[3].empty()) {
            const std::optional<double> index = ChoiceNumber(fields[4], 1 << 16);
            const std::optional<double> boldIndex = ChoiceNumber(fields[6], 1 << 16);
            const std::optional<double> capital = ChoiceNumber(fields[7], 100);
            const std::optional<double> ascender = ChoiceNumber(fields[8], 100);
            const std::optional<double> highest = ChoiceNumber(fields[9], 100);
            if (index && boldIndex && capital && *capital > 0 && ascender && highest) {
                Family& faces = choice.faces;
                faces.name = choice.family;
                faces.file = fields[3];
                faces.index = static_cast<int>(*index);
                faces.boldFile = fields[5];
                faces.boldIndex = static_cast<int>(*boldIndex);
                faces.capital = *capital;
                faces.ascender = *ascender;
                faces.highest = *highest;
                if (fields.size() >= 12 && !fields[10].empty() && !fields[11].empty()) {
                    choice.next = fields[10];
                    choice.nextRenderer = fields[11];
                }
                if (fields.size() == 13)
                    choice.score = ChoiceNumber(fields[12], 1).value_or(0);
            }
        }
        choices.push_back(std::move(choice));
    }
    return choices;
}

void WriteChoices(const std::string& folder, const Choice& latest)
{
    if (folder.empty())
        return;
    std::vector<Choice> choices = ReadChoices(folder);
    choices.erase(std::remove_if(choices.begin(), choices.end(),
                                 [&](const Choice& c) { return c.family == latest.family && c.renderer == latest.renderer; }),
                  choices.end());
    choices.insert(choices.begin(), latest);
    if (choices.size() > kCachedChoices)
        choices.resize(kCachedChoices);
    std::string text;
    for (const Choice& choice : choices) {
        char number[40];
        auto add = [&](double value) {
            std::snprintf(number, sizeof number, "\t%.17g", value);
            text += number;
        };
        text += choice.family + "\t" + choice.renderer;
        if (choice.size > 0 || !choice.faces.file.empty())
            add(choice.size);
        if (!choice.faces.file.empty()) {
            text += "\t" + choice.faces.file;
            add(choice.faces.index);
            text += "\t" + choice.faces.boldFile;
            add(choice.faces.boldIndex);
            add(choice.faces.capital);
            add(choice.faces.ascender);
            add(choice.faces.highest);
            if (choice.score > 0 || (!choice.next.empty() && !choice.nextRenderer.empty()))
                text += "\t" + choice.next + "\t" + choice.nextRenderer;
            if (choice.score > 0)
                add(choice.score);
        }
        text += "\n";
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error)
        WriteFileAtomically((std::filesystem::path(folder) / "choices").string(),
                            std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string Utf8(const std::u32string& text)
{
    std::string out;
    for (char32_t code : text)
        AppendUtf8(out, code);
    return out;
}

// The sizes lines were read at, for the lines after them: by rows above the baseline, latest
// first, and those of the whole page.
struct SizeMemory {
    std::map<int, std::vector<double>> readAt;
    std::vector<double> pageSizes;

    void Add(int above, double size)
    {
        std::vector<double>& known = readAt[above];
        known.erase(std::remove(known.begin(), known.end(), size), known.end());
        known.insert(known.begin(), size);
        if (std::find(pageSizes.begin(), pageSizes.end(), size) == pageSizes.end())
            pageSizes.push_back(size);
    }
};

// The page's ink as its lines are decoded from it: from half the strongest ink near each pixel,
// and from a quarter, made when a line first asks for it, for the sizes whose thin stems the
// renderer draws fainter than half (FaintStems). Safe to use from several threads at once.
class CLineInks {
public:
    CLineInks(const CRaster& picture, const InkBits& ink, const std::vector<Band>& bands)
        : m_Picture(picture), m_Ink(ink), m_Bands(bands) {}

    const InkBits& Half() const { return m_Ink; }
    // Whether ink is taken by its strength at all (not with InkRule::Black).
    bool HasQuarter() const { return m_Ink.threshold > 0; }
    const InkBits& Quarter() const
    {
        std::call_once(m_Once, [this] {
            m_Quarter = m_Ink;
            for (const Band& band : m_Bands)
                LocalInk(m_Picture, m_Quarter, band.band, InkLevel::Quarter);
        });
        return m_Quarter;
    }

private:
    const CRaster& m_Picture;
    const InkBits& m_Ink;
    const std::vector<Band>& m_Bands;
    mutable std::once_flag m_Once;
    mutable InkBits m_Quarter;
};

// Whether a font draws thin stems fainter than the ink threshold: its regular l or i has no
// ink at one of its phases (Noto Sans below 11 px, whose stems fall between two columns at
// half a pixel). Its text is read from a quarter of its ink, with glyphs made to match.
bool FaintStems(const LineFont& font)
{
    for (int g = 0; g < font.Glyphs(); ++g) {
        const LineGlyph& glyph = font.glyphs[static_cast<std::size_t>(g)];
        if (glyph.face != GlyphFace::Regular || (glyph.text != U"l" && glyph.text != U"i"))
            continue;
        for (int p = 0; p < font.phases; ++p)
            if (font.Image(g, p).ink == 0)
                return true;
    }
    return false;
}

// Whether a line was read at its size: a few pixels of each glyph's edges differing.
bool ReadWell(const DecodedLine& line)
{
    return line.cost <= kSureCostPerInk * static_cast<double>(line.ink);
}

// Whether a line read with the regular face alone may hold words of another: read badly as a
// whole, a glyph that differs from the ink in most of its pixels (a bold stem is a column wider
// than the regular one), or ink that no glyph's box holds (a bold word stepped over).
bool MayHoldOtherFaces(const DecodedLine& line, const LineFont& font)
{
    if (!ReadWell(line))
        return true;
    long long inBoxes = 0;
    for (const DecodedGlyph& glyph : line.glyphs) {
        inBoxes += glyph.cost;
        const int glyphInk = font.Image(glyph.glyph, glyph.phase).ink;
        if (glyph.cost >= kPoorGlyphPixels && glyph.cost * 5 >= glyphInk * 2)
            return true;
    }
    return line.cost - inBoxes >= kStrayInkPixels;
}

// Reads a band at a size; the line keeps the reading of least cost per pixel of ink (a size of
// faint stems is read from a quarter of the ink, CLineInks). The regular face's glyphs
// read it first; both faces only where that reading may have missed a bold word, as matching
// twice the glyphs takes twice the time. The cheaper reading stands.
void ReadAt(ProportionalLine& line, CFontShelf& shelf, const CLineInks& inks, const Band& band, double size,
            const Family& family, const TextRenderer& renderer, const RenderSettings& settings, const DecodeOptions& options)
{
    std::shared_ptr<const LineFont> font = shelf.Get(family, renderer, settings, size, GlyphChoice::Full);
    const InkBits* pInk = &inks.Half();
    if (inks.HasQuarter() && FaintStems(*font)) {
        font = shelf.Get(family, renderer, settings, size, GlyphChoice::Full, kFaintInkWeight);
        pInk = &inks.Quarter();
    }
    const InkBits& ink = *pInk;
    DecodeOptions regular = options;
    regular.regularOnly = true;
    DecodedLine decoded = DecodeLine(ink, band.band, band.baseline, *font, regular);
    const bool otherFaces = std::any_of(font->glyphs.begin(), font->glyphs.end(),
                                        [](const LineGlyph& glyph) { return glyph.face != GlyphFace::Regular; });
    if (otherFaces && MayHoldOtherFaces(decoded, *font)) {
        DecodedLine both = DecodeLine(ink, band.band, band.baseline, *font, options);
        if (both.cost < decoded.cost)
            decoded = std::move(both);
    }
    // Readings from the two inks compare by their cost per pixel of ink; from one, by cost.
    if (line.size <= 0 || decoded.cost * std::max(line.decoded.ink, 1LL) < line.decoded.cost * std::max(decoded.ink, 1LL)) {
        line.size = size;
        line.font = std::move(font);
        line.decoded = std::move(decoded);
    }
}

// Reads one band with the family and renderer. It first tries the sizes lines of its height
// were read at, latest first, and keeps the first that reads it well; else it finds its size
// among those its height allows and those of the page (a line without capitals or ascenders),
// by decoding its first ems with the search's glyphs in both faces.
ProportionalLine ReadLine(CFontShelf& shelf, const CLineInks& inks, const Band& band, const SizeMemory& memory,
                          const Family& family, const TextRenderer& renderer, const RenderSettings& settings,
                          const DecodeOptions& options)
{
    ProportionalLine line;
    line.band = band.band;
    auto read = [&](double size) { ReadAt(line, shelf, inks, band, size, family, renderer, settings, options); };
    if (const auto known = memory.readAt.find(band.Above()); known != memory.readAt.end())
        for (double size : known->second) {
            read(size);
            if (ReadWell(line.decoded))
                break;
        }
    if (line.size <= 0 || !ReadWell(line.decoded)) {
        std::vector<double> sizes = SizesFor(family, band.Above(), NominalSizes().size());
        for (double size : memory.pageSizes)
            if (std::find(sizes.begin(), sizes.end(), size) == sizes.end())
                sizes.push_back(size);
        double chosen = 0;
        long long best = -1;
        for (double size : sizes) {
            const std::shared_ptr<const LineFont> font = shelf.Get(family, renderer, settings, size, GlyphChoice::SearchBothFaces);
            if (font->Empty())
                continue;
            const DecodedLine prefix = DecodeLine(inks.Half(), Prefix(band.band, size, kSizeEms), band.baseline, *font, options);
            if (best < 0 || prefix.cost < best) {
                best = prefix.cost;
                chosen = size;
            }
        }
        if (chosen > 0 && chosen != line.size)
            read(chosen);
    }
    return line;
}

// Reads every band with the family and renderer. The bands of the samples' height start from
// the size the search found on them. The first band of each other height is read in turn,
// each with the sizes of those before it; the others then on the threads, each with the sizes
// known by then, so that the reading is the same for any number of threads.
void ReadLines(ProportionalReading& reading, CFontShelf& shelf, const CLineInks& inks, const std::vector<Band>& bands,
               const Family& family, const TextRenderer& renderer, const RenderSettings& settings,
               const DecodeOptions& options, unsigned threads, int sampleAbove, double sampleSize,
               const std::function<bool()>& stop)
{
    // A stopped reading reads no more lines; what it read is dropped by the caller.
    auto stopped = [&] { return stop && stop(); };
    std::vector<ProportionalLine> lines(bands.size());
    SizeMemory memory;
    if (sampleSize > 0)
        memory.Add(sampleAbove, sampleSize);
    std::vector<std::size_t> rest;
    for (std::size_t i = 0; i < bands.size(); ++i) {
        if (memory.readAt.count(bands[i].Above()) != 0) {
            rest.push_back(i);
            continue;
        }
        if (stopped())
            return;
        lines[i] = ReadLine(shelf, inks, bands[i], memory, family, renderer, settings, options);
        memory.readAt[bands[i].Above()];  // the height is seen, read or not
        if (lines[i].size > 0 && !lines[i].decoded.Empty())
            memory.Add(bands[i].Above(), lines[i].size);
    }
    ForEachOnThreads(threads, rest.size(), [&](std::size_t k, unsigned) {
        if (!stopped())
            lines[rest[k]] = ReadLine(shelf, inks, bands[rest[k]], memory, family, renderer, settings, options);
    });
    if (stopped())
        return;
    // A line read at another size than most lines of its height that were read well also tries
    // theirs, and the cheaper reading stands: a size a third of a pixel off may explain a line
    // of small text nearly as well as its own, with bold glyphs for regular ones.
    std::map<int, std::map<double, int>> sizesByHeight;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].size > 0 && ReadWell(lines[i].decoded))
            ++sizesByHeight[bands[i].Above()][lines[i].size];
    std::vector<std::pair<std::size_t, double>> others;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].size <= 0)
            continue;
        const std::map<double, int>& sizes = sizesByHeight[bands[i].Above()];
        const auto most = std::max_element(sizes.begin(), sizes.end(),
                                           [](const auto& a, const auto& b) { return a.second < b.second; });
        const auto own = sizes.find(lines[i].size);
        if (most != sizes.end() && most->first != lines[i].size && (own == sizes.end() || own->second < most->second))
            others.emplace_back(i, most->first);
    }
    ForEachOnThreads(threads, others.size(), [&](std::size_t k, unsigned) {
        const auto [i, size] = others[k];
        if (!stopped())
            ReadAt(lines[i], shelf, inks, bands[i], size, family, renderer, settings, options);
    });
    // A line read badly at the size its first ems chose (a mark that no glyph explains on
    // them, or reaching above them, misleads the choice) tries the sizes the page's lines were
    // read well at, the most common first.
    std::map<double, int> counts;
    for (const ProportionalLine& line : lines)
        if (line.size > 0 && ReadWell(line.decoded))
            ++counts[line.size];
    std::vector<std::pair<int, double>> common;
    for (const auto& [size, count] : counts)
        common.emplace_back(-count, size);
    std::sort(common.begin(), common.end());
    std::vector<std::size_t> poor;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!ReadWell(lines[i].decoded))
            poor.push_back(i);
    // Then, still read badly, at the other rows its baseline may be at (a line of dashes and a
    // few letters drops most sharply below the dashes), at its size and those.
    ForEachOnThreads(threads, poor.size(), [&](std::size_t k, unsigned) {
        if (stopped())
            return;
        ProportionalLine& line = lines[poor[k]];
        for (std::size_t c = 0; c < common.size() && c < kPageSizesTried && !ReadWell(line.decoded); ++c)
            if (common[c].second != line.size)
                ReadAt(line, shelf, inks, bands[poor[k]], common[c].second, family, renderer, settings, options);
        if (ReadWell(line.decoded) || line.size <= 0)
            return;
        std::vector<double> sizes = {line.size};
        for (std::size_t c = 0; c < common.size() && c < kPageSizesTried; ++c)
            if (common[c].second != line.size)
                sizes.push_back(common[c].second);
        const std::vector<int> baselines = BaselineCandidates(inks.Half(), bands[poor[k]].band, kBaselinesTried);
        for (std::size_t b = 1; b < baselines.size() && !ReadWell(line.decoded); ++b) {
            Band other = bands[poor[k]];
            other.baseline = baselines[b];
            for (std::size_t z = 0; z < sizes.size() && !ReadWell(line.decoded); ++z)
                ReadAt(line, shelf, inks, other, sizes[z], family, renderer, settings, options);
        }
    });
    if (stopped())
        return;
    for (ProportionalLine& line : lines) {
        if (line.size <= 0 || line.decoded.Empty())
            continue;
        reading.ink += line.decoded.ink;
        reading.cost += line.decoded.cost;
        reading.lines.push_back(std::move(line));
    }
}

// The page's text: lines indented from the leftmost line by spaces of their own font, and the
// wide gaps between lines kept as empty lines.
void JoinText(ProportionalReading& reading)
{
    long long margin = 0;
    bool any = false;
    for (const ProportionalLine& line : reading.lines)
        for (const DecodedGlyph& glyph : line.decoded.glyphs)
            if (!glyph.bSpace) {
                margin = any ? std::min(margin, glyph.pen16) : glyph.pen16;
                any = true;
                break;
            }
    std::vector<int> pitches;
    for (std::size_t i = 1; i < reading.lines.size(); ++i)
        pitches.push_back(reading.lines[i].decoded.baseline - reading.lines[i - 1].decoded.baseline);
    std::sort(pitches.begin(), pitches.end());
    const int pitch = pitches.empty() ? 0 : pitches[pitches.size() / 2];
    reading.text.clear();
    for (std::size_t i = 0; i < reading.lines.size(); ++i) {
        ProportionalLine& line = reading.lines[i];
        const LineFont& font = *line.font;
        line.text.clear();
        for (const DecodedGlyph& glyph : line.decoded.glyphs)
            if (!glyph.bSpace) {
                const std::int32_t space = font.space >= 0 ? font.glyphs[static_cast<std::size_t>(font.space)].advance16 : 0;
                line.text.assign(static_cast<std::size_t>(GapSpaces(glyph.pen16 - margin, space)), ' ');
                break;
            }
        line.text += Utf8(line.decoded.text);
        if (i > 0) {
            const int gap = line.decoded.baseline - reading.lines[i - 1].decoded.baseline;
            int breaks = 1;
            if (pitch > 0 && gap >= kParagraphGap * pitch)
                breaks = static_cast<int>(std::lround(static_cast<double>(gap) / pitch));
            reading.text.append(static_cast<std::size_t>(std::max(breaks, 1)), '\n');
        }
        reading.text += line.text;
    }
}

void ReadPicture(ProportionalReading& reading, const CRaster& picture, const ProportionalOptions& options)
{
    const auto start = std::chrono::steady_clock::now();
    InkBits ink = InkMask(picture, options.ink);
    std::vector<Band> bands;
    for (const TextBand& band : JoinThinBands(FindLines(ink, 0))) {
        LocalInk(picture, ink, band);
        bands.push_back(Band{band, 0, 0});
    }
    for (Band& band : bands) {
        band.baseline = EstimateBaseline(ink, band.band);
        for (int y = band.band.top; y < band.band.bottom; ++y)
            band.ink += ink.rowInk[static_cast<std::size_t>(y)];
    }
    const double luminance = InkLuminance(picture, ink);
    // A sharp picture is searched with sharp glyphs first, in any family: a fixed-width
    // family's hinted advances may differ from glyph to glyph (Anonymous Pro's т and д a pixel
    // wider at 32 px), and then its text lies on no grid. Smoothed glyphs past the threshold
    // look sharp too (a picture made two colours), so they are tried after them.
    const bool sharp = SmoothingOf(picture) == Smoothing::Mono;
    std::vector<const TextRenderer*> sharpOnes;
    std::vector<const TextRenderer*> smoothed;
    for (const TextRenderer& renderer : TextRenderers())
        if (!renderer.sharp)
            smoothed.push_back(&renderer);
        else if (sharp)
            sharpOnes.push_back(&renderer);
    std::vector<const TextRenderer*> renderers = sharpOnes;
    renderers.insert(renderers.end(), smoothed.begin(), smoothed.end());
    reading.dInkMilliseconds = MillisecondsSince(start);
    if (bands.empty())
        return;

    // Sample lines: the inkiest of the common height and those of its height, likely set at
    // one size.
    std::vector<int> heights;
    for (const Band& band : bands)
        heights.push_back(band.Above());
    std::sort(heights.begin(), heights.end());
    const int typical = heights[heights.size() / 2];
    const Band* inkiest = nullptr;
    for (const Band& band : bands)
        if (std::abs(band.Above() - typical) <= 1 && (inkiest == nullptr || band.ink > inkiest->ink))
            inkiest = &band;
    std::vector<const Band*> samples;
    for (const Band& band : bands)
        if (band.Above() == inkiest->Above())
            samples.push_back(&band);
    std::sort(samples.begin(), samples.end(), [](const Band* a, const Band* b) { return a->ink > b->ink; });
    if (samples.size() > kSampleLines)
        samples.resize(kSampleLines);
    const std::vector<const Band*> first(samples.begin(), samples.begin() + 1);

    const auto search = std::chrono::steady_clock::now();
    const std::string folder = options.useCache ? (options.cacheFolder.empty() ? ProportionalCacheFolder() : options.cacheFolder) : "";
    CFontShelf shelf(folder);
    // The installed families, listed only when no cached choice reads the page.
    std::vector<Family> families;
    bool bListed = false;
    auto installed = [&]() -> const std::vector<Family>& {
        if (!bListed)
            families = Families(options.families, shelf.Renderer(), sharp);
        bListed = true;
        return families;
    };
    std::deque<Family> remembered;  // the families of cached choices, read from the cache
    auto settingsOf = [&](const TextRenderer& renderer) { return SettingsOf(renderer, luminance); };
    auto window = [&](const Family& family) { return SizesFor(family, inkiest->Above(), NominalSizes().size()); };

    Trial chosen;
    std::vector<Trial> rivals;
    // The family of another name that explains the samples next best, and its renderer.
    std::string nextFamily;
    std::string nextRenderer;
    // The cached choices first: one that explains the samples well reads the page.
    // The size it was read at first, where the samples' height allows it: a second picture of
    // the same screen needs no other.
    double cachedSize = 0;
    // The score the kept choice taken had on its own samples: a page it reads less well does not
    // raise it, lest the bound creep up.
    double keptScore = 0;
    // On a sharp picture the kept choices of sharp glyphs come first.
    std::vector<Choice> kept = ReadChoices(folder);
    std::stable_partition(kept.begin(), kept.end(), [&](const Choice& choice) {
        return std::any_of(sharpOnes.begin(), sharpOnes.end(), [&](const TextRenderer* r) { return choice.renderer == r->name; });
    });
    // The first kept choice that explains the page well reads it.
    for (const Choice& cached : kept) {
        // Each kept choice may cost a few decodes at several sizes: a stop is asked between them.
        if (options.stop && options.stop()) {
            reading.bStopped = true;
            return;
        }
        const auto drawn = std::find_if(renderers.begin(), renderers.end(),
                                        [&](const TextRenderer* r) { return cached.renderer == r->name; });
        if (drawn == renderers.end())
            continue;
        const TextRenderer* renderer = *drawn;
        if (!options.families.empty() &&
            std::none_of(options.families.begin(), options.families.end(),
                         [&](const std::string& name) { return Lower(name) == Lower(cached.family); }))
            continue;
        // Its family as the cache keeps it while its files are there; else as installed now.
        const Family* family = nullptr;
        std::error_code error;
        if (!cached.faces.file.empty() && std::filesystem::is_regular_file(cached.faces.file, error) &&
            (cached.faces.boldFile.empty() || std::filesystem::is_regular_file(cached.faces.boldFile, error))) {
            remembered.push_back(cached.faces);
            family = &remembered.back();
        } else {
            const auto found = std::find_if(installed().begin(), installed().end(),
                                            [&](const Family& f) { return f.name == cached.family; });
            if (found == installed().end())
                continue;
            family = &*found;
        }
        const std::vector<double> sizes = window(*family);
        Trial trial;
        if (std::find(sizes.begin(), sizes.end(), cached.size) != sizes.end())
            trial = Measure(shelf, ink, samples, *family, *renderer, settingsOf(*renderer), cached.size, options.decode);
        const double nearOwn = cached.score * (1 + kKeptScoreMargin);  // as well as its own page, nearly
        const double bound = std::max(renderer->sharp ? kCachedSharpCostPerInk : kCachedCostPerInk,
                                      std::min(nearOwn, kCachedSmallCostPerInk));
        if (trial.family == nullptr || trial.Score() > bound) {
            trial = BestSize(shelf, ink, first, *family, *renderer, settingsOf(*renderer), sizes, options.decode, options.threads);
            trial = Measure(shelf, ink, samples, *family, *renderer, settingsOf(*renderer), trial.size, options.decode);
        }
        if (trial.Score() <= bound) {
            chosen = trial;
            reading.bFromCache = true;
            cachedSize = cached.size;
            // Past the threshold smoothed glyphs of a large size explain sharp ones almost as
            // well, at other advances: on a sharp picture a kept choice of smoothed glyphs
            // stands, as in the search, only where the family's sharp glyphs of its size do
            // not explain it as a page's font (a picture made two colours).
            if (!renderer->sharp && !sharpOnes.empty()) {
                const TextRenderer& sharpOne = *sharpOnes.front();
                if (Measure(shelf, ink, first, *family, sharpOne, settingsOf(sharpOne), trial.size, options.decode).Score() <=
                    kGoodCostPerInk) {
                    chosen = Measure(shelf, ink, samples, *family, sharpOne, settingsOf(sharpOne), trial.size, options.decode);
                    reading.bFromCache = false;
                }
            }
            // A kept choice that explains this page clearly worse than it explained its own
            // samples may be its family as another renderer draws it (Noto Sans kept as Chromium
            // draws it, and a Qt window's page): the family's other smoothed renderers are
            // measured at its size, and the best stands.
            if (!chosen.renderer->sharp && cached.score > 0 && chosen.Score() > kClearlyOwnCostPerInk && chosen.Score() > nearOwn)
                for (const TextRenderer* drawn : smoothed) {
                    if (drawn == chosen.renderer)
                        continue;
                    const Trial other = Measure(shelf, ink, samples, *family, *drawn, settingsOf(*drawn), chosen.size, options.decode);
                    if (other.Score() < chosen.Score()) {
                        chosen = other;
                        reading.bFromCache = false;
                    }
                }
            nextFamily = cached.next;
            nextRenderer = cached.nextRenderer;
            // The family that came next when the choice was made may explain this page better.
            const auto other = std::find_if(renderers.begin(), renderers.end(),
                                            [&](const TextRenderer* r) { return cached.nextRenderer == r->name; });
            if (!chosen.renderer->sharp && chosen.Score() > kClearlyOwnCostPerInk && !cached.next.empty() &&
                cached.next != family->name && other != renderers.end()) {
                const auto found = std::find_if(installed().begin(), installed().end(),
                                                [&](const Family& f) { return f.name == cached.next; });
                if (found != installed().end()) {
                    const TextRenderer& nextDrawn = **other;
                    const Trial next =
                        Measure(shelf, ink, samples, *found, nextDrawn, settingsOf(nextDrawn), chosen.size, options.decode);
                    if (next.Score() < chosen.Score()) {
                        chosen = next;
                        nextFamily = cached.family;
                        nextRenderer = cached.renderer;
                    }
                }
            }
            if (chosen.family->name == cached.family && chosen.renderer->name == cached.renderer)
                keptScore = cached.score;
            break;
        }
    }
    if (chosen.family == nullptr) {
        // Each family finds its size with the first renderer on the inkiest sample; the other
        // renderers try that size and its neighbours. The best few are then measured on every sample.
        auto rank = [&](const std::vector<const TextRenderer*>& tried) {
            std::vector<Trial> trials;
            int done = 0;
            for (const Family& family : installed()) {
                if ((options.progress && !options.progress(done++, static_cast<int>(installed().size()))) ||
                    (options.stop && options.stop())) {
                    reading.bStopped = true;
                    return std::vector<Trial>{};
                }
                const std::vector<double> sizes = window(family);
                const TextRenderer& lead = *tried.front();
                const Trial found = BestSize(shelf, ink, first, family, lead, settingsOf(lead), sizes, options.decode, options.threads);
                trials.push_back(found);
                // Where the first renderer explains little of the ink at any size, the size it
                // liked best says nothing, and the others try every size.
                std::vector<double> near;
                for (double size : NominalSizes())
                    if (std::find(sizes.begin(), sizes.end(), size) != sizes.end() &&
                        (found.Score() > kLeadExplainsNothing || std::abs(size - found.size) <= found.size * 0.05))
                        near.push_back(size);
                for (std::size_t r = 1; r < tried.size(); ++r) {
                    const TextRenderer& renderer = *tried[r];
                    trials.push_back(BestSize(shelf, ink, first, family, renderer, settingsOf(renderer), near, options.decode, options.threads));
                }
            }
            KeepBest(trials, kShortList);
            if (samples.size() > 1)
                for (Trial& trial : trials)
                    trial = Measure(shelf, ink, samples, *trial.family, *trial.renderer, settingsOf(*trial.renderer), trial.size,
                                    options.decode);
            KeepBest(trials, kShortList);
            return trials;
        };
        // A sharp picture is searched with smoothed glyphs only where no sharp ones explain it
        // as a page's own font: past the threshold they may explain sharp glyphs nearly as well,
        // at advances that are not the page's.
        std::vector<Trial> trials = rank(sharpOnes.empty() ? smoothed : sharpOnes);
        if (reading.bStopped)
            return;
        if (!sharpOnes.empty() && (trials.empty() || trials.front().Score() > kGoodCostPerInk)) {
            std::vector<Trial> more = rank(smoothed);
            if (reading.bStopped)
                return;
            trials.insert(trials.end(), more.begin(), more.end());
            KeepBest(trials, kShortList);
        }
        for (const Trial& trial : trials) {
            char score[64];
            std::snprintf(score, sizeof score, " %.5g px: %.3f", trial.size, trial.Score());
            reading.ranking.push_back(trial.family->name + ", " + trial.renderer->name + score);
        }
        if (trials.empty() || trials.front().Score() >= 1.0)
            return;
        chosen = trials.front();
        for (const Trial& trial : trials)
            if (trial.family->name != chosen.family->name) {
                nextFamily = trial.family->name;
                nextRenderer = trial.renderer->name;
                break;
            }
        for (std::size_t i = 1; i < trials.size() && rivals.size() < kRivals; ++i)
            if (trials[i].Score() <= trials.front().Score() * (1 + kCloseScore) ||
                trials[i].Score() <= trials.front().Score() + kCloseCostPerInk)
                rivals.push_back(trials[i]);
    }
    reading.dSearchMilliseconds = MillisecondsSince(search);

    const auto decode = std::chrono::steady_clock::now();
    const CLineInks inks(picture, ink, bands);
    auto readWith = [&](const Trial& trial, ProportionalReading& into) {
        const RenderSettings settings = SettingsOf(*trial.renderer, luminance);
        into.font.family = trial.family->name;
        into.font.file = trial.family->file;
        into.font.index = trial.family->index;
        into.font.boldFile = trial.family->boldFile;
        into.font.boldIndex = trial.family->boldIndex;
        into.font.renderer = trial.renderer;
        into.font.settings = settings;
        DecodeOptions decode = options.decode;
        if (decode.first == FirstGlyphs::Common && !trial.bCyrillic)
            decode.first = FirstGlyphs::Latin;
        ReadLines(into, shelf, inks, bands, *trial.family, *trial.renderer, settings, decode, options.threads,
                  inkiest->Above(), trial.size, options.stop);
        JoinText(into);
    };
    auto stopped = [&] {
        if (!options.stop || !options.stop())
            return false;
        reading = ProportionalReading{};
        reading.bStopped = true;
        return true;
    };
    if (stopped())
        return;
    readWith(chosen, reading);
    if (stopped())
        return;
    const Trial readFirst = chosen;
    for (const Trial& rival : rivals) {
        ProportionalReading other;
        readWith(rival, other);
        if (stopped())
            return;
        if (other.CostPerInk() < reading.CostPerInk()) {
            reading.font = other.font;
            reading.lines = std::move(other.lines);
            reading.text = std::move(other.text);
            reading.ink = other.ink;
            reading.cost = other.cost;
            chosen = rival;
            if (rival.family->name != readFirst.family->name) {
                nextFamily = readFirst.family->name;
                nextRenderer = readFirst.renderer->name;
            }
        }
    }
    const Family* chosenFamily = chosen.family;
    const TextRenderer* chosenRenderer = chosen.renderer;
    reading.dDecodeMilliseconds = MillisecondsSince(decode);
    if (reading.CostPerInk() <= kGoodCostPerInk) {
        // (A cached choice taken with its files is the last one remembered.)
        const bool bKeptFaces = !remembered.empty() && chosenFamily == &remembered.back();
        if (!reading.bFromCache || cachedSize != chosen.size || !bKeptFaces)
            WriteChoices(folder, Choice{chosenFamily->name, chosenRenderer->name, chosen.size, *chosenFamily, nextFamily,
                                        nextRenderer, keptScore > 0 ? std::min(keptScore, chosen.Score()) : chosen.Score()});
        shelf.Keep(*chosenFamily, *chosenRenderer);
    }
}

}  // namespace

const std::vector<TextRenderer>& TextRenderers()
{
    static const std::vector<TextRenderer> renderers = {
        {"chromium", "skia", TextLayout::Chromium},
        {"chromium-hidpi", "skia-hidpi", TextLayout::Chromium},
        {"qt", "qt", TextLayout::Qt},
        {"gtk", "cairo", TextLayout::Pango},
        {"gtk-slight", "cairo-slight", TextLayout::Pango},
        // Skia with antialiasing off hints for mono (FreeType's TARGET_MONO, as Xft's sharp
        // glyphs) and keeps the hinted advances, at any device scale.
        {"chromium-sharp", "xft-mono", TextLayout::Hinted, true},
    };
    return renderers;
}

std::string ProportionalFont::Describe() const
{
    return Empty() ? std::string() : family + ", " + renderer->name;
}

std::string DescribeProportional(const ProportionalReading& reading)
{
    std::vector<double> sizes;
    for (const ProportionalLine& line : reading.lines)
        if (std::find(sizes.begin(), sizes.end(), line.size) == sizes.end())
            sizes.push_back(line.size);
    std::sort(sizes.begin(), sizes.end());
    std::string text = reading.font.family;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        char size[32];
        std::snprintf(size, sizeof size, "%.4g", sizes[i]);
        text += i == 0 ? " " : i + 1 == sizes.size() ? " and " : ", ";
        text += size;
    }
    if (!sizes.empty())
        text += " px";
    if (reading.font.renderer != nullptr)
        text += std::string(", ") + reading.font.renderer->name;
    return text;
}

std::string ProportionalCacheFolder()
{
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && cache[0] == '/')
        return std::string(cache) + "/recognize/proportional";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0')
        return std::string(home) + "/.cache/recognize/proportional";
    return {};
}

ProportionalReading ReadProportional(const CRaster& picture, const ProportionalOptions& options)
{
    const auto start = std::chrono::steady_clock::now();
    ProportionalReading reading;
    if (!picture.empty()) {
        try {
            ReadPicture(reading, picture, options);
        } catch (const std::bad_alloc&) {
            reading = ProportionalReading{};
            reading.bOutOfMemory = true;
        }
    }
    reading.dMilliseconds = MillisecondsSince(start);
    return reading;
}
