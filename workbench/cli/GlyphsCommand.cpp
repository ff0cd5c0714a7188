// recognize-cli glyphs: a family rendered as a screen renders it, into a glyph set to look at
// (a PNG sheet) or to read with (GLF, or the glyph-set format).
#include "CCharImageFont.h"
#include "CliCommon.h"
#include "CodePage1251.h"
#include "Commands.h"
#include "FontMatch.h"
#include "GlyphSetFile.h"
#include "RenderGlyphSet.h"
#include "Repertoire.h"
#include "TerminalCells.h"

#include <png.h>

#include <algorithm>
#include <cstdio>

namespace {

const char* const kGlyphsUsage =
    "Usage: recognize-cli glyphs --family F (--size PX | --points P [--dpi D]) [--renderer R]\n"
    "                            [--terminal T] [--settings S] [--phases N] [--cell WxH]\n"
    "                            [--baseline B] [--bold] [--italic] -o OUT.png|OUT.glf|OUT.gset\n"
    "\n"
    "Renders the family's glyphs of the screen repertoire (Latin, Greek, Cyrillic, punctuation,\n"
    "arrows, box drawing, block elements and common symbols) as a screen's renderer renders\n"
    "them, cut into the terminal's cells, and writes them as a sheet to look at (PNG: the cells\n"
    "of phase 0, black on white, 32 a row), a GLF font (the glyphs Windows-1251 has; one phase)\n"
    "or a glyph-set file (.gset: every glyph, face and phase). A summary goes to stderr.\n"
    "\n"
    "  --family F      a fontconfig name: \"DejaVu Sans Mono\", \"Hack:antialias=false\" (required)\n"
    "  --size PX       pixels per em, fractions allowed\n"
    "  --points P      points, at --dpi D (default 96)\n"
    "  --renderer R    whose rules turn fontconfig's answer into settings: xft (default),\n"
    "                  cairo, skia or qt\n"
    "  --terminal T    whose cell: xterm (default with xft and qt), urxvt, st, vte (default with\n"
    "                  cairo) or chromium (default with skia: the line box and the advance);\n"
    "                  with urxvt and vte box drawing and block elements (U+2500..U+259F) as\n"
    "                  those terminals draw them themselves\n"
    "  --settings S    render settings instead of fontconfig's: a preset (xft, xft-mono, cairo,\n"
    "                  cairo-mono, cairo-slight, skia, skia-hidpi, qt) and/or key=value pairs,\n"
    "                  e.g. \"xft,antialias=mono\"\n"
    "  --phases N      images a glyph at N pen positions a pixel (default: the settings')\n"
    "  --cell WxH      the cell instead of the terminal's\n"
    "  --baseline B    the baseline's row in the cell instead of the terminal's\n"
    "  --bold, --italic  add the family's bold or italic face; a family without a bold face is\n"
    "                  emboldened as fontconfig says, one without italics gets none\n"
    "  -o, --output F  the file to write (replaced atomically), its kind told by its extension\n"
    "\n"
    "Exit status: 0 success; 1 the set cannot be written in that format or the file cannot be\n"
    "written; 2 bad usage or no such font.\n";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Extension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    return dot == std::string::npos || (slash != std::string::npos && dot < slash) ? std::string() : Lower(path.substr(dot));
}

// The printable codes of Windows-1251, as Unicode.
std::vector<char32_t> Cp1251Codes() {
    std::vector<char32_t> codes;
    for (int code = 32; code < 256; ++code)
        if (const char32_t unicode = Cp1251ToUnicode(static_cast<std::uint8_t>(code)); ClassOfCode(unicode) != CodeClass::Control)
            codes.push_back(unicode);
    return codes;
}

// A PNG of 8-bit grey pixels, in memory.
std::vector<std::uint8_t> EncodeGreyPng(int width, int height, const std::vector<std::uint8_t>& pixels) {
    std::vector<std::uint8_t> bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(
        png, &bytes,
        [](png_structp p, png_bytep data, png_size_t length) {
            auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
            out->insert(out->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_GRAY,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, pixels.data() + static_cast<std::size_t>(y) * width);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

// The sheet: phase 0 of every glyph as the screen shows it, black on white, in cells parted
// by grey lines.
std::vector<std::uint8_t> Sheet(const std::vector<FaceTemplates>& faces, const GlyphSetRequest& request) {
    constexpr int kColumns = 32;
    std::size_t glyphs = 0;
    for (const FaceTemplates& face : faces)
        glyphs += face.glyphs.size();
    const int rows = static_cast<int>((glyphs + kColumns - 1) / kColumns);
    const int pitchX = request.cellWidth + 1;
    const int pitchY = request.cellHeight + 1;
    const int width = kColumns * pitchX + 1;
    const int height = std::max(rows, 1) * pitchY + 1;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height, 255);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (x % pitchX == 0 || y % pitchY == 0)
                pixels[static_cast<std::size_t>(y) * width + x] = 192;
    std::vector<std::uint8_t> cell(static_cast<std::size_t>(request.cellWidth) * request.cellHeight);
    int n = 0;
    for (const FaceTemplates& face : faces)
        for (const GlyphTemplate& glyph : face.glyphs) {
            PlaceInCell(glyph.phases.front(), request.cellWidth, request.cellHeight, request.baseline, cell.data());
            const int left = (n % kColumns) * pitchX + 1;
            const int top = (n / kColumns) * pitchY + 1;
            for (int y = 0; y < request.cellHeight; ++y)
                for (int x = 0; x < request.cellWidth; ++x)
                    pixels[static_cast<std::size_t>(top + y) * width + left + x] =
                        static_cast<std::uint8_t>(255 - cell[static_cast<std::size_t>(y) * request.cellWidth + x]);
            ++n;
        }
    return EncodeGreyPng(width, height, pixels);
}

}  // namespace

int RunGlyphsCommand(int argc, char** argv) {
    CCommandLine cl("glyphs", kGlyphsUsage);
    for (const char* option : {"--family", "--size", "--points", "--dpi", "--renderer", "--terminal", "--settings",
                               "--phases", "--cell", "--baseline"})
        cl.AddOption(option);
    cl.AddOption("--output", "-o");
    cl.AddFlag("--bold");
    cl.AddFlag("--italic");
    if (std::optional<int> done = cl.Parse(argc, argv))
        return *done;
    if (!cl.Positionals().empty())
        return cl.UsageError("unexpected argument '" + cl.Positionals().front() + "'");
    const std::optional<std::string> family = cl.Value("--family");
    if (!family)
        return cl.UsageError("the family (--family F) is missing");
    const std::optional<std::string> output = cl.Value("--output");
    if (!output)
        return cl.UsageError("the output file (-o OUT.png|OUT.glf|OUT.gset) is missing");
    const std::string kind = Extension(*output);
    if (kind != ".png" && kind != ".glf" && kind != ".gset")
        return cl.UsageError("the output must end in .png, .glf or .gset");
    if (cl.Has("--size") == cl.Has("--points"))
        return cl.UsageError("give either --size PX or --points P");

    FontRequest request;
    request.family = *family;
    const auto number = [&](const char* option, double minimum, double maximum) -> std::optional<double> {
        const std::optional<double> value = ParseNumber(*cl.Value(option));
        if (!value || *value < minimum || *value > maximum) {
            cl.UsageError(std::string(option) + " must be a number from " + JsonNumber(minimum) + " to " + JsonNumber(maximum));
            return std::nullopt;
        }
        return value;
    };
    if (cl.Has("--size")) {
        const std::optional<double> size = number("--size", 1, 1000);
        if (!size)
            return kExitUsage;
        request.pixelSize = *size;
    } else {
        const std::optional<double> points = number("--points", 1, 1000);
        const std::optional<double> dpi = cl.Has("--dpi") ? number("--dpi", 10, 2000) : std::optional<double>(96);
        if (!points || !dpi)
            return kExitUsage;
        request.points = *points;
        request.dpi = *dpi;
    }
    const std::string rendererName = cl.Value("--renderer").value_or("xft");
    const ScreenRenderer renderer = rendererName == "cairo" ? ScreenRenderer::Cairo
                                    : rendererName == "skia" ? ScreenRenderer::Skia
                                    : rendererName == "qt"   ? ScreenRenderer::Qt
                                                             : ScreenRenderer::Xft;
    if (rendererName != "xft" && rendererName != "cairo" && rendererName != "skia" && rendererName != "qt")
        return cl.UsageError("unknown renderer '" + rendererName + "' (xft, cairo, skia or qt)");
    const std::string terminalName = cl.Value("--terminal").value_or(
        renderer == ScreenRenderer::Cairo ? "vte" : renderer == ScreenRenderer::Skia ? "chromium" : "xterm");
    const std::pair<const char*, Terminal> terminals[] = {{"xterm", Terminal::Xterm}, {"urxvt", Terminal::Urxvt},
                                                          {"st", Terminal::St},       {"vte", Terminal::Vte},
                                                          {"chromium", Terminal::Chromium}};
    const auto terminal = std::find_if(std::begin(terminals), std::end(terminals),
                                       [&](const auto& t) { return terminalName == t.first; });
    if (terminal == std::end(terminals))
        return cl.UsageError("unknown terminal '" + terminalName + "' (xterm, urxvt, st, vte or chromium)");

    std::string error;
    const std::optional<MatchedFont> font = MatchFont(request, renderer, &error);
    if (!font) {
        PrintError(error);
        return kExitUsage;
    }
    if (!font->familyFound)
        PrintError("\"" + *family + "\" is not installed; fontconfig draws it with " + font->family);
    RenderSettings settings = font->settings;
    if (const std::optional<std::string> text = cl.Value("--settings")) {
        const std::optional<RenderSettings> parsed = ParseRenderSettings(*text, &error);
        if (!parsed)
            return cl.UsageError(error);
        settings = *parsed;
    }

    GlyphSetRequest set;
    set.faces.push_back({GlyphFace::Regular, font->file, font->index, false});
    for (const auto& [flag, face] : {std::pair{"--bold", GlyphFace::Bold}, std::pair{"--italic", GlyphFace::Italic}}) {
        if (!cl.Has(flag))
            continue;
        FontRequest styled = request;
        styled.bold = face == GlyphFace::Bold;
        styled.italic = face == GlyphFace::Italic;
        const std::optional<MatchedFont> match = MatchFont(styled, renderer);
        if (match && match->synthesizedOblique)
            PrintError(*family + " has no italic face; fontconfig would slant the upright one, which is not drawn here");
        else if (match)
            set.faces.push_back({face, match->file, match->index, match->settings.embolden});
    }
    // rxvt-unicode and VTE draw box drawing and block elements themselves.
    set.boxGlyphs = terminal->second == Terminal::Urxvt ? BoxGlyphs::Urxvt
                    : terminal->second == Terminal::Vte ? BoxGlyphs::Vte
                                                        : BoxGlyphs::Font;
    set.size64 = PixelSizeTo26Dot6(font->pixelSize, settings.sizeRounding);
    set.settings = settings;
    set.phases = settings.phases;
    if (cl.Has("--phases")) {
        const std::optional<long long> phases = cl.IntegerValue("--phases", 1, 1, GlyphSet::kMaxPhases);
        if (!phases)
            return kExitUsage;
        set.phases = static_cast<int>(*phases);
    }
    CFaceRenderer faces;
    if (!faces.SetFace(font->file, font->index) || !faces.SetSize(set.size64)) {
        PrintError(font->file + ": FreeType cannot read the font at this size");
        return kExitFailure;
    }
    faces.SetSettings(settings);
    const TerminalCell cell = TerminalCellOf(terminal->second, faces);
    set.cellWidth = terminal->second == Terminal::Chromium ? (cell.pitch64 + 63) / 64 : cell.width;
    set.cellHeight = cell.height;
    set.baseline = cell.baseline;
    if (const std::optional<std::string> text = cl.Value("--cell")) {
        int width = 0;
        int height = 0;
        char separator = 0;
        if (std::sscanf(text->c_str(), "%d%c%d", &width, &separator, &height) != 3 || (separator != 'x' && separator != 'X') ||
            width < 1 || height < 1 || width > kMaxGlyphSetCell || height > kMaxGlyphSetCell)
            return cl.UsageError("--cell must be WxH, each from 1 to " + std::to_string(kMaxGlyphSetCell));
        set.cellWidth = width;
        set.cellHeight = height;
    }
    if (cl.Has("--baseline")) {
        const std::optional<long long> baseline = cl.IntegerValue("--baseline", 0, -1000, 1000);
        if (!baseline)
            return kExitUsage;
        set.baseline = static_cast<int>(*baseline);
    }
    if (kind == ".glf") {
        if (set.phases != 1)
            return cl.UsageError("a GLF font holds one phase: write a .gset for more");
        set.codes = Cp1251Codes();
        set.faces.resize(1);
    }

    const std::vector<FaceTemplates> templates = RenderTemplates(faces, set);
    GlyphSet glyphs = CutGlyphSet(templates, set);
    glyphs.name = font->family + " " + JsonNumber(set.size64 / 64.0) + " px";
    std::fprintf(stderr, "recognize-cli: %s (%s), %s: cells %d x %d, baseline %d, %d phase%s, %d glyphs\n",
                 glyphs.name.c_str(), font->file.c_str(), ToString(settings).c_str(), glyphs.cellWidth,
                 glyphs.cellHeight, glyphs.baseline, glyphs.phases, glyphs.phases == 1 ? "" : "s", glyphs.Glyphs());

    std::vector<std::uint8_t> bytes;
    if (kind == ".png") {
        bytes = Sheet(templates, set);
    } else if (kind == ".gset") {
        bytes = EncodeGlyphSet(glyphs);
    } else {
        std::string reason;
        const std::optional<CCharImageFont> glf = GlyphSetToFont(glyphs, &reason);
        if (!glf) {
            PrintError(*output + ": " + reason);
            return kExitFailure;
        }
        CByteWriter writer;
        glf->SaveToArchive(writer);
        bytes = std::move(writer.Bytes());
    }
    if (bytes.empty() || !WriteFileAtomically(*output, bytes)) {
        PrintError(*output + ": the file cannot be written");
        return kExitFailure;
    }
    return kExitSuccess;
}
