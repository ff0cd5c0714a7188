#include "AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

// The permissions a new file gets: those of the file it replaces, or the usual ones.
mode_t ModeFor(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        return info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
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
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
        error = Reason(EISDIR);
        return false;
    }
    // A device, pipe or socket is never replaced by a file (the rename would remove it).
    if (::stat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode)) {
        error = "It is not a regular file.";
        return false;
    }

    std::string tempPath = FolderOf(path) + "/.glyphmill-XXXXXX";
    const int fd = ::mkstemp(tempPath.data());
    if (fd < 0) {
        error = Reason(errno);
        return false;
    }
    int errorCode = 0;
    bool ok = WriteAll(fd, bytes, errorCode);
    if (ok && ::fchmod(fd, ModeFor(path)) != 0) {
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
    if (ok && ::rename(tempPath.c_str(), path.c_str()) != 0) {
        errorCode = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(tempPath.c_str());
        error = Reason(errorCode);
    }
    return ok;
}
