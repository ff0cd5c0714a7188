#include "CodePage1251.h"

namespace {

constexpr char32_t kUndefined = 0xFFFD;

// Code points of 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F and 0x00..0x7F are ASCII.
constexpr char32_t kHighTable[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    kUndefined, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

}  // namespace

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool DecodeUtf8(std::string_view text, std::size_t& i, char32_t& cp)
{
    const auto lead = static_cast<std::uint8_t>(text[i]);
    int extra;
    char32_t minimum;
    if (lead < 0x80) {
        cp = lead;
        ++i;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
        return false;
    }
    if (text.size() - i <= static_cast<std::size_t>(extra))
        return false;
    for (int k = 1; k <= extra; ++k) {
        const auto next = static_cast<std::uint8_t>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    i += extra + 1;
    return true;
}

char32_t Cp1251ToUnicode(std::uint8_t code)
{
    if (code < 0x80)
        return code;
    if (code >= 0xC0)
        return 0x0410 + (code - 0xC0);
    return kHighTable[code - 0x80];
}

std::optional<std::uint8_t> UnicodeToCp1251(char32_t codePoint)
{
    if (codePoint < 0x80)
        return static_cast<std::uint8_t>(codePoint);
    if (codePoint >= 0x0410 && codePoint <= 0x044F)
        return static_cast<std::uint8_t>(0xC0 + (codePoint - 0x0410));
    if (codePoint == kUndefined)
        return std::nullopt;
    for (int k = 0; k < 64; ++k) {
        if (kHighTable[k] == codePoint)
            return static_cast<std::uint8_t>(0x80 + k);
    }
    return std::nullopt;
}

std::string Cp1251ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (char c : text)
        AppendUtf8(out, Cp1251ToUnicode(static_cast<std::uint8_t>(c)));
    return out;
}

std::optional<std::string> Utf8ToCp1251(std::string_view text, std::size_t* badOffset)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t start = i;
        char32_t cp = 0;
        std::optional<std::uint8_t> code;
        if (DecodeUtf8(text, i, cp))
            code = UnicodeToCp1251(cp);
        if (!code) {
            if (badOffset)
                *badOffset = start;
            return std::nullopt;
        }
        out += static_cast<char>(*code);
    }
    return out;
}

std::string Utf16ToCp1251(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        // A surrogate pair is one character; a lone surrogate is no character of the code page.
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        const auto code = (cp >= 0xD800 && cp <= 0xDFFF) ? std::nullopt : UnicodeToCp1251(cp);
        out += code ? static_cast<char>(*code) : '?';
    }
    return out;
}
