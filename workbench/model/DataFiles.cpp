#include "DataFiles.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#ifndef RECOGNIZE_DATA_DIR
#define RECOGNIZE_DATA_DIR ""
#endif
#ifndef RECOGNIZE_DATA_DIR_FROM_BIN
#define RECOGNIZE_DATA_DIR_FROM_BIN ""
#endif

namespace {

bool IsFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// The data folder beside the running program (bin/../share/recognize), so that a tree
// installed under any prefix, or unpacked from a package, finds its own data; empty when the
// program's path cannot be read.
std::filesystem::path DataDirBesideProgram() {
    if (std::string_view(RECOGNIZE_DATA_DIR_FROM_BIN).empty())
        return {};
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || program.empty())
        return {};
    return program.parent_path() / RECOGNIZE_DATA_DIR_FROM_BIN;
}

}  // namespace

std::string FindDataFile(const std::string& relativePath) {
    if (IsFile(relativePath))
        return relativePath;
    const std::filesystem::path beside = DataDirBesideProgram();
    if (!beside.empty() && IsFile(beside / relativePath))
        return (beside / relativePath).lexically_normal().string();
    const std::filesystem::path installed = std::filesystem::path(RECOGNIZE_DATA_DIR) / relativePath;
    if (std::string_view(RECOGNIZE_DATA_DIR).empty() || !IsFile(installed))
        return relativePath;
    return installed.string();
}
