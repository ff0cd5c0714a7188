#include "MdiPlacement.h"

#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionTitleBar>

#include <algorithm>

QRect NewWindowGeometry(const QSize& area, const QSize& wanted, int count, int step)
{
    const QSize size = wanted.boundedTo(area).expandedTo(QSize(1, 1));
    step = std::max(1, step);
    const int room = std::max(0, std::min((area.width() - size.width()) / step, (area.height() - size.height()) / step));
    const int k = count % (room + 1);
    return {QPoint(k * step, k * step), size};
}

int CascadeStep(const QMdiArea& area)
{
    QStyleOptionTitleBar option;
    option.initFrom(&area);
    option.titleBarFlags = Qt::Window | Qt::WindowTitleHint;
    return std::max(8, area.style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, &area));
}

void CascadeWindows(QMdiArea& area)
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : area.subWindowList(QMdiArea::StackingOrder)) {
        if (window->isVisible() && !window->isMinimized())
            windows.append(window);
    }
    if (windows.isEmpty())
        return;
    const QSize space = area.viewport()->size();
    const int step = CascadeStep(area);
    const auto count = static_cast<int>(windows.size());
    const QSize least(space.width() * 2 / 3, space.height() * 2 / 3);
    const QSize size = QSize(space.width() - (count - 1) * step, space.height() - (count - 1) * step).expandedTo(least);
    for (int i = 0; i < count; ++i) {
        QMdiSubWindow* window = windows[i];
        if (window->isMaximized())
            window->showNormal();
        window->setGeometry(NewWindowGeometry(space, size, i, step));
        window->raise();
    }
}

QIcon WithDisabledLook(const QIcon& icon)
{
    QIcon result;
    for (const int side : {16, 22, 24, 32, 48}) {
        const QPixmap normal = icon.pixmap(QSize(side, side), QIcon::Normal);
        if (normal.isNull())
            continue;
        result.addPixmap(normal, QIcon::Normal);
        QImage faded = normal.toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < faded.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(faded.scanLine(y));
            for (int x = 0; x < faded.width(); ++x) {
                const int grey = 128 + qGray(line[x]) / 2;
                line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) * 2 / 5);
            }
        }
        result.addPixmap(QPixmap::fromImage(faded), QIcon::Disabled);
    }
    return result.isNull() ? icon : result;
}
