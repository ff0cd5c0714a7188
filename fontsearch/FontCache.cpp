#include "FontCache.h"

#include "ByteStream.h"
#include "GlyphSetFile.h"
#include "TabFields.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

// A whole decimal number, the whole text.
template <typename Number>
bool ToNumber(const std::string& text, Number& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

const ScreenProgram* ProgramNamed(const std::string& name)
{
    for (const ScreenProgram& program : ScreenPrograms())
        if (name == program.name)
            return &program;
    return nullptr;
}

// The font as a line of the cache, after its key.
std::string Describe(const FontCandidate& font)
{
    return font.family + '\t' + font.file + '\t' + std::to_string(font.index) + '\t' + font.boldFile + '\t' +
           std::to_string(font.boldIndex) + '\t' + (font.program ? font.program->name : "") + '\t' +
           std::to_string(font.size64) + '\t' + ToString(font.settings) + '\t' + std::to_string(font.cell.width) + '\t' +
           std::to_string(font.cell.height) + '\t' + std::to_string(font.cell.baseline) + '\t' +
           std::to_string(font.pitchSub) + '\t' + std::to_string(font.phases);
}

std::string Key(const PagePitch& pitch, Smoothing smoothing)
{
    return std::to_string(pitch.linePitch) + '\t' + std::to_string(pitch.columnPitch64) + '\t' +
           std::to_string(static_cast<int>(smoothing));
}

}  // namespace

std::string FontCacheFile(const std::string& folder)
{
    return folder.empty() ? std::string() : folder + "/screen-fonts.tsv";
}

CFontCache::CFontCache(std::string file) : m_strFile(std::move(file)) {}

bool CFontCache::HasFile() const
{
    std::error_code error;
    return !m_strFile.empty() && std::filesystem::is_regular_file(m_strFile, error);
}

std::vector<std::string> CFontCache::Lines() const
{
    std::vector<std::string> lines;
    if (m_strFile.empty())
        return lines;
    std::ifstream in(m_strFile);
    std::string line;
    while (std::getline(in, line) && static_cast<int>(lines.size()) < kMaxEntries * 4)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

std::vector<FontCandidate> CFontCache::Find(const PagePitch& pitch, Smoothing smoothing) const
{
    std::vector<FontCandidate> found;
    const std::string key = Key(pitch, smoothing) + '\t';
    for (const std::string& line : Lines()) {
        if (line.rfind(key, 0) != 0)
            continue;
        const std::vector<std::string> f = TabFields(line);
        if (f.size() != 16)
            continue;
        FontCandidate font;
        font.family = f[3];
        font.file = f[4];
        font.boldFile = f[6];
        font.program = ProgramNamed(f[8]);
        const std::optional<RenderSettings> settings = ParseRenderSettings(f[10]);
        if (!font.program || !settings || !ToNumber(f[5], font.index) || !ToNumber(f[7], font.boldIndex) ||
            !ToNumber(f[9], font.size64) || !ToNumber(f[11], font.cell.width) || !ToNumber(f[12], font.cell.height) ||
            !ToNumber(f[13], font.cell.baseline) || !ToNumber(f[14], font.pitchSub) || !ToNumber(f[15], font.phases) ||
            font.size64 <= 0 || font.cell.width <= 0 || font.cell.height <= 0 || font.phases < 1 || font.phases > 64 || font.pitchSub <= 0)
            continue;
        font.settings = *settings;
        found.push_back(font);
    }
    return found;
}

bool CFontCache::Remember(const PagePitch& pitch, Smoothing smoothing, const FontCandidate& font) const
{
    if (m_strFile.empty() || !font.program)
        return false;
    const std::string entry = Key(pitch, smoothing) + '\t' + Describe(font);
    std::string text = entry + '\n';
    int kept = 1;
    for (const std::string& line : Lines())
        if (line != entry && kept < kMaxEntries) {
            text += line + '\n';
            ++kept;
        }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(m_strFile).parent_path(), error);
    return WriteFileAtomically(m_strFile, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string CFontCache::GlyphsFile(const FontCandidate& font) const
{
    // FNV-1a of the font's line names its glyph set.
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (char c : Describe(font)) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3ULL;
    }
    char name[40];
    std::snprintf(name, sizeof name, "screen-font-%016llx.gset", static_cast<unsigned long long>(hash));
    return (std::filesystem::path(m_strFile).parent_path() / name).string();
}

bool CFontCache::LoadGlyphs(const FontCandidate& font, GlyphSet& glyphs) const
{
    if (m_strFile.empty())
        return false;
    std::string error;
    return LoadGlyphSetFile(GlyphsFile(font), glyphs, error);
}

bool CFontCache::SaveGlyphs(const FontCandidate& font, const GlyphSet& glyphs) const
{
    return !m_strFile.empty() && SaveGlyphSetFile(GlyphsFile(font), glyphs);
}
