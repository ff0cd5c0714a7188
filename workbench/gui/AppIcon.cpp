#include "AppIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

QIcon RecognizeIcon()
{
    QIcon icon;
    QSvgRenderer renderer(QStringLiteral(":/icons/recognize.svg"));
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
