#include "DataFiles.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#ifndef RECOGNIZE_DATA_DIR
#define RECOGNIZE_DATA_DIR ""
#endif

namespace {

bool IsFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

std::string FindDataFile(const std::string& relativePath) {
    if (IsFile(relativePath))
        return relativePath;
    const std::filesystem::path installed = std::filesystem::path(RECOGNIZE_DATA_DIR) / relativePath;
    if (std::string_view(RECOGNIZE_DATA_DIR).empty() || !IsFile(installed))
        return relativePath;
    return installed.string();
}
