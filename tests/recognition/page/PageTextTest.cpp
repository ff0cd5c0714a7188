// The page text: lines drawn on one grid with random indentation and empty rows read back as the
// same layout, the blank columns common to every line dropped and trailing blanks trimmed.

#include "PageReader.h"

#include "PageFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace pagefixtures;

namespace {

// What the page text of rows drawn from column 0 must be, worked out from the rows alone: the
// leading blank rows dropped, the common indentation dropped, every row's trailing blanks
// dropped, the trailing blank rows dropped.
std::string Expected(const std::vector<std::string>& rows)
{
    std::vector<std::string> kept = rows;
    for (std::string& row : kept)
        row.erase(row.find_last_not_of(' ') == std::string::npos ? 0 : row.find_last_not_of(' ') + 1);
    while (!kept.empty() && kept.back().empty())
        kept.pop_back();
    while (!kept.empty() && kept.front().empty())
        kept.erase(kept.begin());
    std::size_t margin = std::string::npos;
    for (const std::string& row : kept)
        if (!row.empty())
            margin = std::min(margin, row.find_first_not_of(' '));
    std::string text;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0)
            text += '\n';
        if (!kept[i].empty())
            text += kept[i].substr(margin);
    }
    return text;
}

TEST(PageText, RandomLayoutsReadBackAsDrawn)
{
    const CCharImageFont font = TestFont();
    std::mt19937 random(41);
    for (int round = 0; round < 20; ++round) {
        std::vector<std::string> rows;
        const int count = 2 + static_cast<int>(random() % 9);
        const int margin = 1 + static_cast<int>(random() % 4);
        for (int r = 0; r < count; ++r) {
            if (r > 0 && r + 1 < count && random() % 4 == 0) {
                rows.emplace_back();
                continue;
            }
            std::string row(static_cast<std::size_t>(margin + random() % 8), ' ');
            row += RandomText(random, 1 + static_cast<int>(random() % 25));
            row.append(random() % 3, ' ');
            rows.push_back(row);
        }
        const int x = static_cast<int>(random() % 20);
        const int y = static_cast<int>(random() % 20);
        CRaster picture;
        picture.Create(x + 45 * kW, y + (count + 1) * kH, CRaster::kWhite);
        for (int r = 0; r < count; ++r)
            Draw(picture, font, rows[static_cast<std::size_t>(r)], x, y + r * kH, CRaster::kBlack);
        const PageReading page = ReadPage(picture, TestGlyphs());
        EXPECT_EQ(page.text, Expected(rows)) << "round " << round;
        for (const PageLine& line : page.lines)
            EXPECT_NE(page.text.find(line.text), std::string::npos);
    }
}

}  // namespace
