#pragma once

#include <QIcon>

// Returns Glyphmill's icon, rendered from the same SVG that is installed in the icon theme:
// a glyph cell on its grid with a letter sampled into pixels.
QIcon GlyphmillIcon();
