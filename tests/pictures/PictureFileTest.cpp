// Picture files against golden pixels, their refusals and the causes they name, the reader
// chosen by a file's first bytes, and faults after the pixels read as warnings.
#include "BmpFile.h"
#include "GlyphFixtures.h"
#include "PictureFile.h"
#include "PictureGoldens.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using fixtures::kPictureData;

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

// A PNG chunk: length, type, data and the CRC of type and data.
std::vector<std::uint8_t> Chunk(std::string_view type, std::string_view data, std::uint32_t length)
{
    std::vector<std::uint8_t> out;
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(length >> shift));
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = 4; i < out.size(); ++i) {
        crc ^= out[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    crc ^= 0xFFFFFFFF;
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(crc >> shift));
    return out;
}

}  // namespace

TEST(PictureFile, GoldenPicturesReadExactly)
{
    const std::vector<std::filesystem::path> pictures = fixtures::GoldenPictures();
    // PNG of every colour type and depth, interlaced; PBM, PGM, PPM plain and raw; .BMP of
    // 1, 8, 24 and 32 bits; JPEG baseline, progressive, grey, CMYK and with an Exif
    // orientation; WebP lossy and lossless, with and without alpha.
    EXPECT_GE(pictures.size(), 39U);
    for (const std::filesystem::path& path : pictures) {
        SCOPED_TRACE(path.filename().string());
        const PictureLoad load = LoadPicture(path.string());
        ASSERT_TRUE(load.Ok()) << load.message;
        EXPECT_EQ(load.warning, "");
        EXPECT_EQ(fixtures::PictureDifference(load.raster, fixtures::GoldenPixels(path.string() + ".txt")), "");
    }
}

TEST(PictureFile, BrokenFilesAreRefusedWithTheirCause)
{
    const struct {
        const char* name;
        PictureProblem problem;
        const char* reason;
    } cases[] = {
        {"bad-cut-in-pixels.png", PictureProblem::CutShort, "the file is cut short"},
        {"bad-header-crc.png", PictureProblem::Damaged, "the file is damaged (IHDR: CRC error)"},
        {"bad-huge.png", PictureProblem::TooLarge,
         "the picture of 100000 x 100000 pixels is larger than the programs hold (at most 67108864 pixels, 8192 x 8192)"},
        {"bad-depth.png", PictureProblem::Damaged, "the file is damaged ("},
        {"bad-cut.ppm", PictureProblem::CutShort, "the file is cut short"},
        {"bad-above-maximum.pgm", PictureProblem::Damaged, "a sample of 11 is above its maximum of 10"},
        {"bad-maximum-0.pgm", PictureProblem::Damaged, "maximum sample value is not 1 to 65535"},
        {"bad-maximum-too-large.pgm", PictureProblem::Damaged, "maximum sample value is not 1 to 65535"},
        {"bad-huge.pgm", PictureProblem::TooLarge, "100000 x 100000 pixels is larger than the programs hold"},
        {"bad-plain-letter.ppm", PictureProblem::Damaged, "a sample is not a number"},
        {"bad-no-size.pbm", PictureProblem::CutShort, "the file is cut short"},
        {"bad-empty.pgm", PictureProblem::Damaged, "no pixels"},
        {"bad-cut.jpg", PictureProblem::CutShort, "the file is cut short"},
        {"bad-cut.webp", PictureProblem::CutShort, "the file is cut short"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = (kPictureData / c.name).string();
        const PictureLoad load = LoadPicture(path);
        EXPECT_EQ(load.problem, c.problem);
        EXPECT_NE(load.reason.find(c.reason), std::string::npos) << load.reason;
        EXPECT_EQ(load.message, path + ": " + load.reason);
        EXPECT_TRUE(load.raster.empty());
    }
}

// A file cut anywhere is refused, or, when all its pixels came before the cut, read whole
// with a warning; never read as a smaller or partly grey picture. (A plain Netpbm file cut
// inside its last number still parses, so only the binary kinds are cut.)
TEST(PictureFile, CutFilesAreRefusedOrReadWholeWithAWarning)
{
    for (const char* name : {"rgb8-interlaced.png", "palette8-trns.png", "rgba16.png", "rgb-raw16.ppm", "bitmap-raw.pbm",
                             "rgb-baseline.jpg", "rgb-progressive.jpg", "grey.jpg", "rgb-lossy.webp",
                             "rgba-lossless.webp"}) {
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> bytes = ReadBytes(kPictureData / name);
        const CRaster whole = fixtures::GoldenPixels(kPictureData / (std::string(name) + ".txt"));
        ASSERT_FALSE(bytes.empty());
        int readWithWarning = 0;
        for (std::size_t size = 0; size < bytes.size(); ++size) {
            const PictureLoad load = DecodePicture(std::span(bytes.data(), size), name);
            if (load.Ok()) {
                EXPECT_EQ(fixtures::PictureDifference(load.raster, whole), "") << size << " bytes";
                EXPECT_NE(load.warning, "") << size << " bytes";
                ++readWithWarning;
            } else {
                EXPECT_NE(load.reason, "") << size << " bytes";
                EXPECT_TRUE(load.raster.empty());
            }
        }
        // A PNG cut after its pixel data and a baseline JPEG without its end marker still read.
        if (std::string_view(name).ends_with(".png") || std::string_view(name) == "rgb-baseline.jpg") {
            EXPECT_GT(readWithWarning, 0);
        }
    }
}

TEST(PictureFile, DamageAfterThePixelsOfAPngIsAWarning)
{
    const std::vector<std::uint8_t> good = ReadBytes(kPictureData / "rgb8.png");
    const CRaster expected = fixtures::GoldenPixels(kPictureData / "rgb8.png.txt");
    const std::size_t end = good.size() - 12;  // where the IEND chunk starts

    // IEND cut, a text chunk with a wrong CRC after the pixels, and a damaged IEND: read, with
    // a warning that names the file.
    std::vector<std::uint8_t> text = good;
    std::vector<std::uint8_t> chunk = Chunk("tEXt", std::string_view("Title\0shot", 10), 10);
    chunk.back() ^= 0xFF;
    text.insert(text.begin() + static_cast<std::ptrdiff_t>(end), chunk.begin(), chunk.end());
    std::vector<std::uint8_t> badEnd = good;
    badEnd.back() ^= 0xFF;
    const std::vector<std::uint8_t> noEnd = ReadBytes(kPictureData / "bad-no-end.png");
    for (const auto& [bytes, warning] : {std::pair{noEnd, "shot.png: the file is cut short after its pixels"},
                                         std::pair{text, "shot.png: the file is damaged after its pixels (tEXt: CRC error)"},
                                         std::pair{badEnd, "shot.png: the file is damaged after its pixels (IEND: CRC error)"}}) {
        const PictureLoad load = DecodePicture(bytes, "shot.png");
        ASSERT_TRUE(load.Ok()) << load.message;
        EXPECT_EQ(load.warning, warning);
        EXPECT_EQ(fixtures::PictureDifference(load.raster, expected), "");
    }
    // Damage inside the pixel data is no warning: the file is refused.
    std::vector<std::uint8_t> badData = good;
    badData[end - 1] ^= 0xFF;  // the CRC of the last IDAT chunk
    const PictureLoad load = DecodePicture(badData, "shot.png");
    EXPECT_EQ(load.problem, PictureProblem::Damaged);
    EXPECT_EQ(load.message, "shot.png: the file is damaged (IDAT: CRC error)");
}

TEST(PictureFile, FilesAreCheckedBeforeTheyAreRead)
{
    fixtures::TempDir dir;
    const std::string empty = dir.File("empty.png");
    WriteBytes(empty, {});
    const std::string dangling = dir.File("dangling.png");
    std::filesystem::create_symlink(dir.File("nowhere.png"), dangling);
    const std::string fifo = dir.File("fifo.png");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A file past the bound, made sparse: it is refused by its size, not read.
    const std::string huge = dir.File("huge.ppm");
    WriteBytes(huge, Bytes("P6 8192 8192 65535\n"));
    std::filesystem::resize_file(huge, kMaxPictureFileBytes + 1);

    const struct {
        std::string path;
        PictureProblem problem;
        std::string reason;
    } cases[] = {
        {dir.File("missing.png"), PictureProblem::Missing, "the file does not exist"},
        {dir.File("missing/shot.png"), PictureProblem::Missing, "the file does not exist"},
        {dangling, PictureProblem::Missing, "it is a link to a file that does not exist"},
        {dir.Path().string(), PictureProblem::Directory, "it is a folder, not a file"},
        {fifo, PictureProblem::NotRegularFile, "it is a FIFO (named pipe), not a regular file"},
        {"/dev/zero", PictureProblem::NotRegularFile, "it is a device, not a regular file"},
        {empty, PictureProblem::Empty, "the file is empty"},
        {huge, PictureProblem::TooLarge,
         "the file of 536870913 bytes is larger than a picture file may be (at most 536870912 bytes, 512 MiB)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const PictureLoad load = LoadPicture(c.path);
        EXPECT_EQ(load.problem, c.problem);
        EXPECT_EQ(load.message, c.path + ": " + c.reason);
    }

    // Permissions do not hold back the superuser, who reads the file.
    const std::string locked = dir.File("locked.pgm");
    WriteBytes(locked, Bytes("P5 1 1 255\n\x80"));
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    const PictureLoad load = LoadPicture(locked);
    if (::geteuid() != 0) {
        EXPECT_EQ(load.problem, PictureProblem::Unreadable);
        EXPECT_EQ(load.message, locked + ": the file cannot be read (permission denied)");
    } else {
        EXPECT_TRUE(load.Ok()) << load.message;
    }
}

TEST(PictureFile, ReaderIsChosenByTheFirstBytesAndOtherFilesAreNamed)
{
    fixtures::TempDir dir;
    CRaster picture;
    ASSERT_TRUE(picture.Create(5, 3, 0x204060));
    picture.SetPixel(4, 2, 0x000000);

    // A .BMP named .png, and a PNG named .bmp, read as what they are.
    const std::string bmp = dir.File("shot.png");
    WriteBytes(bmp, EncodeBmp24(picture));
    EXPECT_EQ(LoadPicture(bmp).raster, picture);
    EXPECT_EQ(LoadBmpPicture(bmp).raster, picture);
    std::filesystem::copy_file(kPictureData / "rgb8.png", dir.File("shot.bmp"));
    EXPECT_EQ(LoadPicture(dir.File("shot.bmp")).raster.width(), 9);
    EXPECT_EQ(LoadBmpPicture(dir.File("shot.bmp")).message,
              dir.File("shot.bmp") + ": it is a PNG picture, not a .BMP file");

    const struct {
        std::vector<std::uint8_t> bytes;
        const char* reason;
    } others[] = {
        {Bytes(std::string_view("\x07GLFfile\x01\x00\x41\x41\x00\x00", 14)), "it is a GLF glyph font, not a picture"},
        // Graphics flag, user text, additional space, result text, three flags, pen width.
        {{1, 0, 0, 0, 3, 'a', 'b', 'c', 3, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0},
         "it is a Recognize document (.rdf), not a picture"},
        {Bytes("Plain words.\n"), "it is text, not a picture"},
        {Bytes("%PDF-1.7\n"), "it is a PDF document, not a picture"},
        {Bytes(std::string_view("PK\x03\x04\x14\x00", 6)), "it is a ZIP archive, not a picture"},
        {Bytes("GIF89a\x01\x00"), "it is a GIF picture, which is not read (the programs read PNG, JPEG, WebP, .BMP and "
                                  "Netpbm pictures)"},
        {Bytes(std::string_view("II*\x00\x08\x00", 6)), "it is a TIFF picture, which is not read"},
        {Bytes("<?xml version=\"1.0\"?>\n<svg width=\"10\"/>"), "it is an SVG drawing, which is not read"},
        {Bytes(std::string_view("\x00\x01\x02\xFE\xFD\x10", 6)), "it is not a PNG, JPEG, WebP, .BMP or Netpbm picture"},
    };
    for (const auto& other : others) {
        const PictureLoad load = DecodePicture(other.bytes, "notes");
        EXPECT_EQ(load.problem, PictureProblem::NotPicture);
        EXPECT_EQ(load.message.rfind(std::string("notes: ") + other.reason, 0), 0U) << load.message;
    }
}

// The first chunk after the header of a 57-byte PNG declares 2^31 - 1 bytes. libpng would
// take and clear that much memory for a text chunk; the reader skips the chunk unread and
// finds the file cut short at once. A child process measures the memory it takes.
TEST(PngFile, AChunkDeclaringGigabytesIsSkippedUnread)
{
    std::vector<std::uint8_t> png = Bytes("\x89PNG\r\n\x1a\n");
    const std::vector<std::uint8_t> header = Chunk("IHDR", std::string_view("\0\0\0\1\0\0\0\1\x08\0\0\0\0", 13), 13);
    png.insert(png.end(), header.begin(), header.end());
    for (const char* type : {"tEXt", "sPLT", "zTXt", "iCCP"}) {
        std::vector<std::uint8_t> file = png;
        const std::vector<std::uint8_t> chunk = Chunk(type, std::string_view("key\0Lorem ipsum dolor", 21), 0x7FFFFFFF);
        file.insert(file.end(), chunk.begin(), chunk.begin() + 24);
        ASSERT_EQ(file.size(), 57U);
        SCOPED_TRACE(type);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            rusage before {}, after {};
            ::getrusage(RUSAGE_SELF, &before);
            const PictureLoad load = DecodePicture(file, "chunk.png");
            ::getrusage(RUSAGE_SELF, &after);
            const bool small = after.ru_maxrss - before.ru_maxrss < 64 * 1024;  // KiB
            ::_exit(load.problem == PictureProblem::CutShort && small ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(DecodePicture(file, "chunk.png").message, "chunk.png: the file is cut short");
    }
}
