#include "BoxDrawing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <utility>
#include <string>
#include <vector>

namespace {

constexpr char32_t kFirst = 0x2500;
constexpr char32_t kLastLine = 0x257F;
constexpr char32_t kLast = 0x259F;

// The arms of the line-drawing codes U+2500..U+257F from their Unicode names: up, right, down,
// left, each 0 none, 1 light, 2 heavy, 3 double; empty for dashes, arcs and diagonals.
constexpr const char* kArms[kLastLine - kFirst + 1] = {
    "0101", "0202", "1010", "2020", "", "", "", "",  // 2500
    "", "", "", "", "0110", "0210", "0120", "0220",  // 2508
    "0011", "0012", "0021", "0022", "1100", "1200", "2100", "2200",  // 2510
    "1001", "1002", "2001", "2002", "1110", "1210", "2110", "1120",  // 2518
    "2120", "2210", "1220", "2220", "1011", "1012", "2011", "1021",  // 2520
    "2021", "2012", "1022", "2022", "0111", "0112", "0211", "0212",  // 2528
    "0121", "0122", "0221", "0222", "1101", "1102", "1201", "1202",  // 2530
    "2101", "2102", "2201", "2202", "1111", "1112", "1211", "1212",  // 2538
    "2111", "1121", "2121", "2112", "2211", "1122", "1221", "2212",  // 2540
    "1222", "2122", "2221", "2222", "", "", "", "",  // 2548
    "0303", "3030", "0310", "0130", "0330", "0013", "0031", "0033",  // 2550
    "1300", "3100", "3300", "1003", "3001", "3003", "1310", "3130",  // 2558
    "3330", "1013", "3031", "3033", "0313", "0131", "0333", "1303",  // 2560
    "3101", "3303", "1313", "3131", "3333", "", "", "",  // 2568
    "", "", "", "", "0001", "1000", "0100", "0010",  // 2570
    "0002", "2000", "0200", "0020", "0201", "1020", "0102", "2010",  // 2578
};

// VTE's double lines U+2550..U+256C as the parts of its 5 x 5 division they fill, rows from the
// top, '#' filled: the two strokes of a double line are parts 1 and 3, the gap part 2. Seen on
// its screens (they join the strokes at corners and crossings, not a rule of the arms).
constexpr const char* kVteDoubles[0x256C - 0x2550 + 1] = {
    ".....#####.....#####.....",  // 2550
    ".#.#..#.#..#.#..#.#..#.#.",  // 2551
    ".......###..#....###..#..",  // 2552
    "...........####.#.#..#.#.",  // 2553
    "......####.#....#.##.#.#.",  // 2554
    ".....###....#..###....#..",  // 2555
    "..........####..#.#..#.#.",  // 2556
    ".....####....#.##.#..#.#.",  // 2557
    "..#....###..#....###.....",  // 2558
    ".#.#..#.#..####..........",  // 2559
    ".#.#..#.##.#....####.....",  // 255A
    "..#..###....#..###.......",  // 255B
    ".#.#..#.#.####...........",  // 255C
    ".#.#.##.#....#.####......",  // 255D
    "..#....###..#....###..#..",  // 255E
    ".#.#..#.#..#.##.#.#..#.#.",  // 255F
    ".#.#..#.##.#....#.##.#.#.",  // 2560
    "..#..###....#..###....#..",  // 2561
    ".#.#..#.#.##.#..#.#..#.#.",  // 2562
    ".#.#.##.#....#.##.#..#.#.",  // 2563
    ".....#####.....#####..#..",  // 2564
    "..........#####.#.#..#.#.",  // 2565
    ".....#####.....##.##.#.#.",  // 2566
    "..#..#####.....#####.....",  // 2567
    ".#.#..#.#.#####..........",  // 2568
    ".#.#.##.##.....#####.....",  // 2569
    "..#..#####..#..#####..#..",  // 256A
    ".#.#..#.#.#####.#.#..#.#.",  // 256B
    ".#.#.##.##.....##.##.#.#.",  // 256C
};

// A cell of weights being drawn.
class CCell {
public:
    CCell(int width, int height, std::uint8_t* cell) : W(width), H(height), m_pCell(cell)
    {
        std::fill(m_pCell, m_pCell + static_cast<std::size_t>(W) * H, std::uint8_t{0});
    }

    const int W;
    const int H;

    // Fills columns x0..x1 - 1 of rows y0..y1 - 1 (clipped).
    void Fill(int x0, int y0, int x1, int y1, std::uint8_t weight = 255)
    {
        for (int y = std::max(y0, 0); y < std::min(y1, H); ++y)
            for (int x = std::max(x0, 0); x < std::min(x1, W); ++x)
                At(x, y) = std::max(At(x, y), weight);
    }
    std::uint8_t& At(int x, int y) { return m_pCell[static_cast<std::size_t>(y) * W + x]; }

    // The weight of every pixel from the share of its 16 x 16 points inside.
    void Cover(const std::function<bool(double, double)>& inside)
    {
        constexpr int kSamples = 16;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                int hits = 0;
                for (int sy = 0; sy < kSamples; ++sy)
                    for (int sx = 0; sx < kSamples; ++sx)
                        hits += inside(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples) ? 1 : 0;
                const int weight = (hits * 255 + kSamples * kSamples / 2) / (kSamples * kSamples);
                At(x, y) = std::max(At(x, y), static_cast<std::uint8_t>(weight));
            }
    }

private:
    std::uint8_t* m_pCell;
};

// rxvt-unicode ---------------------------------------------------------------------------------

// The cell's columns (or rows) of rxvt-unicode's drawing: the eighths 0..8, then the centre's
// left neighbour, the centre and its right neighbour as 9, 10, 11.
struct UrxvtAxis {
    int at[12] = {};
    explicit UrxvtAxis(int size)
    {
        for (int i = 0; i <= 8; ++i)
            at[i] = ((size - 1) * i + (i * 7 / 8)) / 8;
        at[10] = (size - 1) / 2;
        at[9] = at[10] - 1;
        at[11] = at[10] + 1;
    }
};

// A one-pixel line from (x0, y0) to (x1, y1), both ends in, as Bresenham's algorithm steps.
void UrxvtLine(CCell& cell, int x0, int y0, int x1, int y1)
{
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        cell.Fill(x0, y0, x0 + 1, y0 + 1);
        if (x0 == x1 && y0 == y1)
            break;
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

bool UrxvtDraw(char32_t code, CCell& cell)
{
    const UrxvtAxis X(cell.W);
    const UrxvtAxis Y(cell.H);
    auto rect = [&](int x0, int y0, int x1, int y1) { cell.Fill(X.at[x0], Y.at[y0], X.at[x1] + 1, Y.at[y1] + 1); };
    if (code <= kLastLine) {
        const char* arms = kArms[code - kFirst];
        if (arms[0] != '\0') {
            // Each arm from the centre to its edge: the offsets of its strokes from the centre.
            auto strokes = [](char weight) -> std::vector<int> {
                switch (weight) {
                case '1': return {10};
                case '2': return {9, 10, 11};
                case '3': return {9, 11};
                default: return {};
                }
            };
            for (int s : strokes(arms[0]))
                UrxvtLine(cell, X.at[s], Y.at[0], X.at[s], Y.at[10]);
            for (int s : strokes(arms[1]))
                UrxvtLine(cell, X.at[10], Y.at[s], X.at[8], Y.at[s]);
            for (int s : strokes(arms[2]))
                UrxvtLine(cell, X.at[s], Y.at[10], X.at[s], Y.at[8]);
            for (int s : strokes(arms[3]))
                UrxvtLine(cell, X.at[0], Y.at[s], X.at[10], Y.at[s]);
            return true;
        }
        const unsigned v = code - kFirst;
        if ((v >= 0x04 && v <= 0x0B)) {
            // Dashes: filled eighths of the centre line, three or four of them.
            const bool vertical = (v & 2) != 0;
            const bool heavy = (v & 1) != 0;
            static constexpr int kTriple[][2] = {{0, 1}, {3, 5}, {7, 8}};
            static constexpr int kQuadruple[][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}};
            const int lo = heavy ? 9 : 10;
            const int hi = heavy ? 11 : 10;
            auto dash = [&](int a, int b) {
                if (vertical)
                    rect(lo, a, hi, b);
                else
                    rect(a, lo, b, hi);
            };
            if (v < 0x08)
                for (const auto& d : kTriple)
                    dash(d[0], d[1]);
            else
                for (const auto& d : kQuadruple)
                    dash(d[0], d[1]);
            return true;
        }
        if (v >= 0x4C && v <= 0x4F) {
            // Double dashes: eighths [0, 3] and [5, 8].
            const bool vertical = (v & 2) != 0;
            const int lo = (v & 1) ? 9 : 10;
            const int hi = (v & 1) ? 11 : 10;
            for (const auto& d : {std::pair{0, 3}, std::pair{5, 8}}) {
                if (vertical)
                    rect(lo, d.first, hi, d.second);
                else
                    rect(d.first, lo, d.second, hi);
            }
            return true;
        }
        if (code >= 0x256D && code <= 0x2570) {
            // A quarter of the ellipse of the cell's size, less a pixel, whose box is centred on
            // the corner the arc bends towards; its points rounded half down to pixels.
            const bool right = code == 0x256D || code == 0x2570;
            const bool down = code == 0x256D || code == 0x256E;
            const double cx = (right ? X.at[8] : X.at[0]) - cell.W / 2 + (cell.W - 1) / 2.0;
            const double cy = (down ? Y.at[8] : Y.at[0]) - cell.H / 2 + (cell.H - 1) / 2.0;
            const double rx = (cell.W - 1) / 2.0;
            const double ry = (cell.H - 1) / 2.0;
            constexpr int kSteps = 512;
            for (int i = 0; i <= kSteps; ++i) {
                const double t = i * (M_PI / 2) / kSteps;
                const double px = cx + (right ? -1 : 1) * rx * std::cos(t);
                const double py = cy + (down ? -1 : 1) * ry * std::sin(t);
                const int x = static_cast<int>(std::ceil(px - 0.5));
                const int y = static_cast<int>(std::ceil(py - 0.5));
                cell.Fill(x, y, x + 1, y + 1);
            }
            return true;
        }
        if (code >= 0x2571 && code <= 0x2573) {
            if (code != 0x2572)
                UrxvtLine(cell, X.at[0], Y.at[8], X.at[8], Y.at[0]);
            if (code != 0x2571)
                UrxvtLine(cell, X.at[0], Y.at[0], X.at[8], Y.at[8]);
            return true;
        }
        return false;
    }
    // Block elements: eighths filled, both ends in.
    if (code >= 0x2581 && code <= 0x2588) {
        rect(0, 8 - static_cast<int>(code - 0x2580), 8, 8);
        return true;
    }
    if (code >= 0x2589 && code <= 0x258F) {
        rect(0, 0, 8 - static_cast<int>(code - 0x2588), 8);
        return true;
    }
    switch (code) {
    case 0x2580: rect(0, 0, 8, 4); return true;
    case 0x2590: rect(4, 0, 8, 8); return true;
    case 0x2594: rect(0, 0, 8, 1); return true;
    case 0x2595: rect(7, 0, 8, 8); return true;
    case 0x2591:
    case 0x2592:
    case 0x2593: {
        // 2 x 2 stipples from the cell's corner: one, two or three pixels in four.
        const int level = static_cast<int>(code - 0x2590);
        for (int y = Y.at[0]; y <= Y.at[8]; ++y)
            for (int x = X.at[0]; x <= X.at[8]; ++x) {
                const bool even = (x - X.at[0]) % 2 == 0;
                const bool top = (y - Y.at[0]) % 2 == 0;
                const bool on = level == 1 ? (top && even) : level == 2 ? (top == even) : (top || even);
                if (on)
                    cell.Fill(x, y, x + 1, y + 1);
            }
        return true;
    }
    default: break;
    }
    // Quadrants: upper left, upper right, lower left, lower right as bits 0..3.
    static constexpr std::uint8_t kQuadrants[] = {0b0100, 0b1000, 0b0001, 0b1101, 0b1001, 0b0111, 0b1011, 0b0010, 0b0110, 0b1110};
    if (code >= 0x2596 && code <= kLast) {
        const std::uint8_t q = kQuadrants[code - 0x2596];
        if (q & 1)
            rect(0, 0, 4, 4);
        if (q & 2)
            rect(4, 0, 8, 4);
        if (q & 4)
            rect(0, 4, 4, 8);
        if (q & 8)
            rect(4, 4, 8, 8);
        return true;
    }
    return false;
}

// VTE ------------------------------------------------------------------------------------------

struct VteLines {
    int light = 1;
    int heavy = 3;
};

// The five parts of VTE's division of a cell's side: edge, heavy side, light line, heavy side,
// edge, as their first pixels and the side's end.
std::array<int, 6> VteBands(int size, const VteLines& lines)
{
    const int half = size / 2;
    return {0, half - lines.heavy / 2, half - lines.light / 2, half - lines.light / 2 + lines.light,
            half - lines.heavy / 2 + lines.heavy, size};
}

// The parts of a line-drawing code that VTE fills, as a 5 x 5 pattern of rows from the top.
std::string VteParts(char32_t code)
{
    if (code >= 0x2550 && code <= 0x256C)
        return kVteDoubles[code - 0x2550];
    const char* arms = kArms[code - kFirst];
    std::string parts(25, '.');
    auto fill = [&](int x0, int x1, int y0, int y1) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                parts[static_cast<std::size_t>(y * 5 + x)] = '#';
    };
    const char up = arms[0], right = arms[1], down = arms[2], left = arms[3];
    // An arm reaches across the centre's light band, or its heavy band where the crossing line
    // is heavy.
    const int acrossHorizontal = (up == '2' || down == '2') ? 3 : 2;
    const int acrossVertical = (left == '2' || right == '2') ? 3 : 2;
    auto band = [](char weight, int& lo, int& hi) {
        lo = weight == '2' ? 1 : 2;
        hi = weight == '2' ? 3 : 2;
    };
    int lo = 0, hi = 0;
    if (left != '0') {
        band(left, lo, hi);
        fill(0, acrossHorizontal, lo, hi);
    }
    if (right != '0') {
        band(right, lo, hi);
        fill(4 - acrossHorizontal, 4, lo, hi);
    }
    if (up != '0') {
        band(up, lo, hi);
        fill(lo, hi, 0, acrossVertical);
    }
    if (down != '0') {
        band(down, lo, hi);
        fill(lo, hi, 4 - acrossVertical, 4);
    }
    return parts;
}

// Fills the dash pattern (on, off, ... in cell-side lengths from 0) along a band of the cell.
void VteDashes(CCell& cell, bool vertical, int lineWidth, double segment, int segments)
{
    const int size = vertical ? cell.H : cell.W;
    const int centre = (vertical ? cell.W : cell.H) / 2;
    // The stroke covers lineWidth pixels about the centre (the half pixel of an odd width moves it).
    const int from = centre - lineWidth / 2;
    for (int i = 0; i < size; ++i) {
        double covered = 0;
        for (int k = 0; k < segments; ++k) {
            const double start = k * 3 * segment;
            const double end = start + 2 * segment;
            covered += std::max(0.0, std::min(end, i + 1.0) - std::max(start, static_cast<double>(i)));
        }
        const auto weight = static_cast<std::uint8_t>(std::lround(std::min(covered, 1.0) * 255));
        if (vertical)
            cell.Fill(from, i, from + lineWidth, i + 1, weight);
        else
            cell.Fill(i, from, i + 1, from + lineWidth, weight);
    }
}

// The distance of (x, y) from the segment (x0, y0)-(x1, y1), and whether its foot lies on it.
double SegmentDistance(double x, double y, double x0, double y0, double x1, double y1, bool& within)
{
    const double dx = x1 - x0, dy = y1 - y0;
    const double length2 = dx * dx + dy * dy;
    const double t = length2 > 0 ? ((x - x0) * dx + (y - y0) * dy) / length2 : 0;
    within = t >= 0 && t <= 1;
    const double px = x0 + std::clamp(t, 0.0, 1.0) * dx - x;
    const double py = y0 + std::clamp(t, 0.0, 1.0) * dy - y;
    return std::sqrt(px * px + py * py);
}

bool VteDraw(char32_t code, CCell& cell)
{
    VteLines lines;
    lines.light = std::max(cell.W / 5, 1);
    lines.heavy = code >= 0x2550 && code <= 0x256C ? 3 * lines.light : lines.light + 2;
    const int W = cell.W, H = cell.H;
    if (code <= kLastLine) {
        const unsigned v = code - kFirst;
        if (kArms[v][0] != '\0') {
            const std::string parts = VteParts(code);
            const std::array<int, 6> xs = VteBands(W, lines);
            const std::array<int, 6> ys = VteBands(H, lines);
            for (int yi = 0; yi < 5; ++yi)
                for (int xi = 0; xi < 5; ++xi)
                    if (parts[static_cast<std::size_t>(yi * 5 + xi)] == '#')
                        cell.Fill(xs[static_cast<std::size_t>(xi)], ys[static_cast<std::size_t>(yi)],
                                  xs[static_cast<std::size_t>(xi) + 1], ys[static_cast<std::size_t>(yi) + 1]);
            return true;
        }
        if ((v >= 0x04 && v <= 0x0B) || (v >= 0x4C && v <= 0x4F)) {
            // Dashes stroked along the centre: two parts on, one off, in eighths (three dashes),
            // elevenths (four) or fifths (two) of the side.
            const bool vertical = (v & 2) != 0;
            const int width = (v & 1) ? lines.heavy : lines.light;
            const int size = vertical ? H : W;
            const int count = v >= 0x4C ? 2 : v < 0x08 ? 3 : 4;
            const double segment = size / (count == 2 ? 5.0 : count == 3 ? 8.0 : 11.0);
            VteDashes(cell, vertical, width, segment, count);
            return true;
        }
        if (code >= 0x256D && code <= 0x2570) {
            // A straight piece from the edge, a quarter circle of radius (W + 2) / 3 (at least a
            // heavy line) and a straight piece to the other edge, stroked light.
            const int q = static_cast<int>(code - 0x256D);
            const double lw = lines.light;
            const double adjust = (lines.light & 1) ? 0.5 : 0.0;
            const double xc = W / 2, yc = H / 2;
            const double radius = std::max((W + 2) / 3, lines.heavy);
            const bool left = q == 1 || q == 2;
            const bool up = (q & 2) != 0;
            const double ax = left ? xc - radius + 2 * adjust : xc + radius;
            const double ay = up ? yc - radius + 2 * adjust : yc + radius;
            const double r = radius - adjust;
            const double vx = xc + adjust;
            const double hy = yc + adjust;
            cell.Cover([&](double x, double y) {
                bool within = false;
                // The vertical piece and the horizontal piece.
                if (SegmentDistance(x, y, vx, up ? 0.0 : H, vx, up ? ay - r + r : ay + 0.0, within) <= lw / 2 && within)
                    return true;
                if (SegmentDistance(x, y, left ? 0.0 : W, hy, ax + (left ? 0.0 : 0.0), hy, within) <= lw / 2 && within)
                    return true;
                // The quarter of the circle about (ax, ay) towards the cell's centre.
                const double dx = x - ax, dy = y - ay;
                const double d = std::sqrt(dx * dx + dy * dy);
                const bool quarter = (left ? dx >= 0 : dx <= 0) && (up ? dy >= 0 : dy <= 0);
                return quarter && std::abs(d - r) <= lw / 2;
            });
            return true;
        }
        if (code >= 0x2571 && code <= 0x2573) {
            const double lw = lines.light;
            cell.Cover([&](double x, double y) {
                bool within = false;
                const double half = lw / 2;
                if (code != 0x2572 && SegmentDistance(x, y, W, 0, 0, H, within) <= half)
                    return true;
                return code != 0x2571 && SegmentDistance(x, y, 0, 0, W, H, within) <= half;
            });
            return true;
        }
        return false;
    }
    // Block elements: rectangles at fractions of the cell, rounded down, at least a pixel.
    auto rect = [&](int xd, int yd, int x1, int y1, int x2, int y2) {
        const int a = W * x1 / xd, b = H * y1 / yd, c = W * x2 / xd, d = H * y2 / yd;
        cell.Fill(a, b, a + std::max(c - a, 1), b + std::max(d - b, 1));
    };
    if (code >= 0x2581 && code <= 0x2587) {
        rect(1, 8, 0, static_cast<int>(0x2588 - code), 1, 8);
        return true;
    }
    if (code >= 0x2588 && code <= 0x258F) {
        rect(8, 1, 0, 0, static_cast<int>(0x2590 - code), 1);
        return true;
    }
    switch (code) {
    case 0x2580: rect(1, 2, 0, 0, 1, 1); return true;
    case 0x2590: rect(2, 1, 1, 0, 2, 1); return true;
    case 0x2591:
    case 0x2592:
    case 0x2593:
        cell.Fill(0, 0, W, H, static_cast<std::uint8_t>(std::lround((code - 0x2590) * 255 / 4.0)));
        return true;
    case 0x2594: rect(1, 8, 0, 0, 1, 1); return true;
    case 0x2595: rect(8, 1, 7, 0, 8, 1); return true;
    default: break;
    }
    static constexpr std::uint8_t kQuadrants[] = {0b0100, 0b1000, 0b0001, 0b1101, 0b1001, 0b0111, 0b1011, 0b0010, 0b0110, 0b1110};
    if (code >= 0x2596 && code <= kLast) {
        const std::uint8_t q = kQuadrants[code - 0x2596];
        if (q & 1)
            rect(2, 2, 0, 0, 1, 1);
        if (q & 2)
            rect(2, 2, 1, 0, 2, 1);
        if (q & 4)
            rect(2, 2, 0, 1, 1, 2);
        if (q & 8)
            rect(2, 2, 1, 1, 2, 2);
        return true;
    }
    return false;
}

}  // namespace

bool DrawBoxGlyph(BoxGlyphs terminal, char32_t code, int width, int height, std::uint8_t* cell)
{
    if (terminal == BoxGlyphs::Font || code < kFirst || code > kLast || width <= 0 || height <= 0)
        return false;
    std::vector<std::uint8_t> drawn(static_cast<std::size_t>(width) * height);
    CCell canvas(width, height, drawn.data());
    if (!(terminal == BoxGlyphs::Urxvt ? UrxvtDraw(code, canvas) : VteDraw(code, canvas)))
        return false;
    std::copy(drawn.begin(), drawn.end(), cell);
    return true;
}
