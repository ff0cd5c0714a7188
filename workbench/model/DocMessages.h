#pragma once

#include <string_view>

// The texts and titles of the messages that the document reports through its message sink.
namespace DocMessages {

inline constexpr std::string_view kAppTitle = "Recognize";

// A font file that cannot be loaded: a new document, "Load &Font...".
inline constexpr std::string_view kInvalidFontFile = "Invalid CharImageFont File";
inline constexpr std::string_view kLoadingGlfFile = "Loading GLF file";
// The note beside it: kCannotLoadFont, the file, ": ", the cause and a full stop.
inline constexpr std::string_view kCannotLoadFont = "Cannot load the font ";
// The font block of an .rdf document that cannot be loaded.
inline constexpr std::string_view kInvalidFontFormat = "Invalid font format!";
inline constexpr std::string_view kLoadingFont = "Loading font";

// Opening and saving .rdf documents (title kAppTitle).
inline constexpr std::string_view kUnexpectedFormat = "Unexpected file format.";
inline constexpr std::string_view kFailedToOpen = "Failed to open document.";
inline constexpr std::string_view kFailedToSave = "Failed to save document.";

// The bound on the picture (title kAppTitle).
inline constexpr std::string_view kPictureTooLarge =
    "The picture would be too large: a picture may hold at most 67108864 pixels (256 MiB).";
inline constexpr std::string_view kTooManyCells =
    "The picture would hold too many character cells: at most 65536 are allowed.";
inline constexpr std::string_view kNegativeSpace = "The additional space cannot be negative.";

// .BMP files (title kAppTitle). A failed load reports kCannotReadBitmap, the reason and a
// full stop.
inline constexpr std::string_view kCannotReadBitmap = "Cannot read the bitmap file: ";
inline constexpr std::string_view kFailedToSaveBitmap = "Failed to save bitmap.";
inline constexpr std::string_view kEmptyPicture = "The picture is empty: there is nothing to save.";
// "Open &Picture..." with a picture of no pixels (title kAppTitle).
inline constexpr std::string_view kEmptyOpenedPicture = "The picture has no pixels: there is nothing to read.";

// Word lists (title kAppTitle): kCannotReadWordList, the file and a full stop; the bound:
// kWordListTooLong1, the file, kWordListTooLong2, the words kept, kWordListTooLong3, the
// lines of the file, kWordListTooLong4.
inline constexpr std::string_view kCannotReadWordList = "Cannot read the word list ";
inline constexpr std::string_view kWordListTooLong1 = "The word list ";
inline constexpr std::string_view kWordListTooLong2 = " is larger than the dictionary holds: only its first ";
inline constexpr std::string_view kWordListTooLong3 = " of ";
inline constexpr std::string_view kWordListTooLong4 = " words were kept.";

}  // namespace DocMessages
