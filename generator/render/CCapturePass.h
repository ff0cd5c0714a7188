#pragma once

#include "CellSampling.h"
#include "GeneratorSettings.h"

#include <QFont>
#include <QImage>

#include <cstdint>
#include <vector>

// One surface of ceil8(W) x H on which the included characters of a file are drawn, one after
// another, centred, and sampled into glyph bits through the cell window.
class CCapturePass {
public:
    explicit CCapturePass(const GeneratorSettings& settings);

    // Draws code on the cleared surface and appends its (H-Y) rows of (W-X+7)/8 bytes.
    void CaptureCell(std::uint8_t code, std::vector<std::uint8_t>& out);

    // The surface as the last capture left it; null when W or H leave no area.
    const QImage& Surface() const { return m_Surface; }

private:
    QFont m_Font;
    QImage m_Surface;   // ceil8(W) x H, 32-bit
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
