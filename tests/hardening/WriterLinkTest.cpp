// Every file writer saving through a symbolic link: the file the link points to is replaced
// in its own folder, the link stays a link, and the mode of the old file is kept.
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

namespace fs = std::filesystem;

constexpr std::size_t kOldSize = 8 << 10;
constexpr std::size_t kNewSize = 32 << 10;

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Two fresh folders, "link" and "target", under one scratch folder removed with its content.
class LinkedFolders : public ::testing::TestWithParam<WriterCase> {
protected:
    void SetUp() override
    {
        std::random_device entropy;
        do
            m_Root = fs::temp_directory_path() / ("recognize-links-" + std::to_string(entropy()));
        while (!fs::create_directory(m_Root));
        fs::create_directory(m_Root / "link");
        fs::create_directory(m_Root / "target");
        for (const fs::path& folder : {m_Root, m_Root / "link", m_Root / "target"})
            fs::permissions(folder, fs::perms(0755));
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_Root, ignored);
    }

    std::string LinkPath() const { return (m_Root / "link" / GetParam().fileName).string(); }
    std::string TargetPath() const { return (m_Root / "target" / ("real-" + GetParam().fileName)).string(); }

    // A relative link in the link folder to the target file.
    void MakeLink() const
    {
        fs::create_symlink(fs::path("..") / "target" / ("real-" + GetParam().fileName), LinkPath());
    }

    bool Save(const std::string& path, std::size_t size) const
    {
        std::string message;
        const bool saved = GetParam().save(path, size, message);
        EXPECT_TRUE(saved) << message;
        return saved;
    }

    void ExpectOnlyTheLinkAndTarget() const
    {
        EXPECT_EQ(FolderEntries((m_Root / "link").string()), std::vector<std::string>{GetParam().fileName});
        EXPECT_EQ(FolderEntries((m_Root / "target").string()), std::vector<std::string>{"real-" + GetParam().fileName});
    }

    fs::path m_Root;
};

mode_t ModeOf(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

}  // namespace

TEST_P(LinkedFolders, ReplacesTheFileInAnotherFolderAndKeepsTheLinkAndMode)
{
    ASSERT_TRUE(Save(TargetPath(), kOldSize));
    fs::permissions(TargetPath(), fs::perms(0600));
    MakeLink();

    ASSERT_TRUE(Save(LinkPath(), kNewSize));
    EXPECT_TRUE(fs::is_symlink(LinkPath()));
    EXPECT_GE(ReadFile(TargetPath()).size(), kNewSize);
    EXPECT_EQ(ModeOf(TargetPath()), 0600u);
    ExpectOnlyTheLinkAndTarget();
}

TEST_P(LinkedFolders, DanglingLinkCreatesTheFileItPointsTo)
{
    MakeLink();
    ASSERT_TRUE(Save(LinkPath(), kOldSize));
    EXPECT_TRUE(fs::is_symlink(LinkPath()));
    EXPECT_TRUE(fs::is_regular_file(TargetPath()));
    EXPECT_GE(ReadFile(LinkPath()).size(), kOldSize);
    ExpectOnlyTheLinkAndTarget();
}

TEST_P(LinkedFolders, FileOfMode0600KeepsItsMode)
{
    const std::string path = TargetPath();
    ASSERT_TRUE(Save(path, kOldSize));
    fs::permissions(path, fs::perms(0600));
    ASSERT_TRUE(Save(path, kNewSize));
    EXPECT_EQ(ModeOf(path), 0600u);
}

TEST_P(LinkedFolders, FailedSaveThroughALinkKeepsTheFileAndLeavesNoTemporaryFile)
{
    ASSERT_TRUE(Save(TargetPath(), kOldSize));
    MakeLink();
    const std::vector<std::uint8_t> old = ReadFile(TargetPath());

    if (::geteuid() == 0) {
        // Root writes anywhere: the writer runs as the user nobody, who may not write there.
        const ChildOutcome outcome = RunAsNobody([&](std::string& message) {
            return GetParam().save(LinkPath(), kNewSize, message);
        });
        if (outcome == ChildOutcome::NotRun)
            GTEST_SKIP() << "the test cannot switch to the user nobody (setresuid refused)";
        EXPECT_EQ(outcome, ChildOutcome::ReportedFailure);
    } else {
        fs::permissions(m_Root / "target", fs::perms(0555));
        std::string message;
        EXPECT_FALSE(GetParam().save(LinkPath(), kNewSize, message));
        fs::permissions(m_Root / "target", fs::perms(0755));
    }
    EXPECT_TRUE(fs::is_symlink(LinkPath()));
    EXPECT_EQ(ReadFile(TargetPath()), old);
    ExpectOnlyTheLinkAndTarget();
}

INSTANTIATE_TEST_SUITE_P(Writers, LinkedFolders, ::testing::ValuesIn(WriterCases()),
                         [](const ::testing::TestParamInfo<WriterCase>& info) { return info.param.name; });

}  // namespace hardening
