// Every file writer under faults: a full device, a device file, a folder it may not write
// into, a read-only file system, and a process killed while it writes. Each failure is
// reported and leaves the previous file with that name intact, byte for byte.
#include "FaultFixtures.h"
#include "WriterCases.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

namespace hardening {

namespace {

constexpr std::size_t kOldSize = 8 << 10;
constexpr std::size_t kNewSize = 256 << 10;
// Large enough that a write takes many milliseconds, so the kill lands in its middle.
constexpr std::size_t kKillSize = 64 << 20;

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh folder under the system's temporary folder, removed with its content.
class CScratchFolder {
public:
    CScratchFolder()
    {
        std::random_device entropy;
        do
            m_strPath = (std::filesystem::temp_directory_path() / ("recognize-faults-" + std::to_string(entropy()))).string();
        while (!std::filesystem::create_directory(m_strPath));
        std::filesystem::permissions(m_strPath, std::filesystem::perms(0755));
    }
    ~CScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::permissions(m_strPath, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(m_strPath, ignored);
    }
    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
};

class WriterFaults : public ::testing::TestWithParam<WriterCase> {
protected:
    // The writer said why it failed: its fixed message, or any message when it has none.
    void ExpectReported(const std::string& message)
    {
        if (GetParam().failureMessage.empty())
            EXPECT_FALSE(message.empty());
        else
            EXPECT_EQ(message, GetParam().failureMessage);
    }

    // Writes the previous file at path and returns its bytes.
    std::vector<std::uint8_t> WriteOldFile(const std::string& path)
    {
        std::string message;
        EXPECT_TRUE(GetParam().save(path, kOldSize, message)) << message;
        return ReadFile(path);
    }
};

}  // namespace

TEST_P(WriterFaults, FullDeviceKeepsThePreviousFile)
{
    CTinyTmpfs device("64k");
    if (!device.Mounted())
        GTEST_SKIP() << device.Reason();
    const std::string path = device.File(GetParam().fileName);
    const std::vector<std::uint8_t> old = WriteOldFile(path);

    std::string message;
    EXPECT_FALSE(GetParam().save(path, kNewSize, message));
    ExpectReported(message);
    EXPECT_EQ(ReadFile(path), old);
    // The partly written temporary file is gone.
    EXPECT_EQ(FolderEntries(device.Path()), std::vector<std::string>{GetParam().fileName});
}

TEST_P(WriterFaults, DeviceFileIsRefusedAndStaysADevice)
{
    struct stat before {};
    if (::stat("/dev/full", &before) != 0 || !S_ISCHR(before.st_mode))
        GTEST_SKIP() << "this system has no /dev/full";
    std::string message;
    EXPECT_FALSE(GetParam().save("/dev/full", kOldSize, message));
    ExpectReported(message);
    struct stat after {};
    ASSERT_EQ(::stat("/dev/full", &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_rdev, before.st_rdev);
}

TEST_P(WriterFaults, FolderWithoutWritePermissionKeepsThePreviousFile)
{
    CScratchFolder folder;
    const std::string path = folder.Path() + "/" + GetParam().fileName;
    const std::vector<std::uint8_t> old = WriteOldFile(path);

    if (::geteuid() == 0) {
        // Root writes anywhere: the writer runs as the unprivileged user nobody instead.
        const ChildOutcome outcome = RunAsNobody([&](std::string& message) {
            return GetParam().save(path, kNewSize, message);
        });
        if (outcome == ChildOutcome::NotRun)
            GTEST_SKIP() << "the test cannot switch to the user nobody (setresuid refused)";
        EXPECT_EQ(outcome, ChildOutcome::ReportedFailure);
    } else {
        std::filesystem::permissions(folder.Path(), std::filesystem::perms(0555));
        std::string message;
        EXPECT_FALSE(GetParam().save(path, kNewSize, message));
        ExpectReported(message);
    }
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{GetParam().fileName});
}

TEST_P(WriterFaults, ReadOnlyFileSystemKeepsThePreviousFile)
{
    CTinyTmpfs device("1m");
    if (!device.Mounted())
        GTEST_SKIP() << device.Reason();
    const std::string path = device.File(GetParam().fileName);
    const std::vector<std::uint8_t> old = WriteOldFile(path);
    if (!device.RemountReadOnly())
        GTEST_SKIP() << device.Reason();

    std::string message;
    EXPECT_FALSE(GetParam().save(path, kNewSize, message));
    ExpectReported(message);
    EXPECT_EQ(ReadFile(path), old);
}

TEST_P(WriterFaults, KilledWriterLeavesThePreviousFileIntact)
{
    CScratchFolder folder;
    const std::string path = folder.Path() + "/" + GetParam().fileName;
    const std::vector<std::uint8_t> old = WriteOldFile(path);

    const bool killed = KillDuringWrite(folder.Path(), [&] {
        std::string message;
        GetParam().save(path, kKillSize, message);
    });
    ASSERT_TRUE(killed) << "the writer ended before it could be killed in the middle of its write";
    EXPECT_EQ(ReadFile(path), old);
    // The killed process leaves its temporary file behind; it is hidden and named so that it
    // cannot be taken for the document.
    for (const std::string& name : FolderEntries(folder.Path())) {
        if (name == GetParam().fileName)
            continue;
        EXPECT_EQ(name.front(), '.') << name;
        EXPECT_NE(name.find(GetParam().temporaryMark), std::string::npos) << name;
        RecordProperty("left_behind", name);
    }
}

INSTANTIATE_TEST_SUITE_P(Writers, WriterFaults, ::testing::ValuesIn(WriterCases()),
                         [](const ::testing::TestParamInfo<WriterCase>& info) { return info.param.name; });

}  // namespace hardening
