#pragma once

#include "CRaster.h"

#include <QString>

class QImage;

// Pictures of any format Qt reads (PNG, JPEG, BMP, PNM, GIF ...) as the document's raster.

// The picture of an image: transparent pixels lie over white. False when the image is null
// or past the raster bound.
bool RasterFromImage(const QImage& image, CRaster& raster);
// Reads a picture file; false, with the reason in words, when it cannot be read or its
// size passes the raster bound (checked before its pixels are decoded).
bool ReadPictureFile(const QString& path, CRaster& raster, QString& reason);
// The filters of the "Open &Picture..." dialog: every readable format first, then all files.
QStringList PictureFileFilters();
