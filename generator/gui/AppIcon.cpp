#include "AppIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

QIcon GlyphmillIcon()
{
    QIcon icon;
    QSvgRenderer renderer(QStringLiteral(":/icons/glyphmill.svg"));
    for (int side : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
