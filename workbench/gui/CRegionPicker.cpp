#include "CRegionPicker.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <algorithm>

namespace {

const QColor kShade(0, 0, 0, 110);         // over the screen outside the region
const QColor kFrame(0, 120, 215);

}  // namespace

CRegionPicker::CRegionPicker(QImage screen, QScreen* where)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_Screen(std::move(screen)),
      m_pScreen(where ? where : QGuiApplication::primaryScreen())
{
    setWindowTitle(QString::fromUtf8(kTitle));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void CRegionPicker::ShowOnScreen()
{
    if (m_pScreen) {
        setScreen(m_pScreen);
        setGeometry(m_pScreen->geometry());
    }
    showFullScreen();
    raise();
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
    grabKeyboard();
}

QRect CRegionPicker::Selection() const
{
    if (!m_bDragging && m_Anchor == m_Current)
        return {};
    return QRect(m_Anchor, m_Current).normalized();
}

QPoint CRegionPicker::ToPicture(QPointF point) const
{
    const double sx = width() > 0 ? static_cast<double>(m_Screen.width()) / width() : 1.0;
    const double sy = height() > 0 ? static_cast<double>(m_Screen.height()) / height() : 1.0;
    const int x = std::clamp(static_cast<int>(point.x() * sx + 0.5), 0, m_Screen.width());
    const int y = std::clamp(static_cast<int>(point.y() * sy + 0.5), 0, m_Screen.height());
    return {x, y};
}

QRectF CRegionPicker::ToWindow(const QRect& region) const
{
    const double sx = m_Screen.width() > 0 ? static_cast<double>(width()) / m_Screen.width() : 1.0;
    const double sy = m_Screen.height() > 0 ? static_cast<double>(height()) / m_Screen.height() : 1.0;
    return {region.x() * sx, region.y() * sy, region.width() * sx, region.height() * sy};
}

void CRegionPicker::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(rect(), m_Screen);
    // The region keeps its own pixels; the rest of the screen is shaded.
    const QRect selection = QRect(m_Anchor, m_Current).normalized();
    const QRectF region = m_bDragging ? ToWindow(selection) : QRectF();
    QPainterPath shade;
    shade.addRect(QRectF(rect()));
    if (!region.isEmpty()) {
        QPainterPath hole;
        hole.addRect(region);
        shade = shade.subtracted(hole);
    }
    painter.fillPath(shade, kShade);
    if (!region.isEmpty()) {
        painter.setPen(QPen(kFrame, 2));
        painter.drawRect(region.adjusted(-1, -1, 1, 1));
    }

    // What to do, and the size of the region while it is dragged.
    const QString text = m_bDragging ? QStringLiteral("%1 x %2 pixels").arg(selection.width()).arg(selection.height())
                                     : QString::fromUtf8(kHint);
    QFont font = painter.font();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    QRect box = metrics.boundingRect(text).adjusted(-12, -8, 12, 8);
    box.moveCenter(QPoint(width() / 2, box.height() / 2 + 16));
    painter.fillRect(box, QColor(255, 255, 255, 230));
    painter.setPen(Qt::black);
    painter.drawText(box, Qt::AlignCenter, text);
}

void CRegionPicker::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        Finish(false);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    m_bDragging = true;
    m_Anchor = m_Current = ToPicture(event->position());
    update();
}

void CRegionPicker::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_bDragging)
        return;
    m_Current = ToPicture(event->position());
    update();
}

void CRegionPicker::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_bDragging)
        return;
    m_Current = ToPicture(event->position());
    m_bDragging = false;
    const QRect region = QRect(m_Anchor, m_Current).normalized();
    // QRect(a, b) includes b; the pixel under the release point is the last one taken.
    if (region.width() < kMinRegion || region.height() < kMinRegion) {
        m_Anchor = m_Current;
        update();
        return;
    }
    m_Anchor = region.topLeft();
    m_Current = region.bottomRight();
    Finish(true);
}

void CRegionPicker::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        Finish(false);
        return;
    }
    QWidget::keyPressEvent(event);
}

void CRegionPicker::closeEvent(QCloseEvent* event)
{
    // Closed by the window manager: as Esc.
    if (!m_bFinished) {
        m_bFinished = true;
        releaseKeyboard();
        emit Cancelled();
    }
    event->accept();
}

void CRegionPicker::Finish(bool chosen)
{
    if (m_bFinished)
        return;
    m_bFinished = true;
    releaseKeyboard();
    hide();
    if (chosen)
        emit Chosen(QRect(m_Anchor, m_Current).normalized().intersected(m_Screen.rect()));
    else
        emit Cancelled();
}
