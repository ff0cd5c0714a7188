// The cell window at the ends of the int range: refused with a message while a code is
// included, and written as empty records without arithmetic overflow when none is.
#include "GlfWriter.h"

#include <gtest/gtest.h>

#include <climits>

TEST(GlyphmillBounds, ExtremeCellWindowsAreRefusedOrWrittenWithoutOverflow)
{
    struct Window {
        int x, y, w, h;
    };
    const Window windows[] = {
        {INT_MIN, 0, 150, 150}, {0, INT_MIN, 150, 150}, {INT_MAX, 0, 150, 150},
        {0, INT_MAX, 150, 150}, {-1, -1, INT_MAX, INT_MAX}, {0, 0, INT_MIN, INT_MIN},
    };
    for (const Window& window : windows) {
        GeneratorSettings settings;
        settings.m_nXOffset = window.x;
        settings.m_nYOffset = window.y;
        settings.m_nWidth = window.w;
        settings.m_nHeight = window.h;
        std::vector<std::uint8_t> bytes;
        std::string error;
        EXPECT_FALSE(BuildGlfFile(settings, {}, {}, bytes, error)) << window.x << ", " << window.y;
        EXPECT_FALSE(error.empty());

        // With every code excluded the window does not matter: 256 records of 00 00.
        settings.m_Inclusions.fill(0);
        EXPECT_TRUE(BuildGlfFile(settings, {}, {}, bytes, error)) << error;
        EXPECT_EQ(bytes.size(), 12u + 2 * 256);
    }
}
