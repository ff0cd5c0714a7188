#include "DialogUnits.h"

#include <QFontMetrics>
#include <QWidget>

#include <algorithm>

CDialogUnits::CDialogUnits(const QWidget& dialog, std::initializer_list<std::pair<QString, int>> texts)
{
    const QFontMetrics metrics(dialog.font());
    // The average width over the 52 letters, rounded, as the dialog manager measures it.
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_nBaseX = std::max(1, (letters / 26 + 1) / 2);
    m_nBaseY = std::max(1, metrics.height());
    for (const auto& [text, width] : texts)
        m_nBaseX = std::max(m_nBaseX, (4 * metrics.horizontalAdvance(text) + width - 1) / width);
}

QRect CDialogUnits::Rect(int x, int y, int width, int height) const
{
    return {x * m_nBaseX / 4, y * m_nBaseY / 8, width * m_nBaseX / 4, height * m_nBaseY / 8};
}

QSize CDialogUnits::Size(int width, int height) const
{
    return {width * m_nBaseX / 4, height * m_nBaseY / 8};
}

void CDialogUnits::Place(QWidget& widget, int x, int y, int width, int height) const
{
    widget.setGeometry(Rect(x, y, width, height));
}
