#include "ByteStream.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool CByteReader::Take(void* destination, std::size_t size)
{
    if (size > Remaining()) {
        m_bEndOfFile = true;
        return false;
    }
    if (size != 0)
        std::memcpy(destination, m_Data.data() + m_nPosition, size);
    m_nPosition += size;
    return true;
}

bool CByteReader::ReadU8(std::uint8_t& value)
{
    return Take(&value, 1);
}

bool CByteReader::ReadU16(std::uint16_t& value)
{
    std::uint8_t b[2];
    if (!Take(b, sizeof b))
        return false;
    value = static_cast<std::uint16_t>(b[0] | (b[1] << 8));
    return true;
}

bool CByteReader::ReadU32(std::uint32_t& value)
{
    std::uint8_t b[4];
    if (!Take(b, sizeof b))
        return false;
    value = std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) |
            (std::uint32_t{b[3]} << 24);
    return true;
}

bool CByteReader::ReadI32(std::int32_t& value)
{
    std::uint32_t u = 0;
    if (!ReadU32(u))
        return false;
    value = static_cast<std::int32_t>(u);
    return true;
}

bool CByteReader::ReadF64(double& value)
{
    std::uint8_t b[8];
    if (!Take(b, sizeof b))
        return false;
    std::uint64_t u = 0;
    for (int i = 7; i >= 0; --i)
        u = (u << 8) | b[i];
    std::memcpy(&value, &u, sizeof value);
    return true;
}

std::size_t CByteReader::ReadBlock(void* destination, std::size_t size)
{
    const std::size_t n = size < Remaining() ? size : Remaining();
    if (n != 0)
        std::memcpy(destination, m_Data.data() + m_nPosition, n);
    m_nPosition += n;
    return n;
}

std::size_t CByteReader::Skip(std::size_t size)
{
    const std::size_t n = size < Remaining() ? size : Remaining();
    m_nPosition += n;
    return n;
}

void CByteWriter::WriteU16(std::uint16_t value)
{
    m_Bytes.push_back(static_cast<std::uint8_t>(value));
    m_Bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void CByteWriter::WriteU32(std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        m_Bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void CByteWriter::WriteF64(double value)
{
    std::uint64_t u = 0;
    std::memcpy(&u, &value, sizeof u);
    for (int i = 0; i < 8; ++i)
        m_Bytes.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
}

void CByteWriter::WriteBlock(const void* source, std::size_t size)
{
    const auto* p = static_cast<const std::uint8_t*>(source);
    if (size != 0)
        m_Bytes.insert(m_Bytes.end(), p, p + size);
}

namespace {

// Closes a descriptor when it goes out of scope.
struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    // Closes now and reports whether the close succeeded (a deferred write error shows here).
    bool Close()
    {
        const int result = ::close(fd);
        fd = -1;
        return result == 0;
    }
};

int OpenRetrying(const char* path, int flags, mode_t mode = 0)
{
    int fd;
    do
        fd = ::open(path, flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool ReadFromDescriptor(int fd, std::vector<std::uint8_t>& bytes, std::size_t maxSize, bool failWhenLarger)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode))
        return false;
    std::vector<std::uint8_t> data;
    if (S_ISREG(info.st_mode) && info.st_size > 0) {
        const auto size = static_cast<std::uint64_t>(info.st_size);
        if (size > maxSize && failWhenLarger)
            return false;
        data.reserve(static_cast<std::size_t>(size < maxSize ? size : maxSize));
    }
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            break;
        const std::size_t room = maxSize - data.size();
        if (static_cast<std::size_t>(got) > room) {
            if (failWhenLarger)
                return false;
            data.insert(data.end(), buffer, buffer + room);
            break;
        }
        data.insert(data.end(), buffer, buffer + got);
    }
    bytes = std::move(data);
    return true;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

namespace {

// The name a write to path lands on: path itself, or the end of its chain of symbolic links,
// which need not exist yet. False when the chain loops or a link cannot be read.
bool ResolveLinks(const std::string& path, std::string& target)
{
    target = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return true;
        std::error_code failure;
        const std::filesystem::path next = std::filesystem::read_symlink(target, failure);
        if (failure)
            return false;
        target = next.is_absolute() ? next.string()
                                    : (std::filesystem::path(target).parent_path() / next).string();
    }
    return false;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::size_t maxSize)
{
    FileDescriptor file{OpenRetrying(path.c_str(), O_RDONLY)};
    if (file.fd < 0)
        return false;
    return ReadFromDescriptor(file.fd, bytes, maxSize, true);
}

bool ReadFilePrefix(const std::string& path, std::vector<std::uint8_t>& bytes, std::size_t maxSize)
{
    FileDescriptor file{OpenRetrying(path.c_str(), O_RDONLY)};
    if (file.fd < 0)
        return false;
    return ReadFromDescriptor(file.fd, bytes, maxSize, false);
}

bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes)
{
    if (path.empty())
        return false;

    // A symbolic link keeps pointing where it did: the file it names is replaced, or created
    // when the link dangles.
    std::string target;
    if (!ResolveLinks(path, target))
        return false;
    struct stat info {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode))
        return false;

    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.empty())
        return false;

    // O_EXCL makes the name ours; the mode given is reduced by the umask as for any new file.
    std::random_device entropy;
    std::string temporary;
    FileDescriptor file;
    for (int attempt = 0; attempt < 100 && file.fd < 0; ++attempt) {
        temporary = folder + "." + name + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(entropy());
        file.fd = OpenRetrying(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (file.fd < 0 && errno != EEXIST)
            return false;
    }
    if (file.fd < 0)
        return false;

    bool ok = WriteAll(file.fd, bytes.data(), bytes.size());
    if (ok && exists) {
        // Owner and group follow the old file where the user may set them; a failure there
        // is no reason to refuse the save.
        const bool ownerKept = ::fchown(file.fd, info.st_uid, info.st_gid) == 0 ||
                               ::fchown(file.fd, static_cast<uid_t>(-1), info.st_gid) == 0;
        static_cast<void>(ownerKept);
        ok = ::fchmod(file.fd, info.st_mode & 07777) == 0;
    }
    if (ok)
        ok = ::fsync(file.fd) == 0;
    ok = file.Close() && ok;
    if (ok)
        ok = ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }

    // Makes the rename itself durable; a failure here no longer endangers either file.
    FileDescriptor directory{OpenRetrying(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY)};
    if (directory.fd >= 0)
        ::fsync(directory.fd);
    return true;
}
