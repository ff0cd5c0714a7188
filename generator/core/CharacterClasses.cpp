#include "CharacterClasses.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr auto MakeRange(int first, int last)
{
    std::array<std::uint8_t, 256> codes{};
    for (int c = first; c <= last; ++c)
        codes[static_cast<std::size_t>(c - first)] = static_cast<std::uint8_t>(c);
    return codes;
}

constexpr std::uint8_t kControl[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                                     16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31};
constexpr auto kEnglishUpperRange = MakeRange(65, 90);
constexpr auto kEnglishLowerRange = MakeRange(97, 122);
constexpr std::uint8_t kRussianUpper[] = {192, 193, 194, 195, 196, 197, 198, 199, 200, 201, 202,
                                          203, 204, 205, 206, 207, 208, 209, 210, 211, 212, 213,
                                          214, 215, 216, 217, 218, 219, 220, 221, 222, 223, 168};
constexpr std::uint8_t kRussianLower[] = {224, 225, 226, 227, 228, 229, 230, 231, 232, 233, 234,
                                          235, 236, 237, 238, 239, 240, 241, 242, 243, 244, 245,
                                          246, 247, 248, 249, 250, 251, 252, 253, 254, 255, 184};
constexpr auto kDigitsRange = MakeRange(48, 57);
constexpr std::uint8_t kSigns[] = {34,  39,  40,  41,  42,  43,  45,  47,  60,  61,  62,
                                   91,  92,  93,  94,  96,  123, 124, 125, 126, 132, 139,
                                   145, 146, 147, 148, 155, 166, 171, 172, 177, 187};
constexpr std::uint8_t kSpecial[] = {35, 36, 37, 64, 137, 153, 167, 169, 174, 176, 185};
constexpr std::uint8_t kSpacesPunctuation[] = {32, 33, 44, 46, 58, 59, 63, 95, 130, 133, 150, 151};
constexpr std::uint8_t kUnknown[] = {38,  127, 128, 129, 131, 134, 135, 136, 138, 140, 141,
                                     142, 143, 144, 149, 152, 154, 156, 157, 158, 159, 160,
                                     161, 162, 163, 164, 165, 170, 173, 175, 178, 179, 180,
                                     181, 182, 183, 186, 188, 189, 190, 191};

const CharClassInfo kClasses[kClassCount] = {
    {CharClass::EnglishUpper, "EnglishUpper", "English letters (Upper Case)", {kEnglishUpperRange.data(), 26}},
    {CharClass::EnglishLower, "EnglishLower", "English letters (Lower Case)", {kEnglishLowerRange.data(), 26}},
    {CharClass::RussianUpper, "RussianUpper", "Russian letters (Upper Case)", kRussianUpper},
    {CharClass::RussianLower, "RussianLower", "Russian letters (Lower Case)", kRussianLower},
    {CharClass::Digits, "Digits", "Digits", {kDigitsRange.data(), 10}},
    {CharClass::SignsBracesQuotes, "SignsBracesQuotes", "Signs, braces and quotes", kSigns},
    {CharClass::SpecialSymbols, "SpecialSymbols", "\xE2\x84\x96, @, TM, (C), (R), etc.", kSpecial},
    {CharClass::SpacesPunctuation, "SpacesPunctuation", "Spaces and punctuation characters ", kSpacesPunctuation},
    {CharClass::UnknownChars, "UnknownChars", "Unknown characters", kUnknown},
    {CharClass::ControlChars, "ControlChars", "Control characters (0 - 31)", kControl},
};

std::size_t Index(CharClass cls)
{
    return static_cast<std::size_t>(cls);
}

void SetClassEntries(CharClass cls, int value, InclusionTable& table)
{
    for (std::uint8_t code : ClassInfo(cls).codes)
        table[code] = value;
}

} // namespace

const CharClassInfo& ClassInfo(CharClass cls)
{
    return kClasses[Index(cls)];
}

std::span<const CharClassInfo> AllClasses()
{
    return kClasses;
}

CharClass ClassOfCode(std::uint8_t code)
{
    for (const CharClassInfo& info : kClasses) {
        if (std::find(info.codes.begin(), info.codes.end(), code) != info.codes.end())
            return info.id;
    }
    return CharClass::UnknownChars;     // not reached: the classes cover every code
}

bool FindClassByName(std::string_view name, CharClass& cls)
{
    for (const CharClassInfo& info : kClasses) {
        if (info.name.size() == name.size() &&
            std::equal(name.begin(), name.end(), info.name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            })) {
            cls = info.id;
            return true;
        }
    }
    return false;
}

ClassStates DeriveClassStates(const InclusionTable& table)
{
    ClassStates states{};
    for (const CharClassInfo& info : kClasses) {
        ClassState state = table[info.codes.front()] != 0 ? ClassState::Checked : ClassState::Unchecked;
        for (std::uint8_t code : info.codes.subspan(1)) {
            const ClassState entry = table[code] != 0 ? ClassState::Checked : ClassState::Unchecked;
            if (entry != state) {
                state = ClassState::Indeterminate;
                break;
            }
        }
        states[Index(info.id)] = state;
    }
    return states;
}

void ApplyClassStates(const ClassStates& states, InclusionTable& table)
{
    for (const CharClassInfo& info : kClasses) {
        const ClassState state = states[Index(info.id)];
        if (state != ClassState::Indeterminate)
            SetClassEntries(info.id, state == ClassState::Checked ? 1 : 0, table);
    }
}

ClassState ClickedClassState(ClassState before)
{
    return before == ClassState::Unchecked ? ClassState::Checked : ClassState::Unchecked;
}

void ApplyPreset(InclusionPreset preset, ClassStates& states, InclusionTable& table)
{
    states.fill(ClassState::Unchecked);
    auto check = [&states](CharClass cls) { states[Index(cls)] = ClassState::Checked; };
    switch (preset) {
    case InclusionPreset::Pure:
        check(CharClass::RussianLower);
        ApplyClassStates(states, table);
        states[Index(CharClass::SpacesPunctuation)] = ClassState::Indeterminate;
        table[32] = 1;
        break;
    case InclusionPreset::Normal:
        check(CharClass::RussianLower);
        check(CharClass::RussianUpper);
        check(CharClass::SpacesPunctuation);
        ApplyClassStates(states, table);
        states[Index(CharClass::SignsBracesQuotes)] = ClassState::Indeterminate;
        for (int code : {34, 39, 40, 41, 45})
            table[static_cast<std::size_t>(code)] = 1;
        break;
    case InclusionPreset::Rich:
        check(CharClass::Digits);
        check(CharClass::RussianLower);
        check(CharClass::RussianUpper);
        check(CharClass::SignsBracesQuotes);
        check(CharClass::SpacesPunctuation);
        ApplyClassStates(states, table);
        break;
    }
}
