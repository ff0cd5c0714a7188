// Pictures opened whole and read as pages: the overlay, the "Page Text" pane and its commands.
#include "GuiFixture.h"

#include "CPageTextPane.h"
#include "CVariantsView.h"
#include "PictureGoldens.h"

#include <QClipboard>
#include <QDockWidget>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>

#include <fstream>

using namespace guitest;

namespace {

constexpr int kLeft = kPageLeft;
constexpr int kTop = kPageTop;

CRaster MakePage(const CCharImageFont& font)
{
    return MakeTestPage(font);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class PageReadingTest : public GuiTest {
protected:
    // Opens the test page, saved as a PNG file, through "Open &Picture...".
    void OpenPage()
    {
        const QString path = QString::fromStdString(dir.File("page.png"));
        ASSERT_TRUE(ToImage(MakePage(font)).save(path));
        prompts.fileAnswers.push_back(path);
        ASSERT_TRUE(Trigger(CommandId::kOpenPicture));
        ASSERT_NE(GuiDoc(), nullptr);
    }

    void ReadPage()
    {
        ASSERT_TRUE(Trigger(CommandId::kReadPage));
        GuiDoc()->WaitForPage();
        ASSERT_TRUE(Doc().HasPage());
    }

    CPageTextPane& TextPane() { return *Main().PageTextPane(); }
    QString Status() { return Main().statusBar()->currentMessage(); }
};

}  // namespace

TEST_F(PageReadingTest, OpensAPngWholeAndReadsItAsAPage)
{
    StartApp();
    const std::size_t documents = app->Documents().size();
    OpenPage();
    EXPECT_EQ(app->Documents().size(), documents + 1) << "a new document";
    EXPECT_EQ(GuiDoc()->Title(), "page");
    EXPECT_EQ(Doc().m_Picture, MakePage(font)) << "the whole picture, colours kept";
    EXPECT_TRUE(Doc().ShowsWholePicture());
    EXPECT_EQ(Graphics().TotalSize(), QSize(kCellWidth * (260 / kCellWidth + 1), 90))
        << "shown whole, not only the picture rectangle";
    EXPECT_EQ(Doc().m_nCells, 260 / kCellWidth);
    EXPECT_FALSE(GuiDoc()->IsModified());

    ReadPage();
    EXPECT_EQ(TextPane().Text(), "cab bed\n\n  face");
    EXPECT_FALSE(Main().PageTextDock()->isHidden()) << "the pane opens with the first page read";
    EXPECT_TRUE(TextPane().TextEdit()->isReadOnly());
    EXPECT_EQ(Status(), "Read Page: 2 lines, 11 cells, 0 unsure, " +
                            QString::number(Doc().Page().dMilliseconds, 'f', 1) + " ms");
    ASSERT_EQ(Doc().Page().lines.size(), 2u);
    EXPECT_EQ(Doc().Page().lines[0].Top(), kTop);

    // Copy Text and Save Text As take the text away; Copy Result Text waits for a recognition.
    ASSERT_TRUE(Trigger(CommandId::kCopyPageText));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "cab bed\n\n  face");
    const std::string saved = dir.File("page.txt");
    prompts.fileAnswers.push_back(QString::fromStdString(saved));
    ASSERT_TRUE(Trigger(CommandId::kSavePageText));
    EXPECT_EQ(ReadFile(saved), "cab bed\n\n  face\n");
    EXPECT_FALSE(Trigger(CommandId::kCopyResultText));
}

TEST_F(PageReadingTest, OverlayTogglesAndHoverLinksPictureTextAndVariants)
{
    StartApp();
    OpenPage();
    const QImage plain = Grab(*Graphics().viewport());
    ReadPage();
    const QImage outlined = Grab(*Graphics().viewport());
    EXPECT_NE(plain, outlined) << "lines and cells outlined";
    EXPECT_TRUE(Action(CommandId::kPageOutlines).isChecked());
    ASSERT_TRUE(Trigger(CommandId::kPageOutlines));
    EXPECT_FALSE(Action(CommandId::kPageOutlines).isChecked());
    EXPECT_EQ(Grab(*Graphics().viewport()), plain) << "the raster itself never changes";
    ASSERT_TRUE(Trigger(CommandId::kPageOutlines));
    EXPECT_EQ(Grab(*Graphics().viewport()), outlined);

    // Hovering the 'c' of "face": its character in the text, its line in Variants.
    ASSERT_TRUE(Trigger(CommandId::kViewVariants));
    Move(Graphics(), {kLeft + 4 * kCellWidth + 3, kTop + 2 * kCellHeight + 3}, Qt::NoButton);
    EXPECT_EQ(Frame()->MarkedPageCell(), (PageCellRef{1, 2}));
    EXPECT_EQ(TextPane().MarkedCell(), (PageCellRef{1, 2}));
    ASSERT_EQ(TextPane().TextEdit()->extraSelections().size(), 1);
    EXPECT_EQ(TextPane().TextEdit()->extraSelections()[0].cursor.selectedText(), "c");
    EXPECT_EQ(Main().VariantsView()->Trace().positions.size(), Doc().Page().lines[1].cells.size());
    EXPECT_EQ(Main().VariantsView()->SelectedColumn(), 2);

    // Putting the cursor on the 'd' of "bed" marks its cell in the picture.
    QTextCursor cursor = TextPane().TextEdit()->textCursor();
    cursor.setPosition(6);
    TextPane().TextEdit()->setTextCursor(cursor);
    EXPECT_EQ(Frame()->MarkedPageCell(), (PageCellRef{0, 6}));
}

TEST_F(PageReadingTest, NoLineFoundNamesTheCellSize)
{
    StartApp();
    ReadPage();
    EXPECT_TRUE(Doc().Page().Empty());
    EXPECT_TRUE(Status().contains("no line of text found")) << Status().toStdString();
    EXPECT_TRUE(Status().contains("10 x 14")) << Status().toStdString();
    EXPECT_FALSE(Trigger(CommandId::kCopyPageText));
}

TEST_F(PageReadingTest, LoadBitmapStillShowsTheRectangleAndSaysReadPageReadsTheWhole)
{
    StartApp();
    const std::string path = dir.File("page.bmp");
    ASSERT_TRUE(ToImage(MakePage(font)).save(QString::fromStdString(path)));
    prompts.fileAnswers.push_back(QString::fromStdString(path));
    ASSERT_TRUE(Trigger(CommandId::kLoadBitmap));
    EXPECT_FALSE(Doc().ShowsWholePicture());
    EXPECT_EQ(Graphics().TotalSize(), QSize(kCellWidth * (260 / kCellWidth + 1), 2 * kCellHeight));
    EXPECT_EQ(Status(), "The document shows 260 x 28 of the picture's 260 x 90 pixels, one row of cells; "
                        "\"Read Page\" reads the whole picture.");
    ReadPage();
    EXPECT_EQ(TextPane().Text(), "cab bed\n\n  face");
}

TEST_F(PageReadingTest, CopyResultTextAndPastePicture)
{
    StartApp();
    SetText(QStringLiteral("cab"));
    ASSERT_TRUE(Trigger(CommandId::kRecognizeSimple));
    ASSERT_TRUE(Trigger(CommandId::kCopyResultText));
    // The blanks of the additional space are left behind, as Copy Text leaves them.
    ASSERT_TRUE(Doc().m_strResultText.ends_with(' '));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("cab"));
    EXPECT_EQ(Status(), QStringLiteral("Copied 1 line, 3 characters to the clipboard."));

    QGuiApplication::clipboard()->setImage(ToImage(MakePage(font)));
    ASSERT_TRUE(Trigger(CommandId::kPastePicture));
    EXPECT_EQ(GuiDoc()->Title(), "Pasted1");
    EXPECT_EQ(Doc().m_Picture, MakePage(font));

    // A picture in colour asks before the .rdf file keeps only its black pixels.
    prompts.buttonAnswers.push_back(QMessageBox::Cancel);
    prompts.fileAnswers.push_back(QString::fromStdString(dir.File("pasted.rdf")));
    EXPECT_FALSE(GuiDoc()->DoSave(QString()));
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_TRUE(prompts.messages.back().text.contains("pure black"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("pasted.rdf")));
}

TEST_F(PageReadingTest, TinyAndOversizedPicturesAndFilesThatAreNoPictures)
{
    StartApp();
    const std::size_t documents = app->Documents().size();
    // A 1 x 1 picture opens and reads no line.
    QImage dot(1, 1, QImage::Format_RGB32);
    dot.fill(Qt::black);
    const QString dotPath = QString::fromStdString(dir.File("dot.png"));
    ASSERT_TRUE(dot.save(dotPath));
    ASSERT_NE(app->OpenPictureFile(dotPath), nullptr);
    EXPECT_EQ(Doc().m_nCells, 0);
    ReadPage();
    EXPECT_TRUE(Doc().Page().Empty());

    // A 16000 x 16000 picture is refused by its size, before its pixels are decoded; a text
    // file is no picture. Both say why and open nothing.
    QImage huge(16000, 16000, QImage::Format_Mono);
    huge.fill(1);
    const QString hugePath = QString::fromStdString(dir.File("huge.png"));
    ASSERT_TRUE(huge.save(hugePath));
    WriteFile(dir.Path() / "notes.png", "not a picture");
    prompts.messages.clear();
    EXPECT_EQ(app->OpenPictureFile(hugePath), nullptr);
    EXPECT_EQ(app->OpenPictureFile(QString::fromStdString(dir.File("notes.png"))), nullptr);
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_TRUE(prompts.messages[0].text.contains("16000 x 16000")) << prompts.messages[0].text.toStdString();
    EXPECT_TRUE(prompts.messages[1].text.startsWith("Cannot read the picture")) << prompts.messages[1].text.toStdString();
    EXPECT_EQ(app->Documents().size(), documents + 1);
}

// "Open &Picture..." and a drop read files as the command line and Glyphmill do: the same
// pixels from every golden file (no Exif turn, 16-bit samples rounded alike), the cause of a
// refusal in the message and the status bar, and a fault after the pixels as a warning.
TEST_F(PageReadingTest, PictureFilesOpenWithTheSamePixelsAsInEveryProgram)
{
    StartApp();
    for (const std::filesystem::path& path : fixtures::GoldenPictures()) {
        SCOPED_TRACE(path.filename().string());
        ASSERT_NE(app->OpenPictureFile(QString::fromStdString(path.string())), nullptr);
        EXPECT_EQ(fixtures::PictureDifference(Doc().m_Picture, fixtures::GoldenPixels(path.string() + ".txt")), "");
    }

    const std::string cut = (fixtures::kPictureData / "bad-no-end.png").string();
    ASSERT_NE(app->OpenPictureFile(QString::fromStdString(cut)), nullptr);
    EXPECT_EQ(Status().toStdString(), cut + ": the file is cut short after its pixels");

    const std::string empty = dir.File("empty.png");
    WriteFile(empty, "");
    prompts.messages.clear();
    EXPECT_EQ(app->OpenPictureFile(QString::fromStdString(empty)), nullptr);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text.toStdString(), "Cannot read the picture " + empty + ": the file is empty.");
    EXPECT_EQ(Status().toStdString(), empty + ": the file is empty");
}
