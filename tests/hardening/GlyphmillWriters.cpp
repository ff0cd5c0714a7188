// The writer of Glyphmill: the GLF file of the generator settings, written atomically.
#include "WriterCases.h"

#include "AtomicFile.h"
#include "GlfWriter.h"

namespace hardening {

namespace {

// The file of 150 x 150 cells (2852 bytes a record), as many codes as size needs; bytes past
// the last record make up the rest of a larger size.
bool SaveGlyphmillGlfOfSize(const std::string& path, std::size_t size, std::string& message)
{
    GeneratorSettings settings;
    settings.m_nWidth = 150;
    settings.m_nHeight = 150;
    settings.m_nFirstCode = 0;
    settings.m_nLastCode = static_cast<std::uint8_t>(std::min<std::size_t>(size / 2852, 255));
    const CellCapture capture = [](std::uint8_t code, std::vector<std::uint8_t>& out) {
        for (std::size_t i = 0; i < 19 * 150; ++i)
            out.push_back(static_cast<std::uint8_t>(code * 31 + i));
    };
    std::vector<std::uint8_t> bytes;
    if (!BuildGlfFile(settings, capture, nullptr, bytes, message))
        return false;
    if (bytes.size() < size)
        bytes.resize(size, 0);
    return WriteFileAtomically(path, bytes, message);
}

}  // namespace

std::vector<WriterCase> WriterCases()
{
    return {{"GlyphmillGlf", "Arial.GLF", "", ".glyphmill-", &SaveGlyphmillGlfOfSize}};
}

}  // namespace hardening
