// Start-up, documents and their windows, titles.
#include "GuiFixture.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSplitter>

using namespace guitest;

TEST_F(CRecognizeAppTest, StartsWithAFirstDocumentInSplitWindow)
{
    StartApp();
    ASSERT_NE(GuiDoc(), nullptr);
    EXPECT_EQ(app->Documents().size(), 1u);
    EXPECT_EQ(GuiDoc()->Title(), "DemoDoc1");
    EXPECT_EQ(Main().windowTitle(), "The Text Recognition Demo Program - DemoDoc1[*]");
    EXPECT_FALSE(Main().isWindowModified());
    EXPECT_TRUE(prompts.messages.empty());

    const CRecognizeDoc& doc = Doc();
    EXPECT_EQ(doc.m_strUserText, "No user input yet!");
    EXPECT_EQ(doc.m_nCells, 0);
    EXPECT_EQ(doc.m_bEditText, 1);
    EXPECT_EQ(doc.GetPictureRect(), (CRect{0, 0, kCellWidth, 2 * kCellHeight}));

    // Graphics pane above, result pane below; the new picture is not present, so both show white
    // and the result pane shows its placeholder text.
    QSplitter* splitter = Frame()->Splitter();
    EXPECT_EQ(splitter->orientation(), Qt::Vertical);
    EXPECT_EQ(splitter->widget(0), &Graphics());
    EXPECT_EQ(splitter->widget(1), &Result());
    const QImage graphics = Grab(*Graphics().viewport());
    EXPECT_EQ(graphics.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(graphics.pixel(graphics.width() - 1, graphics.height() - 1) & 0xFFFFFF, 0xFFFFFFu);
    const QImage result = Grab(*Result().viewport());
    int dark = 0;
    for (int y = 0; y < result.height(); ++y)
        for (int x = 0; x < result.width(); ++x)
            dark += qGray(result.pixel(x, y)) < 128 ? 1 : 0;
    EXPECT_GT(dark, 20) << "placeholder text drawn";
}

TEST_F(CRecognizeAppTest, NewDocumentsAreNumberedAndTheTitleFollowsTheActiveOne)
{
    StartApp();
    ASSERT_TRUE(Trigger(CommandId::kFileNew));
    EXPECT_EQ(app->Documents().size(), 2u);
    EXPECT_EQ(GuiDoc()->Title(), "DemoDoc2");
    EXPECT_EQ(Main().windowTitle(), "The Text Recognition Demo Program - DemoDoc2[*]");
    SetText(QStringLiteral("bed"));
    EXPECT_TRUE(Main().isWindowModified());

    // A maximised document window shows its title in brackets.
    Main().MdiArea()->currentSubWindow()->showMaximized();
    QApplication::processEvents();
    EXPECT_EQ(Main().windowTitle(), "The Text Recognition Demo Program - [DemoDoc2][*]");
    Main().MdiArea()->currentSubWindow()->showNormal();
    QApplication::processEvents();
    EXPECT_EQ(Main().windowTitle(), "The Text Recognition Demo Program - DemoDoc2[*]");

    Main().MdiArea()->setActiveSubWindow(Main().MdiArea()->subWindowList().front());
    EXPECT_EQ(GuiDoc()->Title(), "DemoDoc1");
    EXPECT_FALSE(Main().isWindowModified());
}

TEST_F(CRecognizeAppTest, WithoutTheDefaultFontStartsWithAnEmptyMainWindow)
{
    std::filesystem::remove(dir.Path() / "Fonts" / "default.GLF");
    StartApp();
    EXPECT_TRUE(app->Documents().empty());
    EXPECT_EQ(Main().ActiveDocument(), nullptr);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "Invalid CharImageFont File");
    EXPECT_EQ(prompts.messages[0].title, "Loading GLF file");
    EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(Main().windowTitle(), "The Text Recognition Demo Program");
    // The menu bar without a document.
    QStringList menus;
    for (QMenu* menu : Main().CurrentMenus())
        menus << menu->title();
    EXPECT_EQ(menus, (QStringList{"&File", "&View", "&Page", "&Help"}));
    // "New" fails the same way again and leaves the numbering alone.
    WriteFile(dir.Path() / "Fonts" / "default.GLF", [&] {
        const auto bytes = fixtures::FontBytes(font);
        return std::string(bytes.begin(), bytes.end());
    }());
    ASSERT_TRUE(Trigger(CommandId::kFileNew));
    ASSERT_NE(GuiDoc(), nullptr);
    EXPECT_EQ(GuiDoc()->Title(), "DemoDoc1");
}

TEST_F(CRecognizeAppTest, OpensTheDocumentNamedOnTheCommandLine)
{
    StartApp();
    SetText(QStringLiteral("cab"));
    const QString path = QString::fromStdString(dir.File("given.rdf"));
    ASSERT_TRUE(Doc().SaveDocument(path.toStdString()));
    StopApp();

    StartApp({path});
    ASSERT_NE(GuiDoc(), nullptr);
    EXPECT_EQ(GuiDoc()->Title(), "given.rdf");
    EXPECT_EQ(Doc().m_strUserText, "cab");
    EXPECT_EQ(Doc().m_bEditText, 0);
    StopApp();

    // A file that cannot be opened ends start-up after the message.
    app = std::make_unique<CRecognizeApp>(prompts);
    prompts.messages.clear();
    EXPECT_FALSE(app->InitInstance({QString::fromStdString(dir.File("missing.rdf"))}));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.startsWith("Failed to open document."));
}

TEST_F(CRecognizeAppTest, NewWindowShowsTheSameDocumentAndClosingTheLastWindowClosesIt)
{
    StartApp();
    SetText(QStringLiteral("bed"));
    CGuiDocument* document = GuiDoc();
    CChildFrame* first = Frame();
    ASSERT_TRUE(Trigger(CommandId::kWindowNew));
    CChildFrame* second = Frame();
    ASSERT_NE(first, second);
    EXPECT_EQ(second->Document(), document);
    EXPECT_EQ(first->windowTitle(), "DemoDoc1:1");
    EXPECT_EQ(second->windowTitle(), "DemoDoc1:2");
    // The second window shows the shared picture at once.
    const QImage shown = Grab(*second->GraphicsView()->viewport());
    const CRaster& picture = document->Doc().m_Picture;
    EXPECT_EQ(shown.pixel(20, 10) & 0xFFFFFF, picture.Pixel(20, 10));

    // Closing one of two windows asks nothing; the last one asks to save.
    second->CloseWindow();
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(first->windowTitle(), "DemoDoc1");
    prompts.buttonAnswers.push_back(QMessageBox::No);
    first->CloseWindow();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "Save changes to DemoDoc1?");
    EXPECT_TRUE(app->Documents().empty());
    EXPECT_EQ(Main().windowTitle(), "The Text Recognition Demo Program");
}

TEST_F(CChildFrameTest, SplitterRowsFollowTheWindowHeight)
{
    EXPECT_EQ(CChildFrame::CreateRowHeight(600), 186);
    EXPECT_EQ(CChildFrame::ResizeRowHeight(600), 294);
    StartApp();
    QMdiSubWindow* window = Main().MdiArea()->currentSubWindow();
    window->resize(500, 420);
    const QList<int> rows = Frame()->Splitter()->sizes();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_LE(std::abs(rows[0] - rows[1]), 1);
    // A minimised window leaves the splitter as it was.
    window->showMinimized();
    EXPECT_EQ(Frame()->Splitter()->sizes(), rows);
}
