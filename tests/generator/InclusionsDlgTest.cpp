#include "CInclusionsDlg.h"
#include "QtTestEnvironment.h"

#include <QPushButton>

#include <gtest/gtest.h>

namespace {

int IncludedCount(const InclusionTable& table)
{
    int count = 0;
    for (int entry : table)
        count += entry;
    return count;
}

} // namespace

TEST(CInclusionsDlg, ClicksOnlyCheckOrUncheckAndOkApplies)
{
    InclusionTable table = FullInclusionTable();
    EXPECT_EQ(CInclusionsDlg(table).ClassBox(CharClass::ControlChars)->checkState(), Qt::Checked);
    table[66] = 0;
    CInclusionsDlg dialog(table);
    CClassCheckBox* upper = dialog.ClassBox(CharClass::EnglishUpper);
    EXPECT_EQ(upper->checkState(), Qt::PartiallyChecked);
    for (Qt::CheckState next : {Qt::Unchecked, Qt::Checked, Qt::Unchecked}) {
        upper->click();
        EXPECT_EQ(upper->checkState(), next);
    }
    EXPECT_EQ(dialog.Table(), table);   // clicks change only the boxes
    dialog.OkButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(IncludedCount(dialog.Table()), 256 - 26);

    // OK without a click leaves the table as it was.
    CInclusionsDlg untouched(table);
    untouched.accept();
    EXPECT_EQ(untouched.Table(), table);
}

TEST(CInclusionsDlg, PresetsSetTheBoxesAndTheTableAtOnce)
{
    CInclusionsDlg dialog(FullInclusionTable());
    dialog.PresetButton(InclusionPreset::Normal)->click();
    EXPECT_EQ(IncludedCount(dialog.Table()), 83);
    EXPECT_EQ(dialog.ClassBox(CharClass::SignsBracesQuotes)->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(dialog.ClassBox(CharClass::RussianUpper)->checkState(), Qt::Checked);
    EXPECT_EQ(dialog.ClassBox(CharClass::EnglishLower)->checkState(), Qt::Unchecked);
    dialog.ClassBox(CharClass::SignsBracesQuotes)->click();
    dialog.accept();
    EXPECT_EQ(IncludedCount(dialog.Table()), 78);
}
