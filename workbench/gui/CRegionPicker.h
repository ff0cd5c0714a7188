#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

class QScreen;

// The frozen screen, shown full-screen, over which the user drags the rectangle of the region
// to read: it is chosen when the button is let go; Esc or the right button cancels. The
// picture is drawn to fill the window, so regions are told in the picture's own pixels.
class CRegionPicker : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Read Screen Region";
    static constexpr const char* kHint = "Drag over the text to read; Esc cancels.";
    // A drag smaller than this, in either direction, chooses nothing and leaves the picker open.
    static constexpr int kMinRegion = 4;

    // Shows nothing until shown; where is the screen it covers (none: the primary screen).
    CRegionPicker(QImage screen, QScreen* where);

    // Covers its screen and takes the keyboard.
    void ShowOnScreen();
    const QImage& Screen() const { return m_Screen; }
    // The rectangle dragged so far, in the picture's pixels; empty before a drag.
    QRect Selection() const;

signals:
    // The user let go of a rectangle: region is in the picture's pixels, inside the picture.
    void Chosen(const QRect& region);
    void Cancelled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // A point of the window in the picture's pixels, kept inside the picture.
    QPoint ToPicture(QPointF point) const;
    // A rectangle of the picture in the window's coordinates.
    QRectF ToWindow(const QRect& region) const;
    void Finish(bool chosen);

    QImage m_Screen;
    QScreen* m_pScreen;
    QPoint m_Anchor;
    QPoint m_Current;
    bool m_bDragging = false;
    bool m_bFinished = false;
};
