#pragma once

#include "GeneratorSettings.h"

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>

class QPainter;
class QPaintDevice;

// Where a character is put in its rectangle; each use keeps its own placement.
enum class Placement {
    Preview,        // centred horizontally, at the top
    Measurement,    // at the top-left corner
    Capture,        // centred horizontally and vertically
};

// Returns the Qt font of a description: pixel size, weight, style, effects, no antialiasing.
QFont MakeFont(const FontDescription& description);
// Describes a Qt font; a size in points is turned into pixels at dpi dots per inch.
FontDescription DescribeFont(const QFont& font, double dpi);

// Returns the one-character string of a one-byte code, taken in Windows-1251.
QString CharacterString(std::uint8_t code);

// Returns the extent of a character: its advance width by the font's line height (ascent + descent).
QSize CharacterExtent(const QFont& font, std::uint8_t code, const QPaintDevice* device = nullptr);

// Sets the painter up to draw text in pure black without any smoothing.
void PrepareTextPainter(QPainter& painter, const QFont& font);

// Draws a character with the painter's pen into rect as placement says, over whatever is there.
void DrawCharacter(QPainter& painter, const QFont& font, std::uint8_t code, const QRect& rect, Placement placement);
