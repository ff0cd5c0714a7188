#include "NumberList.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(NumberList, ReadsEveryItemWithBlanksAndSigns)
{
    EXPECT_EQ(ParseNumberList("0"), (std::vector<double>{0.0}));
    EXPECT_EQ(ParseNumberList("0,0.025, 0.05 ,+0.1,1e-1,-2"), (std::vector<double>{0.0, 0.025, 0.05, 0.1, 0.1, -2.0}));
    EXPECT_EQ(ParseNumberList("\t.5 ,5."), (std::vector<double>{0.5, 5.0}));
}

TEST(NumberList, RefusesTheWholeListForOneBadItem)
{
    for (const char* text : {"", " ", ",", "0,", ",0", "0,,1", "0.1x", "0.1 0.2", "++1", "+-1", "0x10", "inf", "0,nan",
                             "1e999", "0;1", "0.1,a"})
        EXPECT_FALSE(ParseNumberList(text)) << '"' << text << '"';
}
