#pragma once

#include "GeneratorSettings.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

// The ten classes that partition the codes 0..255 (Windows-1251), in the order of their boxes.
enum class CharClass {
    EnglishUpper,
    EnglishLower,
    RussianUpper,
    RussianLower,
    Digits,
    SignsBracesQuotes,
    SpecialSymbols,
    SpacesPunctuation,
    UnknownChars,
    ControlChars,
};

inline constexpr int kClassCount = 10;

// The value of a class box.
enum class ClassState { Unchecked = 0, Checked = 1, Indeterminate = 2 };

using ClassStates = std::array<ClassState, kClassCount>;

// One class: its name in code, its box label and its codes.
struct CharClassInfo {
    CharClass id;
    std::string_view name;      // "EnglishUpper"
    std::string_view label;     // "English letters (Upper Case)"
    std::span<const std::uint8_t> codes;
};

// Returns the description of a class.
const CharClassInfo& ClassInfo(CharClass cls);
// Returns all ten classes in box order.
std::span<const CharClassInfo> AllClasses();
// Returns the class of a code.
CharClass ClassOfCode(std::uint8_t code);
// Finds a class by its name, ignoring case; false when there is none.
bool FindClassByName(std::string_view name, CharClass& cls);

// 1 when every code of a class is included, 0 when none is, 2 when they differ.
ClassStates DeriveClassStates(const InclusionTable& table);
// Sets every code of a checked or unchecked class; leaves indeterminate classes alone.
void ApplyClassStates(const ClassStates& states, InclusionTable& table);
// The state a box takes when clicked: unchecked becomes checked, anything else unchecked.
ClassState ClickedClassState(ClassState before);

enum class InclusionPreset { Pure, Normal, Rich };

// Sets the states and the table as the preset buttons do: applies the preset's states at once,
// then makes the preset's own adjustments.
void ApplyPreset(InclusionPreset preset, ClassStates& states, InclusionTable& table);
