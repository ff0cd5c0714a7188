#pragma once

#include "GeneratorSettings.h"

#include <QImage>
#include <QPointF>
#include <QRawFont>

#include <cstdint>

class QPainter;

// The size FreeType renders size at in a terminal: whole 64ths of a pixel, the rest cut off
// as Xft cuts it (Qt would round it instead, and a 64th moves a hinted stem by a pixel).
double TerminalPixelSize(double size);

// A font at its exact pixel size, fractions kept, drawn glyph by glyph without falling back
// to other families: the way terminals put text into their cells.
class CExactFont {
public:
    CExactFont(const FontDescription& description, bool antialias);

    bool IsValid() const { return m_Raw.isValid(); }
    bool IsAntialiased() const { return m_bAntialias; }
    // Ascent and descent each rounded up, as terminals round them.
    int Ascent() const { return m_nAscent; }
    int Descent() const { return m_nDescent; }
    int LineHeight() const { return m_nAscent + m_nDescent; }
    // True when the font has a glyph of its own for code (Windows-1251).
    bool HasGlyph(std::uint8_t code) const { return GlyphIndex(code) != 0; }
    // The advance of code in pixels, with its fraction; 0 without a glyph.
    double Advance(std::uint8_t code) const;

    // Draws code in the painter's pen colour with the pen (the baseline's left end) at pen.
    // A code without a glyph draws nothing.
    void Draw(QPainter& painter, QPointF pen, std::uint8_t code) const;

private:
    quint32 GlyphIndex(std::uint8_t code) const;

    QRawFont m_Raw;
    bool m_bAntialias;
    int m_nAscent = 0;
    int m_nDescent = 0;
};

// The terminal cell of a font over the included codes of the settings' range.
struct CellMetrics {
    int width = 0;          // the widest advance, rounded to whole pixels
    int height = 0;         // ascent + descent, each rounded up
    int ascent = 0;         // the baseline's row in the cell
    bool monospaced = true; // every included code with a glyph and an advance has the same advance
};

// Measures the cell with the settings' font, size and antialiasing.
CellMetrics MeasureCellMetrics(const GeneratorSettings& settings);

// Prepares the painter for a font: pure black, smoothed only for an antialiased font.
void PrepareExactPainter(QPainter& painter, const CExactFont& font);

// Turns a drawing in black on white into pure black where the ink covers at least percent of
// a pixel and pure white elsewhere, so that the only ink left is exactly black.
void CutAtCoverage(QImage& image, int percent);
