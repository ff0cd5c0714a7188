// The graphics pane: the text drawn into the picture, painting, mouse strokes.
#include "GuiFixture.h"

#include <QScrollBar>

using namespace guitest;

namespace {

constexpr QRgb kGrey = 0x808080;

QRgb Rgb(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

// True when every pixel of the raster is pure black or pure white.
bool OnlyBlackAndWhite(const CRaster& raster)
{
    for (int y = 0; y < raster.height(); ++y)
        for (int x = 0; x < raster.width(); ++x)
            if (raster.Pixel(x, y) != CRaster::kBlack && raster.Pixel(x, y) != CRaster::kWhite)
                return false;
    return true;
}

}  // namespace

TEST_F(CRecGraphicsViewTest, SetTextPlacesTheGlyphsInTheirCellsAndShowsThePictureOnGrey)
{
    StartApp();
    SetText(QStringLiteral("bed"));
    const CRecognizeDoc& doc = Doc();
    EXPECT_EQ(doc.m_nCells, 6);
    EXPECT_EQ(doc.GetPictureRect(), (CRect{0, 0, 70, 28}));
    const CRaster& picture = doc.m_Picture;
    ASSERT_EQ(picture.width(), 70);
    ASSERT_EQ(picture.height(), 28);
    // Text origin (5, 7): one glyph per 10-pixel cell, the rest of the row blank.
    EXPECT_TRUE(GlyphAt(picture, 'b', 5, 7));
    EXPECT_TRUE(GlyphAt(picture, 'e', 15, 7));
    EXPECT_TRUE(GlyphAt(picture, 'd', 25, 7));
    int inkRight = 0;
    for (int y = 0; y < 28; ++y)
        for (int x = 35; x < 70; ++x)
            inkRight += picture.IsInk(x, y) ? 1 : 0;
    EXPECT_EQ(inkRight, 0);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(Graphics().TotalSize(), QSize(70, 28));

    // The pane shows the raster pixel for pixel at the top left, grey beyond it.
    const QImage shown = Grab(*Graphics().viewport());
    ASSERT_GT(shown.width(), 70);
    ASSERT_GT(shown.height(), 28);
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 70; ++x)
            ASSERT_EQ(Rgb(shown, x, y), picture.Pixel(x, y)) << x << "," << y;
    EXPECT_EQ(Rgb(shown, 70, 0), kGrey);
    EXPECT_EQ(Rgb(shown, 0, 28), kGrey);
    EXPECT_EQ(Rgb(shown, shown.width() - 1, shown.height() - 1), kGrey);
}

TEST_F(CRecGraphicsViewTest, ACharacterTheFontLacksTakesACellButNoGlyph)
{
    StartApp();
    // U+0416 is 0xC6 in Windows-1251, outside the test font's 0..127.
    SetText(QStringLiteral("b\u0416d"));
    EXPECT_EQ(Doc().m_strUserText, "b\xC6" "d");
    EXPECT_EQ(Doc().m_nCells, 6);
    EXPECT_TRUE(GlyphAt(Doc().m_Picture, 'b', 5, 7));
    EXPECT_TRUE(GlyphAt(Doc().m_Picture, 'd', 15, 7));
}

TEST_F(CRecGraphicsViewTest, ThinStrokesLeaveOutTheirEndPointAndMarkTheDocument)
{
    StartApp();
    SetText(QStringLiteral("bed"));
    Doc().SetModifiedFlag(false);
    ASSERT_TRUE(Trigger(CommandId::kLineWidth1));
    ASSERT_TRUE(Trigger(CommandId::kEditGraphics));
    const int inkBefore = InkCount(Doc().m_Picture);

    // Rows 0..6 lie above the glyphs and are blank.
    Press(Graphics(), {12, 3});
    EXPECT_EQ(Graphics().m_crPen, 0x000000u);
    Move(Graphics(), {20, 3});
    Move(Graphics(), {20, 6});
    Release(Graphics(), {20, 6});
    const CRaster& picture = Doc().m_Picture;
    for (int x = 12; x <= 20; ++x)
        EXPECT_TRUE(picture.IsInk(x, 3)) << x;
    EXPECT_TRUE(picture.IsInk(20, 4));
    EXPECT_TRUE(picture.IsInk(20, 5));
    EXPECT_FALSE(picture.IsInk(20, 6)) << "the end point is left out";
    EXPECT_EQ(InkCount(picture), inkBefore + 11);
    EXPECT_EQ(Graphics().m_ptLast, QPoint(20, 6));

    // The screen shows the stroke at once.
    const QImage shown = Grab(*Graphics().viewport());
    EXPECT_EQ(Rgb(shown, 15, 3), 0u);

    EXPECT_EQ(Doc().m_bGraphicsModified, 1);
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_TRUE(Main().isWindowModified());
    Main().UpdateCommandUI();
    EXPECT_FALSE(Action(CommandId::kEditText).isEnabled());
    // Text mode cannot come back.
    ASSERT_TRUE(Trigger(CommandId::kEditGraphics));
    EXPECT_FALSE(Trigger(CommandId::kEditText));
    EXPECT_FALSE(Trigger(CommandId::kSetText));
}

TEST_F(CRecGraphicsViewTest, WideStrokesAreRoundBandsOfPureBlackOrWhite)
{
    StartApp();
    SetText(QStringLiteral("bed"));
    ASSERT_TRUE(Trigger(CommandId::kEditGraphics));
    const CRaster& picture = Doc().m_Picture;

    // 3 pixels (the default): rows 2..4 from x = 39 to 61 above the glyphs.
    Press(Graphics(), {40, 3});
    Move(Graphics(), {60, 3});
    for (int x = 30; x < 70; ++x)
        for (int y = 0; y < 7; ++y)
            EXPECT_EQ(picture.IsInk(x, y), x >= 39 && x <= 61 && y >= 2 && y <= 4) << x << "," << y;

    // 5 pixels in the blank cells right of the text: round ends, the corners left out.
    ASSERT_TRUE(Trigger(CommandId::kLineWidth5));
    Press(Graphics(), {45, 14});
    Move(Graphics(), {60, 14});
    for (int y = 12; y <= 16; ++y)
        for (int x = 45; x <= 60; ++x)
            EXPECT_TRUE(picture.IsInk(x, y)) << x << "," << y;
    EXPECT_TRUE(picture.IsInk(43, 14));
    EXPECT_TRUE(picture.IsInk(44, 12));
    EXPECT_FALSE(picture.IsInk(43, 12)) << "round, not square, end";
    EXPECT_FALSE(picture.IsInk(42, 14));
    EXPECT_FALSE(picture.IsInk(52, 11));
    EXPECT_FALSE(picture.IsInk(52, 17));

    // The right button erases a band five rows high through the glyphs.
    Press(Graphics(), {0, 14}, Qt::RightButton);
    EXPECT_EQ(Graphics().m_crPen, 0xFFFFFFu);
    Move(Graphics(), {35, 14}, Qt::RightButton);
    for (int x = 0; x <= 35; ++x)
        for (int y = 12; y <= 16; ++y)
            EXPECT_FALSE(picture.IsInk(x, y)) << x << "," << y;
    EXPECT_FALSE(GlyphAt(picture, 'b', 5, 7));
    EXPECT_TRUE(OnlyBlackAndWhite(picture));
}

TEST_F(CRecGraphicsViewTest, MousePressOutsideGraphicsModeOnlyBeeps)
{
    StartApp();
    SetText(QStringLiteral("bed"));
    Doc().SetModifiedFlag(false);
    const CRaster before = Doc().m_Picture;
    Press(Graphics(), {10, 3});
    Move(Graphics(), {30, 3});
    Press(Graphics(), {10, 3}, Qt::RightButton);
    Move(Graphics(), {30, 3}, Qt::RightButton);
    EXPECT_EQ(prompts.beeps, 2);
    EXPECT_EQ(Doc().m_Picture, before);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(Doc().m_bGraphicsModified, 0);

    // In graphics mode a click without movement draws nothing either.
    ASSERT_TRUE(Trigger(CommandId::kEditGraphics));
    Press(Graphics(), {10, 3});
    Release(Graphics(), {10, 3});
    EXPECT_EQ(prompts.beeps, 2);
    EXPECT_EQ(Doc().m_Picture, before);
    EXPECT_FALSE(Doc().IsModified());
    // A move without a button held draws nothing.
    Move(Graphics(), {30, 3}, Qt::NoButton);
    EXPECT_EQ(Doc().m_Picture, before);
}

TEST_F(CRecGraphicsViewTest, StrokesAreClampedToThePicture)
{
    StartApp();
    SetText(QStringLiteral("bed"));
    ASSERT_TRUE(Trigger(CommandId::kLineWidth1));
    ASSERT_TRUE(Trigger(CommandId::kEditGraphics));
    // The pane is larger than the 70 x 28 picture: a point beyond it ends at its corner.
    Press(Graphics(), {50, 20});
    Move(Graphics(), {200, 100});
    EXPECT_EQ(Graphics().m_ptLast, QPoint(70, 28));
    EXPECT_TRUE(Doc().m_Picture.IsInk(50, 20));
    EXPECT_TRUE(Doc().m_Picture.IsInk(68, 27));
}

TEST_F(CChildFrameTest, BothPanesScrollSidewaysTogetherAndStrokesFollowTheScrollPosition)
{
    StartApp();
    SetText(QString(100, QLatin1Char('b')));  // 1040 pixels wide, more than the pane
    ASSERT_TRUE(Trigger(CommandId::kRecognizeSimple));
    ASSERT_TRUE(Trigger(CommandId::kLineWidth1));
    ASSERT_TRUE(Trigger(CommandId::kEditGraphics));
    QScrollBar* shared = Frame()->SharedHorizontalBar();
    ASSERT_GT(shared->maximum(), 40);
    shared->setValue(40);
    EXPECT_EQ(Graphics().ScrollPosition().x(), 40);
    EXPECT_EQ(Result().ScrollPosition().x(), 40);
    Result().verticalScrollBar()->setValue(5);
    EXPECT_EQ(Graphics().ScrollPosition().y(), 0) << "vertical scrolling is per pane";

    Press(Graphics(), {5, 3});
    Move(Graphics(), {15, 3});
    for (int x = 45; x < 55; ++x)
        EXPECT_TRUE(Doc().m_Picture.IsInk(x, 3)) << x;
    EXPECT_FALSE(Doc().m_Picture.IsInk(44, 3));
    // The pane shows the picture from x = 40 on.
    const QImage shown = Grab(*Graphics().viewport());
    EXPECT_EQ(Rgb(shown, 5, 3), 0u);
    for (int x = 0; x < 30; ++x)
        ASSERT_EQ(Rgb(shown, x, 10), Doc().m_Picture.Pixel(x + 40, 10)) << x;
}

TEST_F(CRecGraphicsViewTest, AStrokeInOneWindowShowsInTheOtherAndLeavesTheResultAlone)
{
    StartApp();
    SetText(QStringLiteral("bed"));
    ASSERT_TRUE(Trigger(CommandId::kRecognizeSimple));
    CChildFrame* first = Frame();
    ASSERT_TRUE(Trigger(CommandId::kWindowNew));
    CChildFrame* second = Frame();
    ASSERT_NE(first, second);
    ASSERT_TRUE(Trigger(CommandId::kEditGraphics));
    ASSERT_TRUE(Trigger(CommandId::kLineWidth1));

    Press(*first->GraphicsView(), {0, 0});  // the first pane's pen turns black
    const CRaster firstResult = first->ResultView()->Bitmap();
    const CRaster secondResult = second->ResultView()->Bitmap();
    Press(*second->GraphicsView(), {30, 1});
    Move(*second->GraphicsView(), {40, 1});
    EXPECT_TRUE(Doc().m_Picture.IsInk(35, 1));
    const QImage firstShown = Grab(*first->GraphicsView()->viewport());
    EXPECT_EQ(Rgb(firstShown, 35, 1), 0u);
    EXPECT_EQ(first->GraphicsView()->m_crPen, 0xFFFFFFu) << "an update resets the pen to white";
    EXPECT_EQ(first->ResultView()->Bitmap(), firstResult);
    EXPECT_EQ(second->ResultView()->Bitmap(), secondResult);
    EXPECT_EQ(Doc().m_bResultChanged, 0);
}

TEST_F(CRecGraphicsViewTest, AdditionalSpaceWidensThePictureRectangleBeforeTheRaster)
{
    StartApp();
    SetText(QStringLiteral("bed"));
    prompts.OnDialog<CAdditionalSpaceDlg>([](CAdditionalSpaceDlg& dialog) {
        EXPECT_EQ(dialog.SpaceBox()->text(), "3");
        dialog.SpaceBox()->setText(QStringLiteral("5"));
        dialog.OnOK();
    });
    Doc().SetModifiedFlag(false);
    ASSERT_TRUE(Trigger(CommandId::kAdditionalSpace));
    EXPECT_EQ(Doc().m_nCells, 8);
    EXPECT_EQ(Doc().GetPictureRect().right, 90);
    EXPECT_EQ(Doc().m_Picture.width(), 70);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(Graphics().TotalSize(), QSize(90, 28));
    // The part of the rectangle the raster does not reach shows white.
    const QImage shown = Grab(*Graphics().viewport());
    EXPECT_EQ(Rgb(shown, 80, 3), 0xFFFFFFu);
    EXPECT_EQ(Rgb(shown, 95, 3), kGrey);
    SetText(QStringLiteral("bed"));
    EXPECT_EQ(Doc().m_Picture.width(), 90);
}

TEST_F(CRecGraphicsViewTest, StrokesInANewDocumentShowAsDrawnAndThePaneRepaintsWhite)
{
    StartApp();
    ASSERT_FALSE(Doc().m_bPicturePresent);
    ASSERT_TRUE(Trigger(CommandId::kLineWidth1));
    ASSERT_TRUE(Trigger(CommandId::kEditGraphics));
    // The picture of a new document is one 10-pixel cell wide.
    Press(Graphics(), {1, 20});
    Move(Graphics(), {9, 20});
    EXPECT_TRUE(Doc().IsModified());
    for (int x = 1; x < 9; ++x)
        EXPECT_TRUE(Doc().m_Picture.IsInk(x, 20)) << x;

    // The paint the stroke asks for shows it; the next paint of the pane is white again.
    // render() puts the top-left corner of the region at the offset given.
    QImage strokePaint(Graphics().viewport()->size(), QImage::Format_RGB32);
    strokePaint.fill(Qt::gray);
    Graphics().viewport()->render(&strokePaint, QPoint(2, 20), QRegion(2, 20, 6, 1));
    for (int x = 2; x < 8; ++x)
        EXPECT_EQ(Rgb(strokePaint, x, 20), 0u) << x;
    const QImage later = Grab(*Graphics().viewport());
    EXPECT_EQ(Rgb(later, 5, 20), 0xFFFFFFu);
    EXPECT_EQ(Rgb(later, 0, 0), 0xFFFFFFu);
}
