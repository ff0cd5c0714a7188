// How Recognize shows its reading: the Variants pane, the status bar, zoom with the cell
// grid, and the cell marked across panes and windows.
#include "CVariantsView.h"
#include "GuiFixture.h"
#include "PaneOverlays.h"

#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QStatusBar>
#include <QWheelEvent>

using namespace guitest;

namespace {

constexpr QRgb kGridColour = 0x0078FF;

QRgb Rgb(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

}  // namespace

TEST_F(CVariantsViewTest, VariantsPaneAndStatusBarShowTheLastRecognition)
{
    StartApp();
    CVariantsView& variants = *Main().VariantsView();
    EXPECT_TRUE(Main().VariantsDock()->isHidden());
    EXPECT_EQ(Main().ModePane()->text(), "Text");
    ASSERT_TRUE(Trigger(CommandId::kViewVariants));
    EXPECT_TRUE(Action(CommandId::kViewVariants).isChecked());
    EXPECT_TRUE(variants.Trace().Empty());
    // It opens tall enough for its rows, with a legend of its marks.
    QApplication::processEvents();
    EXPECT_GE(variants.height(), variants.sizeHint().height() - 4) << Main().height();
    for (const char* mark : {"green", "blue frame", "orange"})
        EXPECT_TRUE(Main().VariantsLegend()->text().contains(QLatin1String(mark))) << mark;
    // Cyrillic letters carry a script mark, their Latin twins and signs none.
    EXPECT_EQ(CVariantsView::ScriptMark(0xC0), "cyr");  // А
    EXPECT_EQ(CVariantsView::ScriptMark(0xB8), "cyr");  // ё
    EXPECT_EQ(CVariantsView::ScriptMark('A'), "");
    EXPECT_EQ(CVariantsView::ScriptMark(0xB9), "");     // №

    SetText(QStringLiteral("bed"));
    ASSERT_TRUE(Trigger(CommandId::kRecognizeComplex));
    const RecognitionTrace& trace = variants.Trace();
    ASSERT_EQ(trace.kind, RecognitionTrace::Kind::Complex);
    ASSERT_EQ(trace.positions.size(), 6u);
    // A clean picture: every cell reads back as its own glyph. The cells are 10 pixels wide,
    // so each row's last byte also sees the next cell and no cost is 0.
    const std::string expected = "bed   ";
    for (std::size_t p = 0; p < 6; ++p) {
        const TracePosition& position = trace.positions[p];
        const CCharVariants& variants = Doc().m_pCharVariants[p];
        ASSERT_EQ(position.variants.size(), static_cast<std::size_t>(variants.m_nCount));
        for (int i = 0; i < variants.m_nCount; ++i)
            EXPECT_EQ(position.variants[i], (TraceVariant{variants.m_Codes[i], variants.m_Costs[i]}));
        EXPECT_EQ(position.simple, static_cast<std::uint8_t>(expected[p]));
        EXPECT_EQ(position.final, static_cast<std::uint8_t>(expected[p]));
        EXPECT_LE(position.best, position.worst);
    }
    EXPECT_TRUE(trace.bCut);
    ASSERT_EQ(trace.words.size(), 3u);
    std::uint32_t total = 0;
    for (const TraceWord& word : trace.words) {
        // A word's cost is the sum of the costs of the variants it reads.
        std::uint32_t cost = 0;
        for (int p = word.start; p < word.end; ++p)
            for (const TraceVariant& v : trace.positions[static_cast<std::size_t>(p)].variants)
                cost += v.code == trace.positions[static_cast<std::size_t>(p)].final ? static_cast<std::uint32_t>(v.cost) : 0;
        EXPECT_EQ(word.cost, cost);
        total += word.cost;
    }
    EXPECT_EQ(trace.words[0].text, "bed ");
    EXPECT_EQ(trace.words[2].start, 5);
    EXPECT_EQ(trace.totalCost, total);
    EXPECT_EQ(Main().statusBar()->currentMessage(), QString::fromStdString(trace.Summary()));
    EXPECT_TRUE(Main().statusBar()->currentMessage().startsWith(
        QStringLiteral("Complex recognition: 6 positions, %1 of 6 cells match a glyph exactly, ").arg(trace.ExactMatches())));
    // The two one-space words after "bed " are not counted as words.
    EXPECT_TRUE(Main().statusBar()->currentMessage().endsWith(QStringLiteral(" ms; 1 word, total cost %1").arg(total)));

    // The outline of a hovered column leaves the word costs above it as they were.
    variants.SelectColumn(-1);
    const QRect band = variants.WordBand();
    const QImage plain = variants.viewport()->grab().toImage();
    variants.SelectColumn(1);
    const QImage outlined = variants.viewport()->grab().toImage();
    EXPECT_FALSE(variants.ColumnOutline(1).adjusted(-2, -2, 2, 2).intersects(band));
    EXPECT_NE(outlined, plain);
    EXPECT_EQ(outlined.copy(band), plain.copy(band));

    // A higher coefficient gives more variants, lowest cost first; Simple alone has no cut.
    Doc().m_dCoefficient = 1.0;
    ASSERT_TRUE(Trigger(CommandId::kRecognizeSimple));
    ASSERT_EQ(variants.Trace().kind, RecognitionTrace::Kind::Simple);
    const std::vector<TraceVariant>& all = variants.SortedVariants(0);
    ASSERT_GT(all.size(), 1u);
    EXPECT_EQ(all.front().code, 'b');
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end(), [](auto& a, auto& b) { return a.cost < b.cost; }));
    EXPECT_TRUE(variants.Trace().words.empty());
    EXPECT_TRUE(Main().statusBar()->currentMessage().startsWith("Simple recognition: 6 positions, "));

    // Opening a document drops the trace; the pane says there is none.
    const std::vector<std::uint8_t> bytes = Doc().SaveToBytes();
    ASSERT_EQ(Doc().LoadFromBytes(bytes), CRecognizeDoc::ReadResult::Ok);
    Main().UpdateCommandUI();
    EXPECT_TRUE(variants.Trace().Empty());
    EXPECT_EQ(Main().ModePane()->text(), "");
    ASSERT_TRUE(Trigger(CommandId::kEditGraphics));
    EXPECT_EQ(Main().ModePane()->text(), "Graphics");
    ASSERT_TRUE(Trigger(CommandId::kViewVariants));
    EXPECT_TRUE(Main().VariantsDock()->isHidden());
}

TEST_F(CRecGraphicsViewTest, AMousePressInTextModeBeepsAndPointsToEditGraphics)
{
    StartApp();
    SetText(QStringLiteral("bed"));
    Press(Graphics(), {12, 12});
    EXPECT_EQ(prompts.beeps, 1);
    EXPECT_EQ(Main().statusBar()->currentMessage(), CRecGraphicsView::kDrawingOffHint);
}

// The same stroke drawn at 1x, 3x and 8x, each in a new document: the pointer rests on the
// middle of the zoomed pixels, and the last point lies beyond the picture and is clamped.
TEST_F(CChildFrameTest, StrokesChangeTheSamePixelsAtEveryZoom)
{
    StartApp();
    const QPoint path[] = {{3, 4}, {20, 11}, {41, 2}, {62, 25}, {90, 40}};
    std::vector<CRaster> pictures;
    for (int zoom : {1, 3, 8}) {
        if (zoom > 1) {
            ASSERT_TRUE(Trigger(CommandId::kFileNew));
        }
        Frame()->parentWidget()->resize(1400, 1000);
        QApplication::processEvents();
        ASSERT_GT(Graphics().viewport()->height(), 8 * 45);
        SetText(QStringLiteral("bed"));
        ASSERT_TRUE(Trigger(CommandId::kEditGraphics));
        for (int step = 1; step < zoom; ++step)
            ASSERT_TRUE(Trigger(CommandId::kZoomIn));
        ASSERT_EQ(Graphics().Zoom(), zoom);
        ASSERT_EQ(Result().Zoom(), zoom);
        EXPECT_EQ(Graphics().horizontalScrollBar()->maximum(), std::max(0, 70 * zoom - Graphics().viewport()->width()));
        for (int width : {1, 3}) {
            Doc().SetLineWidth(width);
            auto client = [zoom, width](QPoint p) { return (p + QPoint(2 * width, 0)) * zoom + QPoint(zoom / 2, zoom / 2); };
            Press(Graphics(), client(path[0]));
            for (const QPoint& p : path)
                Move(Graphics(), client(p));
            Release(Graphics(), client(path[4]));
        }
        pictures.push_back(Doc().m_Picture);
        // The pane shows each picture pixel as a zoom x zoom square.
        const QImage shown = Grab(*Graphics().viewport());
        for (const QPoint& p : {QPoint(21, 11), QPoint(40, 3), QPoint(0, 0)})
            EXPECT_EQ(Rgb(shown, p.x() * zoom + zoom - 1, p.y() * zoom), Doc().m_Picture.Pixel(p.x(), p.y()) & 0xFFFFFF)
                << "zoom " << zoom;
    }
    ASSERT_EQ(pictures.size(), 3u);
    CRaster text;
    Doc().RenderText(text, "bed");
    EXPECT_GT(InkCount(pictures[0]), InkCount(text) + 100);
    for (int i : {1, 2})
        for (int y = 0; y < 28; ++y)
            for (int x = 0; x < 70; ++x)
                ASSERT_EQ(pictures[i].Pixel(x, y), pictures[0].Pixel(x, y)) << "zoom index " << i << " at " << x << "," << y;

    // Ctrl and the wheel zoom both panes of this window only; the limits hold.
    QWidget* viewport = Result().viewport();
    QWheelEvent wheel(QPointF(10, 10), viewport->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -240), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    EXPECT_EQ(Frame()->Zoom(), 6);
    EXPECT_EQ(Graphics().Zoom(), 6);
    ASSERT_TRUE(Trigger(CommandId::kActualSize));
    EXPECT_EQ(Graphics().Zoom(), 1);
    EXPECT_FALSE(Trigger(CommandId::kZoomOut));
    for (int i = 0; i < 20; ++i)
        Trigger(CommandId::kZoomIn);
    EXPECT_EQ(Result().Zoom(), 16);
    EXPECT_FALSE(Action(CommandId::kZoomIn).isEnabled());
    EXPECT_EQ(Action(CommandId::kZoomIn).shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}));
}

TEST_F(CChildFrameTest, CellGridTogglesPerWindowAndNeverReachesThePicture)
{
    StartApp();
    SetText(QStringLiteral("bed"));
    ASSERT_TRUE(Trigger(CommandId::kRecognizeSimple));
    const CRaster before = Doc().m_Picture;
    ASSERT_TRUE(Trigger(CommandId::kCellGrid));
    EXPECT_TRUE(Action(CommandId::kCellGrid).isChecked());
    // Cell boundaries at x = 5 + 10 p over the cell row, y = 7..21; the rectangle's edge at 0.
    for (QWidget* viewport : {Graphics().viewport(), Result().viewport()}) {
        const QImage shown = Grab(*viewport);
        EXPECT_EQ(Rgb(shown, 15, 12), kGridColour);
        EXPECT_EQ(Rgb(shown, 45, 7), kGridColour);
        EXPECT_EQ(Rgb(shown, 0, 2), kGridColour);
    }
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 70; ++x)
            ASSERT_EQ(Doc().m_Picture.Pixel(x, y), before.Pixel(x, y));

    CChildFrame* first = Frame();
    ASSERT_TRUE(Trigger(CommandId::kWindowNew));
    EXPECT_FALSE(Action(CommandId::kCellGrid).isChecked());
    EXPECT_NE(Rgb(Grab(*Graphics().viewport()), 15, 12), kGridColour);
    Main().MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
    ASSERT_TRUE(Trigger(CommandId::kCellGrid));
    EXPECT_EQ(Rgb(Grab(*first->GraphicsView()->viewport()), 15, 12), before.Pixel(15, 12) & 0xFFFFFF);
}

TEST_F(CChildFrameTest, HoveringACellMarksItInBothPanesAndSelectsItsColumn)
{
    StartApp();
    SetText(QString(60, QLatin1Char('b')));
    ASSERT_TRUE(Trigger(CommandId::kViewVariants));
    ASSERT_TRUE(Trigger(CommandId::kRecognizeSimple));
    CChildFrame* first = Frame();
    ASSERT_TRUE(Trigger(CommandId::kWindowNew));
    CChildFrame* second = Frame();
    CVariantsView& variants = *Main().VariantsView();

    // A move without a button over cell 2 of the second window's picture.
    Move(*second->GraphicsView(), {27, 10}, Qt::NoButton);
    EXPECT_EQ(second->GraphicsView()->MarkedCell(), 2);
    EXPECT_EQ(second->ResultView()->MarkedCell(), 2);
    EXPECT_EQ(first->GraphicsView()->MarkedCell(), -1);
    EXPECT_EQ(variants.SelectedColumn(), 2);
    EXPECT_EQ(Rgb(Grab(*second->ResultView()->viewport()), 24, 6), 0xDC0000u);

    // The first window's result pane, then the pointer leaves it.
    QMouseEvent move(QEvent::MouseMove, QPointF(38, 12), QPointF(first->ResultView()->viewport()->mapToGlobal(QPoint(38, 12))),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(first->ResultView()->viewport(), &move);
    EXPECT_EQ(first->GraphicsView()->MarkedCell(), 3);
    EXPECT_EQ(variants.SelectedColumn(), 3);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(first->ResultView()->viewport(), &leave);
    EXPECT_EQ(first->ResultView()->MarkedCell(), -1);

    // The pane follows the window's shared scroll bar: cell 20 at the left edge, column 20 too.
    second->SharedHorizontalBar()->setValue(5 + 20 * kCellWidth);
    EXPECT_EQ(variants.horizontalScrollBar()->value(), 20 * variants.ColumnWidth());

    // A click on a column out of sight scrolls the active window's panes to its cell.
    const int p = 55;
    variants.horizontalScrollBar()->setValue(p * variants.ColumnWidth());
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 80), QPointF(variants.viewport()->mapToGlobal(QPoint(5, 80))),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(variants.viewport(), &press);
    EXPECT_EQ(variants.SelectedColumn(), p);
    EXPECT_EQ(second->GraphicsView()->MarkedCell(), p);
    const QRect cell = second->GraphicsView()->ToClient(CellRectOf(Doc(), p));
    EXPECT_GE(cell.left(), 0);
    EXPECT_LT(cell.right(), second->GraphicsView()->viewport()->width());
    EXPECT_EQ(second->ResultView()->ScrollPosition().x(), second->GraphicsView()->ScrollPosition().x());

    // Another document: the pane shows its (missing) recognition, and hovering the first
    // document's window selects nothing there.
    ASSERT_TRUE(Trigger(CommandId::kFileNew));
    EXPECT_TRUE(variants.Trace().Empty());
    Move(*first->GraphicsView(), {17, 10}, Qt::NoButton);
    EXPECT_EQ(first->GraphicsView()->MarkedCell(), 1);
    EXPECT_EQ(variants.SelectedColumn(), -1);
}
