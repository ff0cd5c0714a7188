#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes bytes to path through a temporary file in the same folder that replaces path only
// when it is complete, so a failed write leaves any previous file as it was. A symbolic link at
// path stays a link: the file it points to is replaced, or created when it does not exist, and
// keeps its permission bits and, where the process may set them, its owner and group. False,
// with the reason, when the file could not be written.
bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error);
