// recognize-cli render: a text drawn with a glyph font, saved as the program saves a bitmap.
#include "CRecognizeDoc.h"
#include "CliCommon.h"
#include "Commands.h"

#include <climits>

namespace {

const char* const kRenderUsage =
    "Usage: recognize-cli render --font F.GLF [--space N] (--text TEXT | --text-file FILE)\n"
    "                            -o PICTURE.bmp\n"
    "\n"
    "Draws the text as \"Set text...\" draws it in a new document with that font and\n"
    "additional space, and saves the picture as a 24-bit .BMP file as \"Save bitmap...\" does.\n"
    "\n"
    "  --font F.GLF      glyph font (required)\n"
    "  --space N         blank cells after the text (default 3)\n"
    "  --text TEXT       the text, UTF-8\n"
    "  --text-file FILE  the text from a UTF-8 file (one trailing line break is dropped)\n"
    "  -o, --output PICTURE.bmp  the picture to write (replaced atomically)\n";

}  // namespace

int RunRenderCommand(int argc, char** argv) {
    CCommandLine cl("render", kRenderUsage);
    cl.AddOption("--font");
    cl.AddOption("--space");
    cl.AddOption("--text");
    cl.AddOption("--text-file");
    cl.AddOption("--output", "-o");
    if (std::optional<int> done = cl.Parse(argc, argv))
        return *done;
    if (!cl.Positionals().empty())
        return cl.UsageError("unexpected argument '" + cl.Positionals().front() + "'");
    std::optional<std::string> font = cl.Value("--font");
    if (!font)
        return cl.UsageError("the font (--font F.GLF) is missing");
    std::optional<std::string> output = cl.Value("--output");
    if (!output)
        return cl.UsageError("the output picture (-o PICTURE.bmp) is missing");
    if (cl.Has("--text") == cl.Has("--text-file"))
        return cl.UsageError("give either --text or --text-file");
    std::optional<long long> space = cl.IntegerValue("--space", 3, 0, INT_MAX);
    if (!space)
        return kExitUsage;
    std::optional<std::string> text = cl.Has("--text") ? ToCp1251(*cl.Value("--text"), "--text")
                                                       : ReadTextFile(*cl.Value("--text-file"));
    if (!text)
        return kExitUsage;

    CStderrMessageSink sink;
    CRecognizeDoc doc;
    // The picture needs no dictionary.
    if (int status = MakeNewDocument(doc, sink, font, std::string()))
        return status;
    if (!doc.SetAdditionalSpace(static_cast<int>(*space)) || !doc.SetText(*text))
        return kExitUsage;
    sink.SetContext(*output);
    if (!doc.SaveBitmap(*output))
        return kExitFailure;
    return kExitSuccess;
}
