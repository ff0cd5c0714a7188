#include "CharacterClasses.h"

#include <gtest/gtest.h>

namespace {

int IncludedCount(const InclusionTable& table)
{
    int count = 0;
    for (int entry : table)
        count += entry;
    return count;
}

ClassState& StateOf(ClassStates& states, CharClass cls)
{
    return states[static_cast<std::size_t>(cls)];
}

} // namespace

TEST(CharacterClasses, PartitionEveryCodeExactlyOnce)
{
    std::array<int, 256> seen{};
    std::size_t total = 0;
    for (const CharClassInfo& info : AllClasses()) {
        total += info.codes.size();
        for (std::uint8_t code : info.codes) {
            ++seen[code];
            EXPECT_EQ(ClassOfCode(code), info.id) << int(code);
        }
    }
    EXPECT_EQ(total, 256u);
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(seen[static_cast<std::size_t>(code)], 1) << code;
    EXPECT_EQ(ClassOfCode(168), CharClass::RussianUpper);
    EXPECT_EQ(ClassOfCode(184), CharClass::RussianLower);
    EXPECT_EQ(ClassOfCode(38), CharClass::UnknownChars);
    EXPECT_EQ(ClassOfCode(185), CharClass::SpecialSymbols);
}

TEST(CharacterClasses, DeriveAndApply)
{
    InclusionTable table = FullInclusionTable();
    table[168] = 0;                         // the last code listed for RussianUpper
    for (int code = 48; code <= 57; ++code)
        table[static_cast<std::size_t>(code)] = 0;
    ClassStates states = DeriveClassStates(table);
    EXPECT_EQ(StateOf(states, CharClass::RussianUpper), ClassState::Indeterminate);
    EXPECT_EQ(StateOf(states, CharClass::Digits), ClassState::Unchecked);
    EXPECT_EQ(StateOf(states, CharClass::EnglishLower), ClassState::Checked);

    // Re-applying derived states changes nothing; indeterminate classes are left alone.
    const InclusionTable before = table;
    ApplyClassStates(states, table);
    EXPECT_EQ(table, before);
    StateOf(states, CharClass::Digits) = ClassState::Checked;
    StateOf(states, CharClass::EnglishLower) = ClassState::Unchecked;
    ApplyClassStates(states, table);
    EXPECT_EQ(IncludedCount(table), 256 - 1 - 26);
    EXPECT_EQ(table[168], 0);
}

TEST(CharacterClasses, PresetsIncludeTheirCodesWhateverWasIncluded)
{
    struct Case {
        InclusionPreset preset;
        int count;
        std::vector<int> included;
        std::vector<int> excluded;
    };
    const Case cases[] = {
        {InclusionPreset::Pure, 34, {32, 184, 224, 255}, {33, 168, 192}},
        {InclusionPreset::Normal, 83, {34, 39, 40, 41, 45, 168, 151}, {42, 48, 65}},
        {InclusionPreset::Rich, 120, {48, 187, 126, 32, 168}, {65, 97, 35}},
    };
    for (const Case& c : cases) {
        for (int start : {0, 1}) {
            InclusionTable table;
            table.fill(start);
            ClassStates states{};
            ApplyPreset(c.preset, states, table);
            EXPECT_EQ(IncludedCount(table), c.count) << int(c.preset);
            for (int code : c.included)
                EXPECT_EQ(table[static_cast<std::size_t>(code)], 1) << int(c.preset) << " " << code;
            for (int code : c.excluded)
                EXPECT_EQ(table[static_cast<std::size_t>(code)], 0) << int(c.preset) << " " << code;
            // A later OK re-applies the states without undoing the adjustments.
            ApplyClassStates(states, table);
            EXPECT_EQ(IncludedCount(table), c.count);
        }
    }
}
