#include "FontCandidates.h"

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

// A cell's width lies within this many pixels of the face's unhinted advance (hinting rounds
// the advance; rxvt-unicode widens its cell to the widest ink).
constexpr double kAdvanceSlack = 1.5;

// A browser's pitch is the unhinted advance summed; the measured one is within this many 64ths.
constexpr int kBrowserPitchSlack = 2;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The advance in 64ths of a pixel of the face's '0' at a size of 64 pixels per em, unhinted.
int AdvanceAt64(CFaceRenderer& renderer)
{
    RenderSettings unhinted;
    unhinted.hinting = Hinting::None;
    renderer.SetSettings(unhinted);
    if (!renderer.SetSize(64 * 64))
        return 0;
    const GlyphTemplate zero = renderer.Template(U'0', 1);
    return zero.linearAdvance64;
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

std::vector<FontCandidate> FontCandidates(const PagePitch& pitch, Smoothing smoothing,
                                          const std::vector<std::string>& families, CFaceRenderer& renderer)
{
    std::vector<FontCandidate> candidates;
    if (pitch.columnPitch64 <= 0)
        return candidates;
    std::vector<std::string> wanted;
    for (const std::string& name : families)
        wanted.push_back(Lower(name));
    std::vector<InstalledFamily> installed = families.empty() ? FixedWidthFamilies() : InstalledFamilies();
    if (!wanted.empty())
        installed.erase(std::remove_if(installed.begin(), installed.end(),
                                       [&](const InstalledFamily& f) {
                                           return std::find(wanted.begin(), wanted.end(), Lower(f.family)) == wanted.end();
                                       }),
                        installed.end());
    const std::vector<double> nominal = NominalSizes();
    const double columnPitch = pitch.columnPitch64 / 64.0;

    for (const InstalledFamily& family : installed) {
        for (const ScreenProgram& program : ScreenPrograms()) {
            const bool browser = program.terminal == Terminal::Chromium;
            // A terminal's pitch is whole pixels; a browser's may be either.
            if (!browser && !pitch.WholePixelColumns())
                continue;
            for (const double scale : browser ? std::vector<double>(std::begin(kDeviceScales), std::end(kDeviceScales))
                                              : std::vector<double>{1.0}) {
                FontRequest request;
                request.family = family.family;
                request.pixelSize = 16 * scale;
                request.deviceScale = scale;
                const std::optional<MatchedFont> regular = MatchFont(request, program.renderer);
                if (!regular || !renderer.SetFace(regular->file, regular->index))
                    continue;
                const int advance64At64 = AdvanceAt64(renderer);
                if (advance64At64 <= 0)
                    continue;
                FontRequest boldRequest = request;
                boldRequest.bold = true;
                const std::optional<MatchedFont> bold = MatchFont(boldRequest, program.renderer);
                std::vector<RenderSettings> variants;
                if (smoothing != Smoothing::Mono)
                    variants.push_back(regular->settings);
                if (smoothing != Smoothing::Grey && !browser) {
                    RenderSettings mono = regular->settings;
                    mono.antialias = Antialias::Mono;
                    mono.hinting = Hinting::Full;
                    variants.push_back(mono);
                }
                std::set<int> tried;
                for (double css : nominal) {
                    const double px = css * scale;
                    const double advance = advance64At64 / 64.0 * px / 64.0;
                    if (std::abs(advance - columnPitch) > (browser ? 0.25 : kAdvanceSlack))
                        continue;
                    for (const RenderSettings& settings : variants) {
                        const int size64 = PixelSizeTo26Dot6(px, settings.sizeRounding);
                        if (!tried.insert(size64 * 2 + (settings.antialias == Antialias::Mono ? 1 : 0)).second)
                            continue;
                        renderer.SetSettings(settings);
                        if (!renderer.SetSize(size64))
                            continue;
                        FontCandidate candidate;
                        candidate.cell = TerminalCellOf(program.terminal, renderer);
                        const bool widthFits = browser ? std::abs(candidate.cell.pitch64 - pitch.columnPitch64) <= kBrowserPitchSlack
                                                       : candidate.cell.width * 64 == pitch.columnPitch64;
                        const bool heightFits = pitch.linePitch == 0 || candidate.cell.height == pitch.linePitch;
                        if (!widthFits || !heightFits)
                            continue;
                        candidate.family = family.family;
                        candidate.file = regular->file;
                        candidate.index = regular->index;
                        if (bold && bold->file != regular->file) {
                            candidate.boldFile = bold->file;
                            candidate.boldIndex = bold->index;
                        }
                        candidate.program = &program;
                        candidate.size64 = size64;
                        candidate.settings = settings;
                        candidate.phases = std::max(settings.phases, 1);
                        candidates.push_back(candidate);
                    }
                }
            }
        }
    }
    return candidates;
}
