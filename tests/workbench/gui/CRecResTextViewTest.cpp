// The result pane: recognition from the menu, its own raster per window.
#include "GuiFixture.h"

using namespace guitest;

TEST_F(CRecResTextViewTest, SimpleRecognitionFromTheMenuDrawsTheResultOnGrey)
{
    StartApp();
    SetText(QStringLiteral("bed"));
    Doc().SetModifiedFlag(false);
    ASSERT_TRUE(Trigger(CommandId::kRecognizeSimple));
    EXPECT_EQ(Doc().m_strResultText, "bed   ");
    EXPECT_EQ(Doc().m_bResultPicture, 1);
    EXPECT_EQ(Doc().m_bResultChanged, 0) << "the result pane took the result";
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_TRUE(Main().isWindowModified());

    const CRaster& bitmap = Result().Bitmap();
    ASSERT_EQ(bitmap.width(), 70);
    ASSERT_EQ(bitmap.height(), 28);
    EXPECT_TRUE(GlyphAt(bitmap, 'b', 5, 7));
    EXPECT_TRUE(GlyphAt(bitmap, 'e', 15, 7));
    EXPECT_TRUE(GlyphAt(bitmap, 'd', 25, 7));
    const QImage shown = Grab(*Result().viewport());
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 70; ++x)
            ASSERT_EQ(shown.pixel(x, y) & 0xFFFFFF, bitmap.Pixel(x, y)) << x << "," << y;
    EXPECT_EQ(shown.pixel(75, 5) & 0xFFFFFF, 0x808080u);
}

TEST_F(CRecResTextViewTest, ComplexRecognitionReadsDictionaryWordsAndReportsWhenNoCutExists)
{
    StartApp();
    SetText(QStringLiteral("bed cab"));
    ASSERT_TRUE(Trigger(CommandId::kEditGraphics));
    ASSERT_TRUE(Trigger(CommandId::kLineWidth1));
    // A little noise over the 'e' does not stop the dictionary from reading "bed".
    Press(Graphics(), {16, 9});
    Move(Graphics(), {18, 9});
    ASSERT_TRUE(Trigger(CommandId::kRecognizeComplex));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(Doc().m_strResultText.substr(0, 7), "bed cab");
    EXPECT_TRUE(GlyphAt(Result().Bitmap(), 'c', 45, 7));
    EXPECT_TRUE(GlyphAt(Result().Bitmap(), 'b', 65, 7));

    // Words that are not in the dictionary: the message, line breaks kept, and no new result picture.
    ASSERT_TRUE(Trigger(CommandId::kFileNew));
    SetText(QStringLiteral("xyz"));
    ASSERT_TRUE(Trigger(CommandId::kRecognizeComplex));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "There are no variants! \nTry to increase Recognition Coefficient.");
    EXPECT_EQ(prompts.messages[0].title, "Recognize");
    EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Critical);
}

TEST_F(CRecResTextViewTest, ALaterWindowShowsTheResultButOnlyTheFirstRendersANewOne)
{
    StartApp();
    SetText(QStringLiteral("bed"));
    ASSERT_TRUE(Trigger(CommandId::kRecognizeSimple));
    CChildFrame* first = Frame();
    ASSERT_TRUE(Trigger(CommandId::kWindowNew));
    CChildFrame* second = Frame();
    EXPECT_TRUE(GlyphAt(second->ResultView()->Bitmap(), 'b', 5, 7));

    SetText(QStringLiteral("cab"));
    ASSERT_TRUE(Trigger(CommandId::kRecognizeSimple));
    EXPECT_EQ(Doc().m_strResultText, "cab   ");
    EXPECT_TRUE(GlyphAt(first->ResultView()->Bitmap(), 'c', 5, 7));
    EXPECT_TRUE(GlyphAt(second->ResultView()->Bitmap(), 'b', 5, 7)) << "keeps its older picture";
}
