// recognize-cli read: a .BMP picture read back into text by Simple or Complex recognition.
#include "CRecognizeDoc.h"
#include "CliCommon.h"
#include "Commands.h"
#include "PictureFile.h"

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <string_view>

namespace {

const char* const kReadUsage =
    "Usage: recognize-cli read [--font F.GLF] [--dict D] [--alphabet latin|cyrillic]\n"
    "                          [--coefficient K] [--complex [--words list|open]\n"
    "                          [--unknown-penalty P]] [--cells N] [--json] PICTURE.bmp\n"
    "\n"
    "Loads the picture as \"Load Bitmap...\" does in a new document with that font and\n"
    "dictionary, runs \"Recognize (Simple)\", or \"Recognize (Complex)\" with --complex, and\n"
    "prints the result text in UTF-8 and a line break.\n"
    "\n"
    "  --font F.GLF       glyph font (default Fonts/default.GLF, found as documents find it)\n"
    "  --dict D           word list of Complex recognition (default dict.dic, found likewise),\n"
    "                     read only with --complex\n"
    "  --alphabet A       the dictionary's alphabet: latin (default) or cyrillic (Windows-1251\n"
    "                     lowercase letters)\n"
    "  --coefficient K    recognition coefficient (default 0.2)\n"
    "  --complex          Complex recognition: the dictionary step after the Simple one\n"
    "  --words W          the dictionary step of --complex: list (default) reads only words\n"
    "                     of the list, as \"Recognize (Complex)\" does; open also allows words\n"
    "                     outside it, read as the Simple step read them, and digits and\n"
    "                     signs; it always finds a reading\n"
    "  --unknown-penalty P  with --words open: the penalty of a word outside the list, 0 to\n"
    "                     10 (default 0.2): each of its letters, read by the Simple step at\n"
    "                     cost c, costs c + P c^2 / (cell width x height)\n"
    "  --cells N          character positions (default: picture width / cell width)\n"
    "  --json             print one JSON object instead: \"result\" (the text), \"codes\" (its\n"
    "                     8-bit codes) and \"variants\" (per position, the [code, cost] pairs\n"
    "                     of the Simple step, in order), \"simple\" (the text of the Simple\n"
    "                     step) and, with --complex, \"words\" (the cut into dictionary\n"
    "                     words: [{\"start\", \"end\", \"cost\", \"text\"}, ...], [] when\n"
    "                     there is none; with --words open each word also has \"known\",\n"
    "                     true when its letters came from the list)\n"
    "\n"
    "Exit status: 0 success; 1 the font cannot be loaded, the picture has no cell to read (it is\n"
    "narrower than one cell), memory runs out while the picture is read, Complex recognition finds\n"
    "no cut into words (never with --words open; the message goes to stderr and the result printed\n"
    "is what the document then holds: spaces), or the word list is larger than the dictionary holds\n"
    "(stderr says how many words were kept); 2 bad usage or an unreadable picture or dictionary.\n";

std::string ResultJson(const CRecognizeDoc& doc, bool complex, bool open) {
    CJsonWriter json;
    json.BeginObject();
    json.Key("result").Text(doc.m_strResultText);
    json.Key("codes").BeginArray();
    for (char c : doc.m_strResultText)
        json.Int(static_cast<std::uint8_t>(c));
    json.EndArray();
    json.Key("variants").BeginArray();
    for (const CCharVariants& variants : doc.m_pCharVariants) {
        json.BeginArray();
        for (int i = 0; i < variants.m_nCount; ++i)
            json.BeginArray().Int(variants.m_Codes[i]).Int(variants.m_Costs[i]).EndArray();
        json.EndArray();
    }
    json.EndArray();
    const RecognitionTrace& trace = doc.Trace();
    std::string simple;
    for (const TracePosition& position : trace.positions)
        simple += static_cast<char>(position.simple);
    json.Key("simple").Text(simple);
    if (complex) {
        json.Key("words").BeginArray();
        for (const TraceWord& word : trace.words) {
            json.BeginObject();
            json.Key("start").Int(word.start);
            json.Key("end").Int(word.end);
            json.Key("cost").Int(word.cost);
            json.Key("text").Text(word.text);
            if (open)
                json.Key("known").Bool(word.bKnown);
            json.EndObject();
        }
        json.EndArray();
    }
    json.EndObject();
    return json.Result();
}

}  // namespace

int RunReadCommand(int argc, char** argv) {
    CCommandLine cl("read", kReadUsage);
    cl.AddOption("--font");
    cl.AddOption("--dict");
    cl.AddOption("--alphabet");
    cl.AddOption("--coefficient");
    cl.AddOption("--cells");
    cl.AddOption("--words");
    cl.AddOption("--unknown-penalty");
    cl.AddFlag("--complex");
    cl.AddFlag("--json");
    if (std::optional<int> done = cl.Parse(argc, argv))
        return *done;
    if (cl.Positionals().size() != 1)
        return cl.UsageError(cl.Positionals().empty() ? "the picture (PICTURE.bmp) is missing"
                                                      : "unexpected argument '" + cl.Positionals()[1] + "'");
    double coefficient = 0.2;
    if (std::optional<std::string> text = cl.Value("--coefficient")) {
        std::optional<double> value = ParseNumber(*text);
        if (!value || !std::isfinite(*value))
            return cl.UsageError("--coefficient needs a number, not '" + *text + "'");
        coefficient = *value;
    }

    const std::optional<WordsChoice> words = WordsValue(cl);
    if (!words)
        return kExitUsage;
    const bool open = words->bOpen;
    const double penalty = words->dPenalty;

    const std::optional<int> alphabet = AlphabetValue(cl);
    if (!alphabet)
        return kExitUsage;

    CStderrMessageSink sink;
    CRecognizeDoc doc;
    if (int status = MakeNewDocument(doc, sink, cl.Value("--font"), cl.Value("--dict"), *alphabet); status != kExitSuccess)
        return status;
    const std::string& picture = cl.Positionals().front();
    PictureLoad bitmap = LoadBmpPicture(picture);
    const int loadFailure = bitmap.problem == PictureProblem::OutOfMemory ? kExitFailure : kExitUsage;
    sink.SetContext(picture);
    if (!doc.LoadBitmap(std::move(bitmap)))
        return loadFailure;
    sink.SetContext({});
    if (cl.Has("--cells")) {
        // Any count that a document holds, with a picture rectangle the program could make.
        std::optional<long long> cells = cl.IntegerValue("--cells", 0, 0, CRecognizeDoc::kMaxCells);
        if (!cells)
            return kExitUsage;
        if (!PictureGeometry::Of(doc.m_Font, *cells).Allowed())
            return cl.UsageError("--cells " + std::to_string(*cells) + " gives a picture larger than the program holds");
        doc.m_nCells = static_cast<int>(*cells);
    }
    // A picture narrower than one cell (or a font whose cells have no width) holds nothing to read.
    if (doc.m_nCells == 0) {
        const int cellWidth = doc.m_Font.CellWidth();
        PrintError(picture + ": no cell to read" +
                   (cl.Has("--cells")  ? std::string(" (--cells 0)")
                    : cellWidth == 0   ? std::string(": the font's cells have no width")
                                       : ": the picture is " + std::to_string(doc.m_Picture.width()) +
                                           " pixels wide, narrower than one cell of the font (" +
                                           std::to_string(cellWidth) + " pixels)"));
        return kExitFailure;
    }
    doc.m_dCoefficient = coefficient;
    doc.SetOpenWords(open, penalty);

    if (cl.Has("--complex"))
        doc.OnRecognizeComplex();
    else
        doc.OnRecognizeSimple();

    const std::string out = cl.Has("--json") ? ResultJson(doc, cl.Has("--complex"), open) : ToUtf8(doc.m_strResultText);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
    const DictionaryLoadReport& load = doc.DictionaryReport();
    const bool cutShort = load.bRead && !load.bComplete;
    return doc.Trace().NoCut() || cutShort ? kExitFailure : kExitSuccess;
}
