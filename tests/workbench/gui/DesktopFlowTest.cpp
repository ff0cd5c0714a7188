// From a picture to copied text: open, Read Page, Copy Text, and Read Screen Region; what
// keeps a picture from being lost and a reading from being shown over the wrong picture.
#include "GuiFixture.h"

#include "CPageTextPane.h"
#include "CRegionPicker.h"
#include "CScreenCapture.h"
#include "CVariantsView.h"
#include "MenuKeys.h"

#include <QClipboard>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>

#include <filesystem>
#include <map>

using namespace guitest;

namespace {

const QString kPageText = QStringLiteral("cab bed\n\n  face");

class DesktopFlowTest : public GuiTest {
protected:
    // The test page saved as a PNG file of the working folder.
    QString SavePage(const char* name)
    {
        const QString path = QString::fromStdString(dir.File(name));
        EXPECT_TRUE(ToImage(MakeTestPage(font)).save(path));
        return path;
    }

    // A font of the test font's cells whose glyphs are other noise: it reads nothing right.
    QString SaveOtherFont()
    {
        const CCharImageFont other = fixtures::MakeFont(0, 127, [](int code) {
            if (code == ' ')
                return fixtures::MakeGlyph(kCellWidth, kCellHeight);
            return fixtures::MakeNoiseGlyph(kCellWidth, kCellHeight, static_cast<unsigned>(code) * 104729u + 3u);
        });
        const std::vector<std::uint8_t> bytes = fixtures::FontBytes(other);
        WriteFile(dir.Path() / "other.GLF", std::string(bytes.begin(), bytes.end()));
        return QString::fromStdString(dir.File("other.GLF"));
    }

    void Key(int key, Qt::KeyboardModifiers modifiers)
    {
        QApplication::setActiveWindow(&Main());
        QTest::keyClick(&Main(), static_cast<Qt::Key>(key), modifiers);
    }

    CPageTextPane& TextPane() { return *Main().PageTextPane(); }

    // Opens a dev test screen and reads it with Read Page, waiting for the reading.
    void ReadTestScreen(const char* name)
    {
        StartApp({QStringLiteral(RECOGNIZE_SCREENS "/dev/%1.png").arg(QLatin1String(name))});
        ASSERT_TRUE(Trigger(CommandId::kReadPage));
        GuiDoc()->WaitForPage();
    }
    // The text of a dev test screen, its last line break aside.
    static QString TestScreenText(const char* name)
    {
        QFile truth(QStringLiteral(RECOGNIZE_SCREENS "/dev/%1.txt").arg(QLatin1String(name)));
        EXPECT_TRUE(truth.open(QIODevice::ReadOnly)) << name;
        return QString::fromUtf8(truth.readAll()).trimmed();
    }
    QString Status() { return Main().statusBar()->currentMessage(); }
    static QString Clipboard() { return QGuiApplication::clipboard()->text(); }
};

class CRegionPickerTest : public DesktopFlowTest {
protected:
    // A mouse event at a pixel of the picker's picture.
    static void Mouse(CRegionPicker& picker, QEvent::Type type, QPoint pixel, Qt::MouseButtons buttons)
    {
        const QPointF point(pixel.x() * static_cast<double>(picker.width()) / picker.Screen().width(),
                            pixel.y() * static_cast<double>(picker.height()) / picker.Screen().height());
        QMouseEvent event(type, point, picker.mapToGlobal(point), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          buttons, Qt::NoModifier);
        QApplication::sendEvent(&picker, &event);
    }

    static void Drag(CRegionPicker& picker, QPoint from, QPoint to)
    {
        Mouse(picker, QEvent::MouseButtonPress, from, Qt::LeftButton);
        Mouse(picker, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
        Mouse(picker, QEvent::MouseMove, to, Qt::LeftButton);
        Mouse(picker, QEvent::MouseButtonRelease, to, Qt::NoButton);
    }
};

}  // namespace

TEST_F(DesktopFlowTest, OpenStepTakesPicturesFromTheCommandLineTheKeysAndTheClipboard)
{
    const QString path = SavePage("shot.png");
    StartApp({path});
    ASSERT_EQ(app->Documents().size(), 1u) << "the picture, and no new document beside it";
    EXPECT_EQ(GuiDoc()->Title(), "shot");
    EXPECT_EQ(GuiDoc()->PicturePath(), QFileInfo(path).absoluteFilePath());
    EXPECT_EQ(Doc().m_Picture, MakeTestPage(font));
    EXPECT_FALSE(GuiDoc()->IsModified()) << "its file keeps it";

    prompts.fileAnswers.push_back(path);
    Key(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(app->Documents().size(), 2u);
    QGuiApplication::clipboard()->setImage(ToImage(MakeTestPage(font)));
    Key(Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(app->Documents().size(), 3u);
    EXPECT_EQ(GuiDoc()->Title(), "Pasted1");
    EXPECT_EQ(Doc().m_Picture, MakeTestPage(font));

    // Simple recognition reads only the text area of such a picture, and says what reads it whole.
    ASSERT_TRUE(Trigger(CommandId::kRecognizeSimple));
    EXPECT_TRUE(Status().startsWith("Simple recognition: 26 positions")) << Status().toStdString();
    EXPECT_TRUE(Status().endsWith("Read Page reads the whole picture.")) << Status().toStdString();
}

TEST_F(DesktopFlowTest, ReadStepShowsTheTextWideAndItsFirstLineAsAPageReading)
{
    // One line of 91 cells: wider than half the window.
    CRaster wide;
    wide.Create(920, 40, CRaster::kWhite);
    const std::string line = "abcdefghijklmnopqrstuvwxyz0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz0";
    font.DrawString(wide, line, 5, 12);
    const QString path = QString::fromStdString(dir.File("wide.png"));
    ASSERT_TRUE(ToImage(wide).save(path));
    StartApp({path});
    ASSERT_TRUE(Trigger(CommandId::kViewVariants));
    Key(Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(GuiDoc()->IsReadingPage());
    GuiDoc()->WaitForPage();
    EXPECT_EQ(TextPane().Text(), QString::fromStdString(line));
    EXPECT_TRUE(TextPane().Note().isEmpty());

    // The pane opens as wide as half the window, since the line needs more; the text scrolls.
    QApplication::processEvents();
    EXPECT_GT(TextPane().WidthForLongestLine(), Main().width() / 2);
    EXPECT_GE(Main().PageTextDock()->width(), Main().width() / 2 - 8);
    EXPECT_EQ(TextPane().TextEdit()->lineWrapMode(), QPlainTextEdit::NoWrap);

    // Variants shows the page's first line, labelled as a page reading.
    const RecognitionTrace& trace = Main().VariantsView()->Trace();
    EXPECT_EQ(trace.kind, RecognitionTrace::Kind::Page);
    EXPECT_EQ(trace.positions.size(), line.size());
    EXPECT_EQ(trace.Summary(), "Page reading, line 1 of 1: 91 cells, 91 of 91 match a glyph exactly");
}

TEST_F(DesktopFlowTest, APoorReadingSaysWhatPageReadingReadsInsteadOfShowingGarbage)
{
    StartApp({SavePage("shot.png")});
    prompts.fileAnswers.push_back(SaveOtherFont());
    ASSERT_TRUE(Trigger(CommandId::kLoadFont));
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    ASSERT_TRUE(Trigger(CommandId::kReadPage));
    GuiDoc()->WaitForPage();
    ASSERT_TRUE(Doc().HasPage());
    EXPECT_GT(Doc().Page().CellCount(), 0);
    EXPECT_TRUE(Status().contains("so the text is not shown")) << Status().toStdString();
    EXPECT_TRUE(Status().contains("text in a font that is installed, monospaced or proportional")) << Status().toStdString();
    EXPECT_TRUE(Status().contains("No installed proportional family explains it either.")) << Status().toStdString();
    EXPECT_TRUE(TextPane().Text().isEmpty());
    EXPECT_TRUE(TextPane().Note().startsWith("The reading is poor:")) << TextPane().Note().toStdString();
    EXPECT_FALSE(Main().PageTextDock()->isHidden());
    EXPECT_FALSE(Trigger(CommandId::kCopyPageText));
    EXPECT_EQ(Clipboard(), "kept");
}

// A real screenshot in a font the document does not have: Read Page finds the font among the
// installed ones, off the user-interface thread, names it, reads the text exactly, and Save Font
// As writes the font found.
TEST_F(DesktopFlowTest, ReadPageFindsTheFontOfARealScreenshot)
{
    ReadTestScreen("xterm-liberation-ru");
    ASSERT_TRUE(Doc().HasPage());
    EXPECT_EQ(TextPane().Text(), TestScreenText("xterm-liberation-ru"));
    EXPECT_TRUE(Status().contains("Font found: Liberation Mono")) << Status().toStdString();
    EXPECT_TRUE(GuiDoc()->FoundFont().startsWith("Liberation Mono"));

    const QString fontPath = QString::fromStdString(dir.File("found.GLF"));
    prompts.fileAnswers.push_back(fontPath);
    ASSERT_TRUE(Trigger(CommandId::kSaveFont));
    CCharImageFont saved;
    ASSERT_TRUE(saved.LoadFromFile(fontPath.toStdString()));
    EXPECT_EQ(saved.CellHeight(), 15);

    // Drawing on the picture makes the font found stale: Save Font As writes the document's own.
    Doc().m_Picture.SetPixel(0, 0, CRaster::kBlack);
    Doc().OnStrokeDrawn(nullptr);
    EXPECT_TRUE(GuiDoc()->FoundFont().isEmpty());
}

// A screenshot of proportional text, which no fixed-width font reads: Read Page reads it as
// proportional text, names the font, shows the text and copies it; the choice is kept in the
// cache folder, as recognize-cli keeps it.
TEST_F(DesktopFlowTest, ReadPageReadsProportionalTextThatNoFixedWidthFontReads)
{
    const QByteArray cache = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString((dir.Path() / "cache").string()));
    ReadTestScreen("chromium1x-dejavu-paragraphs");
    ASSERT_TRUE(Doc().HasPage());
    const QString text = TestScreenText("chromium1x-dejavu-paragraphs");
    EXPECT_EQ(TextPane().Text(), text);
    EXPECT_TRUE(TextPane().Note().isEmpty());
    EXPECT_TRUE(Status().contains("as proportional text")) << Status().toStdString();
    EXPECT_TRUE(Status().contains("Font found: DejaVu Sans 14 px, chromium")) << Status().toStdString();
    EXPECT_TRUE(Doc().Page().Empty());
    EXPECT_TRUE(Trigger(CommandId::kCopyPageText));
    EXPECT_EQ(Clipboard(), text);
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "cache" / "recognize" / "proportional"));

    // A new reading in cells replaces it.
    Doc().SetPage(PageReading{});
    EXPECT_TRUE(Doc().Proportional().Empty());
    EXPECT_FALSE(Doc().HasPageText());
    if (cache.isNull())
        qunsetenv("XDG_CACHE_HOME");
    else
        qputenv("XDG_CACHE_HOME", cache);
}

TEST_F(DesktopFlowTest, CopyStepReportsWhatItCopiedAndTheSaveDialogsStartBesideThePicture)
{
    const QString path = SavePage("shot.png");
    StartApp({path});
    ASSERT_TRUE(Trigger(CommandId::kReadPage));
    GuiDoc()->WaitForPage();
    Key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Clipboard(), kPageText);
    EXPECT_EQ(Status(), "Copied 3 lines, 13 characters to the clipboard.");

    // Save Text As... and Save Font As... open in the picture's folder with its name.
    prompts.fileAnswers.push_back(QString());
    ASSERT_TRUE(Trigger(CommandId::kSavePageText));
    ASSERT_FALSE(prompts.fileRequests.empty());
    EXPECT_EQ(prompts.fileRequests.back().strDirectory, QFileInfo(path).absolutePath());
    EXPECT_EQ(prompts.fileRequests.back().strInitialName, "shot.txt");
    EXPECT_EQ(Action(CommandId::kSavePageText).text(), "&Save Text As...");
    const QString fontPath = QString::fromStdString(dir.File("saved.GLF"));
    prompts.fileAnswers.push_back(fontPath);
    ASSERT_TRUE(Trigger(CommandId::kSaveFont));
    EXPECT_EQ(prompts.fileRequests.back().strInitialName, "shot.GLF");
    CCharImageFont saved;
    ASSERT_TRUE(saved.LoadFromFile(fontPath.toStdString()));
    EXPECT_EQ(fixtures::FontBytes(saved), fixtures::FontBytes(font));
}

TEST_F(DesktopFlowTest, AReadingOfAPictureOrFontThatChangedMeanwhileIsDropped)
{
    StartApp({SavePage("shot.png")});
    const QImage plain = Grab(*Graphics().viewport());
    ASSERT_TRUE(Trigger(CommandId::kReadPage));
    ASSERT_TRUE(GuiDoc()->IsReadingPage());
    // Loading a font while the page is read is not refused; it abandons the reading.
    prompts.fileAnswers.push_back(SaveOtherFont());
    ASSERT_TRUE(Trigger(CommandId::kLoadFont));
    EXPECT_TRUE(Action(CommandId::kReadPage).isEnabled()) << "a new reading may start at once";
    GuiDoc()->WaitForPage();
    EXPECT_FALSE(Doc().HasPage());
    EXPECT_EQ(Status(), "Read Page: the picture or the font changed while the page was read; the reading was dropped.");
    EXPECT_TRUE(TextPane().Text().isEmpty());
    EXPECT_EQ(Grab(*Graphics().viewport()), plain) << "no outlines";

    // A kept reading goes when the font changes, its outlines and text with it.
    prompts.fileAnswers.push_back(QStringLiteral("Fonts/default.GLF"));
    ASSERT_TRUE(Trigger(CommandId::kLoadFont));
    ASSERT_TRUE(Trigger(CommandId::kReadPage));
    GuiDoc()->WaitForPage();
    ASSERT_EQ(TextPane().Text(), kPageText);
    prompts.fileAnswers.push_back(QStringLiteral("Fonts/default.GLF"));
    ASSERT_TRUE(Trigger(CommandId::kLoadFont));
    EXPECT_FALSE(Doc().HasPage());
    EXPECT_TRUE(TextPane().Text().isEmpty());
    EXPECT_EQ(Grab(*Graphics().viewport()), plain);
}

TEST_F(DesktopFlowTest, APictureThatExistsOnlyInMemoryIsModifiedAndClosingAsks)
{
    StartApp();
    QGuiApplication::clipboard()->setImage(ToImage(MakeTestPage(font)));
    ASSERT_TRUE(Trigger(CommandId::kPastePicture));
    EXPECT_TRUE(GuiDoc()->IsModified());
    QApplication::processEvents();
    EXPECT_TRUE(Main().isWindowModified());
    EXPECT_TRUE(Main().windowTitle().endsWith("Pasted1[*]"));
    const std::size_t documents = app->Documents().size();
    prompts.buttonAnswers.push_back(QMessageBox::Cancel);
    ASSERT_TRUE(Trigger(CommandId::kFileClose));
    EXPECT_EQ(prompts.messages.back().text, "Save changes to Pasted1?");
    EXPECT_EQ(app->Documents().size(), documents) << "Cancel keeps it";
}

TEST_F(DesktopFlowTest, SavingAColourPictureAsRdfOffersThePngFirstAndThatIsTheDefault)
{
    StartApp();
    QGuiApplication::clipboard()->setImage(ToImage(MakeTestPage(font)));
    ASSERT_TRUE(Trigger(CommandId::kPastePicture));
    const std::size_t documents = app->Documents().size();
    // Closing: "Yes", save it; the .rdf question then answered as Enter answers it.
    prompts.buttonAnswers.push_back(QMessageBox::Yes);
    const QString png = QString::fromStdString(dir.File("pasted.png"));
    prompts.fileAnswers.push_back(png);
    ASSERT_TRUE(Trigger(CommandId::kFileClose));
    ASSERT_EQ(prompts.questionDefaults.size(), 1u);
    EXPECT_EQ(prompts.questionDefaults[0], QMessageBox::Save);
    EXPECT_EQ(prompts.questionButtons[0].front().second, "Save Picture As...");
    EXPECT_EQ(prompts.fileRequests.back().strInitialName, "Pasted1.png");
    EXPECT_EQ(QImage(png).convertToFormat(QImage::Format_RGB32), ToImage(MakeTestPage(font))) << "every colour kept";
    EXPECT_EQ(app->Documents().size(), documents - 1) << "the picture is safe: the document closed";

    // "Save as .rdf Anyway" still writes the document, keeping only black.
    ASSERT_NE(app->OpenPictureFile(png), nullptr);
    prompts.buttonAnswers.push_back(QMessageBox::Ignore);
    const QString rdf = QString::fromStdString(dir.File("page.rdf"));
    prompts.fileAnswers.push_back(rdf);
    EXPECT_TRUE(GuiDoc()->DoSave(QString()));
    EXPECT_TRUE(QFileInfo::exists(rdf));
}

TEST_F(DesktopFlowTest, AFontThatDoesNotLoadIsNamedWithItsCauseBesideTheFixedMessage)
{
    StartApp();
    const std::vector<std::uint8_t> bytes = fixtures::FontBytes(font);
    WriteFile(dir.Path() / "empty.GLF", "");
    WriteFile(dir.Path() / "cut.GLF", std::string(bytes.begin(), bytes.begin() + 40));
    WriteFile(dir.Path() / "shot.GLF", "\x89PNG\r\n\x1a\n....");
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"empty.GLF", "the file is empty"},
        {"cut.GLF", "the file is truncated"},
        {"shot.GLF", "it is not a GLF font"},
        {"none.GLF", "it cannot be read (No such file or directory)"},
    };
    for (const auto& [name, cause] : cases) {
        const QString path = QString::fromStdString(dir.File(name));
        prompts.fileAnswers.push_back(path);
        ASSERT_TRUE(Trigger(CommandId::kLoadFont));
        EXPECT_EQ(prompts.messages.back().text, "Invalid CharImageFont File");
        EXPECT_EQ(prompts.messages.back().title, "Loading GLF file");
        EXPECT_EQ(Status(), QStringLiteral("Cannot load the font %1: %2.").arg(path, QString::fromUtf8(cause)));
    }
}

TEST_F(DesktopFlowTest, EveryMenuHasAccessKeysOfItsOwnAndNoTwoCommandsShareKeys)
{
    StartApp();
    // Ten windows: the window list gives keys 1 to 9 only.
    for (int i = 0; i < 9; ++i)
        ASSERT_TRUE(Trigger(CommandId::kFileNew));
    emit Main().WindowMenu()->aboutToShow();
    for (bool withDocument : {true, false}) {
        QStringList clashes = menukeys::KeyClashes(QStringLiteral("menu bar"), Main().menuBar()->actions());
        for (const QMenu* menu : Main().CurrentMenus())
            clashes += menukeys::MenuKeyClashes(*menu);
        EXPECT_TRUE(clashes.isEmpty()) << withDocument << ": " << clashes.join(QStringLiteral("; ")).toStdString();
        app->CloseAllDocuments();
        Main().UpdateCommandUI();
    }
    EXPECT_EQ(Main().CurrentMenus().size(), 4) << "the menu bar without a document";

    std::map<QString, QString> owners;
    for (const QAction* action : Main().actions())
        for (const QKeySequence& keys : action->shortcuts()) {
            const auto [place, fresh] = owners.emplace(keys.toString(), action->text());
            EXPECT_TRUE(fresh) << keys.toString().toStdString() << ": " << place->second.toStdString() << " and "
                               << action->text().toStdString();
        }
    EXPECT_EQ(owners.at(QStringLiteral("Ctrl+R")), "&Read Page");
    EXPECT_EQ(owners.at(QStringLiteral("Ctrl+Shift+R")), "Read Screen Re&gion...");
}

TEST_F(CRegionPickerTest, ReadScreenRegionReadsTheDraggedRegionIntoANewDocumentAndTheClipboard)
{
    StartApp();
    const std::size_t documents = app->Documents().size();
    // The screen as the test draws it: the page at (100, 50) on grey.
    QImage screen(640, 480, QImage::Format_RGB32);
    screen.fill(QColor(128, 128, 128));
    QPainter(&screen).drawImage(100, 50, ToImage(MakeTestPage(font)));

    ASSERT_TRUE(Trigger(CommandId::kReadScreenRegion));
    EXPECT_FALSE(Main().isVisible()) << "the main window leaves the screen before it is taken";
    ASSERT_NE(app->Capture(), nullptr);
    app->Capture()->ShowPicker(screen, nullptr);
    CRegionPicker& picker = *app->Capture()->Picker();
    EXPECT_EQ(picker.windowTitle(), "Read Screen Region");
    EXPECT_TRUE(picker.isVisible());
    // A click chooses nothing; the drag over the page does.
    Drag(picker, {300, 300}, {301, 301});
    EXPECT_TRUE(picker.isVisible());
    Drag(picker, {100, 50}, {100 + 259, 50 + 89});
    ASSERT_EQ(app->Documents().size(), documents + 1);
    EXPECT_TRUE(Main().isVisible());
    EXPECT_EQ(GuiDoc()->Title(), "Region1");
    EXPECT_EQ(Doc().m_Picture, MakeTestPage(font)) << "exactly the region dragged";
    EXPECT_TRUE(GuiDoc()->IsModified());
    GuiDoc()->WaitForPage();
    EXPECT_EQ(Clipboard(), kPageText);
    EXPECT_EQ(Status(), "Copied 3 lines, 13 characters to the clipboard.");

    // Esc cancels: nothing opens, the main window comes back.
    ASSERT_TRUE(Trigger(CommandId::kReadScreenRegion));
    app->Capture()->ShowPicker(screen, nullptr);
    QTest::keyClick(app->Capture()->Picker(), Qt::Key_Escape);
    EXPECT_EQ(app->Capture(), nullptr);
    EXPECT_EQ(app->Documents().size(), documents + 1);
    EXPECT_TRUE(Main().isVisible());
}
