#pragma once

#include "CRaster.h"

#include <QString>

class QImage;

// Pictures that arrive as images (the clipboard's) as the document's raster; picture files
// are read by the toolkit-free readers (PictureFile.h), as in every program.

// The picture of an image: transparent pixels lie over white. False when the image is null
// or past the raster bound.
bool RasterFromImage(const QImage& image, CRaster& raster);
// The filters of the "Open &Picture..." dialog: the formats read first, then all files.
QStringList PictureFileFilters();
