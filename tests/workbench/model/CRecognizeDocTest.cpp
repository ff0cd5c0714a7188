// The document's life cycle, commands, geometry and views.
#include "CRecognizeDoc.h"
#include "DataFiles.h"
#include "DocFixtures.h"
#include "DocMessages.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>

using docfixtures::CCountingView;
using docfixtures::CRecordingSink;
using fixtures::TempDir;

namespace {

// A new document made with a font of a w x h cell written to a temporary folder.
class DocTest : public ::testing::Test {
protected:
    void MakeDoc(int cellWidth = 40, int cellHeight = 48)
    {
        font = docfixtures::MakeCellFont(cellWidth, cellHeight);
        fontPath = dir.File("cell.GLF");
        docfixtures::WriteBytes(fontPath, fixtures::FontBytes(font));
        doc.SetMessageSink(&sink);
        ASSERT_TRUE(doc.NewDocument(fontPath, ""));
    }

    // True when the picture shows the glyph of code with its top-left pixel at (x, y).
    bool GlyphAt(int code, int x, int y) const
    {
        const CCharImage& glyph = font.m_Glyphs[static_cast<std::size_t>(code)];
        for (int r = 0; r < glyph.Height(); ++r)
            for (int c = 0; c < glyph.Width(); ++c)
                if (doc.m_Picture.IsInk(x + c, y + r) != glyph.Pixel(c, r))
                    return false;
        return true;
    }

    int InkCount(int left, int right) const
    {
        int count = 0;
        for (int y = 0; y < doc.m_Picture.height(); ++y)
            for (int x = left; x < right; ++x)
                count += doc.m_Picture.IsInk(x, y) ? 1 : 0;
        return count;
    }

    TempDir dir;
    CCharImageFont font;
    std::string fontPath;
    CRecordingSink sink;
    CRecognizeDoc doc;
};

}  // namespace

TEST_F(DocTest, NewDocumentHasItsDefaultsAndAWhitePictureOneCellWide)
{
    MakeDoc();
    EXPECT_EQ(doc.m_strUserText, "No user input yet!");
    EXPECT_EQ(doc.m_strResultText, "No recognition info yet!");
    EXPECT_EQ(doc.m_dCoefficient, 0.2);
    EXPECT_EQ(doc.m_nLineWidth, 3);
    EXPECT_EQ(doc.m_nAdditionalSpace, 3);
    EXPECT_EQ(doc.m_nCells, 0);
    EXPECT_EQ(doc.m_bEditText, 1);
    EXPECT_EQ(doc.m_bEditGraphics, 0);
    EXPECT_EQ(doc.m_bPicturePresent, 0);
    EXPECT_EQ(doc.m_bGraphicsModified, 0);
    EXPECT_TRUE(doc.CanEditText());
    EXPECT_TRUE(doc.CanSetText());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetPictureRect(), (CRect{0, 0, 40, 96}));
    ASSERT_TRUE(doc.m_bHasPicture);
    EXPECT_EQ(doc.m_Picture.width(), 40);
    EXPECT_EQ(doc.m_Picture.height(), 96);
    EXPECT_EQ(InkCount(0, 40), 0);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(DocTest, NewDocumentWithoutItsFontFailsWithTheMessage)
{
    doc.SetMessageSink(&sink);
    EXPECT_FALSE(doc.NewDocument(dir.File("missing.GLF"), ""));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, "Invalid CharImageFont File");
    EXPECT_EQ(sink.messages[0].title, "Loading GLF file");
    EXPECT_EQ(sink.messages[0].icon, MessageIcon::Error);
}

TEST_F(DocTest, NewDocumentFindsItsFontAndDictionaryInTheWorkingDirectory)
{
    std::filesystem::create_directory(dir.Path() / "Fonts");
    docfixtures::WriteBytes(dir.File("Fonts/default.GLF"), docfixtures::HandMadeCellGlf(10, 3));
    docfixtures::WriteBytes(dir.File("dict.dic"), {'a', 'b', '\n'});
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    EXPECT_EQ(FindDataFile(kDefaultFontPath), "Fonts/default.GLF");
    EXPECT_EQ(FindDataFile("no/such.file"), "no/such.file");
    const bool made = doc.OnNewDocument();
    std::filesystem::current_path(previous);

    ASSERT_TRUE(made);
    EXPECT_EQ(doc.m_Font.CellWidth(), 10);
    const CDictionary& dict = doc.Dictionary();
    EXPECT_EQ(dict.AlphabetSize(), 27);
    EXPECT_TRUE(dict.GetChild(dict.GetChild(dict.GetChild(dict.GetRoot(), 'a'), 'b'), ' ')->IsWordEnd());
}

TEST_F(DocTest, SetTextDrawsTheGlyphsInTheirCellsAtTheTextOrigin)
{
    MakeDoc();
    CCountingView view;
    doc.AddView(&view);
    ASSERT_TRUE(doc.SetText("ABC"));
    EXPECT_EQ(doc.m_nCells, 6);
    EXPECT_EQ(doc.GetPictureRect(), (CRect{0, 0, 280, 96}));
    EXPECT_EQ(doc.TextOriginX(), 20);
    EXPECT_EQ(doc.TextOriginY(), 24);
    EXPECT_EQ(doc.m_Picture.width(), 280);
    EXPECT_EQ(doc.m_Picture.height(), 96);
    EXPECT_TRUE(GlyphAt('A', 20, 24));
    EXPECT_TRUE(GlyphAt('B', 60, 24));
    EXPECT_TRUE(GlyphAt('C', 100, 24));
    EXPECT_EQ(InkCount(0, 20), 0);
    EXPECT_EQ(InkCount(140, 280), 0);
    EXPECT_EQ(doc.m_bPicturePresent, 1);
    EXPECT_EQ(doc.m_bRedrawPicture, 0);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view.updates, 1);
    EXPECT_EQ(view.lastSender, nullptr);
}

TEST_F(DocTest, TheViewsSeeTheRedrawFlagDuringTheUpdate)
{
    MakeDoc();
    struct CheckingView : CDocView {
        CRecognizeDoc* doc = nullptr;
        int redraw = -1;
        void OnUpdate(CDocView*, long) override { redraw = doc->m_bRedrawPicture; }
    } view;
    view.doc = &doc;
    doc.AddView(&view);
    ASSERT_TRUE(doc.SetText("A"));
    EXPECT_EQ(view.redraw, 1);
    EXPECT_EQ(doc.m_bRedrawPicture, 0);
}

TEST_F(DocTest, AdditionalSpaceMovesTheRectangleButNotThePicture)
{
    MakeDoc();
    ASSERT_TRUE(doc.SetText("ABC"));
    doc.SetModifiedFlag(false);
    ASSERT_TRUE(doc.SetAdditionalSpace(5));
    EXPECT_EQ(doc.m_nCells, 8);
    EXPECT_EQ(doc.GetPictureRect(), (CRect{0, 0, 360, 96}));
    EXPECT_EQ(doc.m_Picture.width(), 280);
    EXPECT_FALSE(doc.IsModified());
    ASSERT_TRUE(doc.SetText("ABC"));
    EXPECT_EQ(doc.m_Picture.width(), 360);
}

TEST_F(DocTest, AdditionalSpaceInANewDocumentNeverMakesTheCellCountNegative)
{
    MakeDoc();
    // 0 cells - 3 + 1 would be -2 and R negative.
    ASSERT_TRUE(doc.SetAdditionalSpace(1));
    EXPECT_EQ(doc.m_nCells, 0);
    EXPECT_EQ(doc.GetPictureRect().Width(), 40);
    ASSERT_TRUE(doc.SetAdditionalSpace(5));
    EXPECT_EQ(doc.m_nCells, 4);
}

TEST_F(DocTest, PictureSizeBoundRefusesTooManyCellsAndChangesNothing)
{
    MakeDoc();
    // 40 x 96 pixels per cell: a little under 17,500 cells fit in 64 Mi pixels.
    EXPECT_FALSE(doc.SetAdditionalSpace(100000));
    EXPECT_FALSE(doc.SetAdditionalSpace(INT_MAX));
    EXPECT_FALSE(doc.SetAdditionalSpace(-1));
    EXPECT_EQ(doc.m_nAdditionalSpace, 3);
    EXPECT_EQ(doc.m_nCells, 0);
    ASSERT_EQ(sink.messages.size(), 3u);
    EXPECT_EQ(sink.messages[0].text, DocMessages::kPictureTooLarge);
    EXPECT_EQ(sink.messages[2].text, DocMessages::kNegativeSpace);

    EXPECT_FALSE(doc.SetText(std::string(100000, 'A')));
    EXPECT_EQ(doc.m_strUserText, "No user input yet!");
    EXPECT_EQ(doc.m_Picture.width(), 40);
    EXPECT_TRUE(doc.SetAdditionalSpace(17000));
}

TEST_F(DocTest, TextOutsideTheFontCountsAsCellsButMovesTheNextGlyphsLeft)
{
    MakeDoc();
    ASSERT_TRUE(doc.SetText("A\xC0" "B"));
    EXPECT_EQ(doc.m_nCells, 6);
    EXPECT_TRUE(GlyphAt('A', 20, 24));
    EXPECT_TRUE(GlyphAt('B', 60, 24));
}

TEST_F(DocTest, EmptyTextGivesTheAdditionalSpaceAndABlankPicture)
{
    MakeDoc();
    ASSERT_TRUE(doc.SetText(""));
    EXPECT_EQ(doc.m_nCells, 3);
    EXPECT_EQ(doc.m_Picture.width(), 160);
    EXPECT_EQ(InkCount(0, 160), 0);
}

TEST_F(DocTest, SetTextOutsideTextModeBeepsAndChangesNothing)
{
    MakeDoc();
    doc.OnEditGraphics();
    EXPECT_FALSE(doc.CanSetText());
    EXPECT_FALSE(doc.SetText("ABC"));
    EXPECT_EQ(sink.beeps, 1);
    EXPECT_EQ(doc.m_strUserText, "No user input yet!");
    EXPECT_EQ(doc.m_nCells, 0);
}

TEST_F(DocTest, EditModesToggleAndExcludeEachOther)
{
    MakeDoc();
    doc.OnEditText();
    EXPECT_EQ(doc.m_bEditText, 0);
    EXPECT_EQ(doc.m_bEditGraphics, 0);
    doc.OnEditText();
    EXPECT_EQ(doc.m_bEditText, 1);
    doc.OnEditGraphics();
    EXPECT_EQ(doc.m_bEditGraphics, 1);
    EXPECT_EQ(doc.m_bEditText, 0);
    doc.OnEditText();
    EXPECT_EQ(doc.m_bEditText, 1);
    EXPECT_EQ(doc.m_bEditGraphics, 0);
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(DocTest, AStrokeDisablesEditTextForGood)
{
    MakeDoc();
    CCountingView graphics(true), other(true);
    doc.AddView(&graphics);
    doc.AddView(&other);
    doc.OnEditGraphics();
    doc.OnStrokeDrawn(&graphics);
    EXPECT_EQ(doc.m_bGraphicsModified, 1);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(graphics.updates, 0);
    EXPECT_EQ(other.updates, 1);
    EXPECT_EQ(other.lastSender, &graphics);
    EXPECT_FALSE(doc.CanEditText());
    doc.OnEditText();
    EXPECT_EQ(doc.m_bEditText, 0);
    EXPECT_EQ(doc.m_bEditGraphics, 1);
}

TEST_F(DocTest, LoadFontReplacesTheFontOrReportsAndKeepsWhatWasRead)
{
    MakeDoc();
    const std::string other = dir.File("other.GLF");
    docfixtures::WriteBytes(other, docfixtures::HandMadeCellGlf(10, 3));
    ASSERT_TRUE(doc.LoadFont(other));
    EXPECT_EQ(doc.m_Font.CellWidth(), 10);
    EXPECT_TRUE(sink.messages.empty());

    // Cut inside the last glyph's bits: the records before it stay.
    std::vector<std::uint8_t> cut = docfixtures::HandMadeCellGlf(10, 3);
    cut.pop_back();
    docfixtures::WriteBytes(other, cut);
    EXPECT_FALSE(doc.LoadFont(other));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, "Invalid CharImageFont File");
    EXPECT_EQ(sink.messages[0].title, "Loading GLF file");
    EXPECT_EQ(sink.notes, std::vector<std::string>{"Cannot load the font " + other + ": the file is truncated."});
    EXPECT_EQ(doc.m_Font.GlyphCount(), 33);
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(DocTest, EveryChangeOfThePictureOrTheFontDropsThePageReading)
{
    MakeDoc();
    CCountingView graphics(true);
    doc.AddView(&graphics);
    const std::string other = dir.File("other.GLF");
    docfixtures::WriteBytes(other, docfixtures::HandMadeCellGlf(10, 3));
    doc.OnEditGraphics();
    // Each change: the reading goes, the revision moves on, and every view (the drawing one
    // too) is told, so that the outlines leave the screen.
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"stroke", [&] { doc.OnStrokeDrawn(&graphics); }},
        {"noise", [&] { doc.OnAddNoise({NoiseKind::Flip, 0.01, 7}); }},
        {"font", [&] { doc.LoadFont(other); }},
        {"damaged font", [&] { doc.LoadFont(dir.File("missing.GLF")); }},
        {"space", [&] { doc.SetAdditionalSpace(5); }},
        {"picture", [&] {
             CRaster picture;
             picture.Create(30, 20, CRaster::kWhite);
             doc.OpenPicture(std::move(picture));
         }},
    };
    for (const auto& [what, change] : changes) {
        doc.SetPage(PageReading{});
        ASSERT_TRUE(doc.HasPage());
        const unsigned revision = doc.SourceRevision();
        graphics.updates = 0;
        change();
        EXPECT_FALSE(doc.HasPage()) << what;
        EXPECT_GT(doc.SourceRevision(), revision) << what;
        EXPECT_GE(graphics.updates, 1) << what;
    }
    // Recognizing reads the picture but changes neither it nor the font.
    const unsigned revision = doc.SourceRevision();
    doc.OnRecognizeSimple();
    EXPECT_EQ(doc.SourceRevision(), revision);
}

TEST_F(DocTest, AFontWithCellSizeZeroGivesAnEmptyPictureAndNoFault)
{
    MakeDoc(0, 0);
    EXPECT_EQ(doc.GetPictureRect(), (CRect{0, 0, 0, 0}));
    EXPECT_TRUE(doc.m_Picture.empty());
    ASSERT_TRUE(doc.SetText("ABC"));
    EXPECT_TRUE(doc.SetAdditionalSpace(INT_MAX / 2) == false);
    EXPECT_TRUE(doc.SetAdditionalSpace(1000));
    EXPECT_EQ(doc.GetPictureRect(), (CRect{0, 0, 0, 0}));
    EXPECT_EQ(doc.TextOriginX(), 0);
    EXPECT_EQ(doc.TextOriginY(), 0);
}

TEST(CRecognizeDoc, PictureRectangleNeverOverflowsOrGoesNegative)
{
    CRecognizeDoc doc;
    doc.m_Font = docfixtures::MakeCellFont(255, 255);
    doc.m_nCells = INT_MAX;
    EXPECT_EQ(doc.GetPictureRect().right, INT_MAX);
    doc.m_nCells = -5;
    EXPECT_EQ(doc.GetPictureRect(), (CRect{0, 0, 0, 510}));
    CRaster raster;
    EXPECT_TRUE(doc.RenderText(raster, "A"));
    EXPECT_TRUE(raster.empty());
    doc.m_nCells = 2000;
    EXPECT_FALSE(doc.RenderText(raster, "A"));
    EXPECT_TRUE(raster.empty());
}
