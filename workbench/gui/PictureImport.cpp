#include "PictureImport.h"

#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <cstring>

bool RasterFromImage(const QImage& image, CRaster& raster)
{
    if (image.isNull() || !CRaster::SizeAllowed(image.width(), image.height()))
        return false;
    QImage rgb;
    if (image.hasAlphaChannel()) {
        rgb = QImage(image.size(), QImage::Format_RGB32);
        rgb.fill(Qt::white);
        QPainter painter(&rgb);
        painter.drawImage(0, 0, image);
    } else {
        rgb = image.convertToFormat(QImage::Format_RGB32);
    }
    if (rgb.isNull() || !raster.Create(rgb.width(), rgb.height()))
        return false;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* source = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
        std::uint32_t* target = raster.Row(y);
        for (int x = 0; x < rgb.width(); ++x)
            target[x] = source[x] | 0xFF000000U;
    }
    return true;
}

bool ReadPictureFile(const QString& path, CRaster& raster, QString& reason)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (!reader.canRead()) {
        reason = reader.errorString();
        return false;
    }
    const QSize size = reader.size();
    if (size.isValid() && !CRaster::SizeAllowed(size.width(), size.height())) {
        reason = QStringLiteral("the picture of %1 x %2 pixels is larger than a document holds (at most %3 pixels)")
                     .arg(size.width())
                     .arg(size.height())
                     .arg(CRaster::kMaxPixels);
        return false;
    }
    // The raster bound is checked above; Qt's own smaller limit would refuse large pictures.
    reader.setAllocationLimit(static_cast<int>(CRaster::kMaxPixels * 4 / (1024 * 1024) + 1));
    const QImage image = reader.read();
    if (image.isNull()) {
        reason = reader.errorString();
        return false;
    }
    if (!RasterFromImage(image, raster)) {
        reason = QStringLiteral("the picture is larger than a document holds or memory ran out");
        return false;
    }
    return true;
}

QStringList PictureFileFilters()
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns.append(QStringLiteral("*.") + QString::fromLatin1(format));
    return {QStringLiteral("Pictures (%1)").arg(patterns.join(QLatin1Char(' '))), QStringLiteral("All files (*.*)")};
}
