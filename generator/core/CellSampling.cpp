#include "CellSampling.h"

#include <algorithm>

CInkView CInkView::FromRgb32(const std::uint8_t* bits, int width, int height, std::ptrdiff_t bytesPerRow)
{
    CInkView view;
    if (bits != nullptr && width > 0 && height > 0) {
        view.m_pBits = bits;
        view.m_nWidth = width;
        view.m_nHeight = height;
        view.m_nBytesPerRow = bytesPerRow;
        view.m_nBitsPerPixel = 32;
    }
    return view;
}

CInkView CInkView::FromMono(const std::uint8_t* bits, int width, int height, std::ptrdiff_t bytesPerRow, int inkBit)
{
    CInkView view;
    if (bits != nullptr && width > 0 && height > 0) {
        view.m_pBits = bits;
        view.m_nWidth = width;
        view.m_nHeight = height;
        view.m_nBytesPerRow = bytesPerRow;
        view.m_nBitsPerPixel = 1;
        view.m_nInkBit = inkBit != 0 ? 1 : 0;
    }
    return view;
}

void SampleCell(const CInkView& view, int x, int y, int w, int h, std::vector<std::uint8_t>& out)
{
    const long long rows = static_cast<long long>(h) - y;
    const long long bytesPerRow = (static_cast<long long>(w) - x + 7) / 8;
    if (rows <= 0 || bytesPerRow <= 0)
        return;
    out.reserve(out.size() + static_cast<std::size_t>(rows * bytesPerRow));
    for (long long j = 0; j < rows; ++j) {
        const long long py = y + j;
        for (long long k = 0; k < bytesPerRow; ++k) {
            unsigned value = 0;
            for (int b = 0; b < 8; ++b) {
                const long long px = x + 8 * k + b;
                const bool ink = px >= 0 && py >= 0 && px <= 0x7fffffff && py <= 0x7fffffff &&
                                 view.IsInk(static_cast<int>(px), static_cast<int>(py));
                value = (value << 1) | (ink ? 1u : 0u);
            }
            out.push_back(static_cast<std::uint8_t>(value));
        }
    }
}

void ScanCharacterInk(const CInkView& view, int advance, int lineHeight, LayoutBox& box)
{
    const int w = advance;
    const int h = lineHeight;
    auto columnHasInk = [&](int x, int lastRow) {
        for (int y = 0; y <= lastRow; ++y) {
            if (view.IsInk(x, y))
                return true;
        }
        return false;
    };
    auto rowHasInk = [&](int y, int lastColumn) {
        for (int x = 0; x <= lastColumn; ++x) {
            if (view.IsInk(x, y))
                return true;
        }
        return false;
    };

    int left = box.minLeft + 1;
    for (int x = 0; x <= box.minLeft; ++x) {
        if (columnHasInk(x, h)) {
            left = x;
            break;
        }
    }
    int top = box.minTop + 1;
    for (int y = 0; y <= box.minTop; ++y) {
        if (rowHasInk(y, w)) {
            top = y;
            break;
        }
    }
    int right = -1;
    for (int x = w; x >= 0; --x) {
        if (columnHasInk(x, h)) {
            right = x;
            break;
        }
    }
    int bottom = -1;
    for (int y = h; y >= 0; --y) {
        if (rowHasInk(y, right)) {
            bottom = y;
            break;
        }
    }
    box.maxRight = std::max(box.maxRight, right);
    box.minLeft = std::min(box.minLeft, left);
    box.maxBottom = std::max(box.maxBottom, bottom);
    box.minTop = std::min(box.minTop, top);
}
