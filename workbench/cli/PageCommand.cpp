// recognize-cli page: the text of a picture in a known glyph font, many lines, anywhere.
#include "CCharImageFont.h"
#include "CDictionary.h"
#include "CDictionaryCache.h"
#include "CliCommon.h"
#include "Commands.h"
#include "DataFiles.h"
#include "DocMessages.h"
#include "PageReader.h"
#include "PageSummary.h"
#include "FontCache.h"
#include "FontSearch.h"
#include "GlyphSetFile.h"
#include "PageAnsi.h"
#include "PageOutput.h"
#include "PictureFile.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <new>
#include <optional>

namespace {

const char* const kPageUsage =
    "Usage: recognize-cli page [--font F.GLF | --family NAME... [--no-cache]]\n"
    "                          [--coefficient K] [--ink auto|black] [--layout screen|lines]\n"
    "                          [--complex [--words list|open [--unknown-penalty P]]\n"
    "                          [--dict D] [--alphabet latin|cyrillic]] [--json | --ansi]\n"
    "                          [--debug-dir DIR] PICTURE\n"
    "\n"
    "Reads the text of a picture written in a fixed-width font: lines anywhere in the\n"
    "picture, in any number, each cut into cells of the font's cell size on the grid that\n"
    "matches it best, every cell read as \"Recognize (Simple)\" reads one. Prints the page\n"
    "text in UTF-8: lines top to bottom, indentation kept, trailing blanks trimmed.\n"
    "Without --font the font is found: the screen's pitch is measured and every installed\n"
    "fixed-width family is tried, as xterm, rxvt-unicode, st, VTE terminals and Chromium draw\n"
    "it, at the sizes that give that pitch, on a sample of the cells; the page is read with\n"
    "the best, in the family's whole repertoire (Latin, Greek, Cyrillic, box drawing, ...)\n"
    "and its bold face. The choice is kept in $XDG_CACHE_HOME/recognize/screen-fonts.tsv, so\n"
    "that the next screenshot of the same screen reads without the search.\n"
    "A page that shows no column pitch, or that no fixed-width family reads, is read as\n"
    "proportional text (web pages, dialogs, documents): the installed proportional family,\n"
    "the renderer (Chromium, Qt, GTK) and each line's size that explain the picture's ink\n"
    "best are found, and every line is decoded glyph by glyph. Stderr says whether the page\n"
    "was read as fixed-width or proportional text, and with what.\n"
    "PICTURE is a PNG, JPEG, WebP, .BMP or Netpbm (PBM, PGM, PPM) file, told by its first\n"
    "bytes; JPEG pixels are taken as stored, without the Exif orientation.\n"
    "\n"
    "  --font F.GLF       glyph font whose glyphs the picture shows: a GLF font, or a glyph\n"
    "                     set (.gset) that recognize-cli glyphs wrote; no font search\n"
    "  --family NAME      search only this family (may be given more than once)\n"
    "  --no-cache         search even when a font found before fits, and keep nothing\n"
    "  --coefficient K    recognition coefficient of each cell's variants (default 0.2)\n"
    "  --ink RULE         auto (default): the most common colour is the paper, and a pixel\n"
    "                     is ink when it differs from it by more than half the picture's\n"
    "                     contrast, so that dark on light, light on dark and coloured text\n"
    "                     read; where regions of other colours hold text (bars, reverse\n"
    "                     video), each pixel against the background around it; once the\n"
    "                     grid is found every cell is read against its own background and\n"
    "                     foreground, and gets its colours and attributes; black: only\n"
    "                     pure black pixels are ink, no colours\n"
    "  --layout L         screen (default): a terminal's screen, its blank rows and columns\n"
    "                     kept from its first ones, every row a line across every column;\n"
    "                     lines: the lines of text, the blank columns common to all dropped\n"
    "  --complex          the dictionary step of \"Recognize (Complex)\" on each line; a line\n"
    "                     with no cut into words keeps its Simple reading (stderr names it)\n"
    "  --words W          the dictionary step of --complex: list (default) reads only words of\n"
    "                     the list; open also allows words outside it, read as the cells\n"
    "                     read them, so that every line has a reading\n"
    "  --unknown-penalty P  with --words open: the penalty of a word outside the list, 0 to 10\n"
    "                     (default 0.2), as recognize-cli read takes it\n"
    "  --dict D           word list of --complex (default dict.dic, found as documents find it)\n"
    "  --alphabet A       the word list's alphabet: latin (default) or cyrillic\n"
    "  --json             print one JSON object instead: \"text\", \"cellWidth\",\n"
    "                     \"cellHeight\", \"lines\" (top to bottom, each with \"top\", \"left\",\n"
    "                     \"text\", \"cost\" (its cells' best costs summed) and \"cells\" (per\n"
    "                     cell [code, best, worst])), with --complex \"noCut\" (the indexes of\n"
    "                     the lines without a cut into words), and \"milliseconds\" (the time\n"
    "                     of each stage: \"ink\", \"search\", \"match\", \"style\",\n"
    "                     \"total\"); codes are Unicode code points; \"unsure\" ([line, cell]\n"
    "                     of every unsure cell), \"lookAlikes\" (runs of letters read in one\n"
    "                     script by their context, and runs no context decided), \"groups\"\n"
    "                     (the cells of one image, read once: \"code\", \"cells\", \"best\",\n"
    "                     \"unsure\" and the codes \"alike\" within a pixel or two); without\n"
    "                     --font \"font\": \"family\", \"file\", \"program\", \"size\",\n"
    "                     \"hinting\", \"antialias\", \"gamma\", \"settings\", \"cell\",\n"
    "                     \"pitch\", \"meanCost\" (mean best cost of an inked cell, as a share\n"
    "                     of its pixels), \"fromCache\", \"searchMilliseconds\" and\n"
    "                     \"candidates\" (the best few and their costs). With --ink auto each\n"
    "                     line also has \"row\", \"column\" and \"styles\" (per cell \"char\",\n"
    "                     \"fg\" and \"bg\" as \"#RRGGBB\", \"bold\", \"italic\", \"underline\",\n"
    "                     \"strike\", \"inverse\"), and the object \"colours\" (the default\n"
    "                     \"fg\" and \"bg\") and, on a screen, \"screen\" (\"rows\", \"columns\",\n"
    "                     \"firstRow\", \"firstColumn\" on the grid)\n"
    "  --ansi             print the text with SGR escapes instead: each cell in its colours\n"
    "                     (24-bit) and attributes (bold, italic, underline, strike-through,\n"
    "                     reverse), so that a terminal shows the screen as it was taken\n"
    "  --debug-dir DIR    also write what each stage decided into DIR (made when missing):\n"
    "                     1-ink.png (the ink mask), 2-bands.png (the text bands),\n"
    "                     3-grid.png (the cells, unsure ones orange) and stages.txt (paper\n"
    "                     colour, threshold, strips, bands, grid phase, costs, times)\n"
    "  --family NAME      without --font: read proportional text in this installed family\n"
    "                     only (any case; give it again for more than one)\n"
    "  --no-cache         without --font: neither try nor keep the choice of earlier\n"
    "                     pictures ($XDG_CACHE_HOME/recognize/proportional)\n"
    "  --json             without --font: one JSON object: \"mode\" (\"proportional\"), \"text\",\n"
    "                     \"font\" (family, files, renderer, settings, cost per pixel of ink),\n"
    "                     \"ranking\" (the best candidates of the search), \"lines\" (each with\n"
    "                     \"top\", \"bottom\", \"baseline\", \"size\", \"text\", \"cost\", \"ink\" and\n"
    "                     \"glyphs\": each glyph's \"text\", \"codes\", \"box\" [left, top, right,\n"
    "                     bottom] and \"cost\") and \"milliseconds\" (\"ink\", \"search\",\n"
    "                     \"decode\", \"total\")\n"
    "\n"
    "A cell whose best glyph differs from the picture in more than a tenth of its pixels is\n"
    "unsure; when most cells are, stderr says so and names the best candidates.\n"
    "\n"
    "Exit status: 0 text was read (even with unsure cells); 1 the font cannot be loaded or\n"
    "found (no installed family, fixed-width or proportional, explains the ink), memory runs out, no line of text is found, the debug folder cannot be written, or\n"
    "the word list is larger than the dictionary holds; 2 bad usage or an unreadable picture\n"
    "or word list.\n";

// Reads proportional text with the installed families and prints the text or the JSON object;
// the exit status, or nothing when no family explains the picture's ink.
std::optional<int> ReadProportionalPage(const CCommandLine& cl, const CRaster& picture, const std::string& name, InkRule ink)
{
    ProportionalOptions options;
    options.families = cl.Values("--family");
    options.useCache = !cl.Has("--no-cache");
    options.ink = ink;
    const ProportionalReading reading = ReadProportional(picture, options);
    if (reading.bOutOfMemory) {
        PrintError("not enough memory to read " + name);
        return kExitFailure;
    }
    if (reading.Empty())
        return std::nullopt;
    if (cl.Has("--complex"))
        PrintError(name + ": --complex reads fixed-width text only; the page is read without it");
    PrintError(name + ": read as proportional text in " + DescribeProportional(reading) +
               (reading.bFromCache ? " (the choice of an earlier picture)" : ""));
    const std::string out = cl.Has("--json") ? ProportionalJson(reading) : reading.text;
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
    return kExitSuccess;
}

// Loads the glyphs of --font: a glyph set file (told by its first bytes) or a GLF font; false
// after a message.
bool LoadPageGlyphs(const std::string& path, GlyphSet& glyphs)
{
    std::uint8_t head[4] = {};
    std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(head), sizeof head);
    if (IsGlyphSetFile(head)) {
        std::string error;
        if (LoadGlyphSetFile(path, glyphs, error))
            return true;
        PrintError(error);
        return false;
    }
    CCharImageFont font;
    if (!LoadFontFile(font, path))
        return false;
    glyphs = GlyphSetFromFont(font);
    return true;
}

// Searches the font of picture; nothing after a message when memory runs out.
std::optional<FontSearchResult> SearchFont(const CRaster& picture, const PageOptions& page,
                                           const std::vector<std::string>& families, bool useCache)
{
    try {
        const InkBits ink = InkMask(picture, page.ink, page.path);
        FontSearchOptions options;
        options.families = families;
        options.path = page.path;
        options.read = page;
        if (useCache)
            options.cacheFile = FontCacheFile(DefaultDictionaryImageFolder());
        return FindScreenFont(picture, ink, options);
    } catch (const std::bad_alloc&) {
        PrintError("not enough memory to search the font of the picture");
        return std::nullopt;
    }
}

// Says on stderr when most inked cells are unsure: the text is likely in no installed
// fixed-width font, and the best candidates are named.
void WarnWhenUnsure(const PageReading& page, const FontSearchResult& search)
{
    int inked = 0;
    int unsure = 0;
    for (const PageLine& line : page.lines)
        for (const PageCell& cell : line.cells) {
            inked += cell.bBlank ? 0 : 1;
            unsure += IsUnsure(cell, page.cellWidth, page.cellHeight) ? 1 : 0;
        }
    if (2 * unsure <= inked)
        return;
    std::string names;
    for (const FontChoice& choice : search.ranked) {
        char cost[32];
        std::snprintf(cost, sizeof cost, " (%.1f %%)", 100.0 * choice.CostShare());
        names += "\n  " + choice.candidate.Describe() + cost;
    }
    PrintError(std::to_string(unsure) + " of " + std::to_string(inked) +
               " cells are unsure: the text may be in no installed fixed-width font, or not on a grid "
               "of cells; the best candidates were:" + names);
}

}  // namespace

int RunPageCommand(int argc, char** argv) {
    CCommandLine cl("page", kPageUsage);
    cl.AddOption("--font");
    cl.AddOption("--family");
    cl.AddFlag("--no-cache");
    cl.AddOption("--coefficient");
    cl.AddOption("--ink");
    cl.AddOption("--dict");
    cl.AddOption("--alphabet");
    cl.AddOption("--words");
    cl.AddOption("--unknown-penalty");
    cl.AddOption("--debug-dir");
    cl.AddFlag("--complex");
    cl.AddFlag("--json");
    cl.AddFlag("--ansi");
    cl.AddOption("--layout");
    if (std::optional<int> done = cl.Parse(argc, argv))
        return *done;
    if (cl.Positionals().size() != 1)
        return cl.UsageError(cl.Positionals().empty() ? "the picture (PICTURE) is missing"
                                                      : "unexpected argument '" + cl.Positionals()[1] + "'");
    const std::optional<std::string> fontPath = cl.Value("--font");
    const std::vector<std::string> families = cl.Values("--family");
    if (fontPath && (!families.empty() || cl.Has("--no-cache")))
        return cl.UsageError("--font names the font: it does not go with --family or --no-cache");
    PageOptions options;
    if (std::optional<std::string> text = cl.Value("--coefficient")) {
        std::optional<double> value = ParseNumber(*text);
        if (!value || !std::isfinite(*value))
            return cl.UsageError("--coefficient needs a number, not '" + *text + "'");
        options.coefficient = *value;
    }
    if (std::optional<std::string> ink = cl.Value("--ink")) {
        if (*ink == "auto")
            options.ink = InkRule::Auto;
        else if (*ink == "black")
            options.ink = InkRule::Black;
        else
            return cl.UsageError("--ink needs auto or black, not '" + *ink + "'");
    }
    if (std::optional<std::string> layout = cl.Value("--layout")) {
        if (*layout == "screen")
            options.layout = PageLayout::Screen;
        else if (*layout == "lines")
            options.layout = PageLayout::Lines;
        else
            return cl.UsageError("--layout needs screen or lines, not '" + *layout + "'");
    } else {
        options.layout = PageLayout::Screen;
    }
    if (cl.Has("--json") && cl.Has("--ansi"))
        return cl.UsageError("give either --json or --ansi");
    const std::optional<int> alphabet = AlphabetValue(cl);
    if (!alphabet)
        return kExitUsage;
    const std::optional<WordsChoice> words = WordsValue(cl);
    if (!words)
        return kExitUsage;
    const bool complex = cl.Has("--complex");
    const std::optional<std::string> dictPath = cl.Value("--dict");
    if (complex && dictPath && !std::ifstream(*dictPath, std::ios::binary)) {
        PrintError(*dictPath + ": cannot read the word list");
        return kExitUsage;
    }

    GlyphSet glyphs;
    if (fontPath && !LoadPageGlyphs(*fontPath, glyphs))
        return kExitFailure;
    PictureLoad load = LoadPicture(cl.Positionals().front());
    if (!load.Ok()) {
        PrintError(load.message);
        return load.problem == PictureProblem::OutOfMemory ? kExitFailure : kExitUsage;
    }
    if (!load.warning.empty())
        PrintError("warning: " + load.warning);
    const CRaster picture = std::move(load.raster);

    const std::string& name = cl.Positionals().front();
    std::optional<FontSearchResult> search;
    if (!fontPath) {
        search = SearchFont(picture, options, families, !cl.Has("--no-cache"));
        if (!search)
            return kExitFailure;
        // A page with no column pitch, or one whose cells no fixed-width family reads surely, is
        // proportional text; when no proportional family explains it either, the best fixed-width
        // reading stands, its unsure cells said.
        if (!search->Found() || IsPoorReading(search->page)) {
            if (const std::optional<int> status = ReadProportionalPage(cl, picture, name, options.ink))
                return *status;
        }
        if (!search->Found()) {
            PrintError(name + ": no font found: " + search->problem + "; no installed proportional family explains its ink");
            return kExitFailure;
        }
        glyphs = search->glyphs;
        options.pitchSub = ChoicePitchSub(search->Best());
    }
    PageReading page = search ? std::move(search->page) : ReadPage(picture, glyphs, options);
    if (page.bOutOfMemory) {
        PrintError("not enough memory to read " + name);
        return kExitFailure;
    }
    if (const std::optional<std::string> folder = cl.Value("--debug-dir");
        folder && !WriteStages(*folder, picture, page, options))
        return kExitFailure;
    if (page.Empty()) {
        PrintError(name + ": no line of text in the " + std::to_string(glyphs.cellWidth) + " x " +
                   std::to_string(glyphs.cellHeight) + " cells of " + (fontPath ? *fontPath : glyphs.name) + " was found");
        return kExitFailure;
    }
    if (search) {
        PrintError(name + ": read as fixed-width text in " + search->Best().candidate.Describe() +
                   (search->bFromCache ? " (the choice of an earlier picture)" : ""));
        WarnWhenUnsure(page, *search);
    }
    int status = kExitSuccess;
    if (complex) {
        // dict.dic may be missing, as for documents: every line then keeps its Simple reading.
        const std::string dict = dictPath ? *dictPath : FindDataFile(kDictionaryPath);
        CDictionary dictionary;
        const DictionaryLoadReport load = CDictionaryCache::Shared().Load(dictionary, dict, *alphabet);
        if (load.BoundReached()) {
            PrintError(WordListMessage(dict, load));
            status = kExitFailure;
        }
        OpenWordsOptions open;
        open.dUnknownPenalty = words->dPenalty;
        open.nCellPixels = glyphs.cellWidth * glyphs.cellHeight;
        ReadPageWords(page, dictionary, words->bOpen ? PageWordsStep::Open : PageWordsStep::ListOnly, open);
        if (page.bOutOfMemory) {
            PrintError("not enough memory to read " + name);
            return kExitFailure;
        }
        const std::vector<int> noCut = page.NoCutLines();
        if (!noCut.empty()) {
            std::string lines;
            for (int index : noCut)
                lines += (lines.empty() ? "" : ", ") + std::to_string(index + 1);
            PrintError(std::string(noCut.size() == 1 ? "line " : "lines ") + lines +
                       (noCut.size() == 1 ? " has" : " have") +
                       " no cut into dictionary words and keep the Simple reading");
        }
    }

    const std::string out = cl.Has("--json")   ? PageJson(page, complex, search ? &*search : nullptr)
                            : cl.Has("--ansi") ? PageAnsi(page)
                                               : page.text;
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
    return status;
}
