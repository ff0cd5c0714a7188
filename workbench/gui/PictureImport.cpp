#include "PictureImport.h"

#include "PictureFormat.h"

#include <QImage>
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

QStringList PictureFileFilters()
{
    // Both cases, for file dialogs that match names case-sensitively ("SHOT.JPG").
    QStringList lower, upper;
    for (const std::string& suffix : PictureSuffixes()) {
        lower.append(QStringLiteral("*.") + QString::fromStdString(suffix));
        upper.append(lower.back().toUpper());
    }
    return {QStringLiteral("Pictures (%1)").arg((lower + upper).join(QLatin1Char(' '))), QStringLiteral("All files (*.*)")};
}
