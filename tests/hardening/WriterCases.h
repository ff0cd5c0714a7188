#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace hardening {

// One file writer of the programs, driven by the writer-fault tests.
struct WriterCase {
    std::string name;            // test name suffix
    std::string fileName;        // name of the file written, e.g. "doc.rdf"
    std::string failureMessage;  // what the writer reports when it fails; empty: a message of its own
    std::string temporaryMark;   // part of the name of its temporary file
    // Writes a complete file of at least size bytes to path; false, with message set to what
    // the writer reported, when it fails.
    std::function<bool(const std::string& path, std::size_t size, std::string& message)> save;
};

// Test output names the case rather than dumping its bytes.
inline void PrintTo(const WriterCase& writer, std::ostream* out)
{
    *out << writer.name;
}

// The writers of one test program.
std::vector<WriterCase> WriterCases();

}  // namespace hardening
