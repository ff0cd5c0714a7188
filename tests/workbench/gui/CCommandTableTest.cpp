// The command table: menus, toolbar, prompts, keys, and every command's enable and check rule.
#include "GuiFixture.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include <map>

using namespace guitest;

namespace {

// The visible entries of a menu, one line each: "-" for a separator, submenus indented.
QString Layout(const QMenu& menu, const QString& indent = QString())
{
    QString text;
    for (QAction* action : menu.actions()) {
        if (!action->isVisible())
            continue;
        if (action->isSeparator())
            text += indent + QStringLiteral("-\n");
        else if (action->menu())
            text += indent + action->text() + QStringLiteral(" >\n") + Layout(*action->menu(), indent + QStringLiteral("  "));
        else
            text += indent + action->text() + QLatin1Char('\n');
    }
    return text;
}

QString MenuBarLayout(const CMainFrame& main)
{
    QString text;
    for (QMenu* menu : main.CurrentMenus())
        text += QStringLiteral("[%1]\n").arg(menu->title()) + Layout(*menu, QStringLiteral("  "));
    return text;
}

}  // namespace

class CCommandTableTest : public GuiTest {
protected:
    // Checks every command of the table: the ids in enabled are enabled, all others disabled;
    // the ids in checked carry the check mark, all others not.
    void ExpectStates(const std::set<int>& enabled, const std::set<int>& checked)
    {
        Main().UpdateCommandUI();
        for (const CommandInfo& command : CommandTable()) {
            const QAction& action = Action(command.nId);
            EXPECT_EQ(action.isEnabled(), enabled.count(command.nId) == 1) << command.pszText << " " << command.nId;
            EXPECT_EQ(action.isChecked(), checked.count(command.nId) == 1) << command.pszText << " " << command.nId;
        }
    }

    // The commands enabled whenever a document window is active and the recent list is empty.
    static std::set<int> DocumentCommands()
    {
        using namespace CommandId;
        return {kFileNew, kFileOpen, kFileClose, kFileSave, kFileSaveAs, kFilePrintSetup, kAppExit,
                kViewToolbar, kViewStatusBar, kEditText, kEditGraphics, kSaveBitmap, kLoadBitmap, kSetText,
                kRecognizeSimple, kRecognizeComplex, kRecognitionCoefficient, kLoadFont, kAdditionalSpace,
                kLineWidth1, kLineWidth3, kLineWidth5, kDictionary, kAddNoise, kExperiment, kWindowNew, kWindowCascade, kWindowTile, kWindowArrange,
                kAppAbout, kNextPane, kPrevPane, kZoomIn, kActualSize, kCellGrid, kViewVariants,
                kOpenPicture, kPastePicture, kReadScreenRegion, kReadPage, kSavePicture, kSaveFont, kPageOutlines,
                kViewPageText};
    }
};

TEST_F(CCommandTableTest, MenuBarsWithAndWithoutADocumentHoldTheTableInOrder)
{
    StartApp();
    QMenu* windowMenu = Main().WindowMenu();
    ASSERT_NE(windowMenu, nullptr);
    emit windowMenu->aboutToShow();
    EXPECT_EQ(MenuBarLayout(Main()),
              "[&File]\n  &New\n  &Open...\n  &Close\n  &Save\n  Save &As...\n  -\n  &Print...\n  Print Pre&view\n"
              "  P&rint Setup...\n  -\n  Recent File\n  -\n  E&xit\n"
              "[&Edit]\n  &Undo\n  -\n  Cu&t\n  &Copy\n  &Paste\n  -\n  Copy &Result Text\n"
              "[&View]\n  &Toolbar\n  &Status Bar\n  -\n  Zoom &In\n  Zoom &Out\n  &Actual Size\n  Cell &Grid\n"
              "  -\n  &Variants\n  Page Te&xt\n"
              "[&Recognition]\n  Edit &text\n  Edit &graphics\n  -\n  &Save bitmap...\n  &Load Bitmap...\n  -\n"
              "  Set te&xt...\n  -\n  &Recognize (Simple)\n  Recognize (&Complex)\n  Add &Noise...\n"
              "[&Page]\n  &Open Picture...\n  &Paste Picture\n  Read Screen Re&gion...\n  -\n  &Read Page\n"
              "  &Copy Text\n  &Save Text As...\n  Save P&icture As...\n  Save &Font As...\n  -\n  Page O&utlines\n"
              "[&Options]\n  Recogition &Coefficient...\n  Load &Font...\n  Additional &Space...\n  Line width >\n"
              "    1 Pixel Width\n    3 Pixels Width\n    5 Pixels Width\n  &Dictionary...\n  &Experiment...\n"
              "[&Window]\n  &New Window\n  &Cascade\n  &Tile\n  &Arrange Icons\n  -\n  &1 DemoDoc1\n"
              "[&Help]\n  &About Recognize...\n");

    ASSERT_TRUE(Trigger(CommandId::kFileClose));
    EXPECT_EQ(MenuBarLayout(Main()),
              "[&File]\n  &New\n  &Open...\n  -\n  P&rint Setup...\n  -\n  Recent File\n  -\n  E&xit\n"
              "[&View]\n  &Toolbar\n  &Status Bar\n  -\n  &Variants\n  Page Te&xt\n"
              "[&Page]\n  &Open Picture...\n  &Paste Picture\n  Read Screen Re&gion...\n"
              "[&Help]\n  &About Recognize...\n");
}

TEST_F(CCommandTableTest, PromptsTooltipsAndKeysComeFromTheTable)
{
    StartApp();
    const QAction& open = Action(CommandId::kFileOpen);
    EXPECT_EQ(open.statusTip(), "Open an existing document");
    EXPECT_EQ(open.toolTip(), "Open");
    EXPECT_EQ(open.shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(Action(CommandId::kEditUndo).shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)}));
    EXPECT_EQ(Action(CommandId::kPrevPane).shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F6));

    // The status bar shows a prompt while it is pointed at, and "Ready" otherwise.
    QStatusBar* bar = Main().statusBar();
    EXPECT_EQ(bar->currentMessage(), "Ready");
    Action(CommandId::kFileNew).showStatusText(&Main());
    EXPECT_EQ(bar->currentMessage(), "Create a new document");
    QStatusTipEvent leave{QString()};
    QApplication::sendEvent(&Main(), &leave);
    EXPECT_EQ(bar->currentMessage(), "Ready");

    // Toolbar: New, Open, Save, gap, Cut, Copy, Paste, gap, Print, About.
    QStringList buttons;
    for (QAction* action : Main().ToolBar()->actions()) {
        buttons << (action->isSeparator() ? QStringLiteral("|") : action->toolTip());
        if (!action->isSeparator()) {
            EXPECT_FALSE(action->icon().isNull()) << action->toolTip().toStdString();
        }
    }
    EXPECT_EQ(buttons, (QStringList{"New", "Open", "Save", "|", "Cut", "Copy", "Paste", "|", "Print", "About"}));
}

TEST_F(CCommandTableTest, KeysReachTheirCommands)
{
    StartApp();
    QApplication::setActiveWindow(&Main());
    QTest::keyClick(&Main(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(app->Documents().size(), 2u);
    EXPECT_EQ(GuiDoc()->Title(), "DemoDoc2");
    Graphics().setFocus();
    QTest::keyClick(&Graphics(), Qt::Key_F6);
    EXPECT_TRUE(Result().hasFocus());
    QTest::keyClick(&Result(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_TRUE(Graphics().hasFocus());
}

TEST_F(CCommandTableTest, EveryRuleFollowsTheActiveDocument)
{
    using namespace CommandId;
    StartApp();
    const std::set<int> base = DocumentCommands();
    const std::set<int> always = {kViewToolbar, kViewStatusBar, kPageOutlines};
    auto without = [&](std::set<int> ids, std::initializer_list<int> removed) {
        for (int id : removed)
            ids.erase(id);
        return ids;
    };
    auto with = [](std::set<int> ids, std::initializer_list<int> added) {
        ids.insert(added);
        return ids;
    };

    // A new document: text mode, 3 pixels; Print, Undo, Cut, Copy, Paste and the empty
    // recent list disabled.
    ExpectStates(base, with(always, {kEditText, kLineWidth3}));

    // Text mode off: "Set te&xt..." goes with it.
    ASSERT_TRUE(Trigger(kEditText));
    ExpectStates(without(base, {kSetText}), with(always, {kLineWidth3}));

    // Graphics mode, 5 pixels, no toolbar.
    ASSERT_TRUE(Trigger(kEditGraphics));
    ASSERT_TRUE(Trigger(kLineWidth5));
    ASSERT_TRUE(Trigger(kViewToolbar));
    ExpectStates(without(base, {kSetText}), {kViewStatusBar, kEditGraphics, kLineWidth5, kPageOutlines});
    ASSERT_TRUE(Trigger(kViewToolbar));

    // A second document in text mode: the rules follow the active window.
    ASSERT_TRUE(Trigger(kFileNew));
    ExpectStates(base, with(always, {kEditText, kLineWidth3}));
    Main().MdiArea()->setActiveSubWindow(Main().MdiArea()->subWindowList().front());
    ExpectStates(without(base, {kSetText}), with(always, {kEditGraphics, kLineWidth5}));

    // A stroke disables "Edit &text" for good.
    Press(Graphics(), {2, 2});
    Move(Graphics(), {6, 6});
    ExpectStates(without(base, {kSetText, kEditText}), with(always, {kEditGraphics, kLineWidth5}));

    // No document: only the commands of the application and the main window.
    ASSERT_TRUE(Trigger(kFileClose));  // the question is answered "Cancel" by default: nothing closes
    EXPECT_EQ(app->Documents().size(), 2u);
    Doc().SetModifiedFlag(false);
    ASSERT_TRUE(Trigger(kFileClose));
    ASSERT_TRUE(Trigger(kFileClose));
    EXPECT_TRUE(app->Documents().empty());
    ExpectStates({kFileNew, kFileOpen, kFilePrintSetup, kAppExit, kViewToolbar, kViewStatusBar, kViewVariants, kExperiment, kWindowNew,
                  kWindowCascade, kWindowTile, kWindowArrange, kAppAbout, kOpenPicture, kPastePicture, kReadScreenRegion,
                  kViewPageText},
                 {kViewToolbar, kViewStatusBar});
}
