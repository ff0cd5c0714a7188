#include "PageScripts.h"

#include <algorithm>
#include <array>

namespace {

using Counts = std::array<int, 4>;  // per Script
using Scripts = std::array<bool, 4>;

// The script of an alike code that counts: a common letter's; None for signs, digits and rare letters.
Script TieScript(char32_t code)
{
    return CommonLetter(code) ? ScriptOf(code) : Script::None;
}

// The scripts a cell's letter may be read in: those of its alike codes.
Scripts PossibleScripts(const PageCell& cell)
{
    Scripts possible{};
    for (char32_t code : cell.alike)
        possible[static_cast<std::size_t>(TieScript(code))] = true;
    possible[static_cast<std::size_t>(TieScript(cell.code))] = true;
    possible[0] = false;
    return possible;
}

int Count(const Scripts& s)
{
    return static_cast<int>(s[1]) + static_cast<int>(s[2]) + static_cast<int>(s[3]);
}

// The letter counts of cells first..last - 1 whose only possible script is one.
Counts Unambiguous(const std::vector<PageCell>& cells, std::size_t first, std::size_t last)
{
    Counts counts{};
    for (std::size_t c = first; c < last; ++c) {
        const Scripts possible = PossibleScripts(cells[c]);
        if (ScriptOf(cells[c].code) != Script::None && Count(possible) == 1)
            for (int s = 1; s < 4; ++s)
                counts[static_cast<std::size_t>(s)] += possible[static_cast<std::size_t>(s)] ? 1 : 0;
    }
    return counts;
}

// The script among allowed with the most counts; None when counts do not tell them apart.
Script MostOf(const Counts& counts, const Scripts& allowed)
{
    Script best = Script::None;
    int most = 0;
    bool tied = false;
    for (int s = 1; s < 4; ++s) {
        if (!allowed[static_cast<std::size_t>(s)])
            continue;
        if (counts[static_cast<std::size_t>(s)] > most) {
            most = counts[static_cast<std::size_t>(s)];
            best = static_cast<Script>(s);
            tied = false;
        } else if (counts[static_cast<std::size_t>(s)] == most && most > 0) {
            tied = true;
        }
    }
    return tied ? Script::None : best;
}

// Whether a letter is one of its script's plain alphabet, without diacritics: the twins that
// look alike across scripts (a а α, c с, p р) are these.
bool PlainLetter(char32_t c)
{
    return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || (c >= 0x410 && c <= 0x44F) ||
           (c >= 0x391 && c <= 0x3A9) || (c >= 0x3B1 && c <= 0x3C9);
}

// Reads a cell in script: its own code when it is of it, else a code of it drawn exactly alike
// (a tie), else its cheapest plain alike letter of it, else its cheapest alike code of it. A
// Cyrillic с drawn a pixel apart from the Latin c reads c in a Latin word, not the ċ whose dot
// happens to cost a pixel less; ё tied with ë stays ё.
void ReadIn(PageCell& cell, Script script)
{
    if (ScriptOf(cell.code) == script)
        return;
    for (char32_t code : cell.ties)
        if (TieScript(code) == script) {
            cell.code = code;
            return;
        }
    const char32_t* first = nullptr;
    for (const char32_t& code : cell.alike)
        if (TieScript(code) == script) {
            if (PlainLetter(code)) {
                cell.code = code;
                return;
            }
            if (first == nullptr)
                first = &code;
        }
    if (first != nullptr)
        cell.code = *first;
}

}  // namespace

bool CommonLetter(char32_t c)
{
    switch (ScriptOf(c)) {
    case Script::Latin:
        return true;
    case Script::Cyrillic:
        return (c >= 0x410 && c <= 0x44F) || c == 0x401 || c == 0x451 || c == 0x404 || c == 0x454 || c == 0x406 ||
               c == 0x456 || c == 0x407 || c == 0x457 || c == 0x40E || c == 0x45E || c == 0x490 || c == 0x491;
    case Script::Greek:
        return (c >= 0x391 && c <= 0x3A9) || (c >= 0x3B1 && c <= 0x3C9);
    case Script::None:
        break;
    }
    return false;
}

Script ScriptOf(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7))
        return Script::Latin;
    if (c >= 0x370 && c <= 0x3FF)  // the Greek block, but for its signs and accents
        return c == 0x374 || c == 0x375 || c == 0x37E || c == 0x384 || c == 0x385 || c == 0x387 ? Script::None
                                                                                                  : Script::Greek;
    if (c >= 0x400 && c <= 0x52F)
        return Script::Cyrillic;
    return Script::None;
}

ScriptReport ResolveScripts(std::vector<PageLine>& lines)
{
    ScriptReport report;
    Counts page{};
    std::vector<Counts> lineCounts;
    for (const PageLine& line : lines) {
        lineCounts.push_back(Unambiguous(line.cells, 0, line.cells.size()));
        for (int s = 1; s < 4; ++s)
            page[static_cast<std::size_t>(s)] += lineCounts.back()[static_cast<std::size_t>(s)];
    }
    // A cell takes part when it reads a letter or is alike with one (a digit drawn as a letter).
    auto takesPart = [](const PageCell& cell) { return Count(PossibleScripts(cell)) > 0 || ScriptOf(cell.code) != Script::None; };
    auto isDigit = [&](const PageCell& cell) { return cell.code >= U'0' && cell.code <= U'9' && !takesPart(cell); };
    for (std::size_t l = 0; l < lines.size(); ++l) {
        std::vector<PageCell>& cells = lines[l].cells;
        // Words are runs of cells without a blank; a word's letters run between its digits and
        // signs ("план.txt", "/srv/отчёты"), and each run is read in one script.
        for (std::size_t word = 0; word < cells.size();) {
            if (cells[word].code == U' ') {
                ++word;
                continue;
            }
            std::size_t wordEnd = word;
            while (wordEnd < cells.size() && cells[wordEnd].code != U' ')
                ++wordEnd;
            for (std::size_t first = word; first < wordEnd;) {
                if (!takesPart(cells[first])) {
                    ++first;
                    continue;
                }
                std::size_t last = first;
                while (last < wordEnd && takesPart(cells[last]))
                    ++last;
                // The scripts every letter of the run may be read in (digits alike with letters
                // follow the letters, they do not lead them).
                Counts fits{};
                int letters = 0;
                bool lookAlike = false;
                for (std::size_t c = first; c < last; ++c) {
                    if (ScriptOf(cells[c].code) == Script::None)
                        continue;
                    const Scripts possible = PossibleScripts(cells[c]);
                    ++letters;
                    // A rare letter alike with a common one of another script (Cyrillic һ and
                    // Latin h) is a look-alike too.
                    lookAlike = lookAlike || Count(possible) > 1 ||
                                (Count(possible) == 1 && !possible[static_cast<std::size_t>(ScriptOf(cells[c].code))]);
                    for (int s = 1; s < 4; ++s)
                        fits[static_cast<std::size_t>(s)] += possible[static_cast<std::size_t>(s)] ? 1 : 0;
                }
                if (letters > 0 && (lookAlike || std::any_of(cells.begin() + static_cast<std::ptrdiff_t>(first),
                                                             cells.begin() + static_cast<std::ptrdiff_t>(last),
                                                             [](const PageCell& cell) { return ScriptOf(cell.code) == Script::None; }))) {
                    const int most = *std::max_element(fits.begin() + 1, fits.end());
                    Scripts best{};
                    for (int s = 1; s < 4; ++s)
                        best[static_cast<std::size_t>(s)] = fits[static_cast<std::size_t>(s)] == most && most > 0;
                    Script script = Count(best) == 1 ? static_cast<Script>(std::find(best.begin() + 1, best.end(), true) - best.begin())
                                                     : Script::None;
                    // Letters glued to digits with nothing else to tell their script are units,
                    // sizes and hexadecimal numbers: Latin.
                    const bool glued = (first > word && isDigit(cells[first - 1])) || (last < wordEnd && isDigit(cells[last]));
                    // So are a command's options: letters after the one or two hyphens a word
                    // starts with ("-e", "--all").
                    const std::size_t hyphens = first - word;
                    const bool option = (hyphens == 1 || hyphens == 2) &&
                                        std::all_of(cells.begin() + static_cast<std::ptrdiff_t>(word),
                                                    cells.begin() + static_cast<std::ptrdiff_t>(first),
                                                    [](const PageCell& cell) { return cell.code == U'-'; });
                    if (script == Script::None && (glued || option) && best[static_cast<std::size_t>(Script::Latin)])
                        script = Script::Latin;
                    if (script == Script::None)
                        script = MostOf(Unambiguous(cells, word, wordEnd), best);
                    if (script == Script::None)
                        script = MostOf(lineCounts[l], best);
                    if (script == Script::None)
                        script = MostOf(page, best);
                    if (script == Script::None) {
                        if (lookAlike)
                            ++report.wordsUndecided;
                    } else {
                        if (lookAlike)
                            ++report.wordsDecided;
                        for (std::size_t c = first; c < last; ++c)
                            ReadIn(cells[c], script);
                    }
                }
                first = last;
            }
            word = wordEnd;
        }
    }
    return report;
}
