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
#include "PageOutput.h"
#include "PictureFile.h"

#include <cmath>
#include <cstdio>
#include <fstream>

namespace {

const char* const kPageUsage =
    "Usage: recognize-cli page --font F.GLF [--coefficient K] [--ink auto|black]\n"
    "                          [--complex [--words list|open [--unknown-penalty P]]\n"
    "                          [--dict D] [--alphabet latin|cyrillic]] [--json]\n"
    "                          [--debug-dir DIR] PICTURE\n"
    "       recognize-cli page [--family NAME]... [--no-cache] [--ink auto|black] [--json]\n"
    "                          PICTURE\n"
    "\n"
    "Reads the text of a picture written in the glyph font: lines anywhere in the picture,\n"
    "in any number, each cut into cells of the font's cell size on the grid that matches it\n"
    "best, every cell read as \"Recognize (Simple)\" reads one. Prints the page text in\n"
    "UTF-8: lines top to bottom, indentation kept, trailing blanks trimmed.\n"
    "Without --font it reads proportional text (web pages, dialogs, documents): it finds\n"
    "the installed proportional family, the renderer (Chromium, Qt, GTK) and each line's\n"
    "size that explain the picture's ink best, and decodes every line glyph by glyph; stderr\n"
    "says what it read the page with.\n"
    "PICTURE is a PNG, JPEG, WebP, .BMP or Netpbm (PBM, PGM, PPM) file, told by its first\n"
    "bytes; JPEG pixels are taken as stored, without the Exif orientation.\n"
    "\n"
    "  --font F.GLF       glyph font whose glyphs the picture shows (required): a GLF font, or a\n"
    "                     glyph set (.gset) that recognize-cli glyphs wrote\n"
    "  --coefficient K    recognition coefficient of each cell's variants (default 0.2)\n"
    "  --ink RULE         auto (default): the most common colour is the paper, and a pixel\n"
    "                     is ink when it differs from it by more than half the picture's\n"
    "                     contrast, so that dark on light, light on dark and coloured text\n"
    "                     read; black: only pure black pixels are ink\n"
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
    "                     of each stage: \"ink\", \"search\", \"match\", \"total\"); codes are\n"
    "                     Unicode code points\n"
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
    "Exit status: 0 success; 1 the font cannot be loaded, memory runs out, no line of text in\n"
    "its cells is found (without --font: no installed family explains the picture's ink), the\n"
    "debug folder cannot be written, or the word list is larger than the dictionary holds; 2\n"
    "bad usage or an unreadable picture or word list.\n";

// Reads proportional text with the installed families: the text, or the JSON object.
int ReadProportionalPage(const CCommandLine& cl, const CRaster& picture, const std::string& name, InkRule ink)
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
    if (reading.Empty()) {
        PrintError(name + (options.families.empty() ? ": no installed proportional family explains its ink"
                                                    : ": the family named does not explain its ink"));
        return kExitFailure;
    }
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
    cl.AddOption("--family");
    cl.AddFlag("--complex");
    cl.AddFlag("--json");
    cl.AddFlag("--no-cache");
    if (std::optional<int> done = cl.Parse(argc, argv))
        return *done;
    if (cl.Positionals().size() != 1)
        return cl.UsageError(cl.Positionals().empty() ? "the picture (PICTURE) is missing"
                                                      : "unexpected argument '" + cl.Positionals()[1] + "'");
    const std::optional<std::string> fontPath = cl.Value("--font");
    if (!fontPath && cl.Has("--complex"))
        return cl.UsageError("--complex needs the glyph font (--font F.GLF)");
    if (fontPath && cl.Has("--family"))
        return cl.UsageError("--family reads without --font: give one or the other");
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
    if (!fontPath)
        return ReadProportionalPage(cl, picture, name, options.ink);
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

    const std::string out = cl.Has("--json") ? PageJson(page, complex) : page.text;
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
    return status;
}
