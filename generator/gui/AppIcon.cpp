#include "AppIcon.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

QIcon GlyphmillIcon()
{
    QIcon icon;
    for (int side : {16, 32, 48}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setPen(QPen(QColor(40, 40, 40), side >= 32 ? 2 : 1));
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(0.5, 0.5, side - 1.5, side - 1.5));
        QFont font(QStringLiteral("Liberation Serif"));
        font.setPixelSize(side * 3 / 4);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRect(0, 0, side, side), Qt::AlignCenter, QStringLiteral("G"));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
