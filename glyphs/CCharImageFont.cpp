#include "CCharImageFont.h"

#include "LengthString.h"

#include <cerrno>
#include <cstring>
#include <limits>

#include <sys/stat.h>

namespace {

constexpr std::string_view kSignature = "GLFfile";

// Longest possible GLF font: a signature in its longest accepted form, the four header bytes
// and 256 records of 255 x 255 pixels. A file reader never looks past this.
constexpr std::size_t kMaxFontBytes = 64 + 4 + 256 * (2 + 32 * 255);

// True when bytes are the start of the signature in its one-byte length form, and no more.
bool IsSignatureStart(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty() || bytes.size() > kSignature.size())
        return false;
    if (bytes[0] != kSignature.size())
        return false;
    for (std::size_t i = 1; i < bytes.size(); ++i)
        if (bytes[i] != static_cast<std::uint8_t>(kSignature[i - 1]))
            return false;
    return true;
}

}  // namespace

bool CCharImageFont::LoadFromFile(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    if (!ReadFilePrefix(path, bytes, kMaxFontBytes)) {
        Clear();
        return false;
    }
    CByteReader reader(bytes);
    return LoadFromArchive(reader);
}

std::string CCharImageFont::LoadProblem(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return "the file is empty";
    constexpr const char* kTruncated = "the file is truncated";
    CByteReader header(bytes);
    std::string signature;
    if (!ReadLengthString(header, signature) || signature != kSignature)
        return IsSignatureStart(bytes) ? kTruncated : "it is not a GLF font";
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    std::uint8_t first = 0;
    std::uint8_t last = 0;
    if (!header.ReadU8(major) || !header.ReadU8(minor))
        return kTruncated;
    if (major != 1 || minor != 0)
        return "it is a GLF font of version " + std::to_string(major) + "." + std::to_string(minor) +
               ", and only version 1.0 is read";
    if (!header.ReadU8(first) || !header.ReadU8(last))
        return kTruncated;
    if (last < first)
        return "it holds no glyphs: its first code, " + std::to_string(first) + ", lies above its last code, " +
               std::to_string(last);
    CCharImageFont font;
    CByteReader reader(bytes);
    // Past the header only a record can fail, and only when the file ends inside it.
    return font.LoadFromArchive(reader) ? std::string() : kTruncated;
}

std::string CCharImageFont::FileProblem(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return "it is a folder, not a file";
    std::vector<std::uint8_t> bytes;
    errno = 0;
    if (!ReadFilePrefix(path, bytes, kMaxFontBytes)) {
        const int error = errno;
        return std::string("it cannot be read (") + (error != 0 ? std::strerror(error) : "read error") + ")";
    }
    return LoadProblem(bytes);
}

bool CCharImageFont::LoadFromArchive(CByteReader& reader)
{
    Clear();

    std::string signature;
    if (!ReadLengthString(reader, signature) || signature != kSignature)
        return false;
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    if (!reader.ReadU8(major) || major != 1 || !reader.ReadU8(minor) || minor != 0)
        return false;
    std::uint8_t first = 0;
    std::uint8_t last = 0;
    if (!reader.ReadU8(first) || !reader.ReadU8(last))
        return false;
    m_nFirst = first;
    m_nLast = last;
    if (last < first)
        return false;

    m_Glyphs.resize(static_cast<std::size_t>(last - first + 1));
    for (CCharImage& glyph : m_Glyphs) {
        if (!glyph.ReadRecord(reader))
            return false;
    }
    return true;
}

void CCharImageFont::SaveToArchive(CByteWriter& writer) const
{
    WriteLengthString(writer, kSignature);
    writer.WriteU8(1);
    writer.WriteU8(0);
    writer.WriteU8(static_cast<std::uint8_t>(m_nFirst));
    writer.WriteU8(static_cast<std::uint8_t>(m_nLast));
    // Exactly one record per code of the header's range, so that the block reads back even
    // when the glyph array is missing or does not match the range.
    const int count = static_cast<std::uint8_t>(m_nLast) - static_cast<std::uint8_t>(m_nFirst) + 1;
    for (int i = 0; i < count; ++i) {
        if (i < GlyphCount()) {
            m_Glyphs[i].WriteRecord(writer);
        } else {
            writer.WriteU8(0);
            writer.WriteU8(0);
        }
    }
}

void CCharImageFont::Clear()
{
    m_Glyphs.clear();
    m_Glyphs.shrink_to_fit();
}

int CCharImageFont::CellWidth() const
{
    return GlyphCount() > 32 ? m_Glyphs[32].m_nWidth : 0;
}

int CCharImageFont::CellHeight() const
{
    return GlyphCount() > 32 ? m_Glyphs[32].m_nHeight : 0;
}

const CCharImage* CCharImageFont::GetCharImage(int code) const
{
    if (!HasGlyphs())
        return nullptr;
    if (code >= m_nFirst && code <= m_nLast && code - m_nFirst < GlyphCount())
        return &m_Glyphs[code - m_nFirst];
    return &m_Glyphs[0];
}

void CCharImageFont::DrawString(CRaster& surface, std::string_view text, int x, int y) const
{
    for (char c : text) {
        const int code = static_cast<std::uint8_t>(c);
        if (!Contains(code) || code - m_nFirst >= GlyphCount())
            continue;
        const CCharImage& glyph = m_Glyphs[code - m_nFirst];
        glyph.DrawAt(surface, x, y);
        // Past this point no raster can show anything more, and x must not overflow.
        if (x > std::numeric_limits<int>::max() - 255)
            return;
        x += glyph.m_nWidth;
    }
}
