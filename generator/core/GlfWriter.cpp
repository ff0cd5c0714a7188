#include "GlfWriter.h"

namespace {

constexpr std::uint8_t kSignature[] = {7, 'G', 'L', 'F', 'f', 'i', 'l', 'e'};

} // namespace

std::size_t GlyphBitsSize(const GeneratorSettings& settings)
{
    // In 64 bits: the int difference of the edges overflows for offsets near the int limits.
    const long long rows = static_cast<long long>(settings.m_nHeight) - settings.m_nYOffset;
    const long long bytesPerRow = (static_cast<long long>(settings.m_nWidth) - settings.m_nXOffset + 7) / 8;
    if (rows <= 0 || bytesPerRow <= 0)
        return 0;
    return static_cast<std::size_t>(rows * bytesPerRow);
}

bool BuildGlfFile(const GeneratorSettings& settings, const CellCapture& capture, const CodeProgress& progress,
                  std::vector<std::uint8_t>& bytes, std::string& error)
{
    error = CellWindowProblem(settings);
    if (!error.empty())
        return false;

    const std::uint8_t header[] = {kSignature[0], kSignature[1], kSignature[2], kSignature[3],
                                   kSignature[4], kSignature[5], kSignature[6], kSignature[7],
                                   1, 0, settings.m_nFirstCode, settings.m_nLastCode};
    bytes.assign(std::begin(header), std::end(header));

    const std::size_t bitsSize = GlyphBitsSize(settings);
    for (int code = settings.m_nFirstCode; code <= settings.m_nLastCode; ++code) {
        const auto c = static_cast<std::uint8_t>(code);
        if (progress)
            progress(c);
        if (!settings.IsIncluded(code)) {
            bytes.push_back(0);
            bytes.push_back(0);
            continue;
        }
        bytes.push_back(static_cast<std::uint8_t>(settings.CellWidth() & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(settings.CellHeight() & 0xFF));
        const std::size_t start = bytes.size();
        if (capture)
            capture(c, bytes);
        // The record's size follows from its width and height whatever the capture gave.
        bytes.resize(start + bitsSize, 0);
    }
    return true;
}
