#include "FontCandidates.h"

#include "PageGrid.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <set>

namespace {

// Pixel sizes from 6 to 64, points from 5 to 36 at these resolutions (Xft takes the X screen's
// from its size in millimetres, so Xvfb's 96 is 96.09), and a browser's CSS pixels at its device
// scales.
constexpr double kResolutions[] = {96.0, 96.0946, 120.0, 144.0};
constexpr double kDeviceScales[] = {1.0, 1.25, 1.5, 2.0};

// A cell's width lies within this many pixels of the face's unhinted advance: hinting rounds
// the advance to a whole pixel; rxvt-unicode's cell is as wide as the widest ink, which may
// reach a pixel past the advance ('_'). A browser sums the unhinted advances.
constexpr double kAdvanceSlack = 1.0;
constexpr double kInkCellSlack = 1.5;
constexpr double kBrowserAdvanceSlack = 0.25;

// A line's pitch lies within this many pixels of the face's unhinted ascent and descent (with or
// without the line gap): rounding each end, and the rows a program adds.
constexpr double kLineSlack = 4.0;

// Rows a program may add between lines (or take away) beyond its own cell height.
constexpr int kLineSpacingSlack = 2;

// A browser's pitch is the unhinted advance summed; the measured one is within this many 64ths.
constexpr int kBrowserPitchSlack = 2;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The face's unhinted measures at a size of 64 pixels per em, in 64ths of a pixel: the advance of
// its '0', and its line without and with the line gap.
struct Measures {
    int advance = 0;
    int line = 0;
    int lineWithGap = 0;
};
Measures MeasuresAt64(CFaceRenderer& renderer)
{
    Measures measures;
    RenderSettings unhinted;
    unhinted.hinting = Hinting::None;
    renderer.SetSettings(unhinted);
    if (!renderer.SetSize(64 * 64))
        return measures;
    measures.advance = renderer.Template(U'0', 1).linearAdvance64;
    const FaceMetrics m = renderer.Metrics();
    measures.line = m.ascentExact64 + m.descentExact64;
    measures.lineWithGap = measures.line + m.lineGapExact64;
    return measures;
}

}  // namespace

const std::vector<ScreenProgram>& ScreenPrograms()
{
    static const std::vector<ScreenProgram> programs = {
        {"xterm", Terminal::Xterm, ScreenRenderer::Xft},   {"urxvt", Terminal::Urxvt, ScreenRenderer::Xft},
        {"st", Terminal::St, ScreenRenderer::Xft},         {"vte", Terminal::Vte, ScreenRenderer::Cairo},
        {"chromium", Terminal::Chromium, ScreenRenderer::Skia},
    };
    return programs;
}

std::string FontCandidate::Describe() const
{
    char size[32];
    std::snprintf(size, sizeof size, "%g", size64 / 64.0);
    return family + " " + size + " px, " + (program ? program->name : "?") + ", " + ToString(settings);
}

std::vector<double> NominalSizes()
{
    std::set<long long> sizes64;
    for (int px = 6; px <= 64; ++px)
        sizes64.insert(px * 64LL);
    for (int halfPoints = 10; halfPoints <= 72; ++halfPoints)
        for (double dpi : kResolutions)
            sizes64.insert(std::llround(halfPoints / 2.0 * dpi / 72.0 * 64.0 * 1024.0) / 1024);
    std::vector<double> sizes;
    for (long long s : sizes64)
        sizes.push_back(s / 64.0);
    return sizes;
}

std::vector<FontCandidate> FontCandidates(const PagePitch& pitch, Smoothing smoothing, double inkLuminance,
                                          const std::vector<std::string>& families, CFaceRenderer& renderer,
                                          bool everyHinting)
{
    std::vector<FontCandidate> candidates;
    if (pitch.columnPitch64 <= 0)
        return candidates;
    std::vector<std::string> wanted;
    for (const std::string& name : families)
        wanted.push_back(Lower(name));
    std::vector<InstalledFamily> installed = families.empty() ? FixedWidthFamilies() : InstalledScreenFamilies();
    if (!wanted.empty())
        installed.erase(std::remove_if(installed.begin(), installed.end(),
                                       [&](const InstalledFamily& f) {
                                           return std::find(wanted.begin(), wanted.end(), Lower(f.family)) == wanted.end();
                                       }),
                        installed.end());
    const std::vector<double> nominal = NominalSizes();
    const double columnPitch = pitch.columnPitch64 / 64.0;

    // Programs that draw through one renderer share its glyphs and metrics: each face, size and
    // setting is opened once for all of them.
    const std::vector<ScreenRenderer> renderers = {ScreenRenderer::Xft, ScreenRenderer::Cairo, ScreenRenderer::Skia};
    for (const InstalledFamily& family : installed) {
        for (const ScreenRenderer kind : renderers) {
            const bool browser = kind == ScreenRenderer::Skia;
            // A terminal's pitch is whole pixels; a browser's may be either. A browser's sharp
            // glyphs are a terminal's (below).
            if ((!browser && !pitch.WholePixelColumns()) || (browser && smoothing == Smoothing::Mono))
                continue;
            std::vector<const ScreenProgram*> programs;
            for (const ScreenProgram& program : ScreenPrograms())
                if (program.renderer == kind)
                    programs.push_back(&program);
            for (const double scale : browser ? std::vector<double>(std::begin(kDeviceScales), std::end(kDeviceScales))
                                              : std::vector<double>{1.0}) {
                FontRequest request;
                request.family = family.family;
                request.pixelSize = 16 * scale;
                request.deviceScale = scale;
                const std::optional<MatchedFont> regular = MatchFont(request, kind);
                if (!regular || !renderer.SetFace(regular->file, regular->index))
                    continue;
                const Measures at64 = MeasuresAt64(renderer);
                if (at64.advance <= 0)
                    continue;
                FontRequest boldRequest = request;
                boldRequest.bold = true;
                const std::optional<MatchedFont> bold = MatchFont(boldRequest, kind);
                std::vector<RenderSettings> variants;
                RenderSettings settings = regular->settings;
                settings.inkLuminance = inkLuminance;
                if (smoothing != Smoothing::Mono)
                    variants.push_back(settings);
                // Sharp glyphs are hinted for mono (FreeType's TARGET_MONO). A browser's step at
                // their hinted advances, at any device scale: at a whole pitch they are a
                // terminal's sharp glyphs, which the terminals' candidates give; at a fractional
                // one the advances differ from glyph to glyph, and the text lies on no grid (it
                // is read as proportional text).
                if (smoothing != Smoothing::Grey && !browser) {
                    RenderSettings mono = regular->settings;
                    mono.antialias = Antialias::Mono;
                    mono.hinting = Hinting::Full;
                    variants.push_back(mono);
                }
                if (everyHinting && !browser) {
                    const std::vector<RenderSettings> base = variants;
                    variants.clear();
                    for (const RenderSettings& settings : base)
                        for (const auto& [hinting, autohint] : {std::pair{Hinting::None, false}, std::pair{Hinting::Slight, false},
                                                                std::pair{Hinting::Full, false}, std::pair{Hinting::Slight, true}}) {
                            RenderSettings variant = settings;
                            variant.hinting = hinting;
                            variant.autohint = autohint;
                            if (variant != settings)
                                variants.push_back(variant);
                        }
                }
                std::set<std::string> tried;
                for (double css : nominal) {
                    const double px = css * scale;
                    // Hinting moves an advance by less than a pixel and a line's ends by a pixel
                    // each; programs add a few rows between lines; rxvt-unicode's cell may be wider.
                    const double advance = at64.advance / 64.0 * px / 64.0;
                    const double gap = std::abs(advance - columnPitch);
                    const double slack = browser ? kBrowserAdvanceSlack : kAdvanceSlack;
                    if (gap > (browser ? slack : kInkCellSlack))
                        continue;
                    const double line = at64.line / 64.0 * px / 64.0;
                    const double lineWithGap = at64.lineWithGap / 64.0 * px / 64.0;
                    if (pitch.linePitch > 0 && std::min(std::abs(line - pitch.linePitch), std::abs(lineWithGap - pitch.linePitch)) >
                                                   kLineSlack)
                        continue;
                    for (const RenderSettings& settings : variants) {
                        const int size64 = PixelSizeTo26Dot6(px, settings.sizeRounding);
                        if (!tried.insert(ToString(settings) + '/' + std::to_string(size64)).second)
                            continue;
                        renderer.SetSettings(settings);
                        if (!renderer.SetSize(size64))
                            continue;
                        const FaceMetrics metrics = renderer.Metrics();
                        for (const ScreenProgram* program : programs) {
                            if (program->terminal != Terminal::Urxvt && gap > slack)
                                continue;
                            // rxvt-unicode measures its cell by rendering: only where the face's
                            // widest advance is near the pitch.
                            if (program->terminal == Terminal::Urxvt &&
                                std::abs((metrics.maxAdvance64 >> 6) * 64 - pitch.columnPitch64) > 2 * 64)
                                continue;
                            FontCandidate candidate;
                            candidate.cell = TerminalCellOf(program->terminal, renderer);
                            const bool widthFits = browser ? std::abs(candidate.cell.pitch64 - pitch.columnPitch64) <= kBrowserPitchSlack
                                                           : candidate.cell.width * 64 == pitch.columnPitch64;
                            // Terminals add rows between lines at the user's word (line spacing, a
                            // cell height scale): the line pitch is the cell's height, the extra rows
                            // split above and below the program's own.
                            const bool heightFits = pitch.linePitch == 0 ||
                                                    std::abs(candidate.cell.height - pitch.linePitch) <= kLineSpacingSlack;
                            if (!widthFits || !heightFits)
                                continue;
                            if (pitch.linePitch > 0) {
                                candidate.cell.baseline += (pitch.linePitch - candidate.cell.height) / 2;
                                candidate.cell.height = pitch.linePitch;
                            }
                            candidate.family = family.family;
                            candidate.file = regular->file;
                            candidate.index = regular->index;
                            if (bold && bold->file != regular->file) {
                                candidate.boldFile = bold->file;
                                candidate.boldIndex = bold->index;
                            }
                            candidate.program = program;
                            // A browser sums the unhinted advances in FreeType's 16.16.
                            candidate.pitchSub = browser ? renderer.Template(U'0', 1).linearAdvance16
                                                         : candidate.cell.width * kSubpixels;
                            candidate.size64 = size64;
                            candidate.settings = settings;
                            candidate.phases = std::max(settings.phases, 1);
                            candidates.push_back(candidate);
                        }
                    }
                }
            }
        }
    }
    return candidates;
}
