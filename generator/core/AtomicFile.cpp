#include "AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Links followed before a chain is taken for a loop, as the kernel counts them.
constexpr int kMaxLinkHops = 40;

std::string Reason(int code)
{
    return std::strerror(code);
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// The name a write to path lands on: path itself, or the end of its chain of symbolic links,
// which need not exist yet. False when the chain loops or a link cannot be read.
bool ResolveLinks(const std::string& path, std::string& target, int& errorCode)
{
    target = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return true;
        std::error_code failure;
        const std::filesystem::path next = std::filesystem::read_symlink(target, failure);
        if (failure) {
            errorCode = failure.value();
            return false;
        }
        target = next.is_absolute() ? next.string() : (std::filesystem::path(FolderOf(target)) / next).string();
    }
    errorCode = ELOOP;
    return false;
}

bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes, int& errorCode)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            errorCode = errno;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error)
{
    if (path.empty()) {
        error = "No file name was given.";
        return false;
    }
    std::string target;
    int errorCode = 0;
    if (!ResolveLinks(path, target, errorCode)) {
        error = Reason(errorCode);
        return false;
    }
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        error = Reason(EISDIR);
        return false;
    }
    // A device, pipe or socket is never replaced by a file (the rename would remove it).
    if (exists && !S_ISREG(old.st_mode)) {
        error = "It is not a regular file.";
        return false;
    }

    std::string tempPath = FolderOf(target) + "/.glyphmill-XXXXXX";
    const int fd = ::mkstemp(tempPath.data());
    if (fd < 0) {
        error = Reason(errno);
        return false;
    }
    bool ok = WriteAll(fd, bytes, errorCode);
    mode_t mode = 0;
    if (exists) {
        // Owner and group follow the old file where the user may set them; a failure there
        // is no reason to refuse the save.
        const bool ownerKept = ::fchown(fd, old.st_uid, old.st_gid) == 0 ||
                               ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0;
        static_cast<void>(ownerKept);
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (ok && ::fchmod(fd, mode) != 0) {
        errorCode = errno;
        ok = false;
    }
    if (ok && ::fsync(fd) != 0) {
        errorCode = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        errorCode = errno;
        ok = false;
    }
    if (ok && ::rename(tempPath.c_str(), target.c_str()) != 0) {
        errorCode = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(tempPath.c_str());
        error = Reason(errorCode);
    }
    return ok;
}
