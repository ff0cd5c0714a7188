#pragma once

// The rule by which one cell is read from its match costs: the best glyph, the least and
// greatest cost, the variants within the coefficient's reach and the glyphs tied with the best.
// "Recognize (Simple)" and the page reader both read their cells with it.

#include <cstdint>
#include <vector>

// Where the page reader's reading of a cell differs from Simple recognition's.
//
// Simple: among glyphs of equal cost the lowest code wins, and only a glyph that differs from
// the cell in fewer than W x H pixels can be the best (without one the caller keeps what the
// position before read).
//
// Page: a page has no position before to fall back on and must never read a control code, so
// among glyphs of equal cost a printable character wins over a space and a space over a control
// code (then the lower code), and the least cost wins even when it reaches W x H.
enum class CellRule {
    Simple,
    Page,
};

// The reading of one cell. Glyphs are named by their index in the cost array.
struct CellDecision {
    int bestGlyph = -1;  // -1: no glyph can be the best
    int best = 0;        // the least cost; W x H when no glyph differs in fewer pixels
    int worst = 0;       // the greatest cost; 0 when no glyph was compared
    bool Matched() const { return bestGlyph >= 0; }
};

// Reads a cell from the costs of its glyphs[0..count - 1]. noMatch is W x H. With CellRule::Page
// rank[g] orders glyphs of equal cost (lower first; see CodeRank); Simple ignores it and takes
// the lowest index, the glyphs being in ascending code order.
CellDecision DecideCell(CellRule rule, const std::int32_t* costs, int count, int noMatch,
                        const std::uint8_t* rank = nullptr);

// The variants of a decided cell, in glyph order: every glyph whose cost lies within
// coefficient x (worst - best) of the best one, when neither the best cost nor the worst is 0;
// otherwise (an exact match, or nothing compared) only the best glyph, at cost 0. The test is
// done on the exact integer differences, so a coefficient of 0 keeps exactly the ties, and one
// that is negative or not a number keeps none.
void CellVariants(const CellDecision& decision, const std::int32_t* costs, int count, double coefficient,
                  std::vector<int>& glyphs);

// The glyphs whose cost equals the best one, in glyph order; none without a best glyph.
void CellTies(const CellDecision& decision, const std::int32_t* costs, int count, std::vector<int>& glyphs);
