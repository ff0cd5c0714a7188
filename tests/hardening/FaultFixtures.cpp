#include "FaultFixtures.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <thread>

#include <grp.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hardening {

namespace {

constexpr uid_t kNobody = 65534;

// Child exit statuses of RunAsNobody.
enum : int { kReported = 10, kSilent = 11, kClaimed = 12, kNoUser = 13 };

}  // namespace

CTinyTmpfs::CTinyTmpfs(const std::string& sizeOption)
{
    std::random_device entropy;
    m_strPath = (std::filesystem::temp_directory_path() / ("recognize-tmpfs-" + std::to_string(entropy()))).string();
    std::error_code error;
    if (!std::filesystem::create_directory(m_strPath, error)) {
        m_strReason = "cannot make the mount point " + m_strPath + ": " + error.message();
        return;
    }
    const std::string options = "size=" + sizeOption + ",mode=0755";
    if (::mount("tmpfs", m_strPath.c_str(), "tmpfs", 0, options.c_str()) != 0) {
        m_strReason = std::string("mounting a tmpfs is not permitted here (") + std::strerror(errno) +
                      "); it needs root with CAP_SYS_ADMIN";
        return;
    }
    m_bMounted = true;
}

CTinyTmpfs::~CTinyTmpfs()
{
    if (m_bMounted)
        ::umount2(m_strPath.c_str(), MNT_DETACH);
    std::error_code ignored;
    std::filesystem::remove_all(m_strPath, ignored);
}

bool CTinyTmpfs::RemountReadOnly()
{
    if (::mount("tmpfs", m_strPath.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
        m_strReason = std::string("remounting read-only failed: ") + std::strerror(errno);
        return false;
    }
    return true;
}

ChildOutcome RunAsNobody(const std::function<bool(std::string& message)>& write)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        return ChildOutcome::NotRun;
    if (pid == 0) {
        // _exit skips the exit handlers of the test program (and the leak check) in the child.
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
            ::setresuid(kNobody, kNobody, kNobody) != 0)
            ::_exit(kNoUser);
        std::string message;
        const bool ok = write(message);
        ::_exit(ok ? kClaimed : message.empty() ? kSilent : kReported);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status))
        return ChildOutcome::Crashed;
    switch (WEXITSTATUS(status)) {
    case kReported: return ChildOutcome::ReportedFailure;
    case kSilent: return ChildOutcome::SilentFailure;
    case kClaimed: return ChildOutcome::ClaimedSuccess;
    case kNoUser: return ChildOutcome::NotRun;
    default: return ChildOutcome::Crashed;
    }
}

bool KillDuringWrite(const std::string& folder, const std::function<void()>& write)
{
    const std::vector<std::string> before = FolderEntries(folder);
    const std::set<std::string> known(before.begin(), before.end());
    const pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        write();
        ::_exit(0);
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    bool killed = false;
    while (!killed && std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return false;  // the child ended on its own
        for (const std::string& name : FolderEntries(folder)) {
            struct stat info {};
            if (known.count(name) == 0 && ::stat((folder + "/" + name).c_str(), &info) == 0 && info.st_size > 0) {
                ::kill(pid, SIGKILL);
                killed = true;
                break;
            }
        }
        if (!killed)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (!killed)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return killed && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace hardening
