#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <initializer_list>
#include <utility>

class QWidget;

// Lays out a dialog in dialog units: one horizontal unit is a quarter of the dialog font's
// average character width, one vertical unit an eighth of its height. Fonts wider than the
// one the layout was made for widen the horizontal unit so that each given text fits the
// width, in dialog units, that the layout gives it.
class CDialogUnits {
public:
    explicit CDialogUnits(const QWidget& dialog, std::initializer_list<std::pair<QString, int>> texts = {});

    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;
    // Places widget at the rectangle given in dialog units.
    void Place(QWidget& widget, int x, int y, int width, int height) const;

private:
    int m_nBaseX;  // average character width in pixels
    int m_nBaseY;  // character height in pixels
};
