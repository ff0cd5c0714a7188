#include "CCapturePass.h"
#include "CExactFont.h"
#include "CliOptions.h"
#include "PictureFile.h"
#include "PictureFit.h"
#include "QtTestEnvironment.h"

#include "ByteStream.h"
#include "CCharImageFont.h"
#include "PageReader.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <bit>
#include <fstream>
#include <sstream>
#include <string>

namespace {

GeneratorSettings CellSettings(const char* family, double size)
{
    GeneratorSettings settings;
    settings.m_Font.m_strFamily = family;
    settings.m_Font.m_nWeight = 400;
    settings.m_Font.m_dPixelSize = size;
    settings.m_Layout = CellLayout::Cell;
    return settings;
}

// The bits of one glyph captured with the settings' window.
std::vector<std::uint8_t> Capture(const GeneratorSettings& settings, std::uint8_t code)
{
    CCapturePass pass(settings);
    std::vector<std::uint8_t> bits;
    pass.CaptureCell(code, bits);
    return bits;
}

int InkCount(const std::vector<std::uint8_t>& bits)
{
    int count = 0;
    for (std::uint8_t byte : bits)
        count += std::popcount(byte);
    return count;
}

bool IsSubset(const std::vector<std::uint8_t>& inner, const std::vector<std::uint8_t>& outer)
{
    for (std::size_t i = 0; i < inner.size(); ++i)
        if ((inner[i] & ~outer[i]) != 0)
            return false;
    return inner.size() == outer.size();
}

const char* const kLines[] = {
    "int main(int argc, char** argv)",
    "{",
    "    return argc > 1 ? 0 : 1;  // Qt",
    "}",
    "",
    "  The quick brown fox jumps over",
    "the lazy dog: 0123456789 #$%&@!",
};

// A terminal screen drawn with QPainter: the cell is the font's advance by its ascent plus
// descent, every character at its cell's pen origin, light text on a dark background.
CRaster DrawScreen(const char* family, int pixelSize)
{
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixelSize);
    font.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(font);
    const int advance = metrics.horizontalAdvance(QLatin1Char('M'));
    const int pitch = metrics.ascent() + metrics.descent();
    QImage image(40 * advance + 13, 9 * pitch + 7, QImage::Format_RGB32);
    image.fill(QColor(0x20, 0x20, 0x40));
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(QColor(0xE0, 0xE0, 0xA0));
    int row = 0;
    for (const char* line : kLines) {
        for (int column = 0; line[column] != 0; ++column)
            painter.drawText(QPoint(5 + column * advance, 3 + row * pitch + metrics.ascent()),
                             QString(QLatin1Char(line[column])));
        ++row;
    }
    painter.end();
    CRaster raster;
    raster.Create(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            raster.SetPixel(x, y, image.pixel(x, y) & 0xFFFFFF);
    return raster;
}

std::string ExpectedText()
{
    std::string text;
    for (const char* line : kLines)
        text += std::string(line) + '\n';
    return text.substr(0, text.size() - 1);
}

} // namespace

TEST(CellMetrics, TerminalCellsOfTwoMonospacedFamilies)
{
    // Ascent and descent are each rounded up: 14.86 + 3.78 px gives 15 + 4, and 11.09 + 4.00
    // gives 12 + 4, as xterm lays these fonts out.
    const CellMetrics dejavu = MeasureCellMetrics(CellSettings("DejaVu Sans Mono", 16));
    EXPECT_EQ(dejavu.width, 10);
    EXPECT_EQ(dejavu.height, 19);
    EXPECT_EQ(dejavu.ascent, 15);
    EXPECT_TRUE(dejavu.monospaced);
    const CellMetrics liberation = MeasureCellMetrics(CellSettings("Liberation Mono", 40.0 / 3));
    EXPECT_EQ(liberation.width, 8);
    EXPECT_EQ(liberation.height, 16);
    EXPECT_EQ(liberation.ascent, 12);
    EXPECT_TRUE(liberation.monospaced);

    // A proportional family takes its widest advance and says it is not monospaced.
    GeneratorSettings sans = CellSettings("DejaVu Sans", 16);
    const CellMetrics proportional = MeasureCellMetrics(sans);
    EXPECT_FALSE(proportional.monospaced);
    sans.m_Inclusions.fill(0);
    sans.m_Inclusions['i'] = 1;
    EXPECT_LT(MeasureCellMetrics(sans).width, proportional.width);
}

TEST(CellLayout, PenAtTheCellsLeftEdgeAndBaselineAtTheAscent)
{
    GeneratorSettings settings = CellSettings("DejaVu Sans Mono", 16);
    settings.m_nWidth = 10;
    settings.m_nHeight = 19;
    // The underscore lies on the descent rows, the hyphen never touches the top rows.
    const std::vector<std::uint8_t> underscore = Capture(settings, '_');
    ASSERT_EQ(underscore.size(), 19u * 2);
    EXPECT_EQ(InkCount({underscore.begin(), underscore.begin() + 15 * 2}), 0);
    EXPECT_GT(InkCount(underscore), 0);
    // Moving the window one row down moves the glyph one row up within it.
    GeneratorSettings moved = settings;
    moved.m_nYOffset = 1;
    moved.m_nHeight = 20;
    const std::vector<std::uint8_t> up = Capture(moved, 'E');
    const std::vector<std::uint8_t> at = Capture(settings, 'E');
    EXPECT_TRUE(std::equal(at.begin() + 2, at.end(), up.begin()));
}

TEST(Antialiasing, CoverageCutsTheGreysOfAKnownGlyph)
{
    GeneratorSettings settings = CellSettings("DejaVu Sans Mono", 10.67);
    settings.m_nWidth = 7;
    settings.m_nHeight = 16;
    const std::vector<std::uint8_t> mono = Capture(settings, 'o');
    settings.m_bAntialias = true;
    settings.m_nCoverage = 1;
    const std::vector<std::uint8_t> faint = Capture(settings, 'o');
    settings.m_nCoverage = 50;
    const std::vector<std::uint8_t> half = Capture(settings, 'o');
    settings.m_nCoverage = 100;
    const std::vector<std::uint8_t> full = Capture(settings, 'o');
    // Every pixel of a higher coverage is ink at a lower one, and the smoothed edges of the
    // ring give each cut its own pixels.
    EXPECT_TRUE(IsSubset(full, half));
    EXPECT_TRUE(IsSubset(half, faint));
    EXPECT_LT(InkCount(full), InkCount(half));
    EXPECT_LT(InkCount(half), InkCount(faint));
    EXPECT_NE(half, mono);
}

TEST(ExactSize, FractionalSizesAndPointsRenderAsGiven)
{
    CliOptions options;
    std::string error;
    ASSERT_TRUE(ParseCliOptions({"--points", "8", "-o", "x"}, options, error)) << error;
    EXPECT_NEAR(options.m_Settings.m_Font.PixelSize(), 10.6667, 1e-3);
    CliOptions atHundred;
    ASSERT_TRUE(ParseCliOptions({"--dpi", "100", "--points", "12", "-o", "x"}, atHundred, error)) << error;
    EXPECT_NEAR(atHundred.m_Settings.m_Font.PixelSize(), 16.6667, 1e-3);
    CliOptions whole;
    ASSERT_TRUE(ParseCliOptions({"--size", "16", "-o", "x"}, whole, error)) << error;
    EXPECT_FALSE(whole.m_Settings.m_Font.HasExactSize());
    EXPECT_FALSE(whole.m_Settings.UsesExactRendering());

    // 10.67 px and 11 px are different renderings, and 10.67 px is not rounded to 11.
    GeneratorSettings settings = CellSettings("DejaVu Sans Mono", 10.67);
    settings.m_nWidth = 8;
    settings.m_nHeight = 16;
    GeneratorSettings eleven = settings;
    eleven.m_Font.m_dPixelSize = 11;
    int differing = 0;
    for (std::uint8_t code : std::string("abcdefghijklmnopqrstuvwxyz"))
        differing += Capture(settings, code) != Capture(eleven, code) ? 1 : 0;
    EXPECT_GT(differing, 0);

    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--size", "0.5", "-o", "x"},
                                               {"--size", "1e3", "-o", "x"},
                                               {"--dpi", "96", "-o", "x"},
                                               {"--coverage", "40", "-o", "x"},
                                               {"--antialias", "--coverage", "0", "-o", "x"},
                                               {"--layout", "grid", "-o", "x"},
                                               {"--fit-picture", "a.png", "--measure"},
                                               {"--layout", "cell", "--autolayout", "-o", "x"}}) {
        CliOptions refused;
        EXPECT_FALSE(ParseCliOptions(bad, refused, error)) << bad[0];
    }
}

TEST(PictureFit, RecoversTheSizeAndCellOfADrawnScreen)
{
    const CRaster screen = DrawScreen("DejaVu Sans Mono", 14);
    GeneratorSettings base;
    base.m_Font.m_strFamily = "DejaVu Sans Mono";
    const PictureFit fit = FitFontToPicture(screen, base);
    ASSERT_TRUE(fit.bFound) << fit.strProblem << " (line pitch " << fit.nLinePitch << ")";
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(14);
    const QFontMetrics metrics(font);
    EXPECT_NEAR(fit.settings.m_Font.PixelSize(), 14, 1e-6);
    EXPECT_EQ(fit.settings.m_Layout, CellLayout::Cell);
    EXPECT_FALSE(fit.settings.m_bAntialias);
    EXPECT_EQ(fit.settings.m_Font.m_nWeight, 400);
    EXPECT_EQ(fit.settings.CellWidth(), metrics.horizontalAdvance(QLatin1Char('M')));
    EXPECT_EQ(fit.settings.CellHeight(), metrics.ascent() + metrics.descent());
    EXPECT_EQ(fit.dMeanCost, 0);

    // The font it wrote reads the screen exactly, indentation and empty line included.
    CCharImageFont glf;
    CByteReader reader(fit.glf);
    ASSERT_TRUE(glf.LoadFromArchive(reader));
    EXPECT_EQ(ReadPage(screen, GlyphSetFromFont(glf), PageOptions{}).text, ExpectedText());
    EXPECT_NE(FitCommandLine(fit.settings, "f.GLF").find("--points 10.5 --layout cell"), std::string::npos)
        << FitCommandLine(fit.settings, "f.GLF");
}

TEST(PictureFit, RefusesPicturesWithoutTextAndFamiliesThatCannotMatch)
{
    GeneratorSettings base;
    base.m_Font.m_strFamily = "DejaVu Sans Mono";
    CRaster blank;
    blank.Create(200, 100, 0x336699);
    const PictureFit empty = FitFontToPicture(blank, base);
    EXPECT_FALSE(empty.bFound);
    EXPECT_NE(empty.strProblem.find("no text"), std::string::npos) << empty.strProblem;
    // A speck is no text either, though a 1 px font would "read" it at no cost.
    blank.SetPixel(50, 50, 0xFFFFFF);
    const PictureFit speck = FitFontToPicture(blank, base);
    EXPECT_FALSE(speck.bFound);
    EXPECT_NE(speck.strProblem.find("no text"), std::string::npos) << speck.strProblem;

    GeneratorSettings other = base;
    other.m_Font.m_strFamily = "Liberation Mono";
    const PictureFit mismatch = FitFontToPicture(DrawScreen("DejaVu Sans Mono", 14), other);
    EXPECT_FALSE(mismatch.bFound);
    EXPECT_NE(mismatch.strProblem.find("does not match"), std::string::npos) << mismatch.strProblem;
    EXPECT_TRUE(mismatch.glf.empty());

    // The reader takes its cell size from the glyph of code first + 32.
    GeneratorSettings noSpace = base;
    noSpace.m_Inclusions[32] = 0;
    EXPECT_FALSE(FitFontToPicture(DrawScreen("DejaVu Sans Mono", 14), noSpace).bFound);
}

TEST(PictureFit, ReadsRealTerminalScreenshotsExactly)
{
    struct Shot {
        const char* name;
        const char* family;
        bool antialiased;
        int width;
        int height;
    };
    // xterm under Xvfb at 96 dpi (tests/data/fit/make-shots.sh): 10 pt is 13.33 px, 12 pt 16 px.
    // At 8 pt (10.67 px) and 14 pt (18.67 px) the terminal's size is cut to 10.65625 and
    // 18.65625 px: Noto's "l" and Hack's "O" then differ by a pixel from their neighbours'.
    const Shot shots[] = {
        {"xterm-liberation-mono-10pt-dark", "Liberation Mono", false, 8, 16},
        {"xterm-dejavu-sans-mono-12pt-aa", "DejaVu Sans Mono", true, 10, 19},
        {"xterm-noto-sans-mono-8pt-aa", "Noto Sans Mono", true, 8, 16},
        {"xterm-hack-14pt-dark", "Hack", false, 11, 23},
    };
    for (const Shot& shot : shots) {
        const std::string base = std::string(GLYPHMILL_FIT_DATA) + "/" + shot.name;
        const PictureLoad load = LoadPicture(base + ".png");
        ASSERT_TRUE(load.Ok()) << load.message;
        const CRaster& picture = load.raster;
        GeneratorSettings settings;
        settings.m_Font.m_strFamily = shot.family;
        const PictureFit fit = FitFontToPicture(picture, settings);
        ASSERT_TRUE(fit.bFound) << shot.name << ": " << fit.strProblem;
        EXPECT_EQ(fit.settings.m_bAntialias, shot.antialiased) << shot.name;
        EXPECT_EQ(fit.settings.CellWidth(), shot.width) << shot.name;
        EXPECT_EQ(fit.settings.CellHeight(), shot.height) << shot.name;

        CCharImageFont glf;
        CByteReader reader(fit.glf);
        ASSERT_TRUE(glf.LoadFromArchive(reader));
        std::ifstream file(base + ".txt");
        std::stringstream expected;
        std::string line;
        while (std::getline(file, line))
            expected << line.substr(0, line.find_last_not_of(' ') + 1) << '\n';
        std::string text = expected.str();
        // The page starts at its first line of ink.
        text.erase(0, text.find_first_not_of('\n'));
        text.erase(text.find_last_not_of('\n') + 1);
        EXPECT_EQ(ReadPage(picture, GlyphSetFromFont(glf), PageOptions{}).text, text) << shot.name;
    }
}
