// "Read Screen Region" on a real X server: Xvfb, an xterm with a known text, the region dragged
// with xdotool, the clipboard read with xclip (region-capture.sh does the steps).
#include "GlyphFixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// The document starts with the shipped font, which does not fit the terminal: Read Page finds
// the terminal's font itself. True gives it a font fitted with glyphmill-cli beforehand instead.
constexpr bool kFitFontToTheTerminal = false;

const char* const kText =
    "The quick brown fox jumps over the lazy dog.\n"
    "  Pack my box with five dozen liquor jugs!\n"
    "0123456789 (x + y) * z = [a, b]; {c: \"d\"}\n";

bool OnPath(const std::string& program)
{
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(ReadScreenRegion, CopiesTheTextOfATerminalDraggedOverOnAnXServer)
{
    for (const char* tool : {"xvfb-run", "xdotool", "xterm", "xclip", "import"})
        if (!OnPath(tool))
            GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs it)";

    fixtures::TempDir dir;
    const std::filesystem::path text = dir.Path() / "text.txt";
    std::ofstream(text) << kText;
    const std::string font = kFitFontToTheTerminal ? std::string("fit") : std::string(RECOGNIZE_DEFAULT_FONT);
    const std::string command = "xvfb-run -a -s '-screen 0 1024x768x24' bash '" REGION_CAPTURE_SCRIPT "' '" RECOGNIZE_PROGRAM
                                "' '" GLYPHMILL_CLI_PROGRAM "' '" +
                                dir.Path().string() + "' '" + text.string() + "' '" + font + "' >'" +
                                (dir.Path() / "script.log").string() + "' 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << ReadAll(dir.Path() / "script.log") << ReadAll(dir.Path() / "recognize.err");
    EXPECT_EQ(ReadAll(dir.Path() / "clipboard.txt"), kText);
    std::cout << "mouse let go to text on the clipboard: " << ReadAll(dir.Path() / "milliseconds.txt") << " ms\n";
}
