#pragma once

// Faults that a file writer must survive: a full device, a folder it may not write into, and
// a process killed while it writes.

#include <functional>
#include <string>
#include <vector>

namespace hardening {

// A tmpfs of the given size mounted on a fresh folder, unmounted and removed when the object
// goes. Mounting needs root (CAP_SYS_ADMIN); Mounted() is false otherwise, with the reason.
class CTinyTmpfs {
public:
    explicit CTinyTmpfs(const std::string& sizeOption);  // e.g. "64k"
    ~CTinyTmpfs();
    CTinyTmpfs(const CTinyTmpfs&) = delete;
    CTinyTmpfs& operator=(const CTinyTmpfs&) = delete;

    bool Mounted() const { return m_bMounted; }
    const std::string& Reason() const { return m_strReason; }
    const std::string& Path() const { return m_strPath; }
    std::string File(const std::string& name) const { return m_strPath + "/" + name; }
    // Makes the mounted file system read-only; false, with the reason, when that fails.
    bool RemountReadOnly();

private:
    std::string m_strPath;
    std::string m_strReason;
    bool m_bMounted = false;
};

// How a writer run in a child process ended.
enum class ChildOutcome {
    ReportedFailure,     // the writer returned false and said why
    SilentFailure,       // the writer returned false without a message
    ClaimedSuccess,      // the writer returned true
    NotRun,              // the child could not become the unprivileged user
    Crashed,             // the child ended by a signal or another status
};

// Runs write in a child process as the unprivileged user nobody (uid and gid 65534). write
// returns whether the writer succeeded and fills message with what it reported.
ChildOutcome RunAsNobody(const std::function<bool(std::string& message)>& write);

// Forks a child that runs write, watches folder until a new file appears there with some of
// its bytes written, and kills the child with SIGKILL at once. True when the child was killed
// while writing; false when it ended before any partial file was seen (or took over a minute).
bool KillDuringWrite(const std::string& folder, const std::function<void()>& write);

// The names of the entries of a folder, sorted.
std::vector<std::string> FolderEntries(const std::string& folder);

}  // namespace hardening
