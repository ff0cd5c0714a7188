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

TEST(CInclusionsDlg, BoxesShowTheClassesOfTheTable)
{
    InclusionTable table = FullInclusionTable();
    CInclusionsDlg all(table);
    EXPECT_EQ(all.windowTitle(), QStringLiteral("Include/Exclude Characters"));
    for (const CharClassInfo& info : AllClasses())
        EXPECT_EQ(all.ClassBox(info.id)->checkState(), Qt::Checked) << info.name;
    EXPECT_EQ(all.ClassBox(CharClass::SpecialSymbols)->text(), QString::fromUtf8("\u2116, @, TM, (C), (R), etc."));

    table[66] = 0;
    for (int code = 0; code < 32; ++code)
        table[static_cast<std::size_t>(code)] = 0;
    CInclusionsDlg some(table);
    EXPECT_EQ(some.ClassBox(CharClass::EnglishUpper)->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(some.ClassBox(CharClass::ControlChars)->checkState(), Qt::Unchecked);

    // OK without a click leaves the table as it was.
    some.accept();
    EXPECT_EQ(some.Table(), table);
}

TEST(CInclusionsDlg, ClicksOnlyCheckOrUncheckAndOkApplies)
{
    InclusionTable table = FullInclusionTable();
    table[66] = 0;
    CInclusionsDlg dialog(table);
    CClassCheckBox* upper = dialog.ClassBox(CharClass::EnglishUpper);
    upper->click();     // indeterminate -> unchecked
    EXPECT_EQ(upper->checkState(), Qt::Unchecked);
    upper->click();     // unchecked -> checked
    EXPECT_EQ(upper->checkState(), Qt::Checked);
    upper->click();     // checked -> unchecked
    EXPECT_EQ(upper->checkState(), Qt::Unchecked);
    EXPECT_EQ(dialog.Table(), table);   // clicks change only the boxes

    dialog.OkButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(IncludedCount(dialog.Table()), 256 - 26);
    EXPECT_EQ(dialog.Table()[65], 0);
}

TEST(CInclusionsDlg, PresetsSetTheBoxesAndTheTableAtOnce)
{
    CInclusionsDlg dialog(FullInclusionTable());
    dialog.PresetButton(InclusionPreset::Normal)->click();
    EXPECT_EQ(IncludedCount(dialog.Table()), 83);
    EXPECT_EQ(dialog.ClassBox(CharClass::SignsBracesQuotes)->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(dialog.ClassBox(CharClass::RussianUpper)->checkState(), Qt::Checked);
    EXPECT_EQ(dialog.ClassBox(CharClass::EnglishLower)->checkState(), Qt::Unchecked);

    // Then a click on the indeterminate signs box and OK: its five codes are excluded again.
    dialog.ClassBox(CharClass::SignsBracesQuotes)->click();
    dialog.accept();
    EXPECT_EQ(IncludedCount(dialog.Table()), 78);

    CInclusionsDlg rich(FullInclusionTable());
    rich.PresetButton(InclusionPreset::Rich)->click();
    rich.ClassBox(CharClass::EnglishUpper)->click();
    rich.accept();
    EXPECT_EQ(IncludedCount(rich.Table()), 120 + 26);
}
