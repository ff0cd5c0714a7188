// Counts and sizes that a file or the user sets are checked before they are used to allocate
// or loop: values past the bound fail cleanly, with a message where the user acts, and never
// ask for more memory than the input could justify.
#include "AllocationLimit.h"

#include "BmpFile.h"
#include "ByteStream.h"
#include "CCharImageFont.h"
#include "CDictionary.h"
#include "CRecognizeDoc.h"
#include "DocFixtures.h"
#include "DocMessages.h"
#include "LengthString.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>

#include <fcntl.h>
#include <unistd.h>

namespace {

using hardening::CAllocationLimit;

constexpr std::size_t kSmallLimit = std::size_t{16} << 20;

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<std::uint8_t> bytes;
    for (int v : values)
        bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

// The bytes of an .rdf document with the given user text, additional space, picture block
// (whatever bytes follow the line width) and font.
std::vector<std::uint8_t> RdfBytes(const std::string& text, std::int32_t additionalSpace,
                                   const std::vector<std::uint8_t>& pictureBlock, const CCharImageFont& font)
{
    CByteWriter writer;
    writer.WriteI32(0);
    WriteLengthString(writer, text);
    writer.WriteI32(additionalSpace);
    WriteLengthString(writer, "result");
    writer.WriteI32(1);
    writer.WriteI32(0);
    writer.WriteI32(0);
    writer.WriteI32(3);
    writer.WriteBlock(pictureBlock.data(), pictureBlock.size());
    WriteLengthString(writer, "result");
    writer.WriteF64(0.2);
    font.SaveToArchive(writer);
    return writer.Bytes();
}

std::vector<std::uint8_t> PictureBlock(std::int32_t width, std::int32_t height, std::size_t bits = 16)
{
    CByteWriter writer;
    writer.WriteI32(width);
    writer.WriteI32(height);
    writer.Bytes().resize(writer.Bytes().size() + bits, 0xFF);
    return writer.Bytes();
}

// A document with a font whose cell is width x height, text mode on, and a message recorder.
struct TestDocument {
    explicit TestDocument(int width, int height)
    {
        doc.SetMessageSink(&sink);
        doc.m_Font = docfixtures::MakeCellFont(width, height);
        doc.EnsurePicture();
    }
    std::string LastMessage() const { return sink.messages.empty() ? "" : sink.messages.back().text; }

    docfixtures::CRecordingSink sink;
    CRecognizeDoc doc;
};

}  // namespace

TEST(SizeBounds, StringLengthsPastTheInputFailWithoutAllocating)
{
    const std::vector<std::vector<std::uint8_t>> inputs = {
        Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'}),  // 32-bit length 2^31 - 1
        Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}),        // 32-bit length 2^32 - 1
        Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0}),  // UTF-16, 2^31 - 1 units
        Bytes({0xFF, 0xFD, 0xFF, 'x'}),                                // 16-bit length 65533
    };
    for (const auto& input : inputs) {
        CAllocationLimit limit(kSmallLimit);
        CByteReader reader(input);
        std::string text = "kept";
        EXPECT_FALSE(ReadLengthString(reader, text));
        EXPECT_TRUE(reader.HitEndOfFile());
        EXPECT_EQ(text, "kept");
        EXPECT_EQ(limit.LargestRefused(), 0u);
    }
}

TEST(SizeBounds, GlyphRecordsPastTheFileFailWithoutAllocating)
{
    // 256 glyphs of 255 x 255 announced; the first record has 10 of its 8160 bytes.
    std::vector<std::uint8_t> bytes = fixtures::GlfHeader(0, 255);
    bytes.push_back(255);
    bytes.push_back(255);
    bytes.resize(bytes.size() + 10, 0xAA);
    CAllocationLimit limit(64 << 10);
    CCharImageFont font;
    EXPECT_FALSE(fixtures::LoadFont(bytes, font));
    EXPECT_EQ(limit.LargestRefused(), 0u);
}

TEST(SizeBounds, HugeGlfFileIsReadOnlyAsFarAsAFontReaches)
{
    fixtures::TempDir dir;
    const std::string path = dir.File("huge.GLF");
    docfixtures::WriteBytes(path, docfixtures::HandMadeCellGlf(16, 28));
    // 4 GiB, sparse: the loader must not read, let alone hold, the whole file.
    ASSERT_EQ(::truncate(path.c_str(), off_t{4} << 30), 0);
    CAllocationLimit limit(std::size_t{8} << 20);
    CCharImageFont font;
    EXPECT_TRUE(font.LoadFromFile(path));
    EXPECT_EQ(font.CellWidth(), 16);
    EXPECT_EQ(limit.LargestRefused(), 0u);
}

TEST(SizeBounds, RdfSizesAndCountsPastTheBoundAreRefusedWithoutAllocating)
{
    const CCharImageFont font = docfixtures::MakeCellFont(4, 6);
    const std::int32_t max = static_cast<std::int32_t>(CRaster::kMaxPixels);
    struct Case {
        std::int32_t width, height, additionalSpace;
    };
    const Case cases[] = {
        {INT_MIN, 1, 1}, {8193, 8193, 1}, {max + 1, 1, 1},
        {1, max, 1},  // a size within the bound, but its 64 Mi bytes of bits are missing
        {8, 2, INT_MIN}, {8, 2, CRecognizeDoc::kMaxCells},  // "A" and the space: one cell too many
    };
    for (const Case& c : cases) {
        CAllocationLimit limit(kSmallLimit);
        CRecognizeDoc doc;
        EXPECT_EQ(doc.LoadFromBytes(RdfBytes("A", c.additionalSpace, PictureBlock(c.width, c.height), font)),
                  CRecognizeDoc::ReadResult::UnexpectedFormat)
            << c.width << " x " << c.height << ", " << c.additionalSpace;
        EXPECT_EQ(limit.LargestRefused(), 0u);
    }
}

TEST(SizeBounds, RdfTextsPastTheCellBoundAreRefusedBeforeAllocating)
{
    // A 1 MiB user text whose negative additional space brings the cell count back to 5, and
    // a 1 MiB result text: both within what the file holds, both past any document's cells.
    const CCharImageFont font = docfixtures::MakeCellFont(4, 6);
    const std::string longText(std::size_t{1} << 20, 'x');
    const std::vector<std::uint8_t> longUser = RdfBytes(longText, 5 - (1 << 20), PictureBlock(8, 2), font);
    std::vector<std::uint8_t> longResult = RdfBytes("A", 1, PictureBlock(8, 2), font);
    CByteWriter result;
    WriteLengthString(result, longText);
    const std::size_t at = 4 + 2 + 4;  // after the flag, the user text "A" and the space
    longResult.erase(longResult.begin() + at, longResult.begin() + at + 7);
    longResult.insert(longResult.begin() + at, result.Bytes().begin(), result.Bytes().end());

    const std::vector<std::uint8_t>* inputs[] = {&longUser, &longResult};
    for (const auto* bytes : inputs) {
        CAllocationLimit limit(std::size_t{512} << 10);
        CRecognizeDoc doc;
        EXPECT_EQ(doc.LoadFromBytes(*bytes), CRecognizeDoc::ReadResult::UnexpectedFormat);
        EXPECT_EQ(limit.LargestRefused(), 0u);
    }

    // Nor can such a text be set while a negative space from a file is in force.
    TestDocument doc(4, 6);
    doc.doc.m_nAdditionalSpace = -(1 << 20);
    EXPECT_FALSE(doc.doc.SetText(longText));
    EXPECT_EQ(doc.LastMessage(), DocMessages::kTooManyCells);
}

TEST(SizeBounds, RdfPictureWithoutPixelsOpensAtOnceWhateverItsOtherSide)
{
    const CCharImageFont font = docfixtures::MakeCellFont(4, 6);
    const std::int32_t max = static_cast<std::int32_t>(CRaster::kMaxPixels);
    for (const auto& [width, height] : {std::pair{0, max}, std::pair{max, 0}}) {
        CAllocationLimit limit(kSmallLimit);
        CRecognizeDoc doc;
        const std::vector<std::uint8_t> bytes = RdfBytes("A", 1, PictureBlock(width, height, 0), font);
        ASSERT_EQ(doc.LoadFromBytes(bytes), CRecognizeDoc::ReadResult::Ok);
        EXPECT_TRUE(doc.m_Picture.empty());
        EXPECT_EQ(doc.SaveToBytes(), bytes);
        EXPECT_EQ(limit.LargestRefused(), 0u);
    }
}

TEST(SizeBounds, TextAndAdditionalSpacePastTheBoundGiveAMessageAndChangeNothing)
{
    // Cells of 1 x 1 pixel keep the picture small: the cell count is the bound that acts.
    TestDocument small(1, 1);
    CAllocationLimit limit(kSmallLimit);
    EXPECT_FALSE(small.doc.SetAdditionalSpace(CRecognizeDoc::kMaxCells + 10));
    EXPECT_EQ(small.LastMessage(), DocMessages::kTooManyCells);
    EXPECT_FALSE(small.doc.SetText(std::string(CRecognizeDoc::kMaxCells, 'A')));
    EXPECT_EQ(small.LastMessage(), DocMessages::kTooManyCells);
    EXPECT_EQ(small.doc.m_nAdditionalSpace, 3);
    EXPECT_EQ(small.doc.m_nCells, 0);

    // Cells of 255 x 255 pixels: the picture is the bound.
    TestDocument large(255, 255);
    EXPECT_FALSE(large.doc.SetAdditionalSpace(600));
    EXPECT_EQ(large.LastMessage(), DocMessages::kPictureTooLarge);
    EXPECT_FALSE(large.doc.SetAdditionalSpace(INT_MAX));
    EXPECT_TRUE(large.doc.SetText("ABC"));
    EXPECT_EQ(large.doc.m_nCells, 6);
    EXPECT_EQ(limit.LargestRefused(), 0u);
}

TEST(SizeBounds, RecognitionRefusesAPictureRectanglePastTheBound)
{
    // A document saved with small cells and opened with large ones: its cells are allowed,
    // but the rectangle recognition would read is not.
    TestDocument doc(4, 6);
    ASSERT_TRUE(doc.doc.SetAdditionalSpace(20000));
    doc.doc.m_Font = docfixtures::MakeCellFont(255, 255);
    CAllocationLimit limit(std::size_t{256} << 20);
    doc.doc.OnRecognizeSimple();
    EXPECT_EQ(doc.LastMessage(), DocMessages::kPictureTooLarge);
    doc.doc.OnRecognizeComplex();
    EXPECT_EQ(doc.LastMessage(), DocMessages::kPictureTooLarge);
    EXPECT_EQ(limit.LargestRefused(), 0u);
}

TEST(SizeBounds, BitmapOfTooManyCellsIsRefusedAndChangesNothing)
{
    // A 1-bit picture 100000 pixels wide and 1 high is small, but with 1-pixel cells it
    // would give 100000 character positions.
    const int width = 100000;
    const int stride = (width + 31) / 32 * 4;
    std::vector<std::uint8_t> bmp(14 + 40 + 8 + stride, 0);
    const auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bmp[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bmp.size()));
    put32(10, 14 + 40 + 8);
    put32(14, 40);
    put32(18, width);
    put32(22, 1);
    bmp[26] = 1;
    bmp[28] = 1;
    put32(54 + 4, 0xFFFFFF);

    fixtures::TempDir dir;
    docfixtures::WriteBytes(dir.File("wide.bmp"), bmp);
    TestDocument doc(1, 1);
    const CRaster before = doc.doc.m_Picture;
    EXPECT_FALSE(doc.doc.LoadBitmap(dir.File("wide.bmp")));
    EXPECT_EQ(doc.LastMessage(), DocMessages::kTooManyCells);
    EXPECT_EQ(doc.doc.m_Picture, before);
    EXPECT_EQ(doc.doc.m_nCells, 0);
    EXPECT_EQ(doc.doc.m_bGraphicsModified, 0);
}

TEST(SizeBounds, BmpSizesPastTheBoundAreRefusedWithTheirSize)
{
    const std::pair<std::int32_t, std::int32_t> sizes[] = {
        {INT_MAX, 1}, {1, INT_MAX}, {1, INT_MIN}, {8193, 8193}, {8193, -8193}};
    for (const auto& [width, height] : sizes) {
        std::vector<std::uint8_t> bmp(14 + 40 + 64, 0);
        const auto put32 = [&](std::size_t at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i)
                bmp[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        };
        bmp[0] = 'B';
        bmp[1] = 'M';
        put32(10, 54);
        put32(14, 40);
        put32(18, static_cast<std::uint32_t>(width));
        put32(22, static_cast<std::uint32_t>(height));
        bmp[26] = 1;
        bmp[28] = 24;
        CAllocationLimit limit(kSmallLimit);
        const PictureLoad load = DecodeBmp(bmp);
        EXPECT_EQ(load.problem, PictureProblem::TooLarge);
        EXPECT_NE(load.reason.find("larger than the programs hold"), std::string::npos) << load.reason;
        EXPECT_EQ(limit.LargestRefused(), 0u);
    }
}

TEST(SizeBounds, WordListPastTheNodeBoundKeepsItsFirstWords)
{
    // 17000 pseudo-random lines of 998 letters need about 17 million prefixes, past the
    // tree's 16,777,216 nodes.
    constexpr int kLines = 17000;
    std::vector<std::string> lines(kLines);
    std::uint32_t state = 12345;
    std::string text;
    for (std::string& line : lines) {
        for (int i = 0; i < 998; ++i) {
            state = state * 1103515245u + 12345u;
            line += static_cast<char>('b' + (state >> 16) % 25);
        }
        text += line + '\n';
    }
    fixtures::TempDir dir;
    docfixtures::WriteBytes(dir.File("dict.dic"), std::vector<std::uint8_t>(text.begin(), text.end()));
    CDictionary dictionary;
    ASSERT_TRUE(dictionary.SetAlphabet(1));
    EXPECT_FALSE(dictionary.LoadWords(dir.File("dict.dic")));
    const DictionaryLoadReport& report = dictionary.LastLoad();
    EXPECT_TRUE(report.bRead);
    EXPECT_FALSE(report.bComplete);
    EXPECT_EQ(report.nLines, static_cast<std::size_t>(kLines));
    ASSERT_GT(report.nKept, 16000u);
    ASSERT_LT(report.nKept, static_cast<std::size_t>(kLines));
    EXPECT_LE(dictionary.NodeCount(), CDictionary::kMaxNodes);
    EXPECT_LE(dictionary.MemoryBytes(), CDictionary::kMaxNodes * sizeof(CDictNode) + (std::size_t{1} << 20));
    // The first lines are there, up to the last one kept, and the single space.
    const auto holds = [&](const std::string& entry) {
        const CDictNode* node = dictionary.GetRoot();
        for (char c : entry)
            node = dictionary.GetChild(node, static_cast<std::uint8_t>(c));
        return node->IsWordEnd() == 1;
    };
    EXPECT_TRUE(holds(lines[0] + ' '));
    EXPECT_TRUE(holds(lines[report.nKept - 1] + ' '));
    EXPECT_FALSE(holds(lines[report.nKept] + ' '));
    EXPECT_TRUE(holds(" "));
}
