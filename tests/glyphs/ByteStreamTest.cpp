#include "ByteStream.h"
#include "GlyphFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes ReadBack(const std::string& path)
{
    Bytes bytes;
    EXPECT_TRUE(ReadWholeFile(path, bytes));
    return bytes;
}

mode_t Mode(const std::string& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

std::size_t EntryCount(const std::filesystem::path& folder)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

}  // namespace

TEST(CByteStream, FieldsAreLittleEndianAndEndOfFileIsSticky)
{
    CByteWriter writer;
    writer.WriteU8(0x01);
    writer.WriteU16(0x0302);
    writer.WriteU32(0x07060504);
    writer.WriteI32(-2);
    writer.WriteF64(0.2);
    EXPECT_EQ(writer.Bytes(), (Bytes{1, 2, 3, 4, 5, 6, 7, 0xFE, 0xFF, 0xFF, 0xFF, 0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xC9, 0x3F}));

    CByteReader reader(writer.Bytes());
    std::uint8_t u8 = 0;
    std::uint16_t u16 = 0;
    std::uint32_t u32 = 0;
    std::int32_t i32 = 0;
    double f64 = 0;
    ASSERT_TRUE(reader.ReadU8(u8) && reader.ReadU16(u16) && reader.ReadU32(u32) && reader.ReadI32(i32) && reader.ReadF64(f64));
    EXPECT_EQ(u8, 1);
    EXPECT_EQ(u16, 0x0302);
    EXPECT_EQ(u32, 0x07060504u);
    EXPECT_EQ(i32, -2);
    EXPECT_EQ(f64, 0.2);
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_FALSE(reader.HitEndOfFile());

    // A short block read is no end-of-file; a fixed field past the end is, and consumes nothing.
    const Bytes three = {1, 2, 3};
    CByteReader shortReader(three);
    std::uint8_t block[8] = {};
    EXPECT_EQ(shortReader.ReadBlock(block, 2), 2u);
    EXPECT_FALSE(shortReader.ReadU16(u16));
    EXPECT_TRUE(shortReader.HitEndOfFile());
    EXPECT_EQ(shortReader.Remaining(), 1u);
    EXPECT_EQ(shortReader.ReadBlock(block, 8), 1u);
    EXPECT_EQ(shortReader.Skip(5), 0u);
}

TEST(WriteFileAtomically, WritesReplacesAndKeepsPermissions)
{
    fixtures::TempDir dir;
    const std::string path = dir.File("out.bin");
    const Bytes first = {1, 2, 3};
    ASSERT_TRUE(WriteFileAtomically(path, first));
    EXPECT_EQ(ReadBack(path), first);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(Mode(path), 0666 & ~mask);

    ::chmod(path.c_str(), 0640);
    const Bytes second = {9, 8};
    ASSERT_TRUE(WriteFileAtomically(path, second));
    EXPECT_EQ(ReadBack(path), second);
    EXPECT_EQ(Mode(path), 0640u);
    ASSERT_TRUE(WriteFileAtomically(path, {}));
    EXPECT_TRUE(ReadBack(path).empty());
    EXPECT_EQ(EntryCount(dir.Path()), 1u);  // no temporary file left

    // Through a symbolic link the target is replaced and the link stays.
    const std::string link = dir.File("link.bin");
    std::filesystem::create_symlink(path, link);
    ASSERT_TRUE(WriteFileAtomically(link, first));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBack(path), first);
}

TEST(WriteFileAtomically, FailureLeavesTheOldFileAndNoTemporary)
{
    fixtures::TempDir dir;
    const Bytes data = {1, 2, 3};
    EXPECT_FALSE(WriteFileAtomically(dir.File("missing/out.bin"), data));
    EXPECT_FALSE(WriteFileAtomically(dir.Path().string(), data));
    EXPECT_FALSE(WriteFileAtomically("", data));

    std::filesystem::create_directory(dir.Path() / "sub");
    EXPECT_FALSE(WriteFileAtomically(dir.File("sub"), data));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "sub"));
    EXPECT_EQ(EntryCount(dir.Path()), 1u);

    // A write that fails half-way (file size limit): the old file stays, the temporary goes.
    const std::string old = dir.File("old.bin");
    ASSERT_TRUE(WriteFileAtomically(old, data));
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteFileAtomically(old, Bytes(100, 0x55));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBack(old), data);
    EXPECT_EQ(EntryCount(dir.Path()), 2u);

    // A folder the writer may not create files in (root may write anywhere: skipped then).
    const std::string locked = dir.File("locked");
    std::filesystem::create_directory(locked);
    const std::string path = locked + "/keep.bin";
    ASSERT_TRUE(WriteFileAtomically(path, data));
    ::chmod(locked.c_str(), 0555);
    if (::geteuid() != 0) {
        EXPECT_FALSE(WriteFileAtomically(path, Bytes{7}));
        EXPECT_EQ(ReadBack(path), data);
        EXPECT_EQ(EntryCount(locked), 1u);
    }
    ::chmod(locked.c_str(), 0755);
}

TEST(ReadWholeFile, LimitsAndFailures)
{
    fixtures::TempDir dir;
    const std::string path = dir.File("ten.bin");
    ASSERT_TRUE(WriteFileAtomically(path, Bytes(10, 0x42)));
    Bytes bytes;
    EXPECT_TRUE(ReadWholeFile(path, bytes, 10));
    EXPECT_EQ(bytes.size(), 10u);
    EXPECT_FALSE(ReadWholeFile(path, bytes, 9));
    EXPECT_TRUE(ReadFilePrefix(path, bytes, 4));
    EXPECT_EQ(bytes, Bytes(4, 0x42));
    EXPECT_FALSE(ReadWholeFile(dir.File("none"), bytes));
    EXPECT_FALSE(ReadWholeFile(dir.Path().string(), bytes));
}
