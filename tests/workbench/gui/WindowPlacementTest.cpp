// Where document windows open and cascade, and how disabled toolbar buttons look.
#include "GuiFixture.h"

#include "MdiPlacement.h"

#include <QMdiArea>
#include <QMdiSubWindow>

using namespace guitest;

namespace {

// The mean opacity of a pixmap, 0..255.
int MeanAlpha(const QPixmap& pixmap)
{
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    long long sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qAlpha(image.pixel(x, y));
    return image.isNull() ? 0 : static_cast<int>(sum / (image.width() * image.height()));
}

}  // namespace

TEST_F(CMainFrameTest, DocumentWindowsOpenInsideTheAreaAndCascadeAtAUsableSize)
{
    StartApp();
    QMdiArea& area = *Main().MdiArea();
    const QRect inside(QPoint(0, 0), area.viewport()->size());
    const int step = CascadeStep(area);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(Trigger(i == 1 ? CommandId::kWindowNew : CommandId::kFileNew));
    const QList<QMdiSubWindow*> windows = area.subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(windows.size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(inside.contains(windows[i]->geometry())) << i;
        EXPECT_EQ(windows[i]->pos(), QPoint(i * step, i * step)) << i;
    }

    ASSERT_TRUE(Trigger(CommandId::kWindowCascade));
    for (const QMdiSubWindow* window : windows) {
        EXPECT_TRUE(inside.contains(window->geometry()));
        EXPECT_GE(window->width(), inside.width() * 2 / 3);
        EXPECT_GE(window->height(), inside.height() * 2 / 3);
    }

    // A window larger than the area is made to fit, and the cascade starts over at the corner.
    EXPECT_EQ(NewWindowGeometry({300, 200}, {400, 100}, 0, 20), QRect(0, 0, 300, 100));
    EXPECT_EQ(NewWindowGeometry({300, 200}, {200, 100}, 5, 20), QRect(100, 100, 200, 100));
    EXPECT_EQ(NewWindowGeometry({300, 200}, {200, 100}, 6, 20), QRect(0, 0, 200, 100));
    EXPECT_EQ(NewWindowGeometry({300, 200}, {200, 100}, 4, 20), QRect(80, 80, 200, 100));
}

TEST_F(CMainFrameTest, DisabledToolbarButtonsLookDisabled)
{
    StartApp();
    Main().UpdateCommandUI();
    for (int id : {CommandId::kEditCut, CommandId::kEditCopy, CommandId::kEditPaste, CommandId::kFilePrint}) {
        const QIcon icon = Action(id).icon();
        const int normal = MeanAlpha(icon.pixmap(16, QIcon::Normal));
        const int disabled = MeanAlpha(icon.pixmap(16, QIcon::Disabled));
        EXPECT_GT(normal, 0) << id;
        EXPECT_LT(disabled * 2, normal) << id;
    }
}
