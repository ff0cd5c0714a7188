#include "AppIcon.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

QIcon RecognizeIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setPen(QPen(Qt::black, std::max(1, size / 16)));
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(size * 0.1, size * 0.05, size * 0.8 - 1, size * 0.9 - 1));
        QFont font(QStringLiteral("Sans Serif"));
        font.setBold(true);
        font.setPixelSize(size * 5 / 8);
        painter.setFont(font);
        painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("A"));
        painter.setPen(QPen(Qt::gray, std::max(1, size / 16)));
        painter.drawLine(QPointF(size * 0.2, size * 0.85), QPointF(size * 0.8, size * 0.85));
        icon.addPixmap(pixmap);
    }
    return icon;
}
