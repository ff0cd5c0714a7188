// .BMP files: the exact file that is written, the kinds that are read, and the refusals.
#include "BmpFile.h"
#include "CRecognizeDoc.h"
#include "DocFixtures.h"
#include "DocMessages.h"

#include <gtest/gtest.h>

#include <functional>

using docfixtures::CCountingView;
using docfixtures::CRecordingSink;
using fixtures::TempDir;

namespace {

std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint32_t U16At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8;
}

void Put(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A .BMP file built independently of the reader: any header size of the known kinds, any
// bit depth, rows stored bottom-up unless height is negative. value(x, y) is the stored
// pixel value (palette index, 16- or 32-bit word, or 0xRRGGBB for 24 bits).
struct BmpBuilder {
    int headerSize = 40;
    int bitsPerPixel = 24;
    int width = 0;
    int height = 0;
    std::uint32_t compression = 0;
    std::vector<std::uint32_t> palette;  // 0xRRGGBB
    std::uint32_t coloursUsed = 0;
    std::vector<std::uint32_t> masks;    // red, green, blue (and alpha)

    std::vector<std::uint8_t> Build(const std::function<std::uint32_t(int, int)>& value) const
    {
        const int rows = height < 0 ? -height : height;
        const std::size_t stride = static_cast<std::size_t>((width * bitsPerPixel + 31) / 32 * 4);
        const bool masksAfter = headerSize == 40 && !masks.empty();
        const std::size_t entrySize = headerSize == 12 ? 3 : 4;
        const std::size_t tableOffset = 14 + static_cast<std::size_t>(headerSize) + (masksAfter ? 4 * masks.size() : 0);
        const std::size_t pixelOffset = tableOffset + entrySize * palette.size();
        std::vector<std::uint8_t> b(pixelOffset + stride * static_cast<std::size_t>(rows), 0);
        b[0] = 'B';
        b[1] = 'M';
        Put(b, 2, static_cast<std::uint32_t>(b.size()), 4);
        Put(b, 10, static_cast<std::uint32_t>(pixelOffset), 4);
        Put(b, 14, static_cast<std::uint32_t>(headerSize), 4);
        if (headerSize == 12) {
            Put(b, 18, static_cast<std::uint32_t>(width), 2);
            Put(b, 20, static_cast<std::uint32_t>(height), 2);
            Put(b, 22, 1, 2);
            Put(b, 24, static_cast<std::uint32_t>(bitsPerPixel), 2);
        } else {
            Put(b, 18, static_cast<std::uint32_t>(width), 4);
            Put(b, 22, static_cast<std::uint32_t>(height), 4);
            Put(b, 26, 1, 2);
            Put(b, 28, static_cast<std::uint32_t>(bitsPerPixel), 2);
            Put(b, 30, compression, 4);
            Put(b, 34, static_cast<std::uint32_t>(stride * static_cast<std::size_t>(rows)), 4);
            Put(b, 46, coloursUsed, 4);
            for (std::size_t i = 0; i < masks.size(); ++i)
                Put(b, 54 + 4 * i, masks[i], 4);
        }
        for (std::size_t i = 0; i < palette.size(); ++i) {
            std::uint8_t* entry = &b[tableOffset + entrySize * i];
            entry[0] = static_cast<std::uint8_t>(palette[i]);
            entry[1] = static_cast<std::uint8_t>(palette[i] >> 8);
            entry[2] = static_cast<std::uint8_t>(palette[i] >> 16);
        }
        for (int r = 0; r < rows; ++r) {
            const int y = height < 0 ? r : rows - 1 - r;
            std::uint8_t* row = &b[pixelOffset + stride * static_cast<std::size_t>(r)];
            for (int x = 0; x < width; ++x) {
                const std::uint32_t v = value(x, y);
                switch (bitsPerPixel) {
                case 1: row[x / 8] |= static_cast<std::uint8_t>(v << (7 - x % 8)); break;
                case 4: row[x / 2] |= static_cast<std::uint8_t>(v << (x % 2 == 0 ? 4 : 0)); break;
                case 8: row[x] = static_cast<std::uint8_t>(v); break;
                case 16: row[2 * x] = static_cast<std::uint8_t>(v), row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8); break;
                case 24:
                    row[3 * x] = static_cast<std::uint8_t>(v);
                    row[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                    row[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
                    break;
                default:
                    for (int i = 0; i < 4; ++i)
                        row[4 * x + i] = static_cast<std::uint8_t>(v >> (8 * i));
                }
            }
        }
        return b;
    }
};

BmpBuilder Bmp(int headerSize, int bitsPerPixel, int width, int height, std::uint32_t compression = 0)
{
    BmpBuilder bmp;
    bmp.headerSize = headerSize;
    bmp.bitsPerPixel = bitsPerPixel;
    bmp.width = width;
    bmp.height = height;
    bmp.compression = compression;
    return bmp;
}

// Five colours that every depth holds exactly.
const std::vector<std::uint32_t> kColours = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF};

int PatternIndex(int x, int y)
{
    return (x * 7 + y * 3) % 5;
}

std::uint32_t Pack555(std::uint32_t rgb)
{
    return ((rgb >> 19) & 0x1F) << 10 | ((rgb >> 11) & 0x1F) << 5 | ((rgb >> 3) & 0x1F);
}

std::uint32_t Pack565(std::uint32_t rgb)
{
    return ((rgb >> 19) & 0x1F) << 11 | ((rgb >> 10) & 0x3F) << 5 | ((rgb >> 3) & 0x1F);
}

// Checks that bytes decode to the 13 x 5 pattern of kColours.
void ExpectPattern(const std::vector<std::uint8_t>& bytes, int colours = 5)
{
    const PictureLoad load = DecodeBmp(bytes);
    ASSERT_TRUE(load.Ok()) << load.reason;
    const CRaster& raster = load.raster;
    ASSERT_EQ(raster.width(), 13);
    ASSERT_EQ(raster.height(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 13; ++x)
            ASSERT_EQ(raster.Pixel(x, y), kColours[static_cast<std::size_t>(PatternIndex(x, y) % colours)]) << x << "," << y;
}

}  // namespace

TEST(BmpFile, EncodesThe280x96PictureAsTheExpected24BitFile)
{
    CRaster raster;
    ASSERT_TRUE(raster.Create(280, 96, CRaster::kWhite));
    raster.SetPixel(0, 0, 0x123456);
    raster.SetPixel(279, 95, CRaster::kBlack);
    const std::vector<std::uint8_t> b = EncodeBmp24(raster);
    ASSERT_EQ(b.size(), 80694u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(U32At(b, 2), 80694u);
    EXPECT_EQ(U32At(b, 6), 0u);
    EXPECT_EQ(U32At(b, 10), 54u);
    EXPECT_EQ(U32At(b, 14), 40u);
    EXPECT_EQ(U32At(b, 18), 280u);
    EXPECT_EQ(U32At(b, 22), 96u);
    EXPECT_EQ(U16At(b, 26), 1u);
    EXPECT_EQ(U16At(b, 28), 24u);
    EXPECT_EQ(U32At(b, 30), 0u);
    EXPECT_EQ(U32At(b, 34), 80640u);
    for (std::size_t at = 38; at < 54; at += 4)
        EXPECT_EQ(U32At(b, at), 0u) << at;
    // The bottom row comes first: its last pixel is black; the top row's first is 12 34 56.
    EXPECT_EQ(b[54 + 279 * 3], 0);
    EXPECT_EQ(b[54 + 279 * 3 + 2], 0);
    EXPECT_EQ(b[54 + 95 * 840 + 0], 0x56);
    EXPECT_EQ(b[54 + 95 * 840 + 1], 0x34);
    EXPECT_EQ(b[54 + 95 * 840 + 2], 0x12);
}

TEST(BmpFile, PadsRowsOf283PixelsTo852Bytes)
{
    CRaster raster;
    ASSERT_TRUE(raster.Create(283, 4, CRaster::kWhite));
    const std::vector<std::uint8_t> b = EncodeBmp24(raster);
    EXPECT_EQ(BmpStride(283, 24), 852);
    EXPECT_EQ(U32At(b, 34), 852u * 4);
    ASSERT_EQ(b.size(), 54u + 852 * 4);
    for (std::size_t row = 0; row < 4; ++row) {
        EXPECT_EQ(b[54 + row * 852 + 848], 0xFF);
        for (std::size_t pad = 849; pad < 852; ++pad)
            EXPECT_EQ(b[54 + row * 852 + pad], 0) << row;
    }
}

TEST(BmpFile, ReadsWhatItWritesAndTheIndexedDepths)
{
    CRaster raster;
    ASSERT_TRUE(raster.Create(13, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 13; ++x)
            raster.SetPixel(x, y, kColours[static_cast<std::size_t>(PatternIndex(x, y))]);
    ExpectPattern(EncodeBmp24(raster));

    BmpBuilder bmp = Bmp(40, 24, 13, 5);
    bmp.palette = kColours;
    for (int bits : {4, 8}) {
        bmp.bitsPerPixel = bits;
        ExpectPattern(bmp.Build([](int x, int y) { return PatternIndex(x, y); }));
    }
    // Only the colours the file holds, top-down.
    bmp.height = -5;
    bmp.coloursUsed = 5;
    ExpectPattern(bmp.Build([](int x, int y) { return PatternIndex(x, y); }));

    bmp = Bmp(40, 1, 13, 5);
    bmp.palette = {kColours[0], kColours[1]};
    ExpectPattern(bmp.Build([](int x, int y) { return PatternIndex(x, y) % 2; }), 2);

    bmp = Bmp(12, 8, 13, 5);
    bmp.palette = kColours;
    ExpectPattern(bmp.Build([](int x, int y) { return PatternIndex(x, y); }));
}

TEST(BmpFile, ReadsTheDirectColourDepthsAndTheLaterHeaders)
{
    auto colour = [](int x, int y) { return kColours[static_cast<std::size_t>(PatternIndex(x, y))]; };
    BmpBuilder bmp = Bmp(40, 16, 13, 5);
    ExpectPattern(bmp.Build([&](int x, int y) { return Pack555(colour(x, y)); }));

    bmp.compression = 3;
    bmp.masks = {0xF800, 0x07E0, 0x001F};
    ExpectPattern(bmp.Build([&](int x, int y) { return Pack565(colour(x, y)); }));

    bmp = Bmp(40, 32, 13, -5);
    ExpectPattern(bmp.Build([&](int x, int y) { return colour(x, y) | 0xAB000000; }));

    for (int header : {52, 56, 108, 124}) {
        bmp = Bmp(header, 32, 13, 5, 3);
        bmp.masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF};
        ExpectPattern(bmp.Build([&](int x, int y) {
            const std::uint32_t rgb = colour(x, y);
            return (rgb >> 16 & 0xFF) << 8 | (rgb >> 8 & 0xFF) << 16 | (rgb & 0xFF) << 24 | 0x7F;
        }));
    }
    bmp = Bmp(124, 24, 13, -5);
    ExpectPattern(bmp.Build(colour));
}

TEST(BmpFile, RefusesWhatItCannotReadSayingWhy)
{
    BmpBuilder base = Bmp(40, 8, 13, 5);
    base.palette = kColours;
    const std::vector<std::uint8_t> good = base.Build([](int, int) { return 1u; });

    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> cases;
    cases.emplace_back("empty", std::vector<std::uint8_t>{});
    cases.emplace_back("not BM", std::vector<std::uint8_t>(good.begin(), good.end()));
    cases.back().second[0] = 'P';
    cases.emplace_back("headers cut", std::vector<std::uint8_t>(good.begin(), good.begin() + 30));
    cases.emplace_back("pixels cut", std::vector<std::uint8_t>(good.begin(), good.end() - 4));
    auto patched = [&](const char* name, std::size_t at, std::uint32_t value, int size) {
        std::vector<std::uint8_t> b = good;
        Put(b, at, value, size);
        cases.emplace_back(name, b);
    };
    patched("RLE4 at 8 bits", 30, 2, 4);
    patched("Huffman", 30, 3, 4);
    {
        // Run-length data are stored bottom-up only.
        std::vector<std::uint8_t> b = good;
        Put(b, 30, 1, 4);
        Put(b, 22, static_cast<std::uint32_t>(-5), 4);
        cases.emplace_back("RLE8 top-down", b);
    }
    patched("2 bits", 28, 2, 2);
    patched("header of 20 bytes", 14, 20, 4);
    patched("2 planes", 26, 2, 2);
    patched("width 0", 18, 0, 4);
    patched("negative width", 18, 0xFFFFFFF0, 4);
    patched("height 0", 22, 0, 4);
    patched("most negative height", 22, 0x80000000, 4);
    patched("pixel offset inside the headers", 10, 20, 4);
    patched("empty bit fields", 30, 3, 4);
    cases.back().second[28] = 32;
    {
        // 100000 x 100000 pixels announced in a small file: refused before any allocation.
        std::vector<std::uint8_t> b = good;
        Put(b, 18, 100000, 4);
        Put(b, 22, 100000, 4);
        cases.emplace_back("huge", b);
    }

    for (const auto& [name, bytes] : cases) {
        const PictureLoad load = DecodeBmp(bytes);
        EXPECT_FALSE(load.Ok()) << name;
        EXPECT_FALSE(load.reason.empty()) << name;
        EXPECT_TRUE(load.raster.empty()) << name;
    }
}

namespace {

// A run-length encoded file (RLE8 at 8 bits, RLE4 at 4) of the given data, colour table
// {black, white, red, green, blue}.
std::vector<std::uint8_t> RleFile(int bits, int width, int height, const std::vector<std::uint8_t>& data)
{
    BmpBuilder bmp = Bmp(40, 8, 1, 1, bits == 8 ? 1 : 2);
    bmp.palette = kColours;
    std::vector<std::uint8_t> b = bmp.Build([](int, int) { return 0u; });
    b.resize(b.size() - 4);
    b.insert(b.end(), data.begin(), data.end());
    Put(b, 2, static_cast<std::uint32_t>(b.size()), 4);
    Put(b, 18, static_cast<std::uint32_t>(width), 4);
    Put(b, 22, static_cast<std::uint32_t>(height), 4);
    Put(b, 28, static_cast<std::uint32_t>(bits), 2);
    Put(b, 34, static_cast<std::uint32_t>(data.size()), 4);
    return b;
}

// Decodes bytes and compares the picture with rows of 'K' black, '.' white, 'R', 'G', 'B'.
void ExpectPixels(const std::vector<std::uint8_t>& bytes, const std::vector<std::string>& rows)
{
    const PictureLoad load = DecodeBmp(bytes);
    ASSERT_TRUE(load.Ok()) << load.reason;
    const CRaster& raster = load.raster;
    ASSERT_EQ(raster.height(), static_cast<int>(rows.size()));
    ASSERT_EQ(raster.width(), static_cast<int>(rows[0].size()));
    const std::string names = "K.RGB";
    for (int y = 0; y < raster.height(); ++y)
        for (int x = 0; x < raster.width(); ++x) {
            const std::size_t expected = names.find(rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
            EXPECT_EQ(raster.Pixel(x, y), kColours[expected]) << x << "," << y;
        }
}

}  // namespace

TEST(BmpFile, ReadsRle8RunsEscapesAndClipsAtTheRowsEnd)
{
    ExpectPixels(RleFile(8, 4, 3, {
                     0x03, 0x02, 0x00, 0x00,                    // bottom row: 3 red, end of line
                     0x00, 0x03, 0x00, 0x04, 0x02, 0x00,        // absolute K B R and its pad byte
                     0x02, 0x03, 0x00, 0x00,                    // 2 green, the second past the end
                     0x00, 0x02, 0x01, 0x00, 0x01, 0x04,        // delta 1 right, one blue
                     0x00, 0x01,                                // end of bitmap
                 }),
                 {".B..", "KBRG", "RRR."});
}

TEST(BmpFile, ReadsRle4NibblesOddAbsoluteRunsAndDataCutShort)
{
    ExpectPixels(RleFile(4, 6, 3, {
                     0x00, 0x05, 0x12, 0x32, 0x10, 0x00,        // absolute . R G R . and a pad byte
                     0x02, 0x30, 0x00, 0x00,                    // green, clipped, end of line
                     0x04, 0x23, 0x00, 0x02, 0x01, 0x01,        // R G R G, delta 1 right and 1 up
                     0x01, 0x30,                                // green; the data end here
                 }),
                 {".....G", "RGRG..", ".RGR.G"});
}

TEST(BmpFile, RleRunsPastThePictureAreClippedAndAnEmptyStreamIsWhite)
{
    // 255 red in a row of 2, a delta far past the top, then runs that land nowhere.
    std::vector<std::uint8_t> data(266, 0x03);
    const std::uint8_t head[] = {0xFF, 0x02, 0x00, 0x02, 0xFF, 0xFF, 0x03, 0x01, 0x00, 0xFF};
    std::copy(std::begin(head), std::end(head), data.begin());
    ExpectPixels(RleFile(8, 2, 1, data), {"RR"});
    ExpectPixels(RleFile(4, 3, 2, {}), {"...", "..."});
    ExpectPixels(RleFile(4, 3, 1, {0x00, 0x00, 0x00, 0x00, 0x03, 0x22}), {"..."});
}

namespace {

class BitmapDocTest : public ::testing::Test {
protected:
    void MakeDoc(int cellWidth = 40, int cellHeight = 48)
    {
        const std::string fontPath = dir.File("cell.GLF");
        docfixtures::WriteBytes(fontPath, fixtures::FontBytes(docfixtures::MakeCellFont(cellWidth, cellHeight)));
        doc.SetMessageSink(&sink);
        ASSERT_TRUE(doc.NewDocument(fontPath, ""));
    }

    TempDir dir;
    CRecordingSink sink;
    CRecognizeDoc doc;
};

}  // namespace

TEST_F(BitmapDocTest, SavedPictureLoadsBackWithTheSamePixelsAndWholeCells)
{
    MakeDoc();
    ASSERT_TRUE(doc.SetText("ABC"));
    const std::string path = dir.File("picture.bmp");
    doc.SetModifiedFlag(false);
    ASSERT_TRUE(doc.SaveBitmap(path));
    EXPECT_EQ(docfixtures::ReadBytes(path).size(), 80694u);
    EXPECT_FALSE(doc.IsModified());
    const CRaster picture = doc.m_Picture;

    doc.m_Picture.Fill(CRaster::kBlack);
    CCountingView view;
    doc.AddView(&view);
    ASSERT_TRUE(doc.LoadBitmap(path));
    EXPECT_EQ(doc.m_Picture, picture);
    EXPECT_EQ(doc.m_nCells, 7);
    EXPECT_EQ(doc.GetPictureRect(), (CRect{0, 0, 320, 96}));
    EXPECT_EQ(doc.m_bPicturePresent, 1);
    EXPECT_EQ(doc.m_bRedrawPicture, 0);
    EXPECT_EQ(doc.m_bGraphicsModified, 1);
    EXPECT_EQ(doc.m_bEditText, 0);
    EXPECT_FALSE(doc.CanEditText());
    EXPECT_EQ(doc.m_strUserText, "ABC");
    EXPECT_EQ(doc.m_nAdditionalSpace, 3);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(view.updates, 1);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(BitmapDocTest, ANewDocumentSavesItsWhitePictureOfOneCell)
{
    MakeDoc();
    const std::string path = dir.File("new.bmp");
    ASSERT_TRUE(doc.SaveBitmap(path));
    const std::vector<std::uint8_t> b = docfixtures::ReadBytes(path);
    ASSERT_EQ(b.size(), 54u + 120 * 96);
    EXPECT_EQ(U32At(b, 18), 40u);
    EXPECT_EQ(U32At(b, 22), 96u);
    EXPECT_TRUE(std::all_of(b.begin() + 54, b.end(), [](std::uint8_t v) { return v == 0xFF; }));
}

TEST_F(BitmapDocTest, CellCountFollowsTheLoadedWidthAndIsZeroForACellWidthOfZero)
{
    MakeDoc(16, 20);
    CRaster raster;
    raster.Create(100, 7);
    const std::string path = dir.File("wide.bmp");
    docfixtures::WriteBytes(path, EncodeBmp24(raster));
    ASSERT_TRUE(doc.LoadBitmap(path));
    EXPECT_EQ(doc.m_nCells, 6);
    EXPECT_EQ(doc.GetPictureRect(), (CRect{0, 0, 112, 40}));

    CRecognizeDoc zero;
    zero.m_Font = docfixtures::MakeCellFont(0, 0);
    zero.m_nCells = 4;
    ASSERT_TRUE(zero.LoadBitmap(path));
    EXPECT_EQ(zero.m_nCells, 0);
    EXPECT_EQ(zero.m_Picture.width(), 100);
}

TEST_F(BitmapDocTest, AFailedLoadReportsAndLeavesTheDocumentUnchanged)
{
    MakeDoc();
    ASSERT_TRUE(doc.SetText("AB"));
    const CRaster picture = doc.m_Picture;
    const std::string path = dir.File("bad.bmp");
    docfixtures::WriteBytes(path, {'B', 'M', 1, 2, 3});
    EXPECT_FALSE(doc.LoadBitmap(path));
    EXPECT_FALSE(doc.LoadBitmap(dir.File("missing.bmp")));
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0].text.rfind(DocMessages::kCannotReadBitmap, 0), 0u);
    EXPECT_EQ(sink.messages[0].text.back(), '.');
    EXPECT_EQ(sink.messages[0].title, "Recognize");
    EXPECT_EQ(doc.m_Picture, picture);
    EXPECT_EQ(doc.m_nCells, 5);
    EXPECT_EQ(doc.m_bGraphicsModified, 0);
    EXPECT_EQ(doc.m_bEditText, 1);
}

TEST_F(BitmapDocTest, AnEmptyPictureOrAFailedWriteIsReported)
{
    MakeDoc(0, 0);
    EXPECT_FALSE(doc.SaveBitmap(dir.File("empty.bmp")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("empty.bmp")));
    MakeDoc();
    EXPECT_FALSE(doc.SaveBitmap(dir.File("no/such/folder.bmp")));
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0].text, DocMessages::kEmptyPicture);
    EXPECT_EQ(sink.messages[1].text, DocMessages::kFailedToSaveBitmap);
}
