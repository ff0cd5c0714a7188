#include "CCharImageFont.h"
#include "GlyphFixtures.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Codes 65 and 66: 65 is 3 x 2 with rows #.# and .#., 66 is excluded.
const Bytes kWorkedExample = {0x07, 0x47, 0x4C, 0x46, 0x66, 0x69, 0x6C, 0x65, 0x01,
                              0x00, 0x41, 0x42, 0x03, 0x02, 0xA0, 0x40, 0x00, 0x00};

Bytes Concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(CCharImageFont, WorkedExampleReadsAndWritesBackByteForByte)
{
    CCharImageFont font;
    ASSERT_TRUE(fixtures::LoadFont(kWorkedExample, font));
    EXPECT_EQ(font.First(), 65);
    EXPECT_EQ(font.Last(), 66);
    ASSERT_EQ(font.GlyphCount(), 2);
    const CCharImage& a = font.m_Glyphs[0];
    EXPECT_EQ(a.Width(), 3);
    EXPECT_EQ(a.Height(), 2);
    EXPECT_EQ(a.BytesPerRow(), 1);
    EXPECT_EQ(a.m_Bits, (Bytes{0xA0, 0x40}));
    EXPECT_TRUE(a.Pixel(0, 0) && !a.Pixel(1, 0) && a.Pixel(2, 0));
    EXPECT_TRUE(!a.Pixel(0, 1) && a.Pixel(1, 1) && !a.Pixel(2, 1));
    EXPECT_EQ(font.m_Glyphs[1].Width(), 0);
    EXPECT_FALSE(font.m_Glyphs[1].HasBits());
    EXPECT_EQ(fixtures::FontBytes(font), kWorkedExample);

    // The same font made in memory writes the same bytes.
    CCharImageFont made = fixtures::MakeFont(65, 66, [](int code) {
        return code == 65 ? fixtures::MakeGlyph(3, 2, {"#.#", ".#."}) : CCharImage();
    });
    EXPECT_EQ(fixtures::FontBytes(made), kWorkedExample);
}

TEST(CCharImageFont, RecordsKeepBitsPastTheWidthAndEmptyShapes)
{
    // 9 x 2 (2 bytes per row, 7 stray low bits each), then 0 x 0, 8 x 0 and 0 x 8.
    const Bytes records = {9, 2, 0xFF, 0x7F, 0x80, 0x55, 0, 0, 8, 0, 0, 8};
    const Bytes bytes = Concat(fixtures::GlfHeader(10, 13), records);
    CCharImageFont font;
    ASSERT_TRUE(fixtures::LoadFont(bytes, font));
    EXPECT_EQ(font.m_Glyphs[0].BytesPerRow(), 2);
    EXPECT_EQ(font.m_Glyphs[0].m_Bits, (Bytes{0xFF, 0x7F, 0x80, 0x55}));
    for (int i = 1; i < 4; ++i)
        EXPECT_FALSE(font.m_Glyphs[i].HasBits()) << i;
    EXPECT_EQ(fixtures::FontBytes(font), bytes);
}

TEST(CCharImageFont, SingleGlyphAndFullRangeFonts)
{
    CCharImageFont one;
    ASSERT_TRUE(fixtures::LoadFont(Concat(fixtures::GlfHeader(200, 200), {1, 1, 0x80}), one));
    EXPECT_EQ(one.GlyphCount(), 1);

    const CCharImageFont made = fixtures::MakeNoiseFont(0, 255, 12, 5);
    const Bytes bytes = fixtures::FontBytes(made);
    CCharImageFont all;
    ASSERT_TRUE(fixtures::LoadFont(bytes, all));
    EXPECT_EQ(all.GlyphCount(), 256);
    EXPECT_EQ(all.m_Glyphs[255].m_Bits, made.m_Glyphs[255].m_Bits);
    EXPECT_EQ(fixtures::FontBytes(all), bytes);
}

TEST(CCharImageFont, RejectsBadHeaders)
{
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const Bytes record = {0, 0};
    const std::vector<Case> cases = {
        {"case differs", Concat({7, 'G', 'L', 'F', 'F', 'i', 'l', 'e', 1, 0, 65, 65}, record)},
        {"trailing blank", Concat({8, 'G', 'L', 'F', 'f', 'i', 'l', 'e', ' ', 1, 0, 65, 65}, record)},
        {"shorter", Concat({6, 'G', 'L', 'F', 'f', 'i', 'l', 1, 0, 65, 65}, record)},
        {"version 2.0", Concat({7, 'G', 'L', 'F', 'f', 'i', 'l', 'e', 2, 0, 65, 65}, record)},
        {"version 1.1", Concat({7, 'G', 'L', 'F', 'f', 'i', 'l', 'e', 1, 1, 65, 65}, record)},
        {"empty", {}},
    };
    for (const Case& c : cases) {
        CCharImageFont font;
        EXPECT_FALSE(fixtures::LoadFont(c.bytes, font)) << c.what;
        EXPECT_FALSE(font.HasGlyphs()) << c.what;
    }

    // last < first: the codes are taken as read, no glyph array is made.
    CCharImageFont font;
    EXPECT_FALSE(fixtures::LoadFont(Concat(fixtures::GlfHeader(66, 65), {0, 0, 0, 0}), font));
    EXPECT_EQ(font.First(), 66);
    EXPECT_EQ(font.Last(), 65);
    EXPECT_FALSE(font.HasGlyphs());
}

TEST(CCharImageFont, AcceptsSignatureInLongerLengthForms)
{
    // 0xFF + 16-bit length, and the UTF-16 form.
    const Bytes sixteen = {0xFF, 7, 0, 'G', 'L', 'F', 'f', 'i', 'l', 'e', 1, 0, 65, 65, 0, 0};
    Bytes utf16 = {0xFF, 0xFE, 0xFF, 7};
    for (char c : std::string("GLFfile"))
        utf16.insert(utf16.end(), {static_cast<std::uint8_t>(c), 0});
    utf16.insert(utf16.end(), {1, 0, 65, 65, 0, 0});
    CCharImageFont a, b;
    EXPECT_TRUE(fixtures::LoadFont(sixteen, a));
    EXPECT_TRUE(fixtures::LoadFont(utf16, b));
}

TEST(CCharImageFont, EveryTruncationIsRejectedAndKeepsWhatWasRead)
{
    for (std::size_t size = 0; size < kWorkedExample.size(); ++size) {
        const Bytes cut(kWorkedExample.begin(), kWorkedExample.begin() + static_cast<std::ptrdiff_t>(size));
        CCharImageFont font;
        CByteReader reader(cut);
        EXPECT_FALSE(font.LoadFromArchive(reader)) << size;
        // Fixed fields past the end are end-of-file; a short bits block is not.
        EXPECT_EQ(reader.HitEndOfFile(), size != 14 && size != 15) << size;
    }

    // Cut in the bits of the second glyph: the first keeps its data, the failed one keeps its
    // size and the bytes that were there, the rest of its block zero.
    const Bytes bytes = Concat(fixtures::GlfHeader(1, 3), {8, 1, 0xAA, 16, 2, 1, 2, 3});
    CCharImageFont font;
    EXPECT_FALSE(fixtures::LoadFont(bytes, font));
    ASSERT_EQ(font.GlyphCount(), 3);
    EXPECT_EQ(font.m_Glyphs[0].m_Bits, Bytes{0xAA});
    EXPECT_EQ(font.m_Glyphs[1].Width(), 16);
    EXPECT_EQ(font.m_Glyphs[1].Height(), 2);
    EXPECT_EQ(font.m_Glyphs[1].m_Bits, (Bytes{1, 2, 3, 0}));
    EXPECT_EQ(font.m_Glyphs[2].Width(), 0);
    // Such a font still writes a block that reads back.
    CCharImageFont again;
    EXPECT_TRUE(fixtures::LoadFont(fixtures::FontBytes(font), again));
}

TEST(CCharImageFont, HugeSignatureLengthFailsWithoutAllocating)
{
    // A 32-bit length of nearly 4 GiB in 12 bytes of input.
    const Bytes bytes = {0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 'G', 'L', 'F', 1, 0};
    CCharImageFont font;
    CByteReader reader(bytes);
    EXPECT_FALSE(font.LoadFromArchive(reader));
    EXPECT_TRUE(reader.HitEndOfFile());
}

TEST(CCharImageFont, LoadFromFile)
{
    fixtures::TempDir dir;
    const std::string path = dir.File("two.GLF");
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(kWorkedExample.data()), static_cast<std::streamsize>(kWorkedExample.size()));
        out << "anything after the last record is not looked at";
    }
    CCharImageFont font;
    ASSERT_TRUE(font.LoadFromFile(path));
    EXPECT_EQ(font.GlyphCount(), 2);

    CCharImageFont missing;
    EXPECT_FALSE(missing.LoadFromFile(dir.File("none.GLF")));
    EXPECT_FALSE(missing.LoadFromFile(dir.Path().string()));
    EXPECT_FALSE(missing.HasGlyphs());

    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(kWorkedExample.data()), 15);
    }
    CCharImageFont cut;
    EXPECT_FALSE(cut.LoadFromFile(path));
}

TEST(CCharImageFont, SaveWithoutGlyphsWritesEmptyRecordsForItsRange)
{
    CCharImageFont font;
    font.m_nFirst = 65;
    font.m_nLast = 67;
    const Bytes expected = Concat(fixtures::GlfHeader(65, 67), {0, 0, 0, 0, 0, 0});
    EXPECT_EQ(fixtures::FontBytes(font), expected);
    CCharImageFont back;
    EXPECT_TRUE(fixtures::LoadFont(expected, back));

    // Clear keeps the range and frees the glyphs.
    CCharImageFont loaded;
    ASSERT_TRUE(fixtures::LoadFont(kWorkedExample, loaded));
    loaded.Clear();
    EXPECT_FALSE(loaded.HasGlyphs());
    EXPECT_EQ(loaded.First(), 65);
    EXPECT_EQ(loaded.Last(), 66);
    EXPECT_EQ(fixtures::FontBytes(loaded), Concat(fixtures::GlfHeader(65, 66), {0, 0, 0, 0}));
}

TEST(CCharImageFont, CellSizeIsThatOfPosition32)
{
    auto glyphOf = [](int spaceCode) {
        return [spaceCode](int code) {
            return code == spaceCode ? fixtures::MakeGlyph(40, 48) : fixtures::MakeGlyph(7, 9);
        };
    };
    const CCharImageFont fromZero = fixtures::MakeFont(0, 255, glyphOf(32));
    EXPECT_EQ(fromZero.CellWidth(), 40);
    EXPECT_EQ(fromZero.CellHeight(), 48);

    const CCharImageFont fromSpace = fixtures::MakeFont(32, 126, glyphOf(64));
    EXPECT_EQ(fromSpace.CellWidth(), 40);
    EXPECT_EQ(fromSpace.CellHeight(), 48);

    const CCharImageFont spaceExcluded = fixtures::MakeFont(0, 255, [](int code) {
        return code == 32 ? CCharImage() : fixtures::MakeGlyph(7, 9);
    });
    EXPECT_EQ(spaceExcluded.CellWidth(), 0);
    EXPECT_EQ(spaceExcluded.CellHeight(), 0);

    // 33 glyphs reach position 32; 32 glyphs or none do not.
    EXPECT_EQ(fixtures::MakeFont(0, 32, glyphOf(32)).CellWidth(), 40);
    const CCharImageFont narrow = fixtures::MakeFont(0, 31, glyphOf(0));
    EXPECT_EQ(narrow.CellWidth(), 0);
    EXPECT_EQ(narrow.CellHeight(), 0);
    const CCharImageFont none;
    EXPECT_EQ(none.CellWidth(), 0);
    EXPECT_EQ(none.CellHeight(), 0);
}

TEST(CCharImageFont, GetCharImageFallsBackToTheFirstGlyph)
{
    const CCharImageFont font = fixtures::MakeFont(65, 70, [](int code) { return fixtures::MakeGlyph(code - 60, 1); });
    EXPECT_EQ(font.GetCharImage(67)->Width(), 7);
    EXPECT_EQ(font.GetCharImage(64), &font.m_Glyphs[0]);
    EXPECT_EQ(font.GetCharImage(71), &font.m_Glyphs[0]);
    EXPECT_EQ(font.GetCharImage(-1), &font.m_Glyphs[0]);
    EXPECT_EQ(CCharImageFont().GetCharImage(65), nullptr);
}

TEST(CCharImageFont, LoadProblemNamesTheCause)
{
    EXPECT_EQ(CCharImageFont::LoadProblem(kWorkedExample), "");
    EXPECT_EQ(CCharImageFont::LoadProblem({}), "the file is empty");
    // Every cut of a font, in its signature too, is a truncated file.
    for (std::size_t size = 1; size < kWorkedExample.size(); ++size)
        EXPECT_EQ(CCharImageFont::LoadProblem(std::span(kWorkedExample).first(size)), "the file is truncated") << size;
    const Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13};
    EXPECT_EQ(CCharImageFont::LoadProblem(png), "it is not a GLF font");
    EXPECT_EQ(CCharImageFont::LoadProblem(Bytes{7, 'G', 'L', 'F', 'F', 'i', 'l', 'e', 1, 0, 65, 65, 0, 0}),
              "it is not a GLF font");
    EXPECT_EQ(CCharImageFont::LoadProblem(Bytes{7, 'G', 'L', 'F', 'f', 'i', 'l', 'e', 2, 0, 65, 65, 0, 0}),
              "it is a GLF font of version 2.0, and only version 1.0 is read");
    EXPECT_EQ(CCharImageFont::LoadProblem(Concat(fixtures::GlfHeader(66, 65), {0, 0})),
              "it holds no glyphs: its first code, 66, lies above its last code, 65");

    fixtures::TempDir dir;
    EXPECT_EQ(CCharImageFont::FileProblem(dir.File("none.GLF")), "it cannot be read (No such file or directory)");
    EXPECT_EQ(CCharImageFont::FileProblem(dir.Path().string()), "it is a folder, not a file");
}
