#include "AtomicFile.h"
#include "CellSampling.h"
#include "CliOptions.h"
#include "ConfusableGlyphs.h"
#include "GlfWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::vector<std::uint8_t> Header(std::uint8_t first, std::uint8_t last)
{
    return {7, 'G', 'L', 'F', 'f', 'i', 'l', 'e', 1, 0, first, last};
}

std::vector<std::uint8_t> Build(const GeneratorSettings& settings, const CellCapture& capture)
{
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(BuildGlfFile(settings, capture, {}, bytes, error)) << error;
    return bytes;
}

} // namespace

TEST(GlfWriter, RecordsOfIncludedAndExcludedCodes)
{
    // The worked example of the format: 65 is 3 x 2 with rows A0 and 40, 66 is excluded.
    GeneratorSettings settings;
    settings.m_nFirstCode = 65;
    settings.m_nLastCode = 67;
    settings.m_nWidth = 3;
    settings.m_nHeight = 2;
    settings.m_Inclusions[66] = 0;
    const CellCapture capture = [](std::uint8_t code, std::vector<std::uint8_t>& out) {
        out.push_back(code == 65 ? 0xA0 : 0xFF);
        out.push_back(0x40);
    };
    std::vector<std::uint8_t> expected = Header(65, 67);
    expected.insert(expected.end(), {3, 2, 0xA0, 0x40, 0, 0, 3, 2, 0xFF, 0x40});
    EXPECT_EQ(Build(settings, capture), expected);

    settings.m_Inclusions.fill(0);
    EXPECT_EQ(Build(settings, capture).size(), 12u + 2 * 3);

    // A window of width 0 gives records of the two size bytes alone, whatever the capture gives.
    settings.m_Inclusions.fill(1);
    settings.m_nWidth = 0;
    std::vector<std::uint8_t> narrow = Header(65, 67);
    narrow.insert(narrow.end(), {0, 2, 0, 0, 0, 2});
    settings.m_Inclusions[66] = 0;
    EXPECT_EQ(Build(settings, capture), narrow);

    // first > last: the header alone, and no window is refused since no record is written.
    settings.m_Inclusions.fill(1);
    settings.m_nFirstCode = 66;
    settings.m_nLastCode = 65;
    settings.m_nXOffset = -1;
    EXPECT_EQ(Build(settings, capture), Header(66, 65));
}

TEST(GlfWriter, RefusesWindowsAReaderCannotFollow)
{
    struct Case {
        int x, y, w, h;
        bool ok;
    };
    const Case cases[] = {
        {0, 0, 150, 150, true}, {150, 150, 150, 150, true}, {-1, 0, 72, 80, false}, {0, -1, 72, 80, false},
        {73, 0, 72, 80, false}, {0, 81, 72, 80, false},     {0, 0, 300, 80, false}, {0, 0, 72, 256, false},
    };
    for (const Case& c : cases) {
        GeneratorSettings settings;
        settings.m_nXOffset = c.x;
        settings.m_nYOffset = c.y;
        settings.m_nWidth = c.w;
        settings.m_nHeight = c.h;
        std::vector<std::uint8_t> bytes;
        std::string error;
        EXPECT_EQ(BuildGlfFile(settings, {}, {}, bytes, error), c.ok) << c.x << "," << c.y << "," << c.w << "," << c.h;
        EXPECT_EQ(error.empty(), c.ok);
        settings.m_Inclusions.fill(0);      // with nothing included every record is 00 00
        EXPECT_TRUE(CellWindowProblem(settings).empty());
    }
}

TEST(SampleCell, PacksRowsLeftmostBitFirstAndReadsOutsideAsBackground)
{
    // A 16 x 2 surface, all ink; the window reaches one row above and 8 columns left of it.
    std::vector<std::uint32_t> pixels(32, 0xFF000000u);
    const CInkView view = CInkView::FromRgb32(reinterpret_cast<const std::uint8_t*>(pixels.data()), 16, 2, 64);
    std::vector<std::uint8_t> out;
    SampleCell(view, -8, -1, 11, 1, out);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF}));
    pixels[1] = 0xFFFFFFFFu;    // column 1 of row 0 white; nearly-black counts as background
    pixels[2] = 0xFF010000u;
    out.clear();
    SampleCell(view, 0, 0, 3, 1, out);
    EXPECT_EQ(out, std::vector<std::uint8_t>{0x9F});
}

TEST(AtomicFile, ReplacesTheFileOnlyWhenComplete)
{
    char pattern[] = "/tmp/glyphmill-test-XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(pattern);
    const auto path = folder / "font.GLF";
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path.string(), {1, 2, 3}, error)) << error;
    ASSERT_TRUE(WriteFileAtomically(path.string(), {4, 5}, error)) << error;
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::vector<char>(std::istreambuf_iterator<char>(in), {}), (std::vector<char>{4, 5}));

    EXPECT_FALSE(WriteFileAtomically(folder.string(), {1}, error));     // a folder is not replaced
    EXPECT_FALSE(WriteFileAtomically((folder / "missing" / "x.GLF").string(), {1}, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << "temporary file left";
    std::filesystem::remove_all(folder);
}

TEST(ConfusableGlyphs, GroupsIdenticalIncludedRecordsAndHintsAtControlCharacters)
{
    GeneratorSettings settings;
    settings.m_nWidth = 8;
    settings.m_nHeight = 2;
    settings.m_nFirstCode = 5;
    settings.m_nLastCode = 70;
    settings.m_Inclusions[66] = 0;
    // Blank for 9, 10 and 32; one shape for 65, 66 (excluded) and 67; every other code its own.
    const CellCapture capture = [](std::uint8_t code, std::vector<std::uint8_t>& out) {
        if (code == 9 || code == 10 || code == 32) {
            out.insert(out.end(), {0, 0});
            return;
        }
        out.push_back(code == 65 || code == 66 || code == 67 ? 0xFF : code);
        out.push_back(1);
    };
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(BuildGlfFile(settings, capture, nullptr, bytes, error));
    const std::vector<ConfusableGroup> groups = FindConfusableGroups(settings, bytes);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].codes, (std::vector<std::uint8_t>{9, 10, 32}));
    EXPECT_TRUE(groups[0].blank);
    EXPECT_EQ(groups[1].codes, (std::vector<std::uint8_t>{65, 67}));
    EXPECT_FALSE(groups[1].blank);
    const std::string text = DescribeConfusableGroups(groups);
    EXPECT_NE(text.find("9-10, 32 (blank) read as 9"), std::string::npos) << text;
    EXPECT_NE(text.find("65, 67 read as 65 'A'"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Control characters\""), std::string::npos) << text;

    // Without the blank control codes nothing competes with the space, and nothing is hinted.
    settings.m_Inclusions[9] = settings.m_Inclusions[10] = 0;
    ASSERT_TRUE(BuildGlfFile(settings, capture, nullptr, bytes, error));
    EXPECT_EQ(DescribeConfusableGroups(FindConfusableGroups(settings, bytes)).find("Control"), std::string::npos);

    settings.m_nFirstCode = 71;
    EXPECT_NE(EmptyRangeWarning(settings).find("Recognize cannot load a font without glyphs"), std::string::npos);
}

TEST(CliOptions, ClassAndCodeOptionsApplyInTheOrderGiven)
{
    CliOptions options;
    std::string error;
    ASSERT_TRUE(ParseCliOptions({"--exclude-codes", "0-255", "--include", "Digits", "-o", "-"}, options, error)) << error;
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(options.m_Settings.m_Inclusions[static_cast<std::size_t>(code)], code >= '0' && code <= '9' ? 1 : 0);

    CliOptions later;
    ASSERT_TRUE(ParseCliOptions({"--include-codes", "38, 65", "--exclude", "EnglishUpper", "--measure=fit"}, later, error))
        << error;
    EXPECT_EQ(later.m_Settings.m_Inclusions[38], 1);
    EXPECT_EQ(later.m_Settings.m_Inclusions[65], 0);
    EXPECT_TRUE(later.m_bMeasure && later.m_bMeasureFit && !later.m_bAutoLayout);

    std::vector<int> codes;
    EXPECT_TRUE(ParseCodeList("38, 65-66 ,70", codes));
    EXPECT_EQ(codes, (std::vector<int>{38, 65, 66, 70}));
    CliOptions bad;
    EXPECT_FALSE(ParseCliOptions({"--autolayout=wide", "-o", "x"}, bad, error));
}
