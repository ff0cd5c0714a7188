#pragma once

#include <string>
#include <string_view>
#include <vector>

// One text of a corpus: its line number in the file (from 1) and the text in Windows-1251.
struct CorpusLine {
    int number = 0;
    std::string text;
};

// Reads a corpus: UTF-8 text, one text per line, lines ending at LF (a CR before it dropped).
// Empty lines are skipped. False, with "line N: ..." in error, at the first line that is not
// UTF-8 or holds a character Windows-1251 lacks; lines is then left empty.
bool ParseCorpus(std::string_view utf8, std::vector<CorpusLine>& lines, std::string& error);
// The same from a file; error says why a file cannot be read.
bool LoadCorpus(const std::string& path, std::vector<CorpusLine>& lines, std::string& error);
