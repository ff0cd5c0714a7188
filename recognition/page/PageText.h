#pragma once

// The last stage of the page reader: the lines joined into the page's text.

#include "PageCells.h"
#include "PageScreen.h"

#include <string>
#include <vector>

// Joins the lines into the page text, UTF-8: lines are joined by line breaks, indentation is kept
// (cells are columns of the page's grid), blank columns common to every line are dropped, an
// empty grid row between two text lines is kept as an empty line, trailing blanks are trimmed and
// a blank cell reads as a space. Sets every line's column and text. On a screen the columns count
// from the screen's first, whose blank columns stay, and the empty rows at its end are left out.
std::string PageText(std::vector<PageLine>& lines, bool bSharedGrid, const ScreenExtent& screen = {});
