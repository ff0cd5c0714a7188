#pragma once

#include <QIcon>

// Returns Glyphmill's icon: a glyph cell with a character in it.
QIcon GlyphmillIcon();
