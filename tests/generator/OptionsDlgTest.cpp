#include "CCellGenerationDlg.h"
#include "COptionsDlg.h"
#include "MeasureLayout.h"
#include "ModalDriver.h"
#include "QtTestEnvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include <gtest/gtest.h>

TEST(COptionsDlg, RangesAndMessages)
{
    struct Case {
        QLineEdit* (COptionsDlg::*edit)() const;
        const char* text;
        const char* message;    // nullptr: accepted
    };
    const Case cases[] = {
        {&COptionsDlg::WidthEdit, "151", "Please enter an integer between 0 and 150."},
        {&COptionsDlg::HeightEdit, "151", "Please enter an integer between 0 and 150."},
        {&COptionsDlg::HeightEdit, "", "Please enter an integer."},
        {&COptionsDlg::FirstEdit, "256", "Please enter an integer between 0 and 255."},
        {&COptionsDlg::LastEdit, "99999999999999", "Please enter an integer."},
        {&COptionsDlg::XEdit, "", "Please enter an integer."},
        {&COptionsDlg::YEdit, "4000", nullptr},
        {&COptionsDlg::WidthEdit, "150", nullptr},
        {&COptionsDlg::FirstEdit, "255", nullptr},
    };
    const GeneratorSettings settings;
    for (const Case& c : cases) {
        CModalDriver driver;
        COptionsDlg options(settings);
        options.show();
        (options.*c.edit)()->setText(QString::fromLatin1(c.text));
        options.accept();
        EXPECT_EQ(options.isVisible(), c.message != nullptr) << c.text;
        EXPECT_EQ(driver.Messages(), c.message ? QStringList{QString::fromLatin1(c.message)} : QStringList()) << c.text;
    }

    // Height is read before Width, and nothing after the refused field is taken.
    CModalDriver driver;
    COptionsDlg options(settings);
    options.WidthEdit()->setText(QStringLiteral("151"));
    options.HeightEdit()->setText(QString());
    options.XEdit()->setText(QStringLiteral("9"));
    options.accept();
    EXPECT_EQ(driver.Messages(), QStringList{QStringLiteral("Please enter an integer.")});
    EXPECT_EQ(options.m_nXOffset, 0);
}

TEST(COptionsDlg, AutocalcMeasuresTheMainSettingsAndRefreshesEveryField)
{
    GeneratorSettings main;
    main.m_Inclusions.fill(0);
    main.m_Inclusions['H'] = 1;
    main.m_Inclusions['g'] = 1;
    const LayoutBox expected = MeasureLayout(main);

    COptionsDlg options(main);
    options.FirstEdit()->setText(QStringLiteral("77"));     // typed, not confirmed
    options.OnAutocalc();
    EXPECT_EQ(options.XEdit()->text().toInt(), expected.x());
    EXPECT_EQ(options.WidthEdit()->text().toInt(), expected.w());
    EXPECT_EQ(options.YEdit()->text().toInt(), expected.y());
    EXPECT_EQ(options.HeightEdit()->text().toInt(), expected.h());
    EXPECT_EQ(options.FirstEdit()->text(), QStringLiteral("0"));
}

TEST(CCellGenerationDlg, CancelBeforeTheTimerMeasuresNothing)
{
    const GeneratorSettings main;
    CCellGenerationDlg cancelled(main);
    QTimer::singleShot(0, &cancelled, [&cancelled] { cancelled.reject(); });
    EXPECT_EQ(cancelled.exec(), QDialog::Rejected);
    EXPECT_FALSE(cancelled.WorkStarted());
    EXPECT_EQ(cancelled.Box().minLeft, 200);

    CCellGenerationDlg generation(main);
    EXPECT_EQ(generation.windowTitle(), QStringLiteral("Char cell generation"));
    EXPECT_EQ(generation.exec(), QDialog::Accepted);
    EXPECT_LT(generation.Box().minLeft, 200);
}

TEST(COptionsDlg, TerminalCellAndFitToPictureFillTheWindow)
{
    GeneratorSettings main;
    main.m_Font.m_strFamily = "DejaVu Sans Mono";
    main.m_Font.m_nWeight = 400;
    main.m_Font.m_nPixelSize = 16;
    COptionsDlg options(main);
    options.LayoutChoice()->setCurrentIndex(1);
    emit options.LayoutChoice()->activated(1);
    EXPECT_EQ(options.XEdit()->text(), QStringLiteral("0"));
    EXPECT_EQ(options.WidthEdit()->text(), QStringLiteral("10"));
    EXPECT_EQ(options.HeightEdit()->text(), QStringLiteral("19"));
    options.AntialiasBox()->setChecked(true);
    options.accept();
    EXPECT_EQ(options.m_Layout, CellLayout::Cell);
    EXPECT_TRUE(options.m_bAntialias);

    // A screen of 11 px text drawn as a terminal draws it: the fit picks the size and the cell.
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(font);
    const int advance = metrics.horizontalAdvance(QLatin1Char('M'));
    const int pitch = metrics.ascent() + metrics.descent();
    QImage screen(30 * advance + 8, 6 * pitch + 8, QImage::Format_RGB32);
    screen.fill(Qt::white);
    QPainter painter(&screen);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const char* const lines[] = {"Fit to Picture", "  reads 0123456789", "(and every ASCII sign: #$%&*+/)",
                                 "The quick brown fox", "  jumps over", "the lazy dog."};
    for (int row = 0; row < 6; ++row)
        for (int column = 0; lines[row][column] != 0; ++column)
            painter.drawText(QPoint(4 + column * advance, 4 + row * pitch + metrics.ascent()),
                             QString(QLatin1Char(lines[row][column])));
    painter.end();
    const QString folder = MakeTempFolder();
    ASSERT_TRUE(screen.save(folder + QStringLiteral("/screen.png")));

    CModalDriver driver;
    driver.LetRun();
    COptionsDlg fitted(main);
    EXPECT_TRUE(fitted.FitToPicture(folder + QStringLiteral("/screen.png")));
    EXPECT_EQ(fitted.m_Font.PixelSize(), 11);
    EXPECT_EQ(fitted.m_Layout, CellLayout::Cell);
    EXPECT_EQ(fitted.WidthEdit()->text().toInt() - fitted.XEdit()->text().toInt(), advance);
    EXPECT_EQ(fitted.HeightEdit()->text().toInt() - fitted.YEdit()->text().toInt(), pitch);
    EXPECT_EQ(fitted.LayoutChoice()->currentIndex(), 1);
    EXPECT_TRUE(fitted.FitResult()->toolTip().contains(QStringLiteral("--layout cell")));

    // A picture that is not one is refused with a message and changes nothing.
    EXPECT_FALSE(fitted.FitToPicture(folder + QStringLiteral("/missing.png")));
    EXPECT_EQ(driver.Messages().size(), 1);
    QDir(folder).removeRecursively();
}
