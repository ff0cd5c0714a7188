#pragma once

#include "CBitImage.h"
#include "CCharImage.h"
#include "CRaster.h"

// The cell-matching operations on a CBitImage: capture a rectangle of the picture, copy a
// glyph, count the pixels in which two images differ. Bits are most significant first,
// 1 = ink.

// Samples the rectangle [left, right) x [top, bottom) of the picture into image, one pixel at
// a time: 8 pixels per byte, so when the width is not a multiple of 8 the last byte of a row
// also takes the pixels just right of the rectangle. Only exactly black pixels are ink; pixels
// outside the picture are background. Returns 0, sampling nothing, when SetSize fails (an empty
// rectangle), else 1.
int CaptureFromDC(CBitImage& image, const CRaster& picture, int left, int top, int right, int bottom);

// Makes image a copy of the glyph: its width, height, bytes per row and bits. A missing glyph
// gives an empty 0 x 0 image.
void CopyFromGlyph(CBitImage& image, const CCharImage* glyph);

// Number of differing bits of two images of equal size, all 8 bits of every byte counted; -1
// when their widths or heights differ, 0 when they hold no bytes.
int MatchCost(const CBitImage& a, const CBitImage& b);
