// Saving, opening and closing documents, the recent-file list, fonts and bitmaps.
#include "GuiFixture.h"

#include <QDir>
#include <QMenu>
#include <QStatusBar>

#include <fstream>

using namespace guitest;

namespace {

QString Path(const fixtures::TempDir& dir, const char* name)
{
    return QString::fromStdString(dir.File(name));
}

std::string ReadFile(const QString& path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST_F(CGuiDocumentTest, SaveAsAndOpenRoundTripThroughTheMenus)
{
    StartApp();
    SetText(QStringLiteral("cab"));
    ASSERT_TRUE(Trigger(CommandId::kEditGraphics));
    Press(Graphics(), {2, 2});
    Move(Graphics(), {12, 2});
    ASSERT_TRUE(Trigger(CommandId::kRecognizeSimple));
    const CRaster picture = Doc().m_Picture;

    const QString saved = Path(dir, "saved.rdf");
    prompts.fileAnswers.push_back(saved);
    ASSERT_TRUE(Trigger(CommandId::kFileSave));
    ASSERT_EQ(prompts.fileRequests.size(), 1u);
    const FileDialogRequest& request = prompts.fileRequests[0];
    EXPECT_EQ(request.strInitialName, "DemoDoc1.rdf");
    EXPECT_EQ(request.filters.value(0), "Recognition Demo Files (*.rdf)");
    EXPECT_EQ(request.strDefaultSuffix, "rdf");
    EXPECT_TRUE(request.bConfirmOverwrite);
    EXPECT_EQ(GuiDoc()->Title(), "saved.rdf");
    EXPECT_EQ(Main().windowTitle(), "The Text Recognition Demo Program - saved.rdf[*]");
    EXPECT_FALSE(Main().isWindowModified());
    EXPECT_EQ(ReadFile(saved).substr(0, 4), std::string("\x01\0\0\0", 4)) << "graphics-modified flag first";

    // Save again goes to the same file without asking.
    ASSERT_TRUE(Trigger(CommandId::kFileSave));
    EXPECT_EQ(prompts.fileRequests.size(), 1u);

    ASSERT_TRUE(Trigger(CommandId::kFileClose));
    EXPECT_TRUE(app->Documents().empty());
    prompts.fileAnswers.push_back(saved);
    ASSERT_TRUE(Trigger(CommandId::kFileOpen));
    ASSERT_NE(GuiDoc(), nullptr);
    EXPECT_EQ(GuiDoc()->Title(), "saved.rdf");
    EXPECT_EQ(Doc().m_strUserText, "cab");
    EXPECT_EQ(Doc().m_Picture, picture);
    EXPECT_EQ(Doc().m_bEditText, 0);
    EXPECT_TRUE(GlyphAt(Result().Bitmap(), 'c', 5, 7)) << "the stored result picture is shown";

    // Opening the same file again only activates its window.
    prompts.fileAnswers.push_back(saved);
    ASSERT_TRUE(Trigger(CommandId::kFileOpen));
    EXPECT_EQ(app->Documents().size(), 1u);
}

TEST_F(CGuiDocumentTest, AFailedSaveKeepsTheDocumentItsFileAndTheOldBytes)
{
    StartApp();
    SetText(QStringLiteral("bed"));
    const QString first = Path(dir, "first.rdf");
    prompts.fileAnswers.push_back(first);
    ASSERT_TRUE(Trigger(CommandId::kFileSaveAs));
    const std::string oldBytes = ReadFile(first);
    ASSERT_FALSE(oldBytes.empty());

    SetText(QStringLiteral("cab"));
    // A folder where the file should be: the save cannot happen.
    const QString blocked = Path(dir, "blocked") + QStringLiteral("/inside.rdf");
    WriteFile(dir.Path() / "blocked", "a file, not a folder");
    prompts.fileAnswers.push_back(blocked);
    ASSERT_TRUE(Trigger(CommandId::kFileSaveAs));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "Failed to save document.");
    EXPECT_EQ(GuiDoc()->Title(), "first.rdf");
    EXPECT_EQ(GuiDoc()->PathName(), first);
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(Doc().m_strUserText, "cab");
    EXPECT_EQ(ReadFile(first), oldBytes);
}

TEST_F(CGuiDocumentTest, ClosingAModifiedDocumentAsksToSaveIt)
{
    StartApp();
    SetText(QStringLiteral("bed"));
    // Cancel: the document stays.
    prompts.buttonAnswers.push_back(QMessageBox::Cancel);
    ASSERT_TRUE(Trigger(CommandId::kFileClose));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "Save changes to DemoDoc1?");
    EXPECT_EQ(prompts.messages[0].buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(app->Documents().size(), 1u);

    // Yes, then the file chooser cancelled: the document stays too.
    prompts.buttonAnswers.push_back(QMessageBox::Yes);
    ASSERT_TRUE(Trigger(CommandId::kFileClose));
    EXPECT_EQ(app->Documents().size(), 1u);

    // Yes and a file: saved, then closed.
    const QString path = Path(dir, "closing.rdf");
    prompts.buttonAnswers.push_back(QMessageBox::Yes);
    prompts.fileAnswers.push_back(path);
    ASSERT_TRUE(Trigger(CommandId::kFileClose));
    EXPECT_TRUE(app->Documents().empty());
    EXPECT_TRUE(QFileInfo::exists(path));

    // Exit with a modified document: Cancel keeps the program running.
    ASSERT_TRUE(Trigger(CommandId::kFileNew));
    SetText(QStringLiteral("cab"));
    prompts.buttonAnswers.push_back(QMessageBox::Cancel);
    ASSERT_TRUE(Trigger(CommandId::kAppExit));
    EXPECT_TRUE(Main().isVisible());
    EXPECT_EQ(app->Documents().size(), 1u);
    prompts.buttonAnswers.push_back(QMessageBox::No);
    ASSERT_TRUE(Trigger(CommandId::kAppExit));
    EXPECT_FALSE(Main().isVisible());
    EXPECT_TRUE(app->Documents().empty());
}

TEST_F(CRecentFileListTest, RecentFilesKeepFourEntriesAndSurviveARestart)
{
    StartApp();
    for (const char* name : {"a.rdf", "b.rdf", "c.rdf", "d.rdf", "e.rdf"}) {
        prompts.fileAnswers.push_back(Path(dir, name));
        ASSERT_TRUE(Trigger(CommandId::kFileSaveAs));
    }
    StopApp();

    StartApp();
    Main().UpdateCommandUI();
    QStringList entries;
    for (int i = 0; i < 4; ++i) {
        const QAction& action = Action(CommandId::kFileMru1 + i);
        EXPECT_TRUE(action.isVisible());
        EXPECT_TRUE(action.isEnabled());
        entries << action.text();
    }
    // Files of the working directory show by name.
    EXPECT_EQ(entries, (QStringList{"&1 e.rdf", "&2 d.rdf", "&3 c.rdf", "&4 b.rdf"}));

    ASSERT_TRUE(Trigger(CommandId::kFileMru1 + 2));
    EXPECT_EQ(GuiDoc()->Title(), "c.rdf");
    EXPECT_EQ(Action(CommandId::kFileMru1).text(), "&1 c.rdf") << "the opened file moves first";

    // An entry that no longer opens leaves the list after the message.
    std::filesystem::remove(dir.Path() / "b.rdf");
    ASSERT_TRUE(Trigger(CommandId::kFileMru1 + 3));
    ASSERT_FALSE(prompts.messages.empty());
    Main().UpdateCommandUI();
    EXPECT_FALSE(Action(CommandId::kFileMru1 + 3).isVisible());
    EXPECT_EQ(app->RecentFiles().Count(), 3);
}

TEST_F(CGuiDocumentTest, LoadFontOpensInFontsAndLeavesTheWorkingDirectory)
{
    StartApp();
    const std::filesystem::path start = std::filesystem::current_path();
    // A font with a larger cell, elsewhere.
    std::filesystem::create_directory(dir.Path() / "other");
    const CCharImageFont big = fixtures::MakeNoiseFont(0, 127, 12, 20);
    const auto bytes = fixtures::FontBytes(big);
    WriteFile(dir.Path() / "other" / "big.GLF", std::string(bytes.begin(), bytes.end()));

    prompts.fileAnswers.push_back(QString::fromStdString((dir.Path() / "other" / "big.GLF").string()));
    ASSERT_TRUE(Trigger(CommandId::kLoadFont));
    ASSERT_EQ(prompts.fileRequests.size(), 1u);
    const FileDialogRequest& request = prompts.fileRequests[0];
    EXPECT_EQ(QDir(request.strDirectory).canonicalPath(), QDir(QStringLiteral("Fonts")).canonicalPath());
    EXPECT_EQ(request.strInitialName, "default.GLF");
    EXPECT_EQ(request.filters, QStringList{"Char Images Files (*.GLF)"});
    EXPECT_EQ(request.strDefaultSuffix, "GLF");
    EXPECT_EQ(Doc().m_Font.CellWidth(), 12);
    EXPECT_EQ(std::filesystem::current_path(), start);
    EXPECT_FALSE(Doc().IsModified());

    // Cancelled: nothing changes. Not a font: the message, and the directory still stays.
    ASSERT_TRUE(Trigger(CommandId::kLoadFont));
    EXPECT_EQ(Doc().m_Font.CellWidth(), 12);
    prompts.fileAnswers.push_back(QString::fromStdString(dir.File("dict.dic")));
    ASSERT_TRUE(Trigger(CommandId::kLoadFont));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "Invalid CharImageFont File");
    EXPECT_EQ(prompts.messages[0].title, "Loading GLF file");
    EXPECT_EQ(std::filesystem::current_path(), start);
}

TEST_F(CGuiDocumentTest, BitmapsGoOutAndComeBackThroughTheirDialogs)
{
    StartApp();
    SetText(QStringLiteral("bed"));
    const QString path = Path(dir, "Current.bmp");
    prompts.fileAnswers.push_back(path);
    ASSERT_TRUE(Trigger(CommandId::kSaveBitmap));
    const FileDialogRequest save = prompts.fileRequests.back();
    EXPECT_EQ(save.strInitialName, "Current");
    EXPECT_EQ(save.strDefaultSuffix, "bmp");
    EXPECT_EQ(save.filters, (QStringList{"BMP files (*.bmp)", "All files (*.*)"}));
    EXPECT_TRUE(save.bConfirmOverwrite);
    EXPECT_EQ(ReadFile(path).size(), 54u + 212u * 28u) << "70 x 28 pixels of 24 bits, rows of 212 bytes";

    ASSERT_TRUE(Trigger(CommandId::kFileNew));
    prompts.fileAnswers.push_back(path);
    ASSERT_TRUE(Trigger(CommandId::kLoadBitmap));
    const FileDialogRequest load = prompts.fileRequests.back();
    EXPECT_EQ(load.strInitialName, "Current");
    EXPECT_FALSE(load.bConfirmOverwrite);
    EXPECT_EQ(Doc().m_nCells, 7);
    EXPECT_EQ(Doc().m_Picture.width(), 70);
    EXPECT_TRUE(GlyphAt(Doc().m_Picture, 'b', 5, 7));
    Main().UpdateCommandUI();
    EXPECT_FALSE(Action(CommandId::kEditText).isEnabled());
    EXPECT_FALSE(Action(CommandId::kSetText).isEnabled());
    const QImage shown = Grab(*Graphics().viewport());
    EXPECT_EQ(shown.pixel(75, 3) & 0xFFFFFF, 0xFFFFFFu) << "R is one cell wider than the raster";
    EXPECT_EQ(shown.pixel(85, 3) & 0xFFFFFF, 0x808080u);

    // A file that is no .BMP changes nothing; the message gives the cause, the status bar
    // names the file with it.
    const QString png = QStringLiteral(RECOGNIZE_SOURCE_DIR "/tests/data/pictures/rgb8.png");
    prompts.messages.clear();
    prompts.fileAnswers.push_back(png);
    ASSERT_TRUE(Trigger(CommandId::kLoadBitmap));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "Cannot read the bitmap file: it is a PNG picture, not a .BMP file.");
    EXPECT_EQ(Main().statusBar()->currentMessage(), png + ": it is a PNG picture, not a .BMP file");
    EXPECT_EQ(Doc().m_Picture.width(), 70);
}
