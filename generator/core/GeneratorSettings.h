#pragma once

#include <array>
#include <cstdint>
#include <string>

// The font every character is drawn with, described without a toolkit.
struct FontDescription {
    std::string m_strFamily = "Arial";
    std::string m_strStyleName;     // a named style of the family ("Condensed Bold"), or empty
    int m_nPixelSize = 70;          // character (em) height in pixels, 1..
    double m_dPixelSize = 0;        // an exact size with a fraction (10.67 px); 0 = m_nPixelSize
    int m_nWeight = 700;            // 1..1000, 400 normal, 700 bold
    bool m_bItalic = false;
    bool m_bUnderline = false;
    bool m_bStrikeOut = false;
    bool m_bFixedPitch = true;      // asks for a fixed-pitch font when the family is missing

    // The size every rendering uses, in pixels.
    double PixelSize() const { return m_dPixelSize > 0 ? m_dPixelSize : m_nPixelSize; }
    // True when the size has a fraction that a whole-pixel font cannot give.
    bool HasExactSize() const { return m_dPixelSize > 0; }
};

// How a character is placed before its cell window is sampled.
enum class CellLayout {
    Window,     // centred on the ceil8(W) x H area, as the file's capture always did
    Cell,       // as terminals draw: the pen at the cell's left edge, the baseline at the ascent
};

// Per code: 1 = the code gets a glyph in the file, 0 = it gets an empty record.
using InclusionTable = std::array<int, 256>;

// Returns a table in which every code is included.
InclusionTable FullInclusionTable();

// The generator's working state, with the values every start begins with.
struct GeneratorSettings {
    FontDescription m_Font;
    std::string m_strFaceName = "Arial";    // gives the default file name: face + ".GLF"
    int m_nWidth = 72;                      // W, right edge of the cell window, exclusive
    int m_nHeight = 80;                     // H, bottom edge of the cell window, exclusive
    int m_nXOffset = 0;                     // X, left edge of the cell window
    int m_nYOffset = 0;                     // Y, top edge of the cell window
    std::uint8_t m_nFirstCode = 0;
    std::uint8_t m_nLastCode = 255;
    InclusionTable m_Inclusions = FullInclusionTable();
    std::uint8_t m_nCurrentCode = 32;
    int m_bSaveChar = 1;                    // mirrors the inclusion entry of the current code
    CellLayout m_Layout = CellLayout::Window;
    bool m_bAntialias = false;              // render smoothed and keep pixels of enough coverage
    int m_nCoverage = 50;                   // percent, 1..100: the least coverage of an ink pixel

    // True when some option beyond the dialog's start behaviour changes the rendering.
    bool UsesExactRendering() const { return m_Layout == CellLayout::Cell || m_bAntialias || m_Font.HasExactSize(); }

    int CellWidth() const { return m_nWidth - m_nXOffset; }
    int CellHeight() const { return m_nHeight - m_nYOffset; }
    bool IsIncluded(int code) const { return code >= 0 && code <= 255 && m_Inclusions[static_cast<std::size_t>(code)] != 0; }
    // True when some code from the first to the last code is included.
    bool AnyIncludedInRange() const;
    // Moves the current code into first..last: first raises it, then last lowers it.
    void ClampCurrentCode();
    // Copies the inclusion entry of the current code into the save flag.
    void LoadSaveFlag() { m_bSaveChar = m_Inclusions[m_nCurrentCode] != 0 ? 1 : 0; }
};

// Returns why the cell window cannot be written as glyph records a reader can follow,
// or an empty string when it can (or when no record of the range would hold a glyph).
std::string CellWindowProblem(const GeneratorSettings& settings);
