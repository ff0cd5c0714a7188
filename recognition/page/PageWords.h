#pragma once

// The dictionary steps on the lines of a page: the list-only step of "Recognize (Complex)" and
// the open step, each line read as a row of positions with one blank position after it.

#include "CDictionary.h"
#include "COpenRecognizer.h"
#include "PageCells.h"

#include <string>
#include <vector>

// Which dictionary step reads the lines.
enum class PageWordsStep {
    ListOnly,  // the cut of "Recognize (Complex)": a line with no cut keeps its Simple reading
    Open,      // words outside the list allowed (COpenRecognizer): every line has a cut
};

// The cells of a line as Simple recognition's result over the dictionary's 8-bit codes, with a
// blank position after them so that the last word can end. A code that Windows-1251 lacks (a box
// drawing character, say) becomes one stand-in that is no letter; stand lists, per position, the
// code it stands for.
SimpleResult LineAsSimpleResult(const PageLine& line, std::vector<char32_t>& stand);

// Runs the step on each line's cells. A line with no cut keeps its Simple reading and is marked
// bNoCut; the others take the characters the step chose and are marked bComplex. penalty and
// cellPixels are the open step's (OpenWordsOptions). Throws std::bad_alloc when memory runs out.
void ReadLineWords(std::vector<PageLine>& lines, const CDictionary& dictionary, PageWordsStep step,
                   const OpenWordsOptions& open = {});
