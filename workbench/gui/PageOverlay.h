#pragma once

#include "PageSummary.h"
#include "ProportionalPage.h"

class CScrollView;
class QPainter;

// Draws over the picture, on screen only, what a page reading found: each line outlined,
// its cells marked along it, unsure cells tinted, and the marked cell framed. Only the lines
// in sight are drawn.
void DrawPageOverlay(QPainter& painter, const PageReading& page, const CScrollView& view, PageCellRef marked);
// Draws over the picture what a reading as proportional text found: each line outlined and,
// where they are large enough on screen, its glyphs' ink boxes.
void DrawProportionalOverlay(QPainter& painter, const ProportionalPage& page, const CScrollView& view);
