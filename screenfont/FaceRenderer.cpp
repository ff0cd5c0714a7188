#include "FaceRenderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_LCD_FILTER_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <tuple>
#include <utility>

namespace {

// A face kept open, with the FreeType size object of each size it was set to.
struct OpenFace {
    FT_Face face = nullptr;
    std::map<int, FT_Size> sizes;
    int size64 = 0;  // the active size
    // Hinted advances asked for, by size, load flags, emboldening and glyph: hinting a glyph
    // runs its bytecode, and the terminals' cells ask for the same glyphs' advances again.
    std::map<std::tuple<int, FT_Int32, bool, unsigned>, int> advances;
};

FT_Int32 LoadFlags(const RenderSettings& settings)
{
    FT_Int32 flags = FT_LOAD_DEFAULT;
    if (!settings.embeddedBitmaps)
        flags |= FT_LOAD_NO_BITMAP;
    switch (settings.hinting) {
    case Hinting::None:
        flags |= FT_LOAD_NO_HINTING;
        break;
    case Hinting::Slight:
        flags |= FT_LOAD_TARGET_LIGHT;
        break;
    case Hinting::Full:
        flags |= settings.antialias == Antialias::Mono  ? FT_LOAD_TARGET_MONO
                 : settings.antialias == Antialias::Lcd ? FT_LOAD_TARGET_LCD
                                                         : FT_LOAD_TARGET_NORMAL;
        break;
    }
    if (settings.autohint)
        flags |= FT_LOAD_FORCE_AUTOHINT;
    return flags;
}

FT_Render_Mode RenderMode(const RenderSettings& settings)
{
    switch (settings.antialias) {
    case Antialias::Mono:
        return FT_RENDER_MODE_MONO;
    case Antialias::Lcd:
        return FT_RENDER_MODE_LCD;
    case Antialias::Grey:
        break;
    }
    return FT_RENDER_MODE_NORMAL;
}

FT_LcdFilter FreeTypeLcdFilter(LcdFilter filter)
{
    switch (filter) {
    case LcdFilter::None:
        return FT_LCD_FILTER_NONE;
    case LcdFilter::Default:
        return FT_LCD_FILTER_DEFAULT;
    case LcdFilter::Light:
        return FT_LCD_FILTER_LIGHT;
    case LcdFilter::Legacy:
        return FT_LCD_FILTER_LEGACY;
    }
    return FT_LCD_FILTER_DEFAULT;
}

int Reduce(const unsigned char* rgb, LcdReduce rule)
{
    switch (rule) {
    case LcdReduce::Mean:
        return (rgb[0] + rgb[1] + rgb[2] + 1) / 3;
    case LcdReduce::Max:
        return std::max({rgb[0], rgb[1], rgb[2]});
    case LcdReduce::Green:
        return rgb[1];
    }
    return rgb[1];
}

// Copies a FreeType bitmap of any pixel mode into 8-bit coverage.
void CopyCoverage(const FT_Bitmap& bitmap, const RenderSettings& settings, GlyphImage& out)
{
    int width = static_cast<int>(bitmap.width);
    const int height = static_cast<int>(bitmap.rows);
    if (bitmap.pixel_mode == FT_PIXEL_MODE_LCD)
        width /= 3;
    out.width = width;
    out.height = height;
    out.coverage.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    if (width == 0 || height == 0)
        return;
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = bitmap.pitch >= 0 ? bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch
                                                     : bitmap.buffer + static_cast<std::ptrdiff_t>(height - 1 - y) * -bitmap.pitch;
        std::uint8_t* to = out.coverage.data() + static_cast<std::size_t>(y) * width;
        switch (bitmap.pixel_mode) {
        case FT_PIXEL_MODE_MONO:
            for (int x = 0; x < width; ++x)
                to[x] = ((row[x >> 3] >> (7 - (x & 7))) & 1) != 0 ? 255 : 0;
            break;
        case FT_PIXEL_MODE_GRAY:
            if (bitmap.num_grays == 256) {
                std::copy(row, row + width, to);
            } else {
                const int top = std::max(1, bitmap.num_grays - 1);
                for (int x = 0; x < width; ++x)
                    to[x] = static_cast<std::uint8_t>((row[x] * 255 + top / 2) / top);
            }
            break;
        case FT_PIXEL_MODE_LCD:
            for (int x = 0; x < width; ++x)
                to[x] = static_cast<std::uint8_t>(Reduce(row + 3 * x, settings.lcdReduce));
            break;
        case FT_PIXEL_MODE_BGRA:
            for (int x = 0; x < width; ++x)
                to[x] = row[4 * x + 3];
            break;
        default:
            break;
        }
    }
}

// Rounds the outline's heights to 1/snap pixel, half-way heights down (Skia rounds them half up
// in its downward coordinates).
void SnapHeights(FT_Outline& outline, int snap)
{
    if (snap <= 0 || snap > 64)
        return;
    const FT_Pos step = 64 / snap;
    for (int i = 0; i < outline.n_points; ++i) {
        const FT_Pos down = -outline.points[i].y + step / 2;
        const FT_Pos floored = down >= 0 ? down / step * step : -((-down + step - 1) / step) * step;
        outline.points[i].y = -floored;
    }
}

// An outline of straight segments, as Skia's edge builder flattens curves: a quadratic
// curve into 2^n segments and a cubic one into 2^(n+1), n from how far the control points
// stray from the chord (measured in 1/256 pixel, the resolution its antialiasing works at).
struct Polygon {
    std::vector<FT_Vector> points;
    std::vector<short> ends;  // last point of each contour
};

int CheapDistance(FT_Pos dx, FT_Pos dy)
{
    dx = dx < 0 ? -dx : dx;
    dy = dy < 0 ? -dy : dy;
    return static_cast<int>(dx > dy ? dx + (dy >> 1) : dy + (dx >> 1));
}

int DiffToShift(FT_Pos dx, FT_Pos dy)
{
    int distance = CheapDistance(dx, dy);
    distance = (distance + (1 << 4)) >> 5;  // to 1/8 pixel
    int bits = 0;
    while (bits < 32 && (distance >> bits) != 0)
        ++bits;
    return bits >> 1;
}

FT_Pos CubicDeltaFromLine(FT_Pos a, FT_Pos b, FT_Pos c, FT_Pos d)
{
    const FT_Pos oneThird = ((a * 8 - b * 15 + 6 * c + d) * 19) >> 9;
    const FT_Pos twoThird = ((a + 6 * b - c * 15 + d * 8) * 19) >> 9;
    return std::max(oneThird < 0 ? -oneThird : oneThird, twoThird < 0 ? -twoThird : twoThird);
}

struct Flattener {
    Polygon* polygon = nullptr;
    FT_Vector last{0, 0};

    void Add(double x, double y)
    {
        polygon->points.push_back(FT_Vector{static_cast<FT_Pos>(std::lround(x)), static_cast<FT_Pos>(std::lround(y))});
    }
};

int MoveTo(const FT_Vector* to, void* user)
{
    auto* f = static_cast<Flattener*>(user);
    if (!f->polygon->points.empty())
        f->polygon->ends.push_back(static_cast<short>(f->polygon->points.size() - 1));
    f->polygon->points.push_back(*to);
    f->last = *to;
    return 0;
}

int LineTo(const FT_Vector* to, void* user)
{
    auto* f = static_cast<Flattener*>(user);
    f->polygon->points.push_back(*to);
    f->last = *to;
    return 0;
}

int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user)
{
    auto* f = static_cast<Flattener*>(user);
    const FT_Vector p0 = f->last;
    // Skia measures at 4 x the pixel resolution of its 26.6 points.
    const FT_Pos dx = ((control->x * 2 - p0.x - to->x) * 4) >> 2;
    const FT_Pos dy = ((control->y * 2 - p0.y - to->y) * 4) >> 2;
    const int shift = std::clamp(DiffToShift(dx, dy), 1, 6);
    const int steps = 1 << shift;
    for (int k = 1; k <= steps; ++k) {
        const double t = static_cast<double>(k) / steps;
        const double u = 1 - t;
        f->Add(u * u * p0.x + 2 * u * t * control->x + t * t * to->x, u * u * p0.y + 2 * u * t * control->y + t * t * to->y);
    }
    f->last = *to;
    return 0;
}

int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user)
{
    auto* f = static_cast<Flattener*>(user);
    const FT_Vector p0 = f->last;
    const FT_Pos dx = CubicDeltaFromLine(p0.x * 4, c1->x * 4, c2->x * 4, to->x * 4);
    const FT_Pos dy = CubicDeltaFromLine(p0.y * 4, c1->y * 4, c2->y * 4, to->y * 4);
    const int shift = std::clamp(DiffToShift(dx, dy) + 1, 1, 6);
    const int steps = 1 << shift;
    for (int k = 1; k <= steps; ++k) {
        const double t = static_cast<double>(k) / steps;
        const double u = 1 - t;
        f->Add(u * u * u * p0.x + 3 * u * u * t * c1->x + 3 * u * t * t * c2->x + t * t * t * to->x,
               u * u * u * p0.y + 3 * u * u * t * c1->y + 3 * u * t * t * c2->y + t * t * t * to->y);
    }
    f->last = *to;
    return 0;
}

// Renders an outline as Skia's analytic antialiasing does: flattened, its heights rounded to
// 1/snap pixel, the area each pixel covers.
bool RenderFlattened(FT_Library library, const FT_Outline& outline, int snap, GlyphImage& image)
{
    Polygon polygon;
    Flattener flattener{&polygon, {0, 0}};
    FT_Outline_Funcs funcs{};
    funcs.move_to = MoveTo;
    funcs.line_to = LineTo;
    funcs.conic_to = ConicTo;
    funcs.cubic_to = CubicTo;
    if (FT_Outline_Decompose(const_cast<FT_Outline*>(&outline), &funcs, &flattener) != 0)
        return false;
    if (!polygon.points.empty())
        polygon.ends.push_back(static_cast<short>(polygon.points.size() - 1));
    if (polygon.points.size() > 32767)
        return false;
    std::vector<char> tags(polygon.points.size(), FT_CURVE_TAG_ON);
    FT_Outline flat{};
    flat.n_contours = static_cast<short>(polygon.ends.size());
    flat.n_points = static_cast<short>(polygon.points.size());
    flat.points = polygon.points.data();
    flat.tags = tags.data();
    flat.contours = polygon.ends.data();
    flat.flags = outline.flags & FT_OUTLINE_EVEN_ODD_FILL;
    SnapHeights(flat, snap);
    FT_BBox box{};
    FT_Outline_Get_CBox(&flat, &box);
    const FT_Pos left = box.xMin >> 6;
    const FT_Pos bottom = box.yMin >> 6;
    const FT_Pos right = (box.xMax + 63) >> 6;
    const FT_Pos top = (box.yMax + 63) >> 6;
    image.width = polygon.points.empty() ? 0 : static_cast<int>(right - left);
    image.height = polygon.points.empty() ? 0 : static_cast<int>(top - bottom);
    image.left = static_cast<int>(left);
    image.top = static_cast<int>(top);
    image.coverage.assign(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height), 0);
    if (image.width == 0 || image.height == 0)
        return true;
    FT_Outline_Translate(&flat, -left * 64, -bottom * 64);
    FT_Bitmap target{};
    target.width = static_cast<unsigned>(image.width);
    target.rows = static_cast<unsigned>(image.height);
    target.pitch = image.width;  // rows from the top, as the image keeps them
    target.buffer = image.coverage.data();
    target.num_grays = 256;
    target.pixel_mode = FT_PIXEL_MODE_GRAY;
    return FT_Outline_Get_Bitmap(library, &flat, &target) == 0;
}

}  // namespace

struct CFaceRenderer::Impl {
    FT_Library library = nullptr;
    std::map<std::pair<std::string, int>, OpenFace> faces;
    OpenFace* current = nullptr;
    std::array<std::uint8_t, 256> curve{};
    bool linearCurve = true;

    ~Impl()
    {
        for (auto& [key, open] : faces)
            FT_Done_Face(open.face);  // frees its sizes too
        if (library != nullptr)
            FT_Done_FreeType(library);
    }

    void ApplyCurve(GlyphImage& image) const
    {
        if (!linearCurve)
            for (std::uint8_t& c : image.coverage)
                c = curve[c];
    }
};

CFaceRenderer::CFaceRenderer() : m_pImpl(std::make_unique<Impl>())
{
    if (FT_Init_FreeType(&m_pImpl->library) != 0)
        m_pImpl->library = nullptr;
    SetSettings(m_Settings);
}

CFaceRenderer::~CFaceRenderer() = default;

bool CFaceRenderer::SetFace(const std::string& file, int index)
{
    if (m_pImpl->library == nullptr)
        return false;
    const auto key = std::make_pair(file, index);
    auto found = m_pImpl->faces.find(key);
    if (found == m_pImpl->faces.end()) {
        FT_Face face = nullptr;
        if (FT_New_Face(m_pImpl->library, file.c_str(), index, &face) != 0)
            return false;
        found = m_pImpl->faces.emplace(key, OpenFace{face, {}, 0, {}}).first;
    }
    m_pImpl->current = &found->second;
    return true;
}

bool CFaceRenderer::SetSize(int size64)
{
    OpenFace* open = m_pImpl->current;
    if (open == nullptr || size64 <= 0)
        return false;
    if (open->size64 == size64)
        return true;
    FT_Face face = open->face;
    if (auto known = open->sizes.find(size64); known != open->sizes.end()) {
        if (FT_Activate_Size(known->second) != 0)
            return false;
        open->size64 = size64;
        return true;
    }
    FT_Size size = nullptr;
    if (FT_New_Size(face, &size) != 0 || FT_Activate_Size(size) != 0)
        return false;
    FT_Error error = 0;
    if (FT_IS_SCALABLE(face)) {
        error = FT_Set_Char_Size(face, size64, size64, 0, 0);
    } else if (face->num_fixed_sizes > 0) {
        // A face of bitmap strikes: the strike nearest in height, as Xft picks it.
        int best = 0;
        for (int i = 1; i < face->num_fixed_sizes; ++i)
            if (std::abs(face->available_sizes[i].y_ppem - size64) < std::abs(face->available_sizes[best].y_ppem - size64))
                best = i;
        error = FT_Select_Size(face, best);
    } else {
        error = FT_Err_Invalid_Pixel_Size;
    }
    if (error != 0) {
        FT_Done_Size(size);
        if (open->size64 != 0)
            FT_Activate_Size(open->sizes[open->size64]);
        return false;
    }
    open->sizes.emplace(size64, size);
    open->size64 = size64;
    return true;
}

void CFaceRenderer::SetSettings(const RenderSettings& settings)
{
    m_Settings = settings;
    m_pImpl->curve = CoverageCurve(settings);
    m_pImpl->linearCurve = true;
    for (int i = 0; i < 256; ++i)
        if (m_pImpl->curve[static_cast<std::size_t>(i)] != i)
            m_pImpl->linearCurve = false;
    if (m_pImpl->library != nullptr && settings.antialias == Antialias::Lcd)
        FT_Library_SetLcdFilter(m_pImpl->library, FreeTypeLcdFilter(settings.lcdFilter));
}

bool CFaceRenderer::HasFace() const
{
    return m_pImpl->current != nullptr;
}

FaceMetrics CFaceRenderer::Metrics() const
{
    FaceMetrics metrics;
    const OpenFace* open = m_pImpl->current;
    if (open == nullptr || open->size64 == 0)
        return metrics;
    const FT_Face face = open->face;
    const FT_Size_Metrics& size = face->size->metrics;
    metrics.size64 = open->size64;
    metrics.ascent64 = static_cast<int>(size.ascender);
    metrics.descent64 = static_cast<int>(-size.descender);
    metrics.height64 = static_cast<int>(size.height);
    metrics.maxAdvance64 = static_cast<int>(size.max_advance);
    metrics.scalable = FT_IS_SCALABLE(face);
    metrics.fixedWidth = FT_IS_FIXED_WIDTH(face);
    metrics.unitsPerEm = face->units_per_EM;
    if (metrics.scalable) {
        // FreeType takes hhea's metrics; a font that sets OS/2's USE_TYPO_METRICS bit wants
        // its typographic ones, which Skia honours.
        FT_Short ascender = face->ascender;
        FT_Short descender = face->descender;
        FT_Short gap = static_cast<FT_Short>(face->height - face->ascender + face->descender);
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        if (os2 != nullptr && os2->version != 0xFFFF && (os2->fsSelection & (1 << 7)) != 0) {
            ascender = os2->sTypoAscender;
            descender = os2->sTypoDescender;
            gap = os2->sTypoLineGap;
        }
        metrics.ascentExact64 = static_cast<int>(FT_MulFix(ascender, size.y_scale));
        metrics.descentExact64 = static_cast<int>(-FT_MulFix(descender, size.y_scale));
        metrics.lineGapExact64 = static_cast<int>(FT_MulFix(std::max<FT_Short>(gap, 0), size.y_scale));
        metrics.underlinePosition64 = static_cast<int>(FT_MulFix(face->underline_position, size.y_scale));
        metrics.underlineThickness64 = static_cast<int>(FT_MulFix(face->underline_thickness, size.y_scale));
    } else {
        metrics.ascentExact64 = metrics.ascent64;
        metrics.descentExact64 = metrics.descent64;
        metrics.lineGapExact64 = metrics.height64 - metrics.ascent64 - metrics.descent64;
    }
    return metrics;
}

std::string CFaceRenderer::FamilyName() const
{
    const OpenFace* open = m_pImpl->current;
    return open != nullptr && open->face->family_name != nullptr ? open->face->family_name : "";
}

std::string CFaceRenderer::StyleName() const
{
    const OpenFace* open = m_pImpl->current;
    return open != nullptr && open->face->style_name != nullptr ? open->face->style_name : "";
}

int CFaceRenderer::GlyphCount() const
{
    return m_pImpl->current != nullptr ? static_cast<int>(m_pImpl->current->face->num_glyphs) : 0;
}

unsigned CFaceRenderer::GlyphIndex(char32_t code) const
{
    const OpenFace* open = m_pImpl->current;
    return open != nullptr ? FT_Get_Char_Index(open->face, code) : 0;
}

bool CFaceRenderer::AsciiAdvancesEqual() const
{
    const OpenFace* open = m_pImpl->current;
    if (open == nullptr)
        return false;
    FT_Fixed first = -1;
    for (char32_t code = U'!'; code <= U'~'; ++code) {
        const FT_UInt glyph = FT_Get_Char_Index(open->face, code);
        FT_Fixed advance = 0;
        if (glyph == 0 || FT_Get_Advance(open->face, glyph, FT_LOAD_NO_SCALE, &advance) != 0)
            return false;
        if (first >= 0 && advance != first)
            return false;
        first = advance;
    }
    return first > 0;
}

namespace {

// A glyph FreeType cannot load, among the advances kept.
constexpr int kNoAdvance = std::numeric_limits<int>::min();

// Loads a glyph as the settings say, emboldened where they say: the face's slot, or nullptr.
// A glyph without an outline may still have a bitmap, which Xft then takes.
FT_GlyphSlot LoadGlyph(FT_Face face, unsigned glyph, const RenderSettings& settings)
{
    const FT_Int32 flags = LoadFlags(settings);
    if (FT_Load_Glyph(face, glyph, flags) != 0 &&
        ((flags & FT_LOAD_NO_BITMAP) == 0 || FT_Load_Glyph(face, glyph, flags & ~FT_LOAD_NO_BITMAP) != 0))
        return nullptr;
    if (settings.embolden)
        FT_GlyphSlot_Embolden(face->glyph);
    return face->glyph;
}

}  // namespace

bool CFaceRenderer::Advance(unsigned glyph, int& advance64)
{
    advance64 = 0;
    OpenFace* open = m_pImpl->current;
    if (open == nullptr || open->size64 == 0)
        return false;
    const auto key = std::make_tuple(open->size64, LoadFlags(m_Settings), m_Settings.embolden, glyph);
    if (const auto known = open->advances.find(key); known != open->advances.end()) {
        advance64 = known->second;
        return advance64 != kNoAdvance;
    }
    FT_GlyphSlot slot = LoadGlyph(open->face, glyph, m_Settings);
    advance64 = slot != nullptr ? static_cast<int>(slot->advance.x) : 0;
    open->advances.emplace(key, slot != nullptr ? advance64 : kNoAdvance);
    return slot != nullptr;
}

bool CFaceRenderer::Render(unsigned glyph, int offset64, GlyphImage& out)
{
    OpenFace* open = m_pImpl->current;
    out = GlyphImage{};
    out.glyph = glyph;
    if (open == nullptr || open->size64 == 0)
        return false;
    FT_GlyphSlot slot = LoadGlyph(open->face, glyph, m_Settings);
    if (slot == nullptr)
        return false;
    out.advance64 = static_cast<int>(slot->advance.x);
    out.linearAdvance64 = static_cast<int>(slot->linearHoriAdvance >> 10);
    out.linearAdvance16 = static_cast<int>(slot->linearHoriAdvance);
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE && offset64 != 0)
        FT_Outline_Translate(&slot->outline, offset64, 0);
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE && m_Settings.verticalSnap > 0 && m_Settings.antialias == Antialias::Grey) {
        if (!RenderFlattened(m_pImpl->library, slot->outline, m_Settings.verticalSnap, out))
            return false;
        m_pImpl->ApplyCurve(out);
        return true;
    }
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, RenderMode(m_Settings)) != 0)
        return false;
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    CopyCoverage(slot->bitmap, m_Settings, out);
    m_pImpl->ApplyCurve(out);
    return true;
}

bool CFaceRenderer::RenderPhases(unsigned glyph, int phases, std::vector<GlyphImage>& out)
{
    phases = std::clamp(phases, 1, 64);
    out.assign(static_cast<std::size_t>(phases), GlyphImage{});
    OpenFace* open = m_pImpl->current;
    if (open == nullptr || open->size64 == 0)
        return false;
    if (phases == 1)
        return Render(glyph, 0, out[0]);
    FT_GlyphSlot slot = LoadGlyph(open->face, glyph, m_Settings);
    if (slot == nullptr)
        return false;
    const int advance64 = static_cast<int>(slot->advance.x);
    const int linear64 = static_cast<int>(slot->linearHoriAdvance >> 10);
    const int linear16 = static_cast<int>(slot->linearHoriAdvance);
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) {
        // A bitmap strike cannot move by a fraction of a pixel: every phase is the same image.
        GlyphImage image;
        image.glyph = glyph;
        image.advance64 = advance64;
        image.linearAdvance64 = linear64;
        image.linearAdvance16 = linear16;
        if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, RenderMode(m_Settings)) != 0)
            return false;
        image.left = slot->bitmap_left;
        image.top = slot->bitmap_top;
        CopyCoverage(slot->bitmap, m_Settings, image);
        m_pImpl->ApplyCurve(image);
        std::fill(out.begin(), out.end(), image);
        return true;
    }
    // The hinted outline is kept and each phase renders a moved copy of it.
    FT_Glyph loaded = nullptr;
    if (FT_Get_Glyph(slot, &loaded) != 0)
        return false;
    bool ok = true;
    for (int p = 0; p < phases && ok; ++p) {
        FT_Glyph copy = nullptr;
        if (FT_Glyph_Copy(loaded, &copy) != 0) {
            ok = false;
            break;
        }
        FT_Vector delta{PhaseOffset64(p, phases), 0};
        if (delta.x != 0)
            FT_Glyph_Transform(copy, nullptr, &delta);
        if (copy->format == FT_GLYPH_FORMAT_OUTLINE && m_Settings.verticalSnap > 0 &&
            m_Settings.antialias == Antialias::Grey) {
            GlyphImage& image = out[static_cast<std::size_t>(p)];
            ok = RenderFlattened(m_pImpl->library, reinterpret_cast<FT_OutlineGlyph>(copy)->outline,
                                 m_Settings.verticalSnap, image);
            image.glyph = glyph;
            image.advance64 = advance64;
            image.linearAdvance64 = linear64;
            image.linearAdvance16 = linear16;
            m_pImpl->ApplyCurve(image);
        } else if (FT_Glyph_To_Bitmap(&copy, RenderMode(m_Settings), nullptr, 1) != 0) {
            ok = false;
        } else {
            const auto* bitmap = reinterpret_cast<FT_BitmapGlyph>(copy);
            GlyphImage& image = out[static_cast<std::size_t>(p)];
            image.glyph = glyph;
            image.advance64 = advance64;
            image.linearAdvance64 = linear64;
            image.linearAdvance16 = linear16;
            image.left = bitmap->left;
            image.top = bitmap->top;
            CopyCoverage(bitmap->bitmap, m_Settings, image);
            m_pImpl->ApplyCurve(image);
        }
        FT_Done_Glyph(copy);
    }
    FT_Done_Glyph(loaded);
    return ok;
}

GlyphTemplate CFaceRenderer::Template(char32_t code, int phases)
{
    GlyphTemplate result;
    result.code = code;
    result.glyph = GlyphIndex(code);
    RenderPhases(result.glyph, phases, result.phases);
    if (!result.phases.empty()) {
        result.advance64 = result.phases.front().advance64;
        result.linearAdvance64 = result.phases.front().linearAdvance64;
        result.linearAdvance16 = result.phases.front().linearAdvance16;
    }
    return result;
}

int CFaceRenderer::Kerning(unsigned left, unsigned right) const
{
    const OpenFace* open = m_pImpl->current;
    if (open == nullptr || !FT_HAS_KERNING(open->face))
        return 0;
    FT_Vector kerning{0, 0};
    if (FT_Get_Kerning(open->face, left, right, FT_KERNING_UNFITTED, &kerning) != 0)
        return 0;
    return static_cast<int>(kerning.x);
}

std::vector<std::uint8_t> CoverageBits(const GlyphImage& image, int threshold)
{
    const int bytesPerRow = (image.width + 7) / 8;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(bytesPerRow) * static_cast<std::size_t>(image.height), 0);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.coverage[static_cast<std::size_t>(y) * image.width + x] >= threshold)
                bits[static_cast<std::size_t>(y) * bytesPerRow + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    return bits;
}
