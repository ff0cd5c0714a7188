#include "CharacterClasses.h"

#include <gtest/gtest.h>

#include <set>

namespace {

int IncludedCount(const InclusionTable& table)
{
    int count = 0;
    for (int entry : table)
        count += entry;
    return count;
}

std::set<int> IncludedCodes(const InclusionTable& table)
{
    std::set<int> codes;
    for (int code = 0; code < 256; ++code) {
        if (table[static_cast<std::size_t>(code)] != 0)
            codes.insert(code);
    }
    return codes;
}

ClassState StateOf(const ClassStates& states, CharClass cls)
{
    return states[static_cast<std::size_t>(cls)];
}

} // namespace

TEST(CharacterClasses, PartitionEveryCodeExactlyOnce)
{
    std::array<int, 256> seen{};
    for (const CharClassInfo& info : AllClasses()) {
        for (std::uint8_t code : info.codes) {
            ++seen[code];
            EXPECT_EQ(ClassOfCode(code), info.id) << int(code);
        }
    }
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(seen[static_cast<std::size_t>(code)], 1) << code;

    EXPECT_EQ(ClassInfo(CharClass::SignsBracesQuotes).codes.size(), 32u);
    EXPECT_EQ(ClassInfo(CharClass::SpecialSymbols).codes.size(), 11u);
    EXPECT_EQ(ClassInfo(CharClass::SpacesPunctuation).codes.size(), 12u);
    EXPECT_EQ(ClassInfo(CharClass::UnknownChars).codes.size(), 41u);
    // The codes the labels hint at: Io in both cases, the ampersand, the numero sign.
    EXPECT_EQ(ClassOfCode(168), CharClass::RussianUpper);
    EXPECT_EQ(ClassOfCode(184), CharClass::RussianLower);
    EXPECT_EQ(ClassOfCode(38), CharClass::UnknownChars);
    EXPECT_EQ(ClassOfCode(185), CharClass::SpecialSymbols);
    EXPECT_EQ(ClassInfo(CharClass::SpacesPunctuation).label, "Spaces and punctuation characters ");
}

TEST(CharacterClasses, FindsClassesByNameIgnoringCase)
{
    CharClass cls{};
    ASSERT_TRUE(FindClassByName("russianlower", cls));
    EXPECT_EQ(cls, CharClass::RussianLower);
    EXPECT_FALSE(FindClassByName("Russian", cls));
}

TEST(CharacterClasses, DeriveGivesCheckedUncheckedOrIndeterminate)
{
    InclusionTable table = FullInclusionTable();
    ClassStates states = DeriveClassStates(table);
    for (ClassState state : states)
        EXPECT_EQ(state, ClassState::Checked);

    table[66] = 0;                          // one upper-case English letter
    for (int code = 48; code <= 57; ++code)
        table[static_cast<std::size_t>(code)] = 0;
    table[168] = 0;                         // the last code listed for RussianUpper
    states = DeriveClassStates(table);
    EXPECT_EQ(StateOf(states, CharClass::EnglishUpper), ClassState::Indeterminate);
    EXPECT_EQ(StateOf(states, CharClass::Digits), ClassState::Unchecked);
    EXPECT_EQ(StateOf(states, CharClass::RussianUpper), ClassState::Indeterminate);
    EXPECT_EQ(StateOf(states, CharClass::EnglishLower), ClassState::Checked);
}

TEST(CharacterClasses, ApplyLeavesIndeterminateClassesAlone)
{
    InclusionTable table = FullInclusionTable();
    table[66] = 0;
    ClassStates states = DeriveClassStates(table);
    states[static_cast<std::size_t>(CharClass::Digits)] = ClassState::Unchecked;
    ApplyClassStates(states, table);
    EXPECT_EQ(table[66], 0);
    EXPECT_EQ(table[65], 1);
    EXPECT_EQ(table[48], 0);
    EXPECT_EQ(IncludedCount(table), 256 - 1 - 10);

    // Re-applying the states derived from a table changes nothing.
    const InclusionTable before = table;
    ApplyClassStates(DeriveClassStates(table), table);
    EXPECT_EQ(table, before);
}

TEST(CharacterClasses, ClickChecksUncheckedAndUnchecksTheRest)
{
    EXPECT_EQ(ClickedClassState(ClassState::Unchecked), ClassState::Checked);
    EXPECT_EQ(ClickedClassState(ClassState::Checked), ClassState::Unchecked);
    EXPECT_EQ(ClickedClassState(ClassState::Indeterminate), ClassState::Unchecked);
}

TEST(CharacterClasses, PresetsIncludeTheirCodes)
{
    struct Case {
        InclusionPreset preset;
        int count;
        CharClass indeterminate;
        std::set<int> mustInclude;
        std::set<int> mustExclude;
    };
    const Case cases[] = {
        {InclusionPreset::Pure, 34, CharClass::SpacesPunctuation, {32, 184, 224, 255}, {33, 168, 192, 48}},
        {InclusionPreset::Normal, 83, CharClass::SignsBracesQuotes, {34, 39, 40, 41, 45, 168, 151}, {42, 48, 65}},
        {InclusionPreset::Rich, 120, CharClass::ControlChars, {48, 57, 187, 126, 32}, {65, 97, 35}},
    };
    for (const Case& c : cases) {
        // Presets do not depend on what was included before.
        for (int start : {0, 1}) {
            InclusionTable table;
            table.fill(start);
            ClassStates states{};
            ApplyPreset(c.preset, states, table);
            const std::set<int> codes = IncludedCodes(table);
            EXPECT_EQ(static_cast<int>(codes.size()), c.count) << int(c.preset);
            for (int code : c.mustInclude)
                EXPECT_TRUE(codes.count(code)) << int(c.preset) << " " << code;
            for (int code : c.mustExclude)
                EXPECT_FALSE(codes.count(code)) << int(c.preset) << " " << code;
            if (c.preset != InclusionPreset::Rich) {
                EXPECT_EQ(StateOf(states, c.indeterminate), ClassState::Indeterminate);
            }
            // A later OK re-applies the states without undoing the adjustments.
            ApplyClassStates(states, table);
            EXPECT_EQ(IncludedCodes(table), codes);
        }
    }
}

TEST(CharacterClasses, ClickAfterPresetThenApply)
{
    // Normal set, then the indeterminate signs box clicked (unchecked): its five codes go again.
    InclusionTable table = FullInclusionTable();
    ClassStates states{};
    ApplyPreset(InclusionPreset::Normal, states, table);
    auto& signs = states[static_cast<std::size_t>(CharClass::SignsBracesQuotes)];
    signs = ClickedClassState(signs);
    ApplyClassStates(states, table);
    EXPECT_EQ(IncludedCount(table), 83 - 5);
    for (int code : {34, 39, 40, 41, 45})
        EXPECT_EQ(table[static_cast<std::size_t>(code)], 0) << code;

    // Pure set, then EnglishUpper clicked (checked): the preset's codes and A..Z.
    table = FullInclusionTable();
    ApplyPreset(InclusionPreset::Pure, states, table);
    auto& upper = states[static_cast<std::size_t>(CharClass::EnglishUpper)];
    upper = ClickedClassState(upper);
    ApplyClassStates(states, table);
    EXPECT_EQ(IncludedCount(table), 34 + 26);
}
