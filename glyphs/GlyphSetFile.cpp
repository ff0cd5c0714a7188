#include "GlyphSetFile.h"

#include "ByteStream.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint8_t kMagic[4] = {'G', 'S', 'E', 'T'};
constexpr std::uint16_t kVersion = 1;

bool Encodable(const GlyphSet& set)
{
    return set.Consistent() && set.cellWidth >= 1 && set.cellWidth <= kMaxGlyphSetCell && set.cellHeight >= 1 &&
           set.cellHeight <= kMaxGlyphSetCell && set.baseline >= -32768 && set.baseline <= 32767 &&
           set.name.size() <= static_cast<std::size_t>(kMaxGlyphSetName);
}

bool Fail(std::string& error, const std::string& why)
{
    error = why;
    return false;
}

}  // namespace

bool IsGlyphSetFile(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= sizeof kMagic && std::equal(kMagic, kMagic + sizeof kMagic, bytes.begin());
}

std::vector<std::uint8_t> EncodeGlyphSet(const GlyphSet& set)
{
    if (!Encodable(set))
        return {};
    CByteWriter writer;
    writer.WriteBlock(kMagic, sizeof kMagic);
    writer.WriteU16(kVersion);
    writer.WriteU16(static_cast<std::uint16_t>(set.cellWidth));
    writer.WriteU16(static_cast<std::uint16_t>(set.cellHeight));
    writer.WriteU8(static_cast<std::uint8_t>(set.phases));
    writer.WriteU16(static_cast<std::uint16_t>(static_cast<std::int16_t>(set.baseline)));
    writer.WriteU16(static_cast<std::uint16_t>(set.name.size()));
    writer.WriteBlock(set.name.data(), set.name.size());
    writer.WriteU32(static_cast<std::uint32_t>(set.Glyphs()));
    const std::size_t size = set.ImageBytes();
    for (int g = 0; g < set.Glyphs(); ++g) {
        writer.WriteU32(static_cast<std::uint32_t>(set.codes[static_cast<std::size_t>(g)]));
        writer.WriteU8(static_cast<std::uint8_t>(set.faces[static_cast<std::size_t>(g)]));
        for (int p = 0; p < set.phases; ++p)
            writer.WriteBlock(set.Image(p, g), size);
    }
    return std::move(writer.Bytes());
}

bool DecodeGlyphSet(std::span<const std::uint8_t> bytes, GlyphSet& set, std::string& error)
{
    if (!IsGlyphSetFile(bytes))
        return Fail(error, "not a glyph-set file");
    CByteReader reader(bytes.subspan(sizeof kMagic));
    std::uint16_t version = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t phases = 0;
    std::uint16_t baseline = 0;
    std::uint16_t nameLength = 0;
    if (!reader.ReadU16(version) || !reader.ReadU16(width) || !reader.ReadU16(height) || !reader.ReadU8(phases) ||
        !reader.ReadU16(baseline) || !reader.ReadU16(nameLength))
        return Fail(error, "the file ends inside its header");
    if (version != kVersion)
        return Fail(error, "version " + std::to_string(version) + " is not known (this program reads version 1)");
    if (width < 1 || width > kMaxGlyphSetCell || height < 1 || height > kMaxGlyphSetCell)
        return Fail(error, "a cell of " + std::to_string(width) + " x " + std::to_string(height) + " pixels is out of bounds");
    if (phases < 1 || phases > GlyphSet::kMaxPhases)
        return Fail(error, std::to_string(phases) + " phases are out of bounds");
    if (nameLength > kMaxGlyphSetName || reader.Remaining() < nameLength)
        return Fail(error, "the name is too long or cut off");
    GlyphSet read;
    read.Reset(width, height, phases, static_cast<std::int16_t>(baseline));
    read.name.resize(nameLength);
    reader.ReadBlock(read.name.data(), nameLength);
    std::uint32_t count = 0;
    if (!reader.ReadU32(count))
        return Fail(error, "the file ends before its glyph count");
    const std::size_t size = read.ImageBytes();
    const std::size_t record = 5 + static_cast<std::size_t>(phases) * size;
    if (reader.Remaining() / record < count || reader.Remaining() != count * record)
        return Fail(error, reader.Remaining() < count * record ? "the file ends inside its glyphs"
                                                               : "bytes follow the last glyph");
    // Images lie phase after phase, so the glyph count is set before any is read.
    read.codes.assign(count, 0);
    read.faces.assign(count, GlyphFace::Regular);
    read.bits.assign(static_cast<std::size_t>(phases) * count * size, 0);
    const std::uint8_t padding = width % 8 == 0 ? 0 : static_cast<std::uint8_t>(0xFF >> (width % 8));
    for (std::uint32_t g = 0; g < count; ++g) {
        std::uint32_t code = 0;
        std::uint8_t face = 0;
        reader.ReadU32(code);
        reader.ReadU8(face);
        if (code > 0x10FFFF)
            return Fail(error, "glyph " + std::to_string(g) + " has no Unicode code point");
        if (face > static_cast<std::uint8_t>(GlyphFace::BoldItalic))
            return Fail(error, "glyph " + std::to_string(g) + " has an unknown face");
        read.codes[g] = static_cast<char32_t>(code);
        read.faces[g] = static_cast<GlyphFace>(face);
        for (int p = 0; p < phases; ++p) {
            std::uint8_t* image = read.Image(p, static_cast<int>(g));
            reader.ReadBlock(image, size);
            for (int y = 0; padding != 0 && y < height; ++y)
                if ((image[static_cast<std::size_t>(y + 1) * read.BytesPerRow() - 1] & padding) != 0)
                    return Fail(error, "glyph " + std::to_string(g) + " has ink past its width");
        }
    }
    if (!read.Consistent())
        return Fail(error, "a code appears twice in one face");
    set = std::move(read);
    return true;
}

bool SaveGlyphSetFile(const std::string& path, const GlyphSet& set)
{
    const std::vector<std::uint8_t> bytes = EncodeGlyphSet(set);
    return !bytes.empty() && WriteFileAtomically(path, bytes);
}

bool LoadGlyphSetFile(const std::string& path, GlyphSet& set, std::string& error)
{
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes))
        return Fail(error, path + ": the file cannot be read");
    if (!DecodeGlyphSet(bytes, set, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}
