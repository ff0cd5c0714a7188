#include "CellRule.h"

#include <algorithm>
#include <cmath>

CellDecision DecideCell(CellRule rule, const std::int32_t* costs, int count, int noMatch, const std::uint8_t* rank)
{
    CellDecision decision;
    decision.best = noMatch;
    int least = noMatch;
    int leastGlyph = -1;
    for (int g = 0; g < count; ++g) {
        const int cost = costs[g];
        decision.worst = std::max(decision.worst, cost);
        if (leastGlyph < 0 || cost < least ||
            (cost == least && rule == CellRule::Page && rank != nullptr && rank[g] < rank[leastGlyph])) {
            least = cost;
            leastGlyph = g;
        }
    }
    if (leastGlyph >= 0 && (least < noMatch || rule == CellRule::Page)) {
        decision.bestGlyph = leastGlyph;
        decision.best = least;
    }
    return decision;
}

void CellVariants(const CellDecision& decision, const std::int32_t* costs, int count, double coefficient,
                  std::vector<int>& glyphs)
{
    glyphs.clear();
    // best x worst of two values below 2^16 is 0 exactly when one of them is 0.
    if (decision.best != 0 && decision.worst != 0) {
        // Every cost here is at least best, so the test (cost - best) <= reach in double
        // precision holds exactly for the integer differences up to floor(reach).
        const double reach = coefficient * static_cast<double>(decision.worst - decision.best);
        if (!(reach >= 0))
            return;
        const int limit = reach >= 1e9 ? 1000000000 : static_cast<int>(std::floor(reach));
        for (int g = 0; g < count; ++g)
            if (costs[g] - decision.best <= limit)
                glyphs.push_back(g);
    } else if (decision.Matched()) {
        glyphs.push_back(decision.bestGlyph);
    }
}

void CellTies(const CellDecision& decision, const std::int32_t* costs, int count, std::vector<int>& glyphs)
{
    glyphs.clear();
    if (!decision.Matched())
        return;
    for (int g = 0; g < count; ++g)
        if (costs[g] == decision.best)
            glyphs.push_back(g);
}
