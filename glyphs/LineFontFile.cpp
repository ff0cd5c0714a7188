#include "LineFontFile.h"

#include "ByteStream.h"

#include <algorithm>
#include <bit>

namespace {

constexpr std::uint8_t kMagic[4] = {'L', 'F', 'N', 'T'};
constexpr std::uint16_t kVersion = 1;

bool Fail(std::string& error, const std::string& why)
{
    error = why;
    return false;
}

void WriteWord(CByteWriter& writer, std::uint64_t word)
{
    writer.WriteU32(static_cast<std::uint32_t>(word));
    writer.WriteU32(static_cast<std::uint32_t>(word >> 32));
}

bool ReadWord(CByteReader& reader, std::uint64_t& word)
{
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    if (!reader.ReadU32(low) || !reader.ReadU32(high))
        return false;
    word = (std::uint64_t{high} << 32) | low;
    return true;
}

void WriteCodes(CByteWriter& writer, const std::u32string& codes)
{
    writer.WriteU8(static_cast<std::uint8_t>(codes.size()));
    for (char32_t code : codes)
        writer.WriteU32(static_cast<std::uint32_t>(code));
}

bool ReadCodes(CByteReader& reader, std::u32string& codes, int least)
{
    std::uint8_t count = 0;
    if (!reader.ReadU8(count) || count < least || count > kMaxLineGlyphText || reader.Remaining() < 4U * count)
        return false;
    codes.clear();
    for (int i = 0; i < count; ++i) {
        std::uint32_t code = 0;
        reader.ReadU32(code);
        if (code > 0x10FFFF)
            return false;
        codes.push_back(static_cast<char32_t>(code));
    }
    return true;
}

bool Encodable(const LineFont& font)
{
    if (!font.Consistent() || font.name.size() > static_cast<std::size_t>(kMaxLineFontName))
        return false;
    for (const LineGlyph& glyph : font.glyphs)
        if (glyph.text.size() > static_cast<std::size_t>(kMaxLineGlyphText) ||
            glyph.lookAlikes.size() > static_cast<std::size_t>(kMaxLineGlyphText))
            return false;
    for (const LineGlyphImage& image : font.images)
        if (image.width > kMaxLineGlyphImage || image.height > kMaxLineGlyphImage || image.left < -32768 ||
            image.left > 32767 || image.top < -32768 || image.top > 32767)
            return false;
    // The space is the first glyph that reads as one, as the reader finds it again.
    int space = -1;
    for (int g = 0; g < font.Glyphs() && space < 0; ++g)
        if (font.glyphs[static_cast<std::size_t>(g)].text == U" ")
            space = g;
    return space == font.space;
}

}  // namespace

bool IsLineFontFile(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= sizeof kMagic && std::equal(kMagic, kMagic + sizeof kMagic, bytes.begin());
}

std::vector<std::uint8_t> EncodeLineFont(const LineFont& font)
{
    if (!Encodable(font))
        return {};
    CByteWriter writer;
    writer.WriteBlock(kMagic, sizeof kMagic);
    writer.WriteU16(kVersion);
    writer.WriteU8(static_cast<std::uint8_t>(font.phases));
    writer.WriteU8(font.pen == PenRule::Down ? 1 : 0);
    writer.WriteU8(font.wholePixelAdvances ? 1 : 0);
    writer.WriteU16(static_cast<std::uint16_t>(font.name.size()));
    writer.WriteBlock(font.name.data(), font.name.size());
    writer.WriteU32(static_cast<std::uint32_t>(font.Glyphs()));
    for (int g = 0; g < font.Glyphs(); ++g) {
        const LineGlyph& glyph = font.glyphs[static_cast<std::size_t>(g)];
        WriteCodes(writer, glyph.text);
        WriteCodes(writer, glyph.lookAlikes);
        writer.WriteU8(static_cast<std::uint8_t>(glyph.face));
        writer.WriteI32(glyph.advance16);
        writer.WriteU8(static_cast<std::uint8_t>(glyph.script));
        writer.WriteU8(glyph.bRare ? 1 : 0);
        for (int p = 0; p < font.phases; ++p) {
            const LineGlyphImage& image = font.Image(g, p);
            writer.WriteU16(static_cast<std::uint16_t>(static_cast<std::int16_t>(image.width > 0 ? image.left : 0)));
            writer.WriteU16(static_cast<std::uint16_t>(static_cast<std::int16_t>(image.width > 0 ? image.top : 0)));
            writer.WriteU16(static_cast<std::uint16_t>(image.width));
            writer.WriteU16(static_cast<std::uint16_t>(image.height));
            const std::size_t words = static_cast<std::size_t>(image.WordsPerRow()) * static_cast<std::size_t>(image.height);
            for (std::size_t w = 0; w < words; ++w)
                WriteWord(writer, font.bits[image.offset + w]);
            for (std::size_t w = 0; w < words; ++w)
                WriteWord(writer, font.bits[image.maybeOffset + w]);
        }
    }
    writer.WriteU32(static_cast<std::uint32_t>(font.kerning.size()));
    for (const KernPair& pair : font.kerning) {
        writer.WriteU16(pair.left);
        writer.WriteU16(pair.right);
        writer.WriteI32(pair.adjust16);
    }
    return std::move(writer.Bytes());
}

bool DecodeLineFont(std::span<const std::uint8_t> bytes, LineFont& font, std::string& error)
{
    if (!IsLineFontFile(bytes))
        return Fail(error, "not a line-font file");
    CByteReader reader(bytes.subspan(sizeof kMagic));
    std::uint16_t version = 0;
    std::uint8_t phases = 0;
    std::uint8_t pen = 0;
    std::uint8_t whole = 0;
    std::uint16_t nameLength = 0;
    if (!reader.ReadU16(version) || !reader.ReadU8(phases) || !reader.ReadU8(pen) || !reader.ReadU8(whole) ||
        !reader.ReadU16(nameLength))
        return Fail(error, "the file ends inside its header");
    if (version != kVersion)
        return Fail(error, "version " + std::to_string(version) + " is not known (this program reads version 1)");
    if (phases < 1 || phases > LineFont::kMaxPhases || pen > 1 || whole > 1)
        return Fail(error, "the phases or the pen rule are out of bounds");
    if (nameLength > kMaxLineFontName || reader.Remaining() < nameLength)
        return Fail(error, "the name is too long or cut off");
    LineFont read;
    read.Reset(phases, pen == 1 ? PenRule::Down : PenRule::Nearest);
    read.wholePixelAdvances = whole == 1;
    read.name.resize(nameLength);
    reader.ReadBlock(read.name.data(), nameLength);
    std::uint32_t count = 0;
    // The least a glyph takes: its two counts, a code, face, advance, script, rarity, and the
    // header of each image.
    const std::size_t leastGlyph = 2 + 4 + 1 + 4 + 1 + 1 + 8 * static_cast<std::size_t>(phases);
    if (!reader.ReadU32(count) || count > static_cast<std::uint32_t>(LineFont::kMaxGlyphs) ||
        reader.Remaining() / leastGlyph < count)
        return Fail(error, "the glyph count is out of bounds or the file ends inside its glyphs");
    for (std::uint32_t g = 0; g < count; ++g) {
        const std::string which = "glyph " + std::to_string(g);
        LineGlyph glyph;
        std::uint8_t face = 0;
        std::uint8_t script = 0;
        std::uint8_t rare = 0;
        if (!ReadCodes(reader, glyph.text, 1) || !ReadCodes(reader, glyph.lookAlikes, 0))
            return Fail(error, which + " has codes out of bounds or is cut off");
        if (!reader.ReadU8(face) || !reader.ReadI32(glyph.advance16) || !reader.ReadU8(script) || !reader.ReadU8(rare))
            return Fail(error, "the file ends inside " + which);
        if (face > static_cast<std::uint8_t>(GlyphFace::BoldItalic) || script > static_cast<std::uint8_t>(GlyphScript::Other) ||
            rare > 1 || glyph.advance16 <= 0)
            return Fail(error, which + " has a face, script or advance out of bounds");
        glyph.face = static_cast<GlyphFace>(face);
        glyph.script = static_cast<GlyphScript>(script);
        glyph.bRare = rare == 1;
        if (glyph.text == U" " && read.space < 0)
            read.space = static_cast<int>(g);
        read.glyphs.push_back(std::move(glyph));
        for (int p = 0; p < phases; ++p) {
            std::uint16_t left = 0;
            std::uint16_t top = 0;
            std::uint16_t width = 0;
            std::uint16_t height = 0;
            if (!reader.ReadU16(left) || !reader.ReadU16(top) || !reader.ReadU16(width) || !reader.ReadU16(height))
                return Fail(error, "the file ends inside " + which);
            if (width > kMaxLineGlyphImage || height > kMaxLineGlyphImage || (width == 0) != (height == 0))
                return Fail(error, which + " has an image out of bounds");
            LineGlyphImage image;
            image.left = static_cast<std::int16_t>(left);
            image.top = static_cast<std::int16_t>(top);
            image.width = width;
            image.height = height;
            const std::size_t words = static_cast<std::size_t>(image.WordsPerRow()) * height;
            if (reader.Remaining() / 16 < words)
                return Fail(error, "the file ends inside the images of " + which);
            image.offset = static_cast<std::uint32_t>(read.bits.size());
            image.maybeOffset = static_cast<std::uint32_t>(read.bits.size() + words);
            read.bits.resize(read.bits.size() + 2 * words);
            for (std::size_t w = 0; w < 2 * words; ++w)
                ReadWord(reader, read.bits[image.offset + w]);
            for (std::size_t w = 0; w < words; ++w) {
                image.ink += std::popcount(read.bits[image.offset + w]);
                image.maybe += std::popcount(read.bits[image.maybeOffset + w]);
            }
            if (width == 0 && (left != 0 || top != 0))
                return Fail(error, which + " has a blank image with a place");
            read.images.push_back(image);
        }
    }
    std::uint32_t pairs = 0;
    if (!reader.ReadU32(pairs) || reader.Remaining() / 8 < pairs || reader.Remaining() != 8 * static_cast<std::size_t>(pairs))
        return Fail(error, "the kerning is cut off or bytes follow it");
    read.kerning.resize(pairs);
    for (KernPair& pair : read.kerning) {
        reader.ReadU16(pair.left);
        reader.ReadU16(pair.right);
        reader.ReadI32(pair.adjust16);
    }
    if (!read.Consistent())
        return Fail(error, "the glyphs, their images or the kerning do not agree");
    font = std::move(read);
    return true;
}
