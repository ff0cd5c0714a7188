// .rdf documents: the exact bytes, round trips and every refusal.
#include "CRecognizeDoc.h"
#include "DocFixtures.h"
#include "DocMessages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <limits>
#include <sys/resource.h>

using docfixtures::CRecordingSink;
using fixtures::TempDir;

namespace {

void Append(std::vector<std::uint8_t>& bytes, std::initializer_list<std::uint8_t> more)
{
    bytes.insert(bytes.end(), more);
}

void AppendI32(std::vector<std::uint8_t>& bytes, std::int32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i)));
}

void AppendString(std::vector<std::uint8_t>& bytes, std::string_view text)
{
    bytes.push_back(static_cast<std::uint8_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
}

// Offset of the picture block in a document whose two texts are the new document's.
constexpr std::size_t kPictureOffset = 4 + 19 + 4 + 25 + 16;

class RdfTest : public ::testing::Test {
protected:
    // A new document with the hand-made font of a 10 x 3 cell.
    void MakeDoc()
    {
        glf = docfixtures::HandMadeCellGlf(10, 3);
        const std::string fontPath = dir.File("cell.GLF");
        docfixtures::WriteBytes(fontPath, glf);
        doc.SetMessageSink(&sink);
        ASSERT_TRUE(doc.NewDocument(fontPath, ""));
    }

    // The bytes of a new document saved at once, assembled field by field.
    std::vector<std::uint8_t> WorkedExample() const
    {
        std::vector<std::uint8_t> bytes;
        AppendI32(bytes, 0);
        AppendString(bytes, "No user input yet!");
        AppendI32(bytes, 3);
        AppendString(bytes, "No recognition info yet!");
        AppendI32(bytes, 0);
        AppendI32(bytes, 0);
        AppendI32(bytes, 0);
        AppendI32(bytes, 3);
        AppendI32(bytes, 10);
        AppendI32(bytes, 6);
        bytes.insert(bytes.end(), 2 * 6, 0xFF);
        AppendString(bytes, "No recognition info yet!");
        Append(bytes, {0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xC9, 0x3F});
        bytes.insert(bytes.end(), glf.begin(), glf.end());
        return bytes;
    }

    TempDir dir;
    std::vector<std::uint8_t> glf;
    CRecordingSink sink;
    CRecognizeDoc doc;
};

}  // namespace

TEST_F(RdfTest, NewDocumentSavedAtOnceGivesTheWorkedExample)
{
    MakeDoc();
    EXPECT_EQ(doc.SaveToBytes(), WorkedExample());
    const std::string path = dir.File("new.rdf");
    ASSERT_TRUE(doc.SaveDocument(path));
    EXPECT_EQ(docfixtures::ReadBytes(path), WorkedExample());
}

TEST_F(RdfTest, PictureRowsAreLeastSignificantBitFirstWhiteAsOneAndRepeatTheLastPixel)
{
    MakeDoc();
    doc.m_Picture.Create(20, 2, CRaster::kBlack);
    // Row 0: pixels 16..19 white, black, white, black; pixel 0 almost black is not ink.
    doc.m_Picture.SetPixel(0, 0, 0x010101);
    doc.m_Picture.SetPixel(16, 0, CRaster::kWhite);
    doc.m_Picture.SetPixel(18, 0, CRaster::kWhite);
    // Row 1: only pixel 19 white, so the bits past the width are 1.
    doc.m_Picture.SetPixel(19, 1, CRaster::kWhite);
    const std::vector<std::uint8_t> bytes = doc.SaveToBytes();
    const std::vector<std::uint8_t> block(bytes.begin() + kPictureOffset, bytes.begin() + kPictureOffset + 14);
    EXPECT_EQ(block, (std::vector<std::uint8_t>{20, 0, 0, 0, 2, 0, 0, 0, 0x01, 0x00, 0x05, 0x00, 0x00, 0xF8}));

    CRecognizeDoc copy;
    ASSERT_EQ(copy.LoadFromBytes(bytes), CRecognizeDoc::ReadResult::Ok);
    ASSERT_EQ(copy.m_Picture.width(), 20);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(copy.m_Picture.IsInk(x, y), doc.m_Picture.IsInk(x, y)) << x << "," << y;
    EXPECT_EQ(copy.m_Picture.Pixel(0, 0), CRaster::kWhite);
}

TEST_F(RdfTest, SavedAndOpenedDocumentKeepsItsFieldsAndRecomputesTheRest)
{
    MakeDoc();
    ASSERT_TRUE(doc.SetText("Tx"));
    doc.m_strResultText = "result";
    doc.m_dCoefficient = 0.37;
    doc.m_nLineWidth = 5;
    doc.m_bResultPicture = 2;
    doc.m_bGraphicsModified = 1;
    const std::string path = dir.File("doc.rdf");
    ASSERT_TRUE(doc.SaveDocument(path));
    EXPECT_FALSE(doc.IsModified());

    CRecognizeDoc copy;
    copy.SetMessageSink(&sink);
    ASSERT_TRUE(copy.OpenDocument(path));
    EXPECT_EQ(copy.m_strUserText, "Tx");
    EXPECT_EQ(copy.m_strResultText, "result");
    EXPECT_EQ(copy.m_dCoefficient, 0.37);
    EXPECT_EQ(copy.m_nLineWidth, 5);
    EXPECT_EQ(copy.m_nAdditionalSpace, 3);
    EXPECT_EQ(copy.m_nCells, 5);
    EXPECT_EQ(copy.m_bPicturePresent, 1);
    EXPECT_EQ(copy.m_bGraphicsModified, 1);
    EXPECT_EQ(copy.m_bResultPicture, 2);
    EXPECT_EQ(copy.m_bResultChanged, 1);
    EXPECT_EQ(copy.m_bEditText, 0);
    EXPECT_EQ(copy.m_bEditGraphics, 0);
    EXPECT_TRUE(copy.m_bHasPicture);
    EXPECT_EQ(copy.m_Picture, doc.m_Picture);
    EXPECT_EQ(copy.m_Font.GlyphCount(), 33);
    EXPECT_EQ(copy.SaveToBytes(), doc.SaveToBytes());
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(RdfTest, TheSecondResultTextWinsAndOddCoefficientsStayAsStored)
{
    MakeDoc();
    std::vector<std::uint8_t> bytes = WorkedExample();
    // The first copy of the result text starts after 4 + 19 + 4 bytes.
    bytes[27 + 1] = 'X';
    const std::size_t coefficient = kPictureOffset + 8 + 12 + 25;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::memcpy(&bytes[coefficient], &nan, 8);
    ASSERT_EQ(doc.LoadFromBytes(bytes), CRecognizeDoc::ReadResult::Ok);
    EXPECT_EQ(doc.m_strResultText, "No recognition info yet!");
    EXPECT_TRUE(std::isnan(doc.m_dCoefficient));
    const std::vector<std::uint8_t> saved = doc.SaveToBytes();
    ASSERT_EQ(saved.size(), bytes.size());
    EXPECT_EQ(std::memcmp(&saved[coefficient], &bytes[coefficient], 8), 0);
}

TEST_F(RdfTest, AFileCutBeforeTheFontsFixedFieldsEndIsRefusedAndCutBitsGiveAnEmptyFont)
{
    MakeDoc();
    const std::vector<std::uint8_t> bytes = WorkedExample();
    const std::size_t fontStart = bytes.size() - glf.size();
    // The last fixed field is the width and height pair of code 32.
    const std::size_t lastFixedEnd = fontStart + 12 + 2 * 33;
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        CRecognizeDoc target;
        target.m_strUserText = "untouched";
        CRecordingSink messages;
        target.SetMessageSink(&messages);
        const auto result = target.LoadFromBytes(std::span(bytes.data(), length));
        if (length < lastFixedEnd) {
            ASSERT_EQ(result, CRecognizeDoc::ReadResult::UnexpectedFormat) << length;
            EXPECT_EQ(target.m_strUserText, "untouched");
            EXPECT_TRUE(messages.messages.empty());
        } else {
            ASSERT_EQ(result, CRecognizeDoc::ReadResult::InvalidFont) << length;
            EXPECT_FALSE(target.m_Font.HasGlyphs());
            EXPECT_EQ(target.m_strUserText, "No user input yet!");
            ASSERT_EQ(messages.messages.size(), 1u);
            EXPECT_EQ(messages.messages[0].text, "Invalid font format!");
            EXPECT_EQ(messages.messages[0].title, "Loading font");
        }
    }
}

TEST_F(RdfTest, OpeningAZeroLengthOrDamagedFileReportsAndFails)
{
    MakeDoc();
    const std::string empty = dir.File("empty.rdf");
    docfixtures::WriteBytes(empty, {});
    EXPECT_FALSE(doc.OpenDocument(empty));
    EXPECT_FALSE(doc.OpenDocument(dir.File("missing.rdf")));
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0].text, "Unexpected file format.");
    EXPECT_EQ(sink.messages[0].title, "Recognize");
    EXPECT_EQ(sink.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(sink.messages[1].text.rfind("Failed to open document.", 0), 0u);
    EXPECT_EQ(doc.m_strUserText, "No user input yet!");
    EXPECT_EQ(doc.m_bEditText, 1);
}

TEST_F(RdfTest, AbsurdPictureSizesAndStringLengthsAreRefusedWithoutAllocating)
{
    MakeDoc();
    const std::vector<std::uint8_t> good = WorkedExample();
    auto withPictureSize = [&](std::int32_t width, std::int32_t height) {
        std::vector<std::uint8_t> bytes(good.begin(), good.begin() + kPictureOffset);
        AppendI32(bytes, width);
        AppendI32(bytes, height);
        bytes.insert(bytes.end(), good.begin() + kPictureOffset + 8 + 12, good.end());
        return bytes;
    };
    for (auto [width, height] : {std::pair{-10, 6}, {10, -1}, {INT32_MAX, INT32_MAX}, {INT32_MAX, 1},
                                 {1 << 16, 1 << 16}, {8, 100000}}) {
        EXPECT_EQ(doc.LoadFromBytes(withPictureSize(width, height)), CRecognizeDoc::ReadResult::UnexpectedFormat)
            << width << " x " << height;
    }
    // A string that announces more characters than the file holds.
    std::vector<std::uint8_t> longText = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F};
    longText.insert(longText.end(), good.begin() + 23, good.end());
    EXPECT_EQ(doc.LoadFromBytes(longText), CRecognizeDoc::ReadResult::UnexpectedFormat);
    // An additional space that would take the cell count out of range.
    std::vector<std::uint8_t> space = good;
    space[23] = 0xFF, space[24] = 0xFF, space[25] = 0xFF, space[26] = 0x7F;
    EXPECT_EQ(doc.LoadFromBytes(space), CRecognizeDoc::ReadResult::UnexpectedFormat);
    EXPECT_EQ(doc.m_strUserText, "No user input yet!");
    // A picture of no pixels is one that the program makes with a font of cell size 0.
    ASSERT_EQ(doc.LoadFromBytes(withPictureSize(0, 0)), CRecognizeDoc::ReadResult::Ok);
    EXPECT_TRUE(doc.m_Picture.empty());
    ASSERT_EQ(doc.LoadFromBytes(withPictureSize(1 << 20, 0)), CRecognizeDoc::ReadResult::Ok);
    EXPECT_EQ(doc.m_Picture.width(), 1 << 20);
}

TEST_F(RdfTest, AnInvalidFontBlockOpensWithAnEmptyFontThatSavesAndOpensAgain)
{
    MakeDoc();
    std::vector<std::uint8_t> bytes = WorkedExample();
    // Cut inside the bits of code 32: the header and the records are read, the font cleared.
    bytes.pop_back();
    ASSERT_EQ(doc.LoadFromBytes(bytes), CRecognizeDoc::ReadResult::InvalidFont);
    EXPECT_FALSE(doc.m_Font.HasGlyphs());
    EXPECT_EQ(doc.m_Font.CellWidth(), 0);
    EXPECT_EQ(doc.GetPictureRect(), (CRect{0, 0, 0, 0}));

    // The empty font is written as its header and an empty record per code of its range.
    const std::vector<std::uint8_t> saved = doc.SaveToBytes();
    std::vector<std::uint8_t> emptyFont = fixtures::GlfHeader(0, 32);
    emptyFont.insert(emptyFont.end(), 2 * 33, 0);
    ASSERT_GE(saved.size(), emptyFont.size());
    EXPECT_TRUE(std::equal(emptyFont.begin(), emptyFont.end(), saved.end() - static_cast<std::ptrdiff_t>(emptyFont.size())));
    CRecognizeDoc copy;
    EXPECT_EQ(copy.LoadFromBytes(saved), CRecognizeDoc::ReadResult::Ok);
    EXPECT_EQ(copy.m_Font.CellWidth(), 0);

    // A wrong signature gives the same message.
    std::vector<std::uint8_t> badSignature = WorkedExample();
    badSignature[badSignature.size() - glf.size() + 1] = 'g';
    sink.messages.clear();
    EXPECT_EQ(doc.LoadFromBytes(badSignature), CRecognizeDoc::ReadResult::InvalidFont);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, "Invalid font format!");
}

TEST_F(RdfTest, AFailedSaveReportsAndLeavesThePreviousFileIntact)
{
    MakeDoc();
    const std::string path = dir.File("doc.rdf");
    docfixtures::WriteBytes(path, {'o', 'l', 'd'});
    doc.SetModifiedFlag(true);

    // Files may grow to 64 bytes only, as on a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &limited);
    const bool saved = doc.SaveDocument(path);
    setrlimit(RLIMIT_FSIZE, &old);

    EXPECT_FALSE(saved);
    EXPECT_EQ(docfixtures::ReadBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, "Failed to save document.");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2) << "no temporary left";

    EXPECT_FALSE(doc.SaveDocument(dir.File("no/such/folder.rdf")));
    EXPECT_TRUE(doc.SaveDocument(path));
    EXPECT_EQ(docfixtures::ReadBytes(path), WorkedExample());
}
