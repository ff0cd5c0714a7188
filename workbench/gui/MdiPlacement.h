#pragma once

#include <QIcon>
#include <QList>
#include <QRect>
#include <QSize>

class QMdiArea;
class QMdiSubWindow;

// Where a new document window goes in an area with count windows already open: wholly inside
// the area, no larger than it, cascading by step from the top-left corner and starting over
// there when the next step would leave the area.
QRect NewWindowGeometry(const QSize& area, const QSize& wanted, int count, int step);

// Cascades the normal and maximised windows of the area from its top-left corner, in stacking
// order, each at least two thirds of the area wide and high and wholly inside it.
void CascadeWindows(QMdiArea& area);

// The step by which document windows cascade: the height of their title bar.
int CascadeStep(const QMdiArea& area);

// The icon with a disabled look of its own: its pixmaps grey and faint, so that a greyish
// toolbar icon still looks different when its command is disabled.
QIcon WithDisabledLook(const QIcon& icon);
