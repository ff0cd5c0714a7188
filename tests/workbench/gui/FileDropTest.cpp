// Files named on the command line and files dropped on the main window, delivered through
// the window as the platform delivers a drag.
#include "BmpFile.h"
#include "CFileDropHandler.h"
#include "GuiFixture.h"

#include <QApplication>
#include <QDropEvent>
#include <QMdiArea>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>
#include <QWindow>

using namespace guitest;

namespace {

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

class CFileDropHandlerTest : public GuiTest {
protected:
    QString File(const char* name) const { return QString::fromStdString(dir.File(name)); }

    // A point of the main window over the active document window, and one over no window.
    QPoint OverDocument() { return Frame()->mapTo(&Main(), Frame()->rect().center()); }
    QPoint OverEmptyArea()
    {
        QWidget* viewport = Main().MdiArea()->viewport();
        return viewport->mapTo(&Main(), viewport->rect().bottomRight() - QPoint(4, 4));
    }

    // Drags files to point and drops them there; false when the window refused the drag.
    bool Drop(QPoint point, const QStringList& files)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& file : files)
            urls.append(QUrl::fromLocalFile(file));
        data.setUrls(urls);
        QWindow* window = Main().windowHandle();
        QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &enter);
        if (!enter.isAccepted()) {
            QDragLeaveEvent leave;
            QCoreApplication::sendEvent(window, &leave);
            return false;
        }
        QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &drop);
        QCoreApplication::processEvents();
        return drop.isAccepted();
    }

    QString StatusNote() { return Main().statusBar()->currentMessage(); }
};

}  // namespace

TEST_F(CFileDropHandlerTest, EachDocumentOnTheCommandLineOpensAndOneThatFailsIsReported)
{
    StartApp();
    ASSERT_TRUE(Doc().SaveDocument(dir.File("a.rdf")));
    ASSERT_TRUE(Doc().SaveDocument(dir.File("b.rdf")));
    StopApp();
    StartApp({QStringLiteral("--"), File("a.rdf"), File("missing.rdf"), File("b.rdf")});
    ASSERT_EQ(app->Documents().size(), 2u);
    EXPECT_EQ(app->Documents()[0]->Title(), "a.rdf");
    EXPECT_EQ(app->Documents()[1]->Title(), "b.rdf");
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.startsWith("Failed to open document."));
}

TEST_F(CFileDropHandlerTest, APictureAndAFontDroppedOnADocumentWindowLoadAsTheirCommandsDo)
{
    StartApp();
    SetText(QStringLiteral("cab"));
    CRaster picture;
    ASSERT_TRUE(picture.Create(35, 20, CRaster::kWhite));
    picture.SetPixel(3, 4, CRaster::kBlack);
    WriteBytes(dir.File("scan.BMP"), EncodeBmp24(picture));
    const CCharImageFont wide = fixtures::MakeFont(0, 40, [](int) { return fixtures::MakeGlyph(16, 8); });
    WriteBytes(dir.File("wide.glf"), fixtures::FontBytes(wide));

    ASSERT_TRUE(Drop(OverDocument(), {File("scan.BMP"), File("wide.glf")}));
    EXPECT_EQ(Doc().m_Picture, picture);
    EXPECT_EQ(Doc().m_Font.CellWidth(), 16);
    EXPECT_EQ(Doc().m_nCells, 35 / 16) << "the font is loaded before the picture";
    EXPECT_EQ(Doc().m_bGraphicsModified, 1);
    EXPECT_EQ(Doc().m_bEditText, 0);
    EXPECT_FALSE(Action(CommandId::kSetText).isEnabled());
    EXPECT_TRUE(prompts.messages.empty());

    // A font that cannot be read gets the message of "Load Font...".
    WriteFile(dir.Path() / "bad.GLF", "not a font");
    ASSERT_TRUE(Drop(OverDocument(), {File("bad.GLF")}));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "Invalid CharImageFont File");
    EXPECT_EQ(prompts.messages[0].title, "Loading GLF file");
}

TEST_F(CFileDropHandlerTest, DocumentsOpenWhereverDroppedAndOtherFilesAreRefusedWithANote)
{
    StartApp();
    SetText(QStringLiteral("bed"));
    ASSERT_TRUE(Doc().SaveDocument(dir.File("saved.rdf")));
    WriteFile(dir.Path() / "notes.txt", "text");
    WriteBytes(dir.File("scan.bmp"), EncodeBmp24(Doc().m_Picture));

    ASSERT_TRUE(Drop(OverEmptyArea(), {File("saved.rdf"), File("notes.txt")}));
    ASSERT_EQ(app->Documents().size(), 2u);
    EXPECT_EQ(GuiDoc()->Title(), "saved.rdf");
    EXPECT_EQ(Doc().m_strUserText, "bed");
    EXPECT_EQ(StatusNote(), CFileDropHandler::RefusalNote({QStringLiteral("notes.txt")}));

    // A picture dropped beside the document windows opens whole in a new document; nothing
    // else is taken anywhere.
    const std::size_t documents = app->Documents().size();
    ASSERT_TRUE(Drop(OverEmptyArea(), {File("scan.bmp")}));
    ASSERT_EQ(app->Documents().size(), documents + 1);
    EXPECT_EQ(GuiDoc()->Title(), "scan");
    EXPECT_TRUE(Doc().ShowsWholePicture());
    EXPECT_FALSE(Drop(OverDocument(), {File("notes.txt")}));
    EXPECT_EQ(app->Documents().size(), documents + 1);
    EXPECT_EQ(StatusNote(), CFileDropHandler::RefusalNote({QStringLiteral("notes.txt")}));
    EXPECT_TRUE(prompts.messages.empty());
}
