#include "CodePage1251.h"

#include <gtest/gtest.h>

#include <iconv.h>

// The table agrees with the C library's own converter for every code.
TEST(CodePage1251, AgreesWithIconvAndRoundTrips)
{
    iconv_t cd = iconv_open("UTF-32LE", "CP1251");
    if (cd == reinterpret_cast<iconv_t>(-1))
        GTEST_SKIP() << "iconv has no CP1251";
    for (int code = 0; code < 256; ++code) {
        char in = static_cast<char>(code);
        char out[8] = {};
        char* inPtr = &in;
        char* outPtr = out;
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        const bool defined = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
        const char32_t expected = defined ? static_cast<char32_t>(static_cast<std::uint8_t>(out[0]) |
                                                                  static_cast<std::uint8_t>(out[1]) << 8 |
                                                                  static_cast<std::uint8_t>(out[2]) << 16)
                                          : char32_t{0xFFFD};
        EXPECT_EQ(Cp1251ToUnicode(static_cast<std::uint8_t>(code)), expected) << code;
        const auto back = UnicodeToCp1251(expected);
        EXPECT_EQ(back.has_value(), defined) << code;
        if (back) {
            EXPECT_EQ(*back, code);
        }
    }
    iconv_close(cd);
    EXPECT_EQ(Cp1251ToUnicode(0x98), U'\uFFFD');
}

TEST(CodePage1251, Utf8Conversions)
{
    EXPECT_EQ(Cp1251ToUtf8("A\xC0\xFF\xB8\x88\x98"), "A\u0410\u044F\u0451\u20AC\uFFFD");
    EXPECT_EQ(Utf8ToCp1251("A\u0410\u044F\u0451\u20AC"), "A\xC0\xFF\xB8\x88");

    std::size_t bad = 99;
    EXPECT_FALSE(Utf8ToCp1251("ab\u00E9", &bad));  // é is not in the code page
    EXPECT_EQ(bad, 2u);
    for (std::string_view invalid : {"\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80", "\xD0", "\x80", "\xF4\x90\x80\x80"}) {
        bad = 99;
        std::string text = "x";
        text.append(invalid);
        EXPECT_FALSE(Utf8ToCp1251(text, &bad)) << invalid;
        EXPECT_EQ(bad, 1u);
    }

    // A lone surrogate and a character outside the code page each become '?'.
    EXPECT_EQ(Utf16ToCp1251(u"\u0416\xD800x\u00E9"), "\xC6?x?");
}
