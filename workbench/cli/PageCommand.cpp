// recognize-cli page: the text of a picture in a known glyph font, many lines, anywhere.
#include "CCharImageFont.h"
#include "CDictionary.h"
#include "CDictionaryCache.h"
#include "CliCommon.h"
#include "Commands.h"
#include "DataFiles.h"
#include "DocMessages.h"
#include "PageReader.h"
#include "PictureFile.h"

#include <cmath>
#include <cstdio>
#include <fstream>

namespace {

const char* const kPageUsage =
    "Usage: recognize-cli page --font F.GLF [--coefficient K] [--ink auto|black]\n"
    "                          [--complex [--dict D] [--alphabet latin|cyrillic]] [--json] PICTURE\n"
    "\n"
    "Reads the text of a picture written in the glyph font: lines anywhere in the picture,\n"
    "in any number, each cut into cells of the font's cell size on the grid that matches it\n"
    "best, every cell read as \"Recognize (Simple)\" reads one. Prints the page text in\n"
    "UTF-8: lines top to bottom, indentation kept, trailing blanks trimmed.\n"
    "PICTURE is a PNG, JPEG, WebP, .BMP or Netpbm (PBM, PGM, PPM) file, told by its first\n"
    "bytes; JPEG pixels are taken as stored, without the Exif orientation.\n"
    "\n"
    "  --font F.GLF       glyph font whose glyphs the picture shows (required)\n"
    "  --coefficient K    recognition coefficient of each cell's variants (default 0.2)\n"
    "  --ink RULE         auto (default): the most common colour is the paper, and a pixel\n"
    "                     is ink when it differs from it by more than half the picture's\n"
    "                     contrast, so that dark on light, light on dark and coloured text\n"
    "                     read; black: only pure black pixels are ink\n"
    "  --complex          the dictionary step of \"Recognize (Complex)\" on each line; a line\n"
    "                     with no cut into words keeps its Simple reading (stderr names it)\n"
    "  --dict D           word list of --complex (default dict.dic, found as documents find it)\n"
    "  --alphabet A       the word list's alphabet: latin (default) or cyrillic\n"
    "  --json             print one JSON object instead: \"text\", \"cellWidth\",\n"
    "                     \"cellHeight\", \"lines\" (top to bottom, each with \"top\", \"left\",\n"
    "                     \"text\", \"cost\" (its cells' best costs summed) and \"cells\" (per\n"
    "                     cell [code, best, worst])), with --complex \"noCut\" (the indexes of\n"
    "                     the lines without a cut into words), and \"milliseconds\" (the time\n"
    "                     of each stage: \"ink\", \"search\", \"match\", \"total\")\n"
    "\n"
    "Exit status: 0 success; 1 the font cannot be loaded, memory runs out while the picture is\n"
    "read, no line of text in its cells is found, or the word list is larger than the dictionary\n"
    "holds; 2 bad usage or an unreadable picture or word list.\n";

std::string PageJson(const PageReading& page, bool complex) {
    CJsonWriter json;
    json.BeginObject();
    json.Key("text").Text(page.text);
    json.Key("cellWidth").Int(page.cellWidth);
    json.Key("cellHeight").Int(page.cellHeight);
    json.Key("lines").BeginArray();
    for (const PageLine& line : page.lines) {
        json.BeginObject();
        json.Key("top").Int(line.top);
        json.Key("left").Int(line.left);
        json.Key("text").Text(line.text);
        json.Key("cost").Int(line.Cost());
        json.Key("cells").BeginArray();
        for (const PageCell& cell : line.cells)
            json.BeginArray().Int(cell.code).Int(cell.best).Int(cell.worst).EndArray();
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
    if (complex) {
        json.Key("noCut").BeginArray();
        for (int index : page.NoCutLines())
            json.Int(index);
        json.EndArray();
    }
    json.Key("milliseconds").BeginObject();
    json.Key("ink").Number(page.dInkMilliseconds);
    json.Key("search").Number(page.dSearchMilliseconds);
    json.Key("match").Number(page.dMatchMilliseconds);
    json.Key("total").Number(page.dMilliseconds);
    json.EndObject();
    json.EndObject();
    return json.Result();
}

}  // namespace

int RunPageCommand(int argc, char** argv) {
    CCommandLine cl("page", kPageUsage);
    cl.AddOption("--font");
    cl.AddOption("--coefficient");
    cl.AddOption("--ink");
    cl.AddOption("--dict");
    cl.AddOption("--alphabet");
    cl.AddFlag("--complex");
    cl.AddFlag("--json");
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
    const std::optional<int> alphabet = AlphabetValue(cl);
    if (!alphabet)
        return kExitUsage;
    const bool complex = cl.Has("--complex");
    const std::optional<std::string> dictPath = cl.Value("--dict");
    if (complex && dictPath && !std::ifstream(*dictPath, std::ios::binary)) {
        PrintError(*dictPath + ": cannot read the word list");
        return kExitUsage;
    }

    CCharImageFont font;
    if (!LoadFontFile(font, *fontPath))
        return kExitFailure;
    PictureLoad load = LoadPicture(cl.Positionals().front());
    if (!load.Ok()) {
        PrintError(load.message);
        return load.problem == PictureProblem::OutOfMemory ? kExitFailure : kExitUsage;
    }
    if (!load.warning.empty())
        PrintError("warning: " + load.warning);
    const CRaster picture = std::move(load.raster);

    PageReading page = ReadPage(picture, font, options);
    if (page.Empty()) {
        PrintError(cl.Positionals().front() + ": no line of text in the " + std::to_string(font.CellWidth()) + " x " +
                   std::to_string(font.CellHeight()) + " cells of " + *fontPath + " was found");
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
        ReadPageWords(page, dictionary);
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

    const std::string out = cl.Has("--json") ? PageJson(page, complex) : ToUtf8(page.text);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
    return status;
}
