// recognize-cli page: the text of a picture in a known glyph font, many lines, anywhere.
#include "CCharImageFont.h"
#include "CDictionary.h"
#include "CDictionaryCache.h"
#include "CliCommon.h"
#include "Commands.h"
#include "DataFiles.h"
#include "DocMessages.h"
#include "PageReader.h"
#include "GlyphSetFile.h"
#include "PageAnsi.h"
#include "PageOutput.h"
#include "PictureFile.h"

#include <cmath>
#include <cstdio>
#include <fstream>

namespace {

const char* const kPageUsage =
    "Usage: recognize-cli page --font F.GLF [--coefficient K] [--ink auto|black]\n"
    "                          [--layout screen|lines]\n"
    "                          [--complex [--words list|open [--unknown-penalty P]]\n"
    "                          [--dict D] [--alphabet latin|cyrillic]] [--json | --ansi]\n"
    "                          [--debug-dir DIR] PICTURE\n"
    "\n"
    "Reads the text of a picture written in the glyph font: lines anywhere in the picture,\n"
    "in any number, each cut into cells of the font's cell size on the grid that matches it\n"
    "best, every cell read as \"Recognize (Simple)\" reads one. Prints the page text in\n"
    "UTF-8: lines top to bottom, indentation kept, trailing blanks trimmed.\n"
    "PICTURE is a PNG, JPEG, WebP, .BMP or Netpbm (PBM, PGM, PPM) file, told by its first\n"
    "bytes; JPEG pixels are taken as stored, without the Exif orientation.\n"
    "\n"
    "  --font F.GLF       glyph font whose glyphs the picture shows (required): a GLF font, or a\n"
    "                     glyph set (.gset) that recognize-cli glyphs wrote\n"
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
    "                     \"total\"); codes are Unicode code points. With --ink auto each\n"
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
    "\n"
    "Exit status: 0 success; 1 the font cannot be loaded, memory runs out, no line of text in\n"
    "its cells is found, the debug folder cannot be written, or the word list is larger than\n"
    "the dictionary holds; 2 bad usage or an unreadable picture or word list.\n";

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

}  // namespace

int RunPageCommand(int argc, char** argv) {
    CCommandLine cl("page", kPageUsage);
    cl.AddOption("--font");
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
    if (!fontPath)
        return cl.UsageError("the glyph font (--font F.GLF) is missing");
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
    if (!LoadPageGlyphs(*fontPath, glyphs))
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
    PageReading page = ReadPage(picture, glyphs, options);
    if (page.bOutOfMemory) {
        PrintError("not enough memory to read " + name);
        return kExitFailure;
    }
    if (const std::optional<std::string> folder = cl.Value("--debug-dir");
        folder && !WriteStages(*folder, picture, page, options))
        return kExitFailure;
    if (page.Empty()) {
        PrintError(name + ": no line of text in the " + std::to_string(glyphs.cellWidth) + " x " +
                   std::to_string(glyphs.cellHeight) + " cells of " + *fontPath + " was found");
        return kExitFailure;
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

    const std::string out = cl.Has("--json") ? PageJson(page, complex) : cl.Has("--ansi") ? PageAnsi(page) : page.text;
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
    return status;
}
