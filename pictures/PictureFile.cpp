#include "PictureFile.h"

#include "BmpFile.h"
#include "JpegFile.h"
#include "PngFile.h"
#include "PnmFile.h"
#include "WebpFile.h"

#include <cctype>
#include <cerrno>
#include <new>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The refusal for a failed stat, open or read of path.
PictureLoad RefusalOfError(int error, const std::string& path) {
    if (error == ENOENT || error == ENOTDIR) {
        struct stat link {};
        if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
            return PictureLoad::Refused(PictureProblem::Missing, "it is a link to a file that does not exist");
        return PictureLoad::Refused(PictureProblem::Missing, "the file does not exist");
    }
    if (error == ENOMEM)
        return PictureLoad::NoMemory();
    if (error == EACCES || error == EPERM)
        return PictureLoad::Refused(PictureProblem::Unreadable, "the file cannot be read (permission denied)");
    if (error == EISDIR)
        return PictureLoad::Refused(PictureProblem::Directory, "it is a folder, not a file");
    std::string cause = std::generic_category().message(error);
    if (!cause.empty())
        cause[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(cause[0])));
    return PictureLoad::Refused(PictureProblem::Unreadable, "the file cannot be read (" + cause + ")");
}

// The refusal of a file that is not a regular file of sane size, or a load without problem.
PictureLoad RefusalOfKind(const struct stat& info) {
    if (S_ISDIR(info.st_mode))
        return PictureLoad::Refused(PictureProblem::Directory, "it is a folder, not a file");
    if (!S_ISREG(info.st_mode)) {
        const char* kind = S_ISCHR(info.st_mode)    ? "a device"
                           : S_ISBLK(info.st_mode)  ? "a block device"
                           : S_ISFIFO(info.st_mode) ? "a FIFO (named pipe)"
                           : S_ISSOCK(info.st_mode) ? "a socket"
                                                    : "a special file";
        return PictureLoad::Refused(PictureProblem::NotRegularFile, std::string("it is ") + kind + ", not a regular file");
    }
    if (info.st_size == 0)
        return PictureLoad::Refused(PictureProblem::Empty, "the file is empty");
    if (info.st_size > kMaxPictureFileBytes)
        return PictureLoad::Refused(PictureProblem::TooLarge,
                                    "the file of " + std::to_string(info.st_size) +
                                        " bytes is larger than a picture file may be (at most " +
                                        std::to_string(kMaxPictureFileBytes) + " bytes, 512 MiB)");
    return {};
}

struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

// Reads the file at path into bytes after checking what it is: what is read is the regular
// file that was checked, never more than its size when it was opened. Opening does not wait
// for a FIFO that was put in its place meanwhile.
PictureLoad ReadPictureFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return RefusalOfError(errno, path);
    if (PictureLoad refusal = RefusalOfKind(info); !refusal.Ok())
        return refusal;
    FileDescriptor file;
    do
        file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    while (file.fd < 0 && errno == EINTR);
    if (file.fd < 0)
        return RefusalOfError(errno, path);
    if (::fstat(file.fd, &info) != 0)
        return RefusalOfError(errno, path);
    if (PictureLoad refusal = RefusalOfKind(info); !refusal.Ok())
        return refusal;
    const auto size = static_cast<std::size_t>(info.st_size);
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        return PictureLoad::NoMemory();
    }
    std::size_t got = 0;
    while (got < size) {
        const ssize_t count = ::read(file.fd, bytes.data() + got, size - got);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return RefusalOfError(errno, path);
        if (count == 0)
            break;
        got += static_cast<std::size_t>(count);
    }
    // A file cut while it was read is read as far as it went; its reader says it is cut short.
    bytes.resize(got);
    if (bytes.empty())
        return PictureLoad::Refused(PictureProblem::Empty, "the file is empty");
    return {};
}

// Decodes bytes of any format read, or of .BMP only.
PictureLoad Decode(std::span<const std::uint8_t> bytes, bool bBmpOnly) {
    try {
        const PictureFormat format = SniffPicture(bytes);
        if (bBmpOnly && format != PictureFormat::Bmp) {
            if (format != PictureFormat::Unknown)
                return PictureLoad::Refused(PictureProblem::NotPicture,
                                            "it is a " + std::string(FormatName(format)) + " picture, not a .BMP file");
            const std::optional<std::string> other = DescribeOtherFile(bytes);
            return PictureLoad::Refused(PictureProblem::NotPicture, "it is " + other.value_or("not a .BMP file"));
        }
        switch (format) {
        case PictureFormat::Bmp: return DecodeBmp(bytes);
        case PictureFormat::Png: return DecodePng(bytes);
        case PictureFormat::Pnm: return DecodePnm(bytes);
        case PictureFormat::Jpeg: return DecodeJpeg(bytes);
        case PictureFormat::Webp: return DecodeWebp(bytes);
        case PictureFormat::Unknown: break;
        }
        if (bytes.empty())
            return PictureLoad::Refused(PictureProblem::Empty, "the file is empty");
        const std::optional<std::string> other = DescribeOtherFile(bytes);
        return PictureLoad::Refused(PictureProblem::NotPicture,
                                    "it is " + other.value_or("not a PNG, JPEG, WebP, .BMP or Netpbm picture"));
    } catch (const std::bad_alloc&) {
        return PictureLoad::NoMemory();
    }
}

// Puts name into the messages of load.
PictureLoad Named(PictureLoad load, const std::string& name) {
    if (load.problem == PictureProblem::OutOfMemory) {
        load.reason = "not enough memory to read " + name;
        load.message = load.reason;
    } else if (!load.Ok()) {
        load.message = name + ": " + load.reason;
    }
    if (!load.warning.empty())
        load.warning = name + ": " + load.warning;
    return load;
}

// A refusal for memory that ran out even for its message.
PictureLoad Unnamed() {
    PictureLoad load;
    load.problem = PictureProblem::OutOfMemory;
    return load;
}

PictureLoad Load(const std::string& path, bool bBmpOnly) {
    try {
        std::vector<std::uint8_t> bytes;
        PictureLoad load = ReadPictureFile(path, bytes);
        if (load.Ok())
            load = Decode(bytes, bBmpOnly);
        return Named(std::move(load), path);
    } catch (const std::bad_alloc&) {
        return Unnamed();
    }
}

}  // namespace

PictureLoad DecodePicture(std::span<const std::uint8_t> bytes, const std::string& name) {
    try {
        return Named(Decode(bytes, false), name);
    } catch (const std::bad_alloc&) {
        return Unnamed();
    }
}

PictureLoad LoadPicture(const std::string& path) {
    return Load(path, false);
}

PictureLoad LoadBmpPicture(const std::string& path) {
    return Load(path, true);
}
