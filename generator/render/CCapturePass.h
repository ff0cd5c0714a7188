#pragma once

#include "CellSampling.h"
#include "GeneratorSettings.h"

#include <QFont>
#include <QImage>

#include <cstdint>
#include <memory>
#include <vector>

class CExactFont;

// One surface on which the included characters of a file are drawn, one after another, and
// sampled into glyph bits through the cell window. In the window layout the surface is
// ceil8(W) x H and each character is centred on it; in the cell layout the pen stands at the
// cell's left edge and the baseline at the ascent, and the surface covers the window.
class CCapturePass {
public:
    explicit CCapturePass(const GeneratorSettings& settings);
    ~CCapturePass();

    // Draws code on the cleared surface and appends its (H-Y) rows of (W-X+7)/8 bytes.
    void CaptureCell(std::uint8_t code, std::vector<std::uint8_t>& out);

    // The surface as the last capture left it; null when W or H leave no area.
    const QImage& Surface() const { return m_Surface; }

private:
    void DrawExact(std::uint8_t code);

    QFont m_Font;
    std::unique_ptr<CExactFont> m_pExact;   // set for the cell layout, antialiasing or an exact size
    CellLayout m_Layout;
    int m_nCoverage;
    QImage m_Surface;   // 32-bit; ceil8(W) x H, or ceil8(W-X) x (H-Y) in the cell layout
    int m_nX;
    int m_nY;
    int m_nW;
    int m_nH;
};

// Rounds a width up to the next multiple of 8.
inline int Ceil8(int width)
{
    return static_cast<int>((static_cast<long long>(width) + 7) / 8 * 8);
}
