// The dialogs: their titles, controls, data exchange and validation messages.
#include "GuiFixture.h"

#include "CAboutRecognizeDlg.h"
#include "CDictionaryDlg.h"
#include "DictionarySettings.h"
#include "WordListLetters.h"

#include <QComboBox>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include <cmath>

using namespace guitest;

TEST_F(CCoefficientDlgTest, CoefficientDialogMapsTheValueOntoTheSlider)
{
    StartApp();
    prompts.OnDialog<CCoefficientDlg>([this](CCoefficientDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Recognition Coefficient");
        EXPECT_EQ(dialog.parentWidget(), &Main());
        EXPECT_TRUE(dialog.isModal());
        QSlider* slider = dialog.Slider();
        EXPECT_EQ(dialog.ValueBox()->text(), "0.2");
        EXPECT_TRUE(dialog.ValueBox()->isReadOnly());
        EXPECT_EQ(slider->minimum(), 0);
        EXPECT_EQ(slider->maximum(), 100000);
        EXPECT_EQ(slider->tickInterval(), 10000);
        EXPECT_EQ(slider->pageStep(), 10000);
        EXPECT_EQ(slider->singleStep(), 1000);
        EXPECT_EQ(slider->tickPosition(), QSlider::TicksAbove);
        EXPECT_EQ(slider->value(), 20000);
        slider->setValue(23456);
        EXPECT_EQ(dialog.ValueBox()->text(), "0.23456");
        slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        EXPECT_EQ(dialog.ValueBox()->text(), "0.24456");
        dialog.OnOK();
    });
    ASSERT_TRUE(Trigger(CommandId::kRecognitionCoefficient));
    EXPECT_DOUBLE_EQ(Doc().m_dCoefficient, 24456 * 0.00001);
    EXPECT_FALSE(Doc().IsModified()) << "the coefficient does not mark the document";

    // 0.29 x 100000 is 28999.999...: the slider stands at 28999, and "OK" untouched keeps 0.29.
    Doc().m_dCoefficient = 0.29;
    prompts.OnDialog<CCoefficientDlg>([](CCoefficientDlg& dialog) {
        EXPECT_EQ(dialog.Slider()->value(), 28999);
        EXPECT_EQ(dialog.ValueBox()->text(), "0.29");
        dialog.OnOK();
    });
    ASSERT_TRUE(Trigger(CommandId::kRecognitionCoefficient));
    EXPECT_EQ(Doc().m_dCoefficient, 0.29);

    // "Cancel" keeps the value.
    prompts.OnDialog<CCoefficientDlg>([](CCoefficientDlg& dialog) {
        dialog.Slider()->setValue(50000);
        dialog.reject();
    });
    ASSERT_TRUE(Trigger(CommandId::kRecognitionCoefficient));
    EXPECT_EQ(Doc().m_dCoefficient, 0.29);
}

TEST_F(CCoefficientDlgTest, CoefficientOutsideTheRangeIsRefusedUntilTheSliderMoves)
{
    StartApp();
    Doc().m_dCoefficient = 1.5;  // as an .rdf file may bring it
    prompts.OnDialog<CCoefficientDlg>([this](CCoefficientDlg& dialog) {
        EXPECT_EQ(dialog.Slider()->value(), 100000);
        EXPECT_EQ(dialog.ValueBox()->text(), "1.5");
        dialog.OnOK();
        EXPECT_EQ(dialog.result(), QDialog::Rejected) << "stays open";
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, "Please enter a number between 0 and 1.");
        // End on a slider already at its end still sets the value.
        dialog.Slider()->triggerAction(QAbstractSlider::SliderToMaximum);
        EXPECT_EQ(dialog.ValueBox()->text(), "1");
        dialog.OnOK();
    });
    ASSERT_TRUE(Trigger(CommandId::kRecognitionCoefficient));
    EXPECT_EQ(Doc().m_dCoefficient, 1.0);

    // Neither a negative value nor NaN can place the slider outside its range.
    EXPECT_EQ(CCoefficientDlg::SliderPosition(-0.5), 0);
    EXPECT_EQ(CCoefficientDlg::SliderPosition(std::nan("")), 0);
    EXPECT_EQ(CCoefficientDlg::SliderPosition(1e300), 100000);

    prompts.messages.clear();
    prompts.OnDialog<CCoefficientDlg>([this](CCoefficientDlg& dialog) {
        dialog.ValueBox()->setText(QStringLiteral("abc"));
        dialog.OnOK();
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, "Please enter a number.");
        dialog.ValueBox()->setText(QStringLiteral("nan"));
        dialog.OnOK();
        ASSERT_EQ(prompts.messages.size(), 2u);
        EXPECT_EQ(prompts.messages[1].text, "Please enter a number between 0 and 1.");
        dialog.reject();
    });
    ASSERT_TRUE(Trigger(CommandId::kRecognitionCoefficient));
    EXPECT_EQ(Doc().m_dCoefficient, 1.0);
}

TEST_F(CAdditionalSpaceDlgTest, AdditionalSpaceAcceptsOnlyIntegers)
{
    StartApp();
    prompts.OnDialog<CAdditionalSpaceDlg>([this](CAdditionalSpaceDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Additional Space");
        EXPECT_EQ(dialog.SpaceBox()->text(), "3");
        // Only digits can be typed.
        dialog.SpaceBox()->clear();
        QTest::keyClicks(dialog.SpaceBox(), QStringLiteral("-1x2"));
        EXPECT_EQ(dialog.SpaceBox()->text(), "12");
        for (const QString& bad : {QString(), QStringLiteral("99999999999")}) {
            dialog.SpaceBox()->setText(bad);
            dialog.OnOK();
            EXPECT_EQ(dialog.result(), QDialog::Rejected);
        }
        ASSERT_EQ(prompts.messages.size(), 2u);
        EXPECT_EQ(prompts.messages[0].text, "Please enter an integer.");
        EXPECT_EQ(prompts.messages[0].title, "Recognize");
        EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Warning);
        dialog.SpaceBox()->setText(QStringLiteral("7"));
        dialog.OnOK();
    });
    ASSERT_TRUE(Trigger(CommandId::kAdditionalSpace));
    EXPECT_EQ(Doc().m_nAdditionalSpace, 7);
    EXPECT_EQ(Doc().m_nCells, 4) << "the cell count moves by the change";
}

TEST_F(CTextInputDlgTest, TextInputShowsTheTextAndCancelChangesNothing)
{
    StartApp();
    prompts.OnDialog<CTextInputDlg>([](CTextInputDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Text Input");
        EXPECT_EQ(dialog.TextBox()->text(), "No user input yet!");
        dialog.TextBox()->setText(QStringLiteral("bed"));
        dialog.reject();
    });
    ASSERT_TRUE(Trigger(CommandId::kSetText));
    EXPECT_EQ(Doc().m_strUserText, "No user input yet!");
    EXPECT_EQ(Doc().m_bPicturePresent, 0);
    EXPECT_FALSE(Doc().IsModified());

    // An empty text is accepted: the picture is the additional space, blank.
    SetText(QString());
    EXPECT_EQ(Doc().m_nCells, 3);
    EXPECT_EQ(InkCount(Doc().m_Picture), 0);
    EXPECT_EQ(Doc().m_bPicturePresent, 1);

    // The next dialog shows the text in Windows-1251 as Unicode.
    Doc().m_strUserText = "\xC6";
    prompts.OnDialog<CTextInputDlg>([](CTextInputDlg& dialog) {
        EXPECT_EQ(dialog.TextBox()->text(), QString(QChar(0x0416)));
        dialog.reject();
    });
    ASSERT_TRUE(Trigger(CommandId::kSetText));
}

TEST_F(CAboutRecognizeDlgTest, AboutShowsTheProgramTitle)
{
    StartApp();
    prompts.dialogScripts.push_back([](QDialog& dialog) {
        bool found = false;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            found = found || label->text() == "The Text Recognition Demo Program";
        EXPECT_TRUE(found);
        return static_cast<int>(QDialog::Accepted);
    });
    ASSERT_TRUE(Trigger(CommandId::kAppAbout));
    ASSERT_EQ(prompts.dialogTitles.size(), 1u);
    EXPECT_EQ(prompts.dialogTitles[0], "About Recognize");
    EXPECT_EQ(prompts.dialogParents[0], &Main());

    // Print Setup opens the page setup on the main window, or says that there is no printer.
    ASSERT_TRUE(Trigger(CommandId::kFilePrintSetup));
    if (prompts.dialogParents.size() == 2u) {
        EXPECT_EQ(prompts.dialogParents[1], &Main());
    } else {
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, "No printers are installed.");
    }
}

namespace {

// True when the dictionary holds word (followed by its space).
bool HoldsWord(const CDictionary& dictionary, const std::string& word)
{
    const CDictNode* node = dictionary.GetRoot();
    for (char c : word + ' ')
        node = dictionary.GetChild(node, static_cast<std::uint8_t>(c));
    return node->IsWordEnd() == 1;
}

}  // namespace

TEST_F(CDictionaryDlgTest, DictionaryDialogReloadsTheListAndKeepsTheChoiceForLaterDocuments)
{
    WriteFile(dir.Path() / "ru.dic", "\xE4\xE0\n\xF7\xE0\xFE\n");  // да, чаю in Windows-1251
    StartApp();
    ASSERT_TRUE(HoldsWord(Doc().Dictionary(), "bed"));

    // A list that cannot be read is reported by name and changes nothing.
    prompts.OnDialog<CDictionaryDlg>([](CDictionaryDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Dictionary");
        EXPECT_EQ(dialog.PathBox()->text(), "dict.dic");
        EXPECT_EQ(dialog.AlphabetBox()->currentText(), "Latin");
        dialog.PathBox()->setText(QStringLiteral("missing.dic"));
        dialog.OnOK();
    });
    ASSERT_TRUE(Trigger(CommandId::kDictionary));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "Cannot read the word list missing.dic.");
    EXPECT_TRUE(HoldsWord(Doc().Dictionary(), "bed"));
    EXPECT_FALSE(ReadDictionaryChoice().bChosen);

    prompts.OnDialog<CDictionaryDlg>([](CDictionaryDlg& dialog) {
        dialog.PathBox()->setText(QStringLiteral("ru.dic"));
        dialog.AlphabetBox()->setCurrentText(QStringLiteral("Cyrillic"));
        dialog.OnOK();
    });
    ASSERT_TRUE(Trigger(CommandId::kDictionary));
    EXPECT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(Doc().Dictionary().AlphabetSize(), 33);
    EXPECT_TRUE(HoldsWord(Doc().Dictionary(), "\xF7\xE0\xFE"));
    EXPECT_FALSE(HoldsWord(Doc().Dictionary(), "bed"));

    // Later documents take the saved choice; the dialog shows it.
    ASSERT_TRUE(Trigger(CommandId::kFileNew));
    EXPECT_EQ(Doc().Dictionary().AlphabetSize(), 33);
    EXPECT_TRUE(HoldsWord(Doc().Dictionary(), "\xE4\xE0"));
    prompts.OnDialog<CDictionaryDlg>([](CDictionaryDlg& dialog) {
        EXPECT_EQ(dialog.PathBox()->text(), "ru.dic");
        EXPECT_EQ(dialog.AlphabetBox()->currentText(), "Cyrillic");
        dialog.reject();
    });
    ASSERT_TRUE(Trigger(CommandId::kDictionary));
}

TEST_F(CDictionaryDlgTest, DictionaryDialogTakesTheAlphabetFromTheListAndWarnsWhenTheyDisagree)
{
    WriteFile(dir.Path() / "ru.dic", "\xE4\xE0\n\xF7\xE0\xFE\n");  // да, чаю in Windows-1251
    StartApp();
    const QString russian = QString::fromStdString((dir.Path() / "ru.dic").string());
    // The letters of a chosen list set the alphabet; the default font has no Cyrillic glyphs.
    prompts.OnDialog<CDictionaryDlg>([&](CDictionaryDlg& dialog) {
        EXPECT_TRUE(dialog.NoteLabel()->text().isEmpty());
        dialog.PathBox()->setText(russian);
        emit dialog.PathBox()->editingFinished();
        EXPECT_EQ(dialog.AlphabetBox()->currentText(), "Cyrillic");
        EXPECT_EQ(dialog.NoteLabel()->text().contains("no Cyrillic glyphs"), !HasCyrillicGlyphs(Doc().m_Font));
        // Back to Latin by hand: OK asks first, and No keeps the dialog open.
        dialog.AlphabetBox()->setCurrentText(QStringLiteral("Latin"));
        EXPECT_TRUE(dialog.NoteLabel()->text().isEmpty());
        dialog.OnOK();
        EXPECT_EQ(dialog.result(), 0);
        dialog.reject();
    });
    prompts.buttonAnswers.push_back(QMessageBox::No);
    ASSERT_TRUE(Trigger(CommandId::kDictionary));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.startsWith("The words of ru.dic are written in Cyrillic letters, but the alphabet is Latin."));
    EXPECT_TRUE(HoldsWord(Doc().Dictionary(), "bed"));
}

TEST_F(CDictionaryDlgTest, DictionaryDialogAllowsWordsOutsideTheListWithTheirPenalty)
{
    StartApp();
    EXPECT_FALSE(Doc().OpenWords());
    // "Not allowed" is the default and leaves the penalty box disabled; a penalty out of range
    // keeps the dialog open.
    prompts.OnDialog<CDictionaryDlg>([](CDictionaryDlg& dialog) {
        EXPECT_EQ(dialog.OutsideBox()->currentText(), "Not allowed");
        EXPECT_FALSE(dialog.PenaltyBox()->isEnabled());
        dialog.OutsideBox()->setCurrentText(QStringLiteral("Allowed"));
        EXPECT_TRUE(dialog.PenaltyBox()->isEnabled());
        dialog.PenaltyBox()->setText(QStringLiteral("11"));
        dialog.OnOK();
        dialog.PenaltyBox()->setText(QStringLiteral("0.5"));
        dialog.OnOK();
    });
    ASSERT_TRUE(Trigger(CommandId::kDictionary));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "Please enter a number between 0 and 10.");
    EXPECT_TRUE(Doc().OpenWords());
    EXPECT_EQ(Doc().UnknownPenalty(), 0.5);
    EXPECT_TRUE(ReadDictionaryChoice().bOpenWords);

    // Later documents run the open step: a line with a word outside the list is read.
    ASSERT_TRUE(Trigger(CommandId::kFileNew));
    EXPECT_TRUE(Doc().OpenWords());
    EXPECT_EQ(Doc().UnknownPenalty(), 0.5);
    ASSERT_TRUE(Doc().SetText("bed zyx"));
    Doc().OnRecognizeComplex();
    EXPECT_EQ(Doc().m_strResultText, "bed zyx   ");
    ASSERT_EQ(Doc().Trace().words.size(), 2u);
    EXPECT_TRUE(Doc().Trace().words[0].bKnown);
    EXPECT_FALSE(Doc().Trace().words[1].bKnown);
}

TEST_F(CCoefficientDlgTest, EveryCoefficientSliderNotificationWritesTheBox)
{
    StartApp();
    Doc().m_dCoefficient = 1.5;
    prompts.OnDialog<CCoefficientDlg>([](CCoefficientDlg& dialog) {
        QSlider& slider = *dialog.Slider();
        // The End key at the end; the slider has the focus from the start.
        EXPECT_EQ(dialog.focusWidget(), &slider);
        QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
        QApplication::sendEvent(&slider, &end);
        EXPECT_EQ(dialog.ValueBox()->text(), "1");

        // A click on the thumb at the right end, without moving it.
        dialog.ValueBox()->setText(QStringLiteral("1.5"));
        QStyleOptionSlider option;
        option.initFrom(&slider);
        option.orientation = slider.orientation();
        option.minimum = slider.minimum();
        option.maximum = slider.maximum();
        option.sliderPosition = slider.sliderPosition();
        option.sliderValue = slider.value();
        option.tickPosition = slider.tickPosition();
        const QPoint thumb =
            slider.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider).center();
        QMouseEvent press(QEvent::MouseButtonPress, thumb, slider.mapToGlobal(thumb), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&slider, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, thumb, slider.mapToGlobal(thumb), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(&slider, &release);
        EXPECT_EQ(dialog.ValueBox()->text(), "1");
        dialog.OnOK();
    });
    ASSERT_TRUE(Trigger(CommandId::kRecognitionCoefficient));
    EXPECT_EQ(Doc().m_dCoefficient, 1.0);
}

TEST_F(CTextInputDlgTest, TextInputSelectsItsTextAndRefusesCharactersWindows1251Lacks)
{
    StartApp();
    prompts.OnDialog<CTextInputDlg>([this](CTextInputDlg& dialog) {
        EXPECT_EQ(dialog.TextBox()->selectedText(), "No user input yet!");
        QTest::keyClicks(dialog.TextBox(), QStringLiteral("bed"));
        EXPECT_EQ(dialog.TextBox()->text(), QStringLiteral("bed")) << "typing replaces the text";
        dialog.TextBox()->setText(QStringLiteral("b\u00E9d"));
        dialog.OnOK();
        EXPECT_EQ(dialog.result(), QDialog::Rejected) << "stays open";
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, QStringLiteral("The character \"\u00E9\" (U+00E9) cannot be used: the text "
                                                           "is kept in the Windows-1251 code page, which lacks it."));
        EXPECT_EQ(dialog.TextBox()->selectedText(), QStringLiteral("\u00E9"));
        dialog.TextBox()->setText(QStringLiteral("b\U0001F600"));
        dialog.OnOK();
        ASSERT_EQ(prompts.messages.size(), 2u);
        EXPECT_TRUE(prompts.messages[1].text.contains(QStringLiteral("U+1F600")));
        // A question mark and Cyrillic are in the code page.
        dialog.TextBox()->setText(QStringLiteral("b?\u0416"));
        dialog.OnOK();
    });
    ASSERT_TRUE(Trigger(CommandId::kSetText));
    EXPECT_EQ(Doc().m_strUserText, "b?\xC6");
}
