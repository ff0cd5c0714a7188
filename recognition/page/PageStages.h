#pragma once

// What each stage of the page reader decided, drawn as pictures and told in figures, so that a
// page that reads badly can be looked at stage by stage.

#include "PageReader.h"

#include <string>
#include <vector>

// One picture of a stage, and the file name it is written under.
struct StagePicture {
    std::string name;  // e.g. "1-ink.png"
    CRaster picture;
};

// The stages of a reading of picture: "1-ink.png", the ink mask (ink black, paper white, the
// solid strips left out in light red); "2-bands.png", the picture faded with the text bands
// framed in turns of two colours and the solid strips tinted red; "3-grid.png", the picture faded
// with every line framed in dark blue, its inked cells in light blue and its unsure cells filled
// orange. The ink is found again with the reading's
// rule. Empty for an empty picture.
std::vector<StagePicture> DrawPageStages(const CRaster& picture, const PageReading& page, const PageOptions& options);

// The figures of the stages as lines of text: picture size, paper colour, contrast and
// threshold; the solid strips; the bands; the grid's phase, whether it is shared and its cost;
// per line its place, cells, cost and unsure cells; the times.
std::string PageStageFigures(const CRaster& picture, const PageReading& page);
