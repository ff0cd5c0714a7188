// recognize-cli new: a new document as the program makes one, saved as .rdf.
#include "CRecognizeDoc.h"
#include "CliCommon.h"
#include "Commands.h"

#include <climits>

namespace {

const char* const kNewUsage =
    "Usage: recognize-cli new [--font F.GLF] [--dict D] [--alphabet latin|cyrillic]\n"
    "                         [--text TEXT] [--space N] -o DOC.rdf\n"
    "\n"
    "Makes a new recognition document as the program does and saves it.\n"
    "\n"
    "  --font F.GLF   glyph font (default: Fonts/default.GLF, in the working directory\n"
    "                 or the installed data folder)\n"
    "  --dict D       word list (default: dict.dic, found the same way)\n"
    "  --alphabet A   the dictionary's alphabet: latin (default) or cyrillic\n"
    "  --space N      \"Additional Space...\" with N blank cells (applied first)\n"
    "  --text TEXT    \"Set text...\" with TEXT (UTF-8), drawn into the picture\n"
    "  -o, --output DOC.rdf  the document to write (replaced atomically)\n";

}  // namespace

int RunNewCommand(int argc, char** argv) {
    CCommandLine cl("new", kNewUsage);
    cl.AddOption("--font");
    cl.AddOption("--dict");
    cl.AddOption("--alphabet");
    cl.AddOption("--text");
    cl.AddOption("--space");
    cl.AddOption("--output", "-o");
    if (std::optional<int> done = cl.Parse(argc, argv))
        return *done;
    if (!cl.Positionals().empty())
        return cl.UsageError("unexpected argument '" + cl.Positionals().front() + "'");
    std::optional<std::string> output = cl.Value("--output");
    if (!output)
        return cl.UsageError("the output document (-o DOC.rdf) is missing");
    std::optional<long long> space = cl.IntegerValue("--space", -1, 0, INT_MAX);
    if (!space)
        return kExitUsage;
    std::optional<std::string> text;
    if (std::optional<std::string> utf8 = cl.Value("--text")) {
        text = ToCp1251(*utf8, "--text");
        if (!text)
            return kExitUsage;
    }

    const std::optional<int> alphabet = AlphabetValue(cl);
    if (!alphabet)
        return kExitUsage;

    CStderrMessageSink sink;
    CRecognizeDoc doc;
    if (int status = MakeNewDocument(doc, sink, cl.Value("--font"), cl.Value("--dict"), *alphabet))
        return status;
    if (*space >= 0 && !doc.SetAdditionalSpace(static_cast<int>(*space)))
        return kExitUsage;
    if (text && !doc.SetText(*text))
        return kExitUsage;
    sink.SetContext(*output);
    if (!doc.SaveDocument(*output))
        return kExitFailure;
    return kExitSuccess;
}
