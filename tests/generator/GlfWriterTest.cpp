#include "AtomicFile.h"
#include "GlfWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::vector<std::uint8_t> kHeader = {7, 'G', 'L', 'F', 'f', 'i', 'l', 'e', 1, 0};

// Captures nothing; the writer pads each record to its size.
const CellCapture kNoCapture = [](std::uint8_t, std::vector<std::uint8_t>&) {};

std::vector<std::uint8_t> Build(const GeneratorSettings& settings, const CellCapture& capture = {})
{
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(BuildGlfFile(settings, capture, {}, bytes, error)) << error;
    return bytes;
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/glyphmill-test-XXXXXX";
        m_Path = ::mkdtemp(pattern);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::permissions(m_Path, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(m_Path, ignored);
    }
    const std::filesystem::path& Path() const { return m_Path; }

private:
    std::filesystem::path m_Path;
};

} // namespace

TEST(GlfWriter, StartSettingsGive184844Bytes)
{
    const GeneratorSettings settings;
    std::vector<std::uint8_t> seen;
    std::vector<int> progress;
    std::vector<std::uint8_t> bytes;
    std::string error;
    const CellCapture capture = [&seen](std::uint8_t code, std::vector<std::uint8_t>& out) {
        seen.push_back(code);
        out.insert(out.end(), 80 * 9, code);
    };
    ASSERT_TRUE(BuildGlfFile(settings, capture, [&progress](std::uint8_t c) { progress.push_back(c); }, bytes, error));
    ASSERT_EQ(bytes.size(), 184844u);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 12),
              (std::vector<std::uint8_t>{7, 'G', 'L', 'F', 'f', 'i', 'l', 'e', 1, 0, 0, 255}));
    EXPECT_EQ(seen.size(), 256u);
    EXPECT_EQ(progress.size(), 256u);
    // Record of code 200: width 72, height 80, then its bits.
    const std::size_t record = 12 + 200 * 722;
    EXPECT_EQ(bytes[record], 72);
    EXPECT_EQ(bytes[record + 1], 80);
    EXPECT_EQ(bytes[record + 2], 200);
    EXPECT_EQ(bytes[record + 721], 200);
}

TEST(GlfWriter, ExcludedCodesAreTwoZeroBytes)
{
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
    std::vector<std::uint8_t> expected = kHeader;
    expected.insert(expected.end(), {65, 67, 3, 2, 0xA0, 0x40, 0, 0, 3, 2, 0xFF, 0x40});
    EXPECT_EQ(Build(settings, capture), expected);

    settings.m_Inclusions.fill(0);
    EXPECT_EQ(Build(settings, capture).size(), 12u + 2 * 3);
}

TEST(GlfWriter, FirstAboveLastGivesTheHeaderOnly)
{
    GeneratorSettings settings;
    settings.m_nFirstCode = 66;
    settings.m_nLastCode = 65;
    std::vector<std::uint8_t> expected = kHeader;
    expected.insert(expected.end(), {66, 65});
    EXPECT_EQ(Build(settings, kNoCapture), expected);
    // Nothing is captured either, so a window no record could hold is not refused.
    settings.m_nXOffset = -1;
    EXPECT_EQ(Build(settings, kNoCapture), expected);
}

TEST(GlfWriter, RecordSizeFollowsTheWindowWhateverTheCaptureGives)
{
    GeneratorSettings settings;
    settings.m_nFirstCode = settings.m_nLastCode = 90;
    settings.m_nWidth = 9;
    settings.m_nHeight = 2;
    const CellCapture tooMuch = [](std::uint8_t, std::vector<std::uint8_t>& out) { out.insert(out.end(), 10, 0xFF); };
    EXPECT_EQ(Build(settings, tooMuch).size(), 12u + 2 + 4);
    EXPECT_EQ(Build(settings, {}).size(), 12u + 2 + 4);
    // A window of width 0 has no bits per row: the record is the two bytes alone.
    settings.m_nWidth = 0;
    EXPECT_EQ(Build(settings, tooMuch), (std::vector<std::uint8_t>{7, 'G', 'L', 'F', 'f', 'i', 'l', 'e', 1, 0, 90, 90, 0, 2}));
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
        EXPECT_EQ(CellWindowProblem(settings).empty(), c.ok);
    }
    // With every code excluded no record holds a glyph, and the file is readable.
    GeneratorSettings settings;
    settings.m_nXOffset = 100;
    settings.m_Inclusions.fill(0);
    EXPECT_TRUE(CellWindowProblem(settings).empty());
}

TEST(AtomicFile, ReplacesTheFileAndKeepsItWhenWritingFails)
{
    TempFolder folder;
    const auto path = folder.Path() / "font.GLF";
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path.string(), {1, 2, 3}, error)) << error;
    ASSERT_TRUE(WriteFileAtomically(path.string(), {4, 5}, error)) << error;
    EXPECT_EQ(ReadFile(path), (std::vector<std::uint8_t>{4, 5}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);

    // A folder in place of the file cannot be replaced.
    EXPECT_FALSE(WriteFileAtomically(folder.Path().string(), {1}, error));
    EXPECT_FALSE(error.empty());
    // Nor can a file in a missing folder be made.
    EXPECT_FALSE(WriteFileAtomically((folder.Path() / "missing" / "x.GLF").string(), {1}, error));

    if (::geteuid() != 0) {
        // A folder that cannot be written to leaves the old file as it was.
        std::filesystem::permissions(folder.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        EXPECT_FALSE(WriteFileAtomically(path.string(), {9, 9, 9}, error));
        std::filesystem::permissions(folder.Path(), std::filesystem::perms::owner_all);
        EXPECT_EQ(ReadFile(path), (std::vector<std::uint8_t>{4, 5}));
    }
}

TEST(AtomicFile, WriteCutShortKeepsTheOldFile)
{
    TempFolder folder;
    const auto path = folder.Path() / "font.GLF";
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path.string(), {1, 2, 3}, error)) << error;

    // A file-size limit makes the write fail part-way, as a full disk would.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteFileAtomically(path.string(), std::vector<std::uint8_t>(4096, 7), error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadFile(path), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1) << "temporary file left";
}
