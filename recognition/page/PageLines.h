#pragma once

// The second stage of the page reader: the bands of pixel rows that hold the lines of text.

#include "PageInk.h"

#include <algorithm>
#include <vector>

// A rectangle of pixels: columns left..right - 1, rows top..bottom - 1. Edges may lie outside
// the picture (a cell cut by its edge).
struct PixelRect {
    long long left = 0;
    long long top = 0;
    long long right = 0;
    long long bottom = 0;

    long long Width() const { return right - left; }
    long long Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool Contains(long long x, long long y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool Contains(const PixelRect& other) const {
        return other.left >= left && other.right <= right && other.top >= top && other.bottom <= bottom;
    }
    bool Overlaps(const PixelRect& other) const {
        return other.left < right && left < other.right && other.top < bottom && top < other.bottom;
    }
    bool operator==(const PixelRect&) const = default;
};

// A band of pixel rows that holds one line of text: rows top..bottom - 1 hold ink, and the
// columns left..right - 1 hold all of it.
struct TextBand {
    int top = 0;
    int bottom = 0;
    int left = 0;
    int right = 0;

    int Height() const { return bottom - top; }
    int Width() const { return right - left; }
    PixelRect Rect() const { return {left, top, right, bottom}; }
    bool operator==(const TextBand&) const = default;
};

// The rows of the page that hold ink, cut into bands of at most one cell height each, top to
// bottom. Lines that touch make one run of inked rows; it is cut where the ink is thinnest.
std::vector<TextBand> FindLines(const InkBits& ink, int cellHeight);

// The columns of rows top..bottom - 1 (clipped to the picture) that hold ink, as a row of ink
// words.
std::vector<std::uint64_t> InkedColumnWords(const InkBits& ink, long long top, long long bottom);

// The first and one past the last inked column of rows top..bottom - 1 (clipped to the
// picture); left == right == 0 when they hold no ink.
void InkColumns(const InkBits& ink, long long top, long long bottom, int& left, int& right);
