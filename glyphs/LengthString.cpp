#include "LengthString.h"

#include "CodePage1251.h"

#include <cstdint>
#include <limits>
#include <stdexcept>

namespace {

enum class LengthForm { Bytes, Utf16 };

// Reads the length prefix; a 0xFFFE marker gives the UTF-16 form unless utf16Allowed is false.
bool ReadLength(CByteReader& reader, std::uint64_t& length, LengthForm& form, bool utf16Allowed)
{
    form = LengthForm::Bytes;
    std::uint8_t b = 0;
    if (!reader.ReadU8(b))
        return false;
    if (b < 0xFF) {
        length = b;
        return true;
    }
    std::uint16_t w = 0;
    if (!reader.ReadU16(w))
        return false;
    if (w < 0xFFFE) {
        length = w;
        return true;
    }
    if (w == 0xFFFF) {
        std::uint32_t n = 0;
        if (!reader.ReadU32(n))
            return false;
        length = n;
        return true;
    }
    // The UTF-16 marker: its own length follows by the same rule; a second marker is invalid.
    if (!utf16Allowed)
        return false;
    LengthForm inner;
    if (!ReadLength(reader, length, inner, false))
        return false;
    form = LengthForm::Utf16;
    return true;
}

}  // namespace

bool ReadLengthString(CByteReader& reader, std::string& text)
{
    return ReadLengthString(reader, text, std::numeric_limits<std::size_t>::max());
}

bool ReadLengthString(CByteReader& reader, std::string& text, std::size_t maxLength)
{
    std::uint64_t length = 0;
    LengthForm form;
    if (!ReadLength(reader, length, form, true))
        return false;
    if (length > maxLength)
        return false;

    const std::uint64_t bytes = form == LengthForm::Utf16 ? length * 2 : length;
    if (bytes > reader.Remaining()) {
        reader.RaiseEndOfFile();
        return false;
    }
    const auto count = static_cast<std::size_t>(length);
    if (form == LengthForm::Bytes) {
        std::string result(count, '\0');
        reader.ReadBlock(result.data(), count);
        text = std::move(result);
        return true;
    }
    std::u16string units(count, u'\0');
    for (auto& unit : units) {
        std::uint16_t value = 0;
        reader.ReadU16(value);
        unit = static_cast<char16_t>(value);
    }
    text = Utf16ToCp1251(units);
    return true;
}

void WriteLengthString(CByteWriter& writer, std::string_view text)
{
    const std::size_t n = text.size();
    // Lengths of 2^32 and more have no form in the format; writing a cut string would lose text.
    if (n > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("WriteLengthString: string longer than 2^32 - 1 characters");
    if (n <= 254) {
        writer.WriteU8(static_cast<std::uint8_t>(n));
    } else if (n <= 65533) {
        writer.WriteU8(0xFF);
        writer.WriteU16(static_cast<std::uint16_t>(n));
    } else {
        writer.WriteU8(0xFF);
        writer.WriteU16(0xFFFF);
        writer.WriteU32(static_cast<std::uint32_t>(n));
    }
    writer.WriteBlock(text.data(), n);
}
