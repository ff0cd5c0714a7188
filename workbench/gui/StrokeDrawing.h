#pragma once

#include <QPoint>
#include <QRect>

#include <cstdint>

class CRaster;

// Draws one stroke segment into raster with a solid pen of width pixels and colour
// (0xRRGGBB), pure colour without antialiasing, and returns the rectangle it may have
// touched. 1-pixel lines leave out their end point; the next segment starts there. Wider
// lines have round ends, so that consecutive segments join round. A segment of no length
// draws nothing. Pixels outside the raster are clipped.
QRect DrawStrokeSegment(CRaster& raster, QPoint from, QPoint to, int width, std::uint32_t colour);
