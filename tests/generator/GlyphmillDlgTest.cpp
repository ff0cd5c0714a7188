#include "CGlyphPreview.h"
#include "CGlyphmillDlg.h"
#include "CGlyphSheetDlg.h"
#include "CInclusionsDlg.h"
#include "CFitPictureDlg.h"
#include "COptionsDlg.h"
#include "MenuKeys.h"
#include "ModalDriver.h"
#include "PictureFile.h"
#include "QtTestEnvironment.h"

#include <QAction>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

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

TEST(CGlyphmillDlg, StartsWithTheSpaceInAWhiteCentredPreview)
{
    CGlyphmillDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("GLF File Generation Program"));
    EXPECT_EQ(dialog.CodeEdit()->text(), QStringLiteral("32"));
    EXPECT_TRUE(dialog.SaveCharBox()->isChecked());
    EXPECT_TRUE(dialog.PreviousButton()->isEnabled() && dialog.NextButton()->isEnabled());
    EXPECT_TRUE(dialog.NextButton()->isDefault());
    EXPECT_EQ(dialog.DefaultFileName(), QStringLiteral("Arial.GLF"));

    const QRect frame = dialog.PreviewFrame()->rect();
    EXPECT_EQ(dialog.Preview()->contentsRect().size(), QSize(72, 80));
    EXPECT_EQ(dialog.Preview()->geometry().topLeft(),
              QPoint((frame.width() - 72 + 1) / 2, (frame.height() - 80 + 1) / 2));
    const QImage image = dialog.Preview()->grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, 0xFFFFFFu) << x << "," << y;
}

TEST(CGlyphmillDlg, EnterInTheCodeBoxGoesToTheCodeTyped)
{
    CGlyphmillDlg dialog;
    dialog.CodeEdit()->setText(QStringLiteral("65"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.CodeEdit(), &enter);
    EXPECT_EQ(dialog.Settings().m_nCurrentCode, 65) << "not the default button's next code";
    EXPECT_EQ(dialog.CodeEdit()->text(), QStringLiteral("65"));

    // The glyph sheet is reached by a button, not only through the context menu.
    int sheetButtons = 0;
    for (const QPushButton* button : dialog.findChildren<QPushButton*>())
        sheetButtons += button->text() == QStringLiteral("Glyph Sheet...") && !button->isHidden() ? 1 : 0;
    EXPECT_EQ(sheetButtons, 1);
}

TEST(CGlyphmillDlg, NavigationAndTheSaveBox)
{
    CGlyphmillDlg dialog;
    dialog.OnNext();                    // 33
    dialog.SaveCharBox()->click();
    EXPECT_EQ(dialog.Settings().m_Inclusions[33], 0);
    EXPECT_EQ(IncludedCount(dialog.Settings().m_Inclusions), 255);
    dialog.OnNext();
    EXPECT_TRUE(dialog.SaveCharBox()->isChecked());
    dialog.OnPrevious();
    EXPECT_FALSE(dialog.SaveCharBox()->isChecked());    // mirrors the entry of the code

    for (int i = 0; i < 40; ++i)
        dialog.OnPrevious();
    EXPECT_EQ(dialog.Settings().m_nCurrentCode, 0);
    EXPECT_FALSE(dialog.PreviousButton()->isEnabled());
    dialog.OnNext();
    EXPECT_TRUE(dialog.PreviousButton()->isEnabled());
    for (int i = 0; i < 300; ++i)
        dialog.OnNext();
    EXPECT_EQ(dialog.Settings().m_nCurrentCode, 255);
    EXPECT_FALSE(dialog.NextButton()->isEnabled());
}

TEST(CGlyphmillDlg, CurrentCodeEditRefusesClampsAndGuardsClose)
{
    CModalDriver driver;
    CGlyphmillDlg dialog;
    dialog.show();
    for (const char* text : {"300", "", "99999999999999999999"}) {
        dialog.CodeEdit()->setText(QString::fromLatin1(text));
        dialog.OnCurrentCodeKillFocus();
        EXPECT_EQ(dialog.CodeEdit()->text(), QStringLiteral("32")) << text;
    }
    EXPECT_EQ(driver.Messages(), QStringList({kCodeRangeMessage, kCodeRangeMessage, kCodeRangeMessage}));

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

    // Leaving the edit for another control validates it.
    dialog.activateWindow();
    dialog.CodeEdit()->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    if (dialog.CodeEdit()->hasFocus()) {
        dialog.CodeEdit()->setText(QStringLiteral("45"));
        dialog.SaveCharBox()->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        EXPECT_EQ(dialog.Settings().m_nCurrentCode, 45);
    }

    // Close keeps the dialog open while the code is refused.
    dialog.CodeEdit()->setText(QStringLiteral("256"));
    dialog.OnClose();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(driver.Messages().size(), 4);
    dialog.CodeEdit()->setText(QStringLiteral("50"));
    dialog.OnClose();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(CGlyphmillDlg, OptionsChangeTheRangeAndTheWindow)
{
    CModalDriver driver;
    CGlyphmillDlg dialog;
    auto answer = [&driver](QStringList texts, bool ok) {
        driver.Then([texts, ok](QWidget* modal) {
            auto* options = dynamic_cast<COptionsDlg*>(modal);
            ASSERT_NE(options, nullptr);
            QLineEdit* edits[] = {options->WidthEdit(), options->HeightEdit(), options->FirstEdit(),
                                  options->LastEdit(),  options->XEdit(),      options->YEdit()};
            for (int i = 0; i < texts.size(); ++i)
                edits[i]->setText(texts[i]);
            ok ? options->accept() : options->reject();
        });
    };
    answer({QStringLiteral("40"), QStringLiteral("50"), QStringLiteral("50"), QStringLiteral("60"), QStringLiteral("2"),
            QStringLiteral("3")},
           true);
    dialog.OnOptions();
    const GeneratorSettings& s = dialog.Settings();
    EXPECT_EQ(std::vector<int>({s.m_nWidth, s.m_nHeight, s.m_nFirstCode, s.m_nLastCode, s.m_nXOffset, s.m_nYOffset}),
              std::vector<int>({40, 50, 50, 60, 2, 3}));
    EXPECT_EQ(dialog.CodeEdit()->text(), QStringLiteral("50"));
    EXPECT_FALSE(dialog.PreviousButton()->isEnabled());
    EXPECT_EQ(dialog.Preview()->contentsRect().size(), QSize(40, 50));
    EXPECT_EQ(dialog.Preview()->geometry().left(), (dialog.PreviewFrame()->width() - 40 + 1) / 2);

    answer({QStringLiteral("10")}, false);      // Cancel changes nothing
    dialog.OnOptions();
    EXPECT_EQ(s.m_nWidth, 40);
    answer({QStringLiteral("40"), QStringLiteral("50"), QStringLiteral("100"), QStringLiteral("20")}, true);
    dialog.OnOptions();
    EXPECT_EQ(s.m_nCurrentCode, 20);            // a first code above the last: the code ends at the last
    EXPECT_TRUE(driver.Messages().isEmpty());
}

TEST(CGlyphmillDlg, InclusionsOkCopiesTheTableAndCancelDoesNot)
{
    CModalDriver driver;
    CGlyphmillDlg dialog;
    dialog.OnNext();    // 33, not in the pure set
    for (bool ok : {false, true}) {
        driver.Then([ok](QWidget* modal) {
            auto* inclusions = dynamic_cast<CInclusionsDlg*>(modal);
            ASSERT_NE(inclusions, nullptr);
            inclusions->PresetButton(InclusionPreset::Pure)->click();
            ok ? inclusions->OkButton()->click() : inclusions->reject();
        });
        dialog.OnInclusions();
        EXPECT_EQ(IncludedCount(dialog.Settings().m_Inclusions), ok ? 34 : 256);
        EXPECT_EQ(dialog.SaveCharBox()->isChecked(), !ok);
    }
    driver.Then([](QWidget* modal) {
        auto* inclusions = dynamic_cast<CInclusionsDlg*>(modal);
        EXPECT_EQ(inclusions->ClassBox(CharClass::SpacesPunctuation)->checkState(), Qt::PartiallyChecked);
        inclusions->accept();
    });
    dialog.OnInclusions();
    EXPECT_EQ(IncludedCount(dialog.Settings().m_Inclusions), 34);
    EXPECT_FALSE(driver.HandlersLeft());
}

TEST(CGlyphmillDlg, FontDialogOpensOnTheCurrentFontAndOkKeepsIt)
{
    CModalDriver driver;
    CGlyphmillDlg dialog;
    QFont shown;
    driver.Then([&shown](QWidget* modal) {
        auto* fonts = qobject_cast<QFontDialog*>(modal);
        ASSERT_NE(fonts, nullptr);
        shown = fonts->currentFont();
        fonts->accept();
    });
    dialog.OnSelectFont();
    EXPECT_EQ(shown.family(), QFontInfo(QFont(QStringLiteral("Arial"))).family());
    EXPECT_EQ(shown.weight(), QFont::Bold);
    EXPECT_FALSE(shown.italic());
    const double pixels = shown.pointSizeF() * dialog.logicalDpiY() / 72.0;
    EXPECT_NEAR(pixels, 70.0, 2.0);
    const FontDescription& font = dialog.Settings().m_Font;
    EXPECT_EQ(font.m_strFamily, "Arial");
    EXPECT_EQ(font.m_nWeight, 700);
    EXPECT_EQ(font.m_nPixelSize, 70);
    EXPECT_FALSE(font.m_bItalic);
    EXPECT_EQ(dialog.DefaultFileName(), QStringLiteral("Arial.GLF"));
}

TEST(CGlyphmillDlg, ChosenFontAndAbout)
{
    CModalDriver driver;
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
    EXPECT_EQ(offered.family(), QFontInfo(QFont(QStringLiteral("Arial"))).family());
    const FontDescription& font = dialog.Settings().m_Font;
    EXPECT_EQ(font.m_strFamily, "DejaVu Serif");
    EXPECT_EQ(font.m_nPixelSize, 30);
    EXPECT_TRUE(font.m_bItalic && font.m_bUnderline && font.m_bStrikeOut);
    EXPECT_TRUE(dialog.CurrentFont().styleStrategy() & QFont::NoAntialias);
    EXPECT_EQ(dialog.DefaultFileName(), QStringLiteral("DejaVu Serif.GLF"));
    dialog.SetFontChooser([](const QFont&, QFont&) { return false; });
    dialog.OnSelectFont();
    EXPECT_EQ(dialog.Settings().m_Font.m_strFamily, "DejaVu Serif");

    QStringList texts;
    driver.Then([&texts](QWidget* modal) {
        texts << modal->windowTitle();
        for (QLabel* label : modal->findChildren<QLabel*>())
            texts << label->text();
        static_cast<QDialog*>(modal)->accept();
    });
    dialog.OnAbout();
    EXPECT_TRUE(texts.contains(QStringLiteral("About Glyphmill")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Glyphmill Version 1.0")));
}

TEST(CGlyphmillDlg, GlyphSheetBesideAboutShowsTheStoredGlyphsAndTheirGroups)
{
    CGlyphmillDlg dialog;
    QStringList texts;
    for (const QAction* action : dialog.actions())
        texts << action->text();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("&About Glyphmill..."), QStringLiteral("Glyph &Sheet...")}));
    // Tab, line feed and space draw blank in every family that "Arial" may resolve to.
    GeneratorSettings settings = dialog.Settings();
    settings.m_nFirstCode = 9;
    settings.m_nLastCode = 40;
    const CGlyphSheetDlg sheet(settings);
    EXPECT_FALSE(sheet.Sheet().isNull());
    EXPECT_TRUE(sheet.Warnings().contains(QRegularExpression(QStringLiteral("\\b9-10, 12-13, 32 \\(blank\\) read as 9\\b"))))
        << sheet.Warnings().toStdString();
}

TEST(CGlyphmillDlg, AFamilyTypedInSelectFontComesInItsRegularStyleAndTheDialogNamesIt)
{
    // DejaVu Sans Mono lists its oblique style first, where Qt's dialog lands by itself.
    ASSERT_TRUE(QFontDatabase::families().contains(QStringLiteral("DejaVu Sans Mono")));
    EXPECT_TRUE(CGlyphmillDlg().FontLabel()->text().startsWith(QStringLiteral("Arial, 70 px, bold")));
    CModalDriver driver;
    CGlyphmillDlg dialog;
    driver.Then([](QWidget* modal) {
        auto* fonts = qobject_cast<QFontDialog*>(modal);
        ASSERT_NE(fonts, nullptr);
        // Keys typed in the family box go to the list of families, which searches as they come.
        QWidget* families = fonts->findChild<QLineEdit*>()->focusProxy();
        ASSERT_NE(families, nullptr);
        QTest::keyClicks(families, QStringLiteral("DejaVu Sans Mono"));
        fonts->accept();
    });
    dialog.OnSelectFont();
    const FontDescription& font = dialog.Settings().m_Font;
    EXPECT_EQ(font.m_strFamily, "DejaVu Sans Mono");
    EXPECT_FALSE(font.m_bItalic);
    EXPECT_EQ(font.m_nWeight, 400);
    EXPECT_EQ(QFontInfo(dialog.CurrentFont()).style(), QFont::StyleNormal);
    EXPECT_TRUE(dialog.FontLabel()->text().startsWith(QStringLiteral("DejaVu Sans Mono, ")))
        << dialog.FontLabel()->text().toStdString();
}

TEST(CFitPictureDlg, FitsWhileTheWindowIsServedAndCancelStopsIt)
{
    PictureLoad load = LoadPicture(GLYPHMILL_FIT_DATA "/xterm-dejavu-sans-mono-12pt-aa.png");
    ASSERT_TRUE(load.Ok()) << load.message;
    const CRaster picture = std::move(load.raster);
    GeneratorSettings settings;
    settings.m_Font.m_strFamily = "DejaVu Sans Mono";
    settings.m_Font.m_nWeight = 400;
    // A timer of the window's own thread: it ticks while the fit works only when the fit
    // runs elsewhere.
    for (bool cancel : {false, true}) {
        CFitPictureDlg fitting(picture, settings);
        int ticksWhileWorking = 0;
        bool cancelEnabled = false;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (!fitting.WorkStarted() || !fitting.isVisible())
                return;
            ++ticksWhileWorking;
            auto* button = fitting.findChild<QPushButton*>();
            cancelEnabled = cancelEnabled || button->isEnabled();
            if (cancel && button->isEnabled())
                button->click();
        });
        timer.start(2);
        const int result = fitting.exec();
        EXPECT_GT(ticksWhileWorking, 0) << cancel;
        EXPECT_TRUE(cancelEnabled) << cancel;
        EXPECT_EQ(result, cancel ? QDialog::Rejected : QDialog::Accepted);
        EXPECT_EQ(fitting.Fit().bFound, !cancel) << fitting.Fit().strProblem;
    }
}

TEST(CGlyphmillDlg, ItsMenuHasAccessKeysOfItsOwn)
{
    CGlyphmillDlg dialog;
    // The context menu holds the dialog's actions.
    EXPECT_EQ(menukeys::KeyClashes(QStringLiteral("context menu"), dialog.actions()), QStringList());
}
