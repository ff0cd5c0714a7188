#pragma once

// A running Recognize in a temporary working folder with a small font and word list,
// answered by scripted prompts, and helpers that drive it like a user.

#include "CChildFrame.h"
#include "CGuiDocument.h"
#include "CMainFrame.h"
#include "CRecGraphicsView.h"
#include "CRecResTextView.h"
#include "CRecognizeApp.h"
#include "CRecognizeDoc.h"
#include "CScriptedPrompts.h"
#include "CAdditionalSpaceDlg.h"
#include "CCoefficientDlg.h"
#include "CTextInputDlg.h"
#include "GlyphFixtures.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QSlider>

#include <filesystem>
#include <memory>
#include <string>

namespace guitest {

inline constexpr int kCellWidth = 10;
inline constexpr int kCellHeight = 14;

// The test font: codes 0..127 in 10 x 14 cells, the space blank, every other glyph its own noise.
CCharImageFont MakeTestFont();

// A page of 260 x 90 pixels: "cab bed" at (kPageLeft, kPageTop) and "  face" two cells
// below it, in the font, dark blue on cream. It reads as "cab bed\n\n  face".
inline constexpr int kPageLeft = 23;
inline constexpr int kPageTop = 17;
CRaster MakeTestPage(const CCharImageFont& font);
QImage ToImage(const CRaster& raster);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the program with these command-line arguments.
    void StartApp(const QStringList& arguments = {});
    void StopApp();

    CMainFrame& Main() { return *app->MainFrame(); }
    CChildFrame* Frame() { return Main().ActiveChildFrame(); }
    CGuiDocument* GuiDoc() { return Main().ActiveDocument(); }
    CRecognizeDoc& Doc() { return GuiDoc()->Doc(); }
    CRecGraphicsView& Graphics() { return *Frame()->GraphicsView(); }
    CRecResTextView& Result() { return *Frame()->ResultView(); }

    QAction& Action(int id);
    // Triggers a command as a menu click does; false when it is disabled.
    bool Trigger(int id);
    // "Set te&xt..." answered with text and "OK".
    void SetText(const QString& text);

    // Mouse events on the viewport of a graphics pane, in its client coordinates.
    static void Press(CRecGraphicsView& view, QPoint point, Qt::MouseButton button = Qt::LeftButton);
    static void Move(CRecGraphicsView& view, QPoint point, Qt::MouseButtons buttons = Qt::LeftButton);
    static void Release(CRecGraphicsView& view, QPoint point, Qt::MouseButton button = Qt::LeftButton);
    // What a pane shows now.
    static QImage Grab(QWidget& viewport);

    // True when the raster shows the glyph of code with its top-left pixel at (x, y).
    bool GlyphAt(const CRaster& raster, int code, int x, int y) const;
    static int InkCount(const CRaster& raster);

    fixtures::TempDir dir;
    std::filesystem::path previousDir;
    CCharImageFont font;
    CScriptedPrompts prompts;
    std::unique_ptr<CRecognizeApp> app;
};

// One fixture per class under test, each the shared one, so that a suite bears the name of
// the class it tests (CCommandTableTest and CFileDropHandlerTest add helpers of their own).
class CRecognizeAppTest : public GuiTest {};
class CMainFrameTest : public GuiTest {};
class CChildFrameTest : public GuiTest {};
class CGuiDocumentTest : public GuiTest {};
class CRecGraphicsViewTest : public GuiTest {};
class CRecResTextViewTest : public GuiTest {};
class CVariantsViewTest : public GuiTest {};
class CRecentFileListTest : public GuiTest {};
class CCoefficientDlgTest : public GuiTest {};
class CAdditionalSpaceDlgTest : public GuiTest {};
class CTextInputDlgTest : public GuiTest {};
class CAboutRecognizeDlgTest : public GuiTest {};
class CDictionaryDlgTest : public GuiTest {};
class CNoiseDlgTest : public GuiTest {};
class CExperimentWndTest : public GuiTest {};

}  // namespace guitest
