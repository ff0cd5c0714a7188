#pragma once

#include <QIcon>

// The program's icon, rendered from the same SVG that is installed in the icon theme: a page
// with a glyph-cell letter and the line that reads it.
QIcon RecognizeIcon();
