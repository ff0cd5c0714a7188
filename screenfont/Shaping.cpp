#include "Shaping.h"

#include <hb-ot.h>
#include <hb.h>

#include <algorithm>
#include <map>
#include <set>

struct CShaper::Impl {
    hb_blob_t* blob = nullptr;
    hb_face_t* face = nullptr;
    hb_font_t* font = nullptr;
    int upem = 0;

    void Close() {
        if (font != nullptr)
            hb_font_destroy(font);
        if (face != nullptr)
            hb_face_destroy(face);
        if (blob != nullptr)
            hb_blob_destroy(blob);
        font = nullptr;
        face = nullptr;
        blob = nullptr;
        upem = 0;
    }
    ~Impl() { Close(); }
};

namespace {

// The script a code belongs to, or HB_SCRIPT_COMMON for one that goes with any.
hb_script_t ScriptOf(char32_t code)
{
    const hb_script_t script = hb_unicode_script(hb_unicode_funcs_get_default(), code);
    return script == HB_SCRIPT_INHERITED || script == HB_SCRIPT_UNKNOWN ? HB_SCRIPT_COMMON : script;
}

// Whether glyph stands for the code at cluster as the font's own glyph of it, or for several
// codes (a ligature). A code the font lacks, such as a thin space, is drawn with another glyph
// whose advance HarfBuzz changes; that is no kerning.
bool OwnGlyph(hb_font_t* font, const std::u32string& text, const hb_glyph_info_t* info, unsigned count, unsigned i)
{
    const unsigned next = i + 1 < count ? info[i + 1].cluster : static_cast<unsigned>(text.size());
    if (next > info[i].cluster + 1)
        return true;
    hb_codepoint_t nominal = 0;
    return hb_font_get_nominal_glyph(font, text[info[i].cluster], &nominal) && nominal == info[i].codepoint;
}

// Shapes text left to right in script and adds the kerning of each pair of glyphs next to each
// other to pairs: a glyph's advance beyond its own is the kerning with the one after it.
void CollectPairs(hb_font_t* font, hb_buffer_t* buffer, const std::u32string& text, hb_script_t script,
                  std::map<std::pair<unsigned, unsigned>, int>& pairs)
{
    hb_buffer_clear_contents(buffer);
    hb_buffer_add_utf32(buffer, reinterpret_cast<const std::uint32_t*>(text.data()), static_cast<int>(text.size()), 0,
                        static_cast<int>(text.size()));
    hb_buffer_set_direction(buffer, HB_DIRECTION_LTR);
    hb_buffer_set_script(buffer, script);
    hb_buffer_set_language(buffer, hb_language_from_string("en", -1));
    hb_shape(font, buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* position = hb_buffer_get_glyph_positions(buffer, &count);
    for (unsigned i = 0; i + 1 < count; ++i) {
        const int kern = position[i].x_advance - hb_font_get_glyph_h_advance(font, info[i].codepoint);
        if (kern != 0 && OwnGlyph(font, text, info, count, i) && OwnGlyph(font, text, info, count, i + 1))
            pairs.emplace(std::make_pair(info[i].codepoint, info[i + 1].codepoint), kern);
    }
}

std::vector<GlyphKern> Sorted(const std::map<std::pair<unsigned, unsigned>, int>& pairs)
{
    std::vector<GlyphKern> result;
    result.reserve(pairs.size());
    for (const auto& [pair, units] : pairs)
        result.push_back(GlyphKern{pair.first, pair.second, units});
    return result;
}

}  // namespace

CShaper::CShaper() : m_pImpl(std::make_unique<Impl>()) {}

CShaper::~CShaper() = default;

bool CShaper::Open(const std::string& file, int index)
{
    m_pImpl->Close();
    hb_blob_t* blob = hb_blob_create_from_file_or_fail(file.c_str());
    if (blob == nullptr)
        return false;
    hb_face_t* face = hb_face_create(blob, static_cast<unsigned>(std::max(index, 0)));
    if (hb_face_get_glyph_count(face) == 0) {
        hb_face_destroy(face);
        hb_blob_destroy(blob);
        return false;
    }
    m_pImpl->blob = blob;
    m_pImpl->face = face;
    m_pImpl->font = hb_font_create(face);
    m_pImpl->upem = static_cast<int>(hb_face_get_upem(face));
    hb_font_set_scale(m_pImpl->font, m_pImpl->upem, m_pImpl->upem);
    return true;
}

bool CShaper::IsOpen() const
{
    return m_pImpl->font != nullptr;
}

int CShaper::UnitsPerEm() const
{
    return m_pImpl->upem;
}

std::vector<GlyphKern> CShaper::Kerning(const std::vector<char32_t>& codes) const
{
    std::map<std::pair<unsigned, unsigned>, int> pairs;
    if (!IsOpen() || codes.empty())
        return {};
    std::set<hb_script_t> scripts;
    for (char32_t code : codes)
        if (const hb_script_t script = ScriptOf(code); script != HB_SCRIPT_COMMON)
            scripts.insert(script);
    if (scripts.empty())
        scripts.insert(HB_SCRIPT_LATIN);
    hb_buffer_t* buffer = hb_buffer_create();
    std::u32string text;
    for (const hb_script_t script : scripts) {
        std::u32string tokens;
        for (char32_t code : codes)
            if (const hb_script_t own = ScriptOf(code); own == script || own == HB_SCRIPT_COMMON)
                tokens.push_back(code);
        // "a t1 a t2 ... a tn a" holds every pair of a with each token, both ways.
        for (char32_t a : tokens) {
            text.clear();
            text.push_back(a);
            for (char32_t t : tokens) {
                text.push_back(t);
                text.push_back(a);
            }
            CollectPairs(m_pImpl->font, buffer, text, script, pairs);
        }
    }
    hb_buffer_destroy(buffer);
    return Sorted(pairs);
}

std::vector<GlyphKern> CShaper::LigatureKerning(const std::vector<Ligature>& ligatures, const std::vector<char32_t>& codes) const
{
    std::map<std::pair<unsigned, unsigned>, int> pairs;
    if (!IsOpen())
        return {};
    hb_buffer_t* buffer = hb_buffer_create();
    std::u32string text;
    for (const Ligature& ligature : ligatures) {
        text.clear();
        for (char32_t code : codes) {
            if (ScriptOf(code) != HB_SCRIPT_LATIN && ScriptOf(code) != HB_SCRIPT_COMMON)
                continue;
            text.push_back(code);
            text += ligature.codes;
        }
        CollectPairs(m_pImpl->font, buffer, text, HB_SCRIPT_LATIN, pairs);
    }
    hb_buffer_destroy(buffer);
    return Sorted(pairs);
}

std::vector<Ligature> CShaper::Ligatures() const
{
    std::vector<Ligature> result;
    if (!IsOpen())
        return result;
    static const char32_t* const kRuns[] = {U"ffi", U"ffl", U"ff", U"fi", U"fl", U"ft", U"fj", U"tt"};
    hb_buffer_t* buffer = hb_buffer_create();
    for (const char32_t* run : kRuns) {
        const std::u32string codes(run);
        hb_buffer_clear_contents(buffer);
        hb_buffer_add_utf32(buffer, reinterpret_cast<const std::uint32_t*>(codes.data()), static_cast<int>(codes.size()), 0,
                            static_cast<int>(codes.size()));
        hb_buffer_set_direction(buffer, HB_DIRECTION_LTR);
        hb_buffer_set_script(buffer, HB_SCRIPT_LATIN);
        hb_buffer_set_language(buffer, hb_language_from_string("en", -1));
        hb_shape(m_pImpl->font, buffer, nullptr, 0);
        unsigned count = 0;
        const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
        const hb_glyph_position_t* position = hb_buffer_get_glyph_positions(buffer, &count);
        if (count == 1 && info[0].codepoint != 0)
            result.push_back(Ligature{codes, info[0].codepoint, position[0].x_advance});
    }
    hb_buffer_destroy(buffer);
    return result;
}
