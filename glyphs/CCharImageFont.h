#pragma once

#include "ByteStream.h"
#include "CCharImage.h"
#include "CRaster.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The glyph font of a document: one CCharImage per code from m_nFirst to m_nLast.
class CCharImageFont {
public:
    // Reads a GLF file; false when it cannot be opened or is not a valid font. The font must
    // be empty; after a failure it holds what the read got (see LoadFromArchive).
    bool LoadFromFile(const std::string& path);
    // Reads a GLF font at the reader's position. A failure leaves first and last as read
    // and, once the glyph array was made, the records read before the failure. A fixed
    // field past the end raises the reader's end-of-file condition.
    bool LoadFromArchive(CByteReader& reader);
    // Why bytes do not read as a GLF font, in words ("the file is truncated", "it is not a
    // GLF font", ...); empty when they read.
    static std::string LoadProblem(std::span<const std::uint8_t> bytes);
    // The same for a file, also when it cannot be read at all ("it cannot be read (No such
    // file or directory)").
    static std::string FileProblem(const std::string& path);
    // Writes the font in GLF form. A font without glyphs writes its header and one empty
    // record (00 00) per code of its range, so that the block stays readable.
    void SaveToArchive(CByteWriter& writer) const;
    // Frees the glyphs; first and last keep their values.
    void Clear();

    // The cell size: the size of the glyph at position 32 (code first + 32). A font with
    // fewer than 33 glyphs, or none, has cell size 0 x 0.
    int CellWidth() const;
    int CellHeight() const;

    // The glyph of code, or that of the first code when code lies outside the font;
    // nullptr for a font without glyphs.
    const CCharImage* GetCharImage(int code) const;

    // Draws text glyph after glyph from (x, y); codes outside the font are skipped without
    // advancing.
    void DrawString(CRaster& surface, std::string_view text, int x, int y) const;

    bool HasGlyphs() const { return !m_Glyphs.empty(); }
    int GlyphCount() const { return static_cast<int>(m_Glyphs.size()); }
    int First() const { return m_nFirst; }
    int Last() const { return m_nLast; }
    bool Contains(int code) const { return HasGlyphs() && code >= m_nFirst && code <= m_nLast; }

    std::vector<CCharImage> m_Glyphs;  // position = code - first
    int m_nLast = 0;                   // 0..255
    int m_nFirst = 0;                  // 0..255
};
