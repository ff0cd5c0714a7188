#pragma once

#include <string_view>

// The texts of the messages of the recognition commands (caption "Recognize", error icon).
namespace RecognitionMessages {

// The dictionary has no tree: once for every start position of the dictionary step.
inline constexpr std::string_view kNoDictionary = "You MUST load dictionary \nbefore you can use Step 2!\n";
// The positions cannot be cut into dictionary words.
inline constexpr std::string_view kNoVariants = "There are no variants! \nTry to increase Recognition Coefficient.";
inline constexpr std::string_view kAllocationError = "Memory allocation error!\n";

}  // namespace RecognitionMessages
