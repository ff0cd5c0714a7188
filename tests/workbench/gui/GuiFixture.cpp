#include "GuiFixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSettings>

#include <fstream>

namespace guitest {

CCharImageFont MakeTestFont()
{
    return fixtures::MakeFont(0, 127, [](int code) {
        if (code == ' ')
            return fixtures::MakeGlyph(kCellWidth, kCellHeight);
        return fixtures::MakeNoiseGlyph(kCellWidth, kCellHeight, static_cast<unsigned>(code) * 7919u);
    });
}

CRaster MakeTestPage(const CCharImageFont& font)
{
    CRaster page;
    page.Create(260, 90, CRaster::kWhite);
    font.DrawString(page, "cab bed", kPageLeft, kPageTop);
    font.DrawString(page, "  face", kPageLeft, kPageTop + 2 * kCellHeight);
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            page.SetPixel(x, y, page.IsInk(x, y) ? 0x202078 : 0xFAF5DC);
    return page;
}

QImage ToImage(const CRaster& raster)
{
    return QImage(reinterpret_cast<const uchar*>(raster.Bits()), raster.width(), raster.height(),
                  raster.BytesPerLine(), QImage::Format_RGB32)
        .copy();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void GuiTest::SetUp()
{
    // Each test starts with an empty recent-file list.
    QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Recognize")).clear();
    font = MakeTestFont();
    std::filesystem::create_directory(dir.Path() / "Fonts");
    const std::vector<std::uint8_t> bytes = fixtures::FontBytes(font);
    WriteFile(dir.Path() / "Fonts" / "default.GLF", std::string(bytes.begin(), bytes.end()));
    WriteFile(dir.Path() / "dict.dic", "bed\ncab\nface\nbad\n");
    previousDir = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
}

void GuiTest::TearDown()
{
    StopApp();
    std::filesystem::current_path(previousDir);
}

void GuiTest::StartApp(const QStringList& arguments)
{
    app = std::make_unique<CRecognizeApp>(prompts);
    ASSERT_TRUE(app->InitInstance(arguments));
    Main().activateWindow();
}

void GuiTest::StopApp()
{
    app.reset();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QAction& GuiTest::Action(int id)
{
    QAction* action = Main().Action(id);
    EXPECT_NE(action, nullptr) << id;
    return *action;
}

bool GuiTest::Trigger(int id)
{
    Main().UpdateCommandUI();
    QAction& action = Action(id);
    if (!action.isEnabled())
        return false;
    action.trigger();
    return true;
}

void GuiTest::SetText(const QString& text)
{
    prompts.OnDialog<CTextInputDlg>([text](CTextInputDlg& dialog) {
        dialog.TextBox()->setText(text);
        dialog.OnOK();
    });
    ASSERT_TRUE(Trigger(CommandId::kSetText));
}

namespace {

void SendMouse(CRecGraphicsView& view, QEvent::Type type, QPoint point, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QWidget* viewport = view.viewport();
    QMouseEvent event(type, QPointF(point), QPointF(viewport->mapToGlobal(point)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
}

}  // namespace

void GuiTest::Press(CRecGraphicsView& view, QPoint point, Qt::MouseButton button)
{
    SendMouse(view, QEvent::MouseButtonPress, point, button, button);
}

void GuiTest::Move(CRecGraphicsView& view, QPoint point, Qt::MouseButtons buttons)
{
    SendMouse(view, QEvent::MouseMove, point, Qt::NoButton, buttons);
}

void GuiTest::Release(CRecGraphicsView& view, QPoint point, Qt::MouseButton button)
{
    SendMouse(view, QEvent::MouseButtonRelease, point, button, Qt::NoButton);
}

QImage GuiTest::Grab(QWidget& viewport)
{
    return viewport.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool GuiTest::GlyphAt(const CRaster& raster, int code, int x, int y) const
{
    const CCharImage& glyph = font.m_Glyphs[static_cast<std::size_t>(code)];
    for (int r = 0; r < glyph.Height(); ++r)
        for (int c = 0; c < glyph.Width(); ++c)
            if (raster.IsInk(x + c, y + r) != glyph.Pixel(c, r))
                return false;
    return true;
}

int GuiTest::InkCount(const CRaster& raster)
{
    int count = 0;
    for (int y = 0; y < raster.height(); ++y)
        for (int x = 0; x < raster.width(); ++x)
            count += raster.IsInk(x, y) ? 1 : 0;
    return count;
}

}  // namespace guitest
