#pragma once

#include <QPoint>
#include <QRect>

class CRecognizeDoc;
class CScrollView;
class QPainter;

// What the panes of a document window draw over the picture and the result, on screen only:
// the cell grid with the text origin, the marked cell, and the positions where Complex
// recognition chose another character than Simple. Nothing here touches a raster.

// The picture rectangle of character position p: W x H pixels from the text origin on.
QRect CellRectOf(const CRecognizeDoc& doc, int p);
// The position whose column holds a logical point of the picture rectangle, or -1.
int CellAtLogical(const CRecognizeDoc& doc, QPoint logical);
// The first and last position that the pane shows, at least partly; last < first when none.
void VisibleCells(const CRecognizeDoc& doc, const CScrollView& view, int& first, int& last);
// Draws the overlays of view in client coordinates; corrections only in the result pane.
void DrawPaneOverlays(QPainter& painter, const CRecognizeDoc& doc, const CScrollView& view, bool corrections);
