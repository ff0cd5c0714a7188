#include "CCellGenerationDlg.h"
#include "COptionsDlg.h"
#include "MeasureLayout.h"
#include "ModalDriver.h"
#include "QtTestEnvironment.h"

#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

const QString kNotAnInteger = QStringLiteral("Please enter an integer.");

} // namespace

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
        {&COptionsDlg::HeightEdit, "0", nullptr},
        {&COptionsDlg::FirstEdit, "255", nullptr},
    };
    const GeneratorSettings settings;
    for (const Case& c : cases) {
        CModalDriver driver;
        COptionsDlg options(settings);
        options.show();
        (options.*c.edit)()->setText(QString::fromLatin1(c.text));
        options.accept();
        if (c.message == nullptr) {
            EXPECT_EQ(options.result(), QDialog::Accepted) << c.text;
            EXPECT_TRUE(driver.Messages().isEmpty()) << c.text;
        } else {
            EXPECT_TRUE(options.isVisible()) << c.text;
            EXPECT_EQ(driver.Messages(), QStringList{QString::fromLatin1(c.message)}) << c.text;
        }
    }
}

TEST(COptionsDlg, FirstRefusedFieldStopsTheReading)
{
    // Height is read before Width, and nothing after the refused field is taken.
    CModalDriver driver;
    const GeneratorSettings settings;
    COptionsDlg options(settings);
    options.show();
    options.WidthEdit()->setText(QStringLiteral("151"));
    options.HeightEdit()->setText(QString());
    options.XEdit()->setText(QStringLiteral("9"));
    options.accept();
    EXPECT_EQ(driver.Messages(), QStringList{kNotAnInteger});
    EXPECT_EQ(options.m_nXOffset, 0);

    options.HeightEdit()->setText(QStringLiteral("60"));
    options.accept();
    EXPECT_EQ(driver.Messages().last(), QStringLiteral("Please enter an integer between 0 and 150."));
    EXPECT_EQ(options.m_nHeight, 60);
    EXPECT_EQ(options.m_nXOffset, 0);

    // A first code above the last is accepted.
    options.WidthEdit()->setText(QStringLiteral("30"));
    options.FirstEdit()->setText(QStringLiteral("200"));
    options.LastEdit()->setText(QStringLiteral("100"));
    options.accept();
    EXPECT_EQ(options.result(), QDialog::Accepted);
    EXPECT_EQ(options.m_nFirstCode, 200);
    EXPECT_EQ(options.m_nLastCode, 100);
    EXPECT_EQ(options.m_nXOffset, 9);
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
    GeneratorSettings main;
    int reached = 0;
    {
        CCellGenerationDlg generation(main);
        QTimer::singleShot(0, &generation, [&generation] { generation.reject(); });
        EXPECT_EQ(generation.exec(), QDialog::Rejected);
        EXPECT_FALSE(generation.WorkStarted());
        reached = generation.Box().minLeft;
    }
    EXPECT_EQ(reached, 200);

    CCellGenerationDlg generation(main);
    EXPECT_EQ(generation.windowTitle(), QStringLiteral("Char cell generation"));
    EXPECT_EQ(generation.exec(), QDialog::Accepted);
    EXPECT_TRUE(generation.WorkStarted());
    EXPECT_LT(generation.Box().minLeft, 200);
}
