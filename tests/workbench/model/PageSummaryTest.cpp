// Where a page reading's cells lie in the picture and the text, what counts as unsure, what
// the status bar says, and the document's whole pictures.
#include "CRecognizeDoc.h"
#include "DocFixtures.h"
#include "PageSummary.h"

#include <gtest/gtest.h>

namespace {

PageCell Cell(char code, int best = 0)
{
    PageCell cell;
    cell.code = static_cast<char32_t>(code);
    cell.best = best;
    cell.bBlank = code == ' ';
    return cell;
}

PageLine Line(int top, int left, int column, int row, const std::string& codes)
{
    PageLine line;
    line.grid = WholePixelLine(left, top, static_cast<int>(codes.size()), 10, 20);
    line.grid.row = row;
    line.column = column;
    for (char code : codes)
        line.cells.push_back(Cell(code));
    return line;
}

// A page of 10 x 20 cells on one grid: "ab" at column 2 of row 0, " cd" at column 0 of row
// 2 (its first cell blank), "e" at column 1 of row 3; the text is made by the reader's own join.
PageReading MakePage()
{
    PageReading page;
    page.cellWidth = 10;
    page.cellHeight = 20;
    page.lines = {Line(5, 27, 2, 0, "ab"), Line(45, 7, 0, 2, " cd"), Line(65, 17, 1, 3, "e")};
    page.text = PageText(page.lines, true);
    return page;
}

}  // namespace

TEST(PageSummary, CellsFoundByPixelAndByTextPlaceRoundTrip)
{
    const PageReading page = MakePage();
    // The blank column left of every line's first character is dropped, and with it the blank
    // first cell of " cd".
    ASSERT_EQ(page.text, " ab\n\ncd\ne");
    const std::vector<int> rows = PageTextRows(page);
    EXPECT_EQ(rows, (std::vector<int>{0, 2, 3}));

    EXPECT_EQ(PageCellRect(page, {1, 2}), (CRect{27, 45, 37, 65}));
    EXPECT_EQ(PageCellAt(page, 27, 45), (PageCellRef{1, 2}));
    EXPECT_EQ(PageCellAt(page, 36, 64), (PageCellRef{1, 2}));
    EXPECT_FALSE(PageCellAt(page, 37, 45).Valid()) << "right of the line's last cell";
    EXPECT_FALSE(PageCellAt(page, 6, 50).Valid()) << "left of the line";
    EXPECT_FALSE(PageCellAt(page, 30, 25).Valid()) << "between lines";
    EXPECT_TRUE(PageCellRect(page, {3, 0}).Width() == 0 && PageCellRect(page, {0, 2}).Width() == 0);

    // Every cell shown in the text maps back to itself; the dropped cell, an empty row and a
    // place past a line's end map to no cell.
    for (int line = 0; line < 3; ++line)
        for (int cell = 0; cell < static_cast<int>(page.lines[static_cast<std::size_t>(line)].cells.size()); ++cell) {
            const PageTextPlace place = PageTextPlaceOf(page, rows, {line, cell});
            if (line == 1 && cell == 0) {
                EXPECT_EQ(place.column, -1);
                continue;
            }
            EXPECT_EQ(PageCellAtText(page, rows, place.row, place.column), (PageCellRef{line, cell})) << line << cell;
        }
    EXPECT_EQ(PageTextPlaceOf(page, rows, {2, 0}).column, 0);
    EXPECT_EQ(PageCellAtText(page, rows, 2, 0), (PageCellRef{1, 1}));
    EXPECT_FALSE(PageCellAtText(page, rows, 1, 0).Valid());
    EXPECT_FALSE(PageCellAtText(page, rows, 0, 3).Valid());
}

TEST(PageSummary, RowsOfLinesWhoseTextIsNotFoundStayInOrder)
{
    PageReading page = MakePage();
    page.text = "something else";
    EXPECT_EQ(PageTextRows(page), (std::vector<int>{0, 0, 0}));
    page.text = "ab\nx\ny\nz";
    EXPECT_EQ(PageTextRows(page), (std::vector<int>{0, 1, 2}));
}

TEST(PageSummary, UnsureCellsAndTheStatusLine)
{
    PageReading page = MakePage();
    page.lines[0].cells[0].best = 20;  // 10 % of 200 pixels: still sure
    page.lines[0].cells[1].best = 21;
    page.lines[1].cells[0].best = 90;  // blank: never unsure
    EXPECT_FALSE(IsUnsureCell(page.lines[0].cells[0], 10, 20));
    EXPECT_TRUE(IsUnsureCell(page.lines[0].cells[1], 10, 20));
    EXPECT_EQ(UnsureCellCount(page), 1);
    page.dMilliseconds = 12.34;
    EXPECT_EQ(PageSummary(page), "Read Page: 3 lines, 6 cells, 1 unsure, 12.3 ms");

    PageReading none;
    none.cellWidth = 13;
    none.cellHeight = 19;
    EXPECT_EQ(PageSummary(none), "Read Page: no line of text found. The text must be drawn in the font's cells of "
                                 "13 x 19 pixels; load the font it was drawn with.");

    const RecognitionTrace trace = PageLineTrace(page, 0);
    ASSERT_EQ(trace.positions.size(), 2u);
    EXPECT_EQ(trace.Summary(), "Page reading, line 1 of 3: 2 cells, 0 of 2 match a glyph exactly");
    EXPECT_EQ(trace.positions[1].best, 21);
    EXPECT_EQ(trace.positions[1].final, 'b');
    EXPECT_TRUE(PageLineTrace(page, 3).Empty());
}

TEST(PageSummary, LoadedPictureNoteOnlyWhenPartIsHidden)
{
    EXPECT_EQ(LoadedPictureNote(100, 28, CRect{0, 0, 110, 28}), "");
    EXPECT_EQ(LoadedPictureNote(800, 456, CRect{0, 0, 806, 38}),
              "The document shows 800 x 38 of the picture's 800 x 456 pixels, one row of cells; "
              "\"Read Page\" reads the whole picture.");
}

TEST(CRecognizeDoc, OpenedPictureIsShownWholeAndLoadBitmapShowsTheRectangleAgain)
{
    fixtures::TempDir dir;
    const std::string fontPath = dir.File("cell.GLF");
    docfixtures::WriteBytes(fontPath, fixtures::FontBytes(docfixtures::MakeCellFont(10, 14)));
    docfixtures::CRecordingSink sink;
    CRecognizeDoc doc;
    doc.SetMessageSink(&sink);
    ASSERT_TRUE(doc.NewDocument(fontPath, ""));
    const CRaster before = doc.m_Picture;

    EXPECT_FALSE(doc.OpenPicture(CRaster()));
    EXPECT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(doc.m_Picture, before);
    EXPECT_FALSE(doc.ShowsWholePicture());

    CRaster picture;
    picture.Create(95, 60, CRaster::kWhite);
    EXPECT_FALSE(doc.PictureHasColours());
    picture.SetPixel(3, 3, 0x102030);
    ASSERT_TRUE(doc.OpenPicture(picture));
    EXPECT_TRUE(doc.ShowsWholePicture());
    EXPECT_TRUE(doc.PictureHasColours());
    EXPECT_EQ(doc.m_nCells, 9);
    EXPECT_EQ(doc.ShownRect(), (CRect{0, 0, 100, 60})) << "R is one cell wider than the picture";
    EXPECT_EQ(doc.m_bGraphicsModified, 1);
    EXPECT_EQ(doc.m_bEditText, 0);

    const unsigned revision = doc.PageRevision();
    doc.SetPage(MakePage());
    EXPECT_TRUE(doc.HasPage());
    const std::string bmp = dir.File("small.bmp");
    ASSERT_TRUE(doc.SaveBitmap(bmp));
    ASSERT_TRUE(doc.LoadBitmap(bmp));
    EXPECT_FALSE(doc.ShowsWholePicture());
    EXPECT_FALSE(doc.HasPage()) << "the reading of a replaced picture goes";
    EXPECT_EQ(doc.PageRevision(), revision + 2);
    EXPECT_EQ(doc.ShownRect(), doc.GetPictureRect());
}

// A reading as proportional text stands in place of one in cells: its text is the page's, the
// status line counts its characters, and it goes with the picture it read.
TEST(PageSummary, AProportionalReadingReplacesOneInCellsAndGoesWithItsPicture)
{
    CRaster picture;
    picture.Create(40, 20, CRaster::kWhite);
    docfixtures::CRecordingSink sink;
    CRecognizeDoc doc;
    doc.SetMessageSink(&sink);
    ASSERT_TRUE(doc.OpenPicture(picture));
    doc.SetPage(MakePage());
    ProportionalPage page;
    page.text = "Open\nSave As";
    page.lines = {{PixelRect{2, 2, 30, 9}, {PixelRect{2, 2, 6, 9}, PixelRect{6, 4, 9, 9}}}, {PixelRect{2, 11, 38, 18}, {}}};
    page.dMilliseconds = 12.5;
    doc.SetProportionalPage(page);
    EXPECT_TRUE(doc.HasPage());
    EXPECT_TRUE(doc.HasPageText());
    EXPECT_TRUE(doc.Page().Empty());
    EXPECT_EQ(doc.PageText(), "Open\nSave As");
    EXPECT_EQ(ProportionalSummary(doc.Proportional()), "Read Page: 2 lines, 2 characters as proportional text, 12.5 ms");

    doc.SetPage(MakePage());
    EXPECT_TRUE(doc.Proportional().Empty());
    EXPECT_EQ(doc.PageText(), doc.Page().text);
    doc.SetProportionalPage(page);
    ASSERT_TRUE(doc.OpenPicture(picture));
    EXPECT_FALSE(doc.HasPage());
    EXPECT_FALSE(doc.HasPageText());
    EXPECT_TRUE(doc.PageText().empty());
}

TEST(PageSummary, APoorReadingWithholdsItsTextAndSaysWhatPageReadingReads)
{
    PageReading page = MakePage();
    page.cellWidth = 10;
    page.cellHeight = 20;
    EXPECT_FALSE(IsPoorReading(page));
    // Two of the five inked cells unsure: not yet most of them.
    page.lines[0].cells[0].best = 50;
    page.lines[0].cells[1].best = 50;
    EXPECT_FALSE(IsPoorReading(page));
    page.lines[1].cells[1].best = 50;
    ASSERT_TRUE(IsPoorReading(page));
    EXPECT_EQ(PageSummary(page),
              "Read Page: 3 of 6 cells unsure, so the text is not shown: the document's font does not fit this "
              "picture. Read Page reads text in a font that is installed, monospaced or proportional (menus, web "
              "pages, documents); handwriting and fonts that are not installed are not read.");
    EXPECT_EQ(PoorReadingAdvice(page).substr(0, 72),
              "The reading is poor: 3 of 6 cells are unsure, so its text is not shown.\n");
    EXPECT_TRUE(IsPoorReading(PageReading{}));
}
