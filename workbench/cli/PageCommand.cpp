// recognize-cli page: the text of a picture in a known glyph font, many lines, anywhere.
#include "CCharImageFont.h"
#include "CDictionary.h"
#include "CDictionaryCache.h"
#include "CliCommon.h"
#include "Commands.h"
#include "DataFiles.h"
#include "DocMessages.h"
#include "PageReader.h"
#include "PageStages.h"
#include "PictureFile.h"
#include "PngWriter.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

const char* const kPageUsage =
    "Usage: recognize-cli page --font F.GLF [--coefficient K] [--ink auto|black]\n"
    "                          [--complex [--words list|open [--unknown-penalty P]]\n"
    "                          [--dict D] [--alphabet latin|cyrillic]] [--json]\n"
    "                          [--debug-dir DIR] PICTURE\n"
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
    "\n"
    "Exit status: 0 success; 1 the font cannot be loaded, memory runs out, no line of text in\n"
    "its cells is found, the debug folder cannot be written, or the word list is larger than\n"
    "the dictionary holds; 2 bad usage or an unreadable picture or word list.\n";

// Writes the stage pictures and figures of a reading into folder; false after a message.
bool WriteStages(const std::string& folder, const CRaster& picture, const PageReading& page, const PageOptions& options) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        PrintError(folder + ": cannot make the debug folder (" + error.message() + ")");
        return false;
    }
    auto write = [&](const std::string& name, std::span<const std::uint8_t> bytes) {
        const std::string path = (std::filesystem::path(folder) / name).string();
        if (!bytes.empty() && WriteFileAtomically(path, bytes))
            return true;
        PrintError(path + ": cannot be written");
        return false;
    };
    for (const StagePicture& stage : DrawPageStages(picture, page, options))
        if (!write(stage.name, EncodePng(stage.picture)))
            return false;
    const std::string figures = PageStageFigures(picture, page);
    return write("stages.txt", std::span(reinterpret_cast<const std::uint8_t*>(figures.data()), figures.size()));
}

std::string PageJson(const PageReading& page, bool complex) {
    CJsonWriter json;
    json.BeginObject();
    json.Key("text").String(page.text);
    json.Key("cellWidth").Int(page.cellWidth);
    json.Key("cellHeight").Int(page.cellHeight);
    json.Key("lines").BeginArray();
    for (const PageLine& line : page.lines) {
        json.BeginObject();
        json.Key("top").Int(line.Top());
        json.Key("left").Int(line.Left());
        json.Key("text").String(line.text);
        json.Key("cost").Int(line.Cost());
        json.Key("cells").BeginArray();
        for (const PageCell& cell : line.cells)
            json.BeginArray().Int(static_cast<long long>(cell.code)).Int(cell.best).Int(cell.worst).EndArray();
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
    cl.AddOption("--words");
    cl.AddOption("--unknown-penalty");
    cl.AddOption("--debug-dir");
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
    const std::optional<WordsChoice> words = WordsValue(cl);
    if (!words)
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

    const std::string& name = cl.Positionals().front();
    const GlyphSet glyphs = GlyphSetFromFont(font);
    PageReading page = ReadPage(picture, glyphs, options);
    if (page.bOutOfMemory) {
        PrintError("not enough memory to read " + name);
        return kExitFailure;
    }
    if (const std::optional<std::string> folder = cl.Value("--debug-dir");
        folder && !WriteStages(*folder, picture, page, options))
        return kExitFailure;
    if (page.Empty()) {
        PrintError(name + ": no line of text in the " + std::to_string(font.CellWidth()) + " x " +
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
        OpenWordsOptions open;
        open.dUnknownPenalty = words->dPenalty;
        open.nCellPixels = font.CellWidth() * font.CellHeight();
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
