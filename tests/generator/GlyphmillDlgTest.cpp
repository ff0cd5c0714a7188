#include "CGlyphPreview.h"
#include "CGlyphmillDlg.h"
#include "CInclusionsDlg.h"
#include "COptionsDlg.h"
#include "ModalDriver.h"
#include "QtTestEnvironment.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

const QString kCodeRangeMessage = QStringLiteral("Please enter an integer between 0 and 255.");

int IncludedCount(const InclusionTable& table)
{
    int count = 0;
    for (int entry : table)
        count += entry;
    return count;
}

} // namespace

TEST(CGlyphmillDlg, StartsWithTheSpaceAndEverythingIncluded)
{
    CGlyphmillDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("GLF File Generation Program"));
    EXPECT_EQ(dialog.CodeEdit()->text(), QStringLiteral("32"));
    EXPECT_TRUE(dialog.SaveCharBox()->isChecked());
    EXPECT_TRUE(dialog.PreviousButton()->isEnabled());
    EXPECT_TRUE(dialog.NextButton()->isEnabled());
    EXPECT_TRUE(dialog.NextButton()->isDefault());
    EXPECT_EQ(dialog.DefaultFileName(), QStringLiteral("Arial.GLF"));
    EXPECT_EQ(IncludedCount(dialog.Settings().m_Inclusions), 256);

    // The preview's client area is W x H, centred in its frame.
    const QRect frame = dialog.PreviewFrame()->rect();
    const QRect preview = dialog.Preview()->geometry();
    EXPECT_EQ(dialog.Preview()->contentsRect().size(), QSize(72, 80));
    EXPECT_EQ(preview.left(), (frame.width() - 72 + 1) / 2);
    EXPECT_EQ(preview.top(), (frame.height() - 80 + 1) / 2);

    // The space previews as an empty white area.
    const QImage image = dialog.Preview()->grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, 0xFFFFFFu) << x << "," << y;
}

TEST(CGlyphmillDlg, NavigationStopsAtTheEndsOfTheRange)
{
    CGlyphmillDlg dialog;
    dialog.Settings().m_Inclusions[31] = 0;
    dialog.OnPrevious();
    EXPECT_EQ(dialog.CodeEdit()->text(), QStringLiteral("31"));
    EXPECT_FALSE(dialog.SaveCharBox()->isChecked());    // mirrors the entry of the new code
    for (int i = 0; i < 40; ++i)
        dialog.OnPrevious();
    EXPECT_EQ(dialog.Settings().m_nCurrentCode, 0);
    EXPECT_FALSE(dialog.PreviousButton()->isEnabled());
    EXPECT_TRUE(dialog.NextButton()->isEnabled());

    dialog.OnNext();
    EXPECT_TRUE(dialog.PreviousButton()->isEnabled());
    for (int i = 0; i < 300; ++i)
        dialog.OnNext();
    EXPECT_EQ(dialog.Settings().m_nCurrentCode, 255);
    EXPECT_FALSE(dialog.NextButton()->isEnabled());
    EXPECT_TRUE(dialog.PreviousButton()->isEnabled());
}

TEST(CGlyphmillDlg, SaveBoxEditsTheEntryOfTheCurrentCode)
{
    CGlyphmillDlg dialog;
    dialog.OnNext();                    // 33
    dialog.SaveCharBox()->click();
    EXPECT_EQ(dialog.Settings().m_Inclusions[33], 0);
    EXPECT_EQ(IncludedCount(dialog.Settings().m_Inclusions), 255);
    dialog.OnNext();
    EXPECT_TRUE(dialog.SaveCharBox()->isChecked());
    dialog.OnPrevious();
    EXPECT_FALSE(dialog.SaveCharBox()->isChecked());
    dialog.SaveCharBox()->click();
    EXPECT_EQ(dialog.Settings().m_Inclusions[33], 1);
}

TEST(CGlyphmillDlg, CurrentCodeEditRefusesAndClamps)
{
    CModalDriver driver;
    CGlyphmillDlg dialog;
    for (const char* text : {"300", "", "99999999999999999999"}) {
        dialog.CodeEdit()->setText(QString::fromLatin1(text));
        dialog.OnCurrentCodeKillFocus();
        EXPECT_EQ(dialog.CodeEdit()->text(), QStringLiteral("32")) << text;
        EXPECT_EQ(dialog.Settings().m_nCurrentCode, 32);
    }
    EXPECT_EQ(driver.Messages(), QStringList({kCodeRangeMessage, kCodeRangeMessage, kCodeRangeMessage}));

    dialog.CodeEdit()->setText(QStringLiteral("200"));
    dialog.OnCurrentCodeKillFocus();
    EXPECT_EQ(dialog.Settings().m_nCurrentCode, 200);

    // Below the first code: moved to it, and "Previouse" is disabled.
    dialog.Settings().m_nFirstCode = 40;
    dialog.Settings().m_nLastCode = 60;
    dialog.CodeEdit()->setText(QStringLiteral("10"));
    dialog.OnCurrentCodeKillFocus();
    EXPECT_EQ(dialog.CodeEdit()->text(), QStringLiteral("40"));
    EXPECT_FALSE(dialog.PreviousButton()->isEnabled());
    dialog.CodeEdit()->setText(QStringLiteral("70"));
    dialog.OnCurrentCodeKillFocus();
    EXPECT_EQ(dialog.CodeEdit()->text(), QStringLiteral("60"));
    EXPECT_FALSE(dialog.NextButton()->isEnabled());
    EXPECT_EQ(driver.Messages().size(), 3);
}

TEST(CGlyphmillDlg, LeavingTheEditValidatesIt)
{
    CModalDriver driver;
    CGlyphmillDlg dialog;
    dialog.show();
    dialog.activateWindow();
    dialog.CodeEdit()->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    if (!dialog.CodeEdit()->hasFocus())
        GTEST_SKIP() << "the platform gives no keyboard focus";
    dialog.CodeEdit()->setText(QStringLiteral("65"));
    dialog.SaveCharBox()->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(dialog.Settings().m_nCurrentCode, 65);
    EXPECT_TRUE(driver.Messages().isEmpty());
}

TEST(CGlyphmillDlg, CloseKeepsTheDialogOpenWhileTheCodeIsRefused)
{
    CModalDriver driver;
    CGlyphmillDlg dialog;
    dialog.show();
    dialog.CodeEdit()->setText(QStringLiteral("256"));
    dialog.OnClose();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(driver.Messages(), QStringList{kCodeRangeMessage});
    dialog.CodeEdit()->setText(QStringLiteral("255"));
    dialog.OnClose();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(CGlyphmillDlg, OptionsChangeTheRangeAndTheWindow)
{
    CModalDriver driver;
    CGlyphmillDlg dialog;
    driver.Then([](QWidget* modal) {
        auto* options = dynamic_cast<COptionsDlg*>(modal);
        ASSERT_NE(options, nullptr);
        EXPECT_EQ(options->windowTitle(), QStringLiteral("Options"));
        options->WidthEdit()->setText(QStringLiteral("40"));
        options->HeightEdit()->setText(QStringLiteral("50"));
        options->FirstEdit()->setText(QStringLiteral("50"));
        options->LastEdit()->setText(QStringLiteral("60"));
        options->XEdit()->setText(QStringLiteral("2"));
        options->YEdit()->setText(QStringLiteral("3"));
        options->accept();
    });
    dialog.OnOptions();
    const GeneratorSettings& s = dialog.Settings();
    EXPECT_EQ(s.m_nWidth, 40);
    EXPECT_EQ(s.m_nHeight, 50);
    EXPECT_EQ(s.m_nXOffset, 2);
    EXPECT_EQ(s.m_nYOffset, 3);
    EXPECT_EQ(s.m_nFirstCode, 50);
    EXPECT_EQ(s.m_nLastCode, 60);
    EXPECT_EQ(s.m_nCurrentCode, 50);
    EXPECT_EQ(dialog.CodeEdit()->text(), QStringLiteral("50"));
    EXPECT_FALSE(dialog.PreviousButton()->isEnabled());
    EXPECT_EQ(dialog.Preview()->contentsRect().size(), QSize(40, 50));
    EXPECT_EQ(dialog.Preview()->geometry().left(), (dialog.PreviewFrame()->width() - 40 + 1) / 2);

    // Cancel changes nothing; a first code above the last leaves the code at the last.
    driver.Then([](QWidget* modal) {
        auto* options = dynamic_cast<COptionsDlg*>(modal);
        options->WidthEdit()->setText(QStringLiteral("10"));
        options->reject();
    });
    dialog.OnOptions();
    EXPECT_EQ(dialog.Settings().m_nWidth, 40);
    driver.Then([](QWidget* modal) {
        auto* options = dynamic_cast<COptionsDlg*>(modal);
        options->FirstEdit()->setText(QStringLiteral("100"));
        options->LastEdit()->setText(QStringLiteral("20"));
        options->accept();
    });
    dialog.OnOptions();
    EXPECT_EQ(dialog.Settings().m_nCurrentCode, 20);
    EXPECT_TRUE(driver.Messages().isEmpty()) << driver.Messages().join(QLatin1Char('|')).toStdString();
}

TEST(CGlyphmillDlg, InclusionsOkCopiesTheTableAndCancelDoesNot)
{
    CModalDriver driver;
    CGlyphmillDlg dialog;
    dialog.OnNext();    // 33, not in the pure set
    driver.Then([](QWidget* modal) {
        auto* inclusions = dynamic_cast<CInclusionsDlg*>(modal);
        ASSERT_NE(inclusions, nullptr);
        inclusions->OnPreset(InclusionPreset::Pure);
        inclusions->reject();
    });
    dialog.OnInclusions();
    EXPECT_EQ(IncludedCount(dialog.Settings().m_Inclusions), 256);
    EXPECT_TRUE(dialog.SaveCharBox()->isChecked());

    driver.Then([](QWidget* modal) {
        auto* inclusions = dynamic_cast<CInclusionsDlg*>(modal);
        inclusions->PresetButton(InclusionPreset::Pure)->click();
        inclusions->OkButton()->click();
    });
    dialog.OnInclusions();
    EXPECT_EQ(IncludedCount(dialog.Settings().m_Inclusions), 34);
    EXPECT_FALSE(dialog.SaveCharBox()->isChecked());

    // Next time the box of the spaces and punctuation shows indeterminate.
    driver.Then([](QWidget* modal) {
        auto* inclusions = dynamic_cast<CInclusionsDlg*>(modal);
        EXPECT_EQ(inclusions->ClassBox(CharClass::SpacesPunctuation)->checkState(), Qt::PartiallyChecked);
        EXPECT_EQ(inclusions->ClassBox(CharClass::RussianLower)->checkState(), Qt::Checked);
        EXPECT_EQ(inclusions->ClassBox(CharClass::Digits)->checkState(), Qt::Unchecked);
        inclusions->accept();
    });
    dialog.OnInclusions();
    EXPECT_EQ(IncludedCount(dialog.Settings().m_Inclusions), 34);
    EXPECT_FALSE(driver.HandlersLeft());
}

TEST(CGlyphmillDlg, ChosenFontKeepsItsStyleAndNamesTheFile)
{
    CGlyphmillDlg dialog;
    QFont offered;
    dialog.SetFontChooser([&offered](const QFont& initial, QFont& chosen) {
        offered = initial;
        chosen = QFont(QStringLiteral("DejaVu Serif"));
        chosen.setPixelSize(30);
        chosen.setItalic(true);
        chosen.setUnderline(true);
        chosen.setStrikeOut(true);
        return true;
    });
    dialog.OnSelectFont();
    EXPECT_EQ(offered.family(), QStringLiteral("Arial"));
    EXPECT_TRUE(offered.bold());
    const FontDescription& font = dialog.Settings().m_Font;
    EXPECT_EQ(font.m_strFamily, "DejaVu Serif");
    EXPECT_EQ(font.m_nPixelSize, 30);
    EXPECT_TRUE(font.m_bItalic);
    EXPECT_TRUE(font.m_bUnderline);
    EXPECT_TRUE(font.m_bStrikeOut);
    EXPECT_TRUE(dialog.CurrentFont().styleStrategy() & QFont::NoAntialias);
    EXPECT_EQ(dialog.DefaultFileName(), QStringLiteral("DejaVu Serif.GLF"));

    // Cancel keeps the font.
    dialog.SetFontChooser([](const QFont&, QFont&) { return false; });
    dialog.OnSelectFont();
    EXPECT_EQ(dialog.Settings().m_Font.m_strFamily, "DejaVu Serif");
}

TEST(CGlyphmillDlg, AboutShowsTheVersion)
{
    CModalDriver driver;
    CGlyphmillDlg dialog;
    QString title;
    QStringList texts;
    driver.Then([&](QWidget* modal) {
        title = modal->windowTitle();
        for (QLabel* label : modal->findChildren<QLabel*>())
            texts << label->text();
        static_cast<QDialog*>(modal)->accept();
    });
    dialog.OnAbout();
    EXPECT_EQ(title, QStringLiteral("About Glyphmill"));
    EXPECT_TRUE(texts.contains(QStringLiteral("Glyphmill Version 1.0")));
}
