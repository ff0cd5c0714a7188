#include "CCellGenerationDlg.h"
#include "COptionsDlg.h"
#include "MeasureLayout.h"
#include "ModalDriver.h"
#include "QtTestEnvironment.h"

#include <QLineEdit>

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
