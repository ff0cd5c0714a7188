// Letters alike across scripts read in one script a run: the script of the run's own letters,
// Latin glued to digits, else the word's, the line's and the page's.

#include "PageScripts.h"

#include "CodePage1251.h"

#include <gtest/gtest.h>

namespace {

// Latin, Cyrillic and Greek letters a font may draw alike.
const std::vector<std::vector<char32_t>> kTwins = {
    {U'a', U'а', U'α'}, {U'e', U'е'}, {U'o', U'о', U'ο'}, {U'p', U'р', U'ρ'}, {U'c', U'с'}, {U'x', U'х', U'χ'},
    {U'y', U'у'},       {U'K', U'К', U'Κ'}, {U'M', U'М', U'Μ'}, {U'P', U'Р', U'Ρ'}, {U'O', U'О', U'Ο'},
    {U'A', U'А', U'Α'}, {U'T', U'Т', U'Τ'}, {U'E', U'Е', U'Ε'}, {U'H', U'Н', U'Η'}, {U'B', U'В', U'Β'},
    {U'C', U'С'},       {U's', U'ѕ'},        {U'l', U'ӏ'},        {U'3', U'З'},        {U'И', U'Ͷ'},
};

// A line of cells as the cell stage reads them: every cell the first of its twins (the lowest
// code, as the rule ranks them), with all its twins alike.
PageLine Line(std::u32string_view text, const std::u32string_view* near = nullptr)
{
    PageLine line;
    for (char32_t c : text) {
        PageCell cell;
        cell.bBlank = c == U' ';
        cell.code = c;
        cell.alike = {c};
        for (const std::vector<char32_t>& twins : kTwins)
            if (std::find(twins.begin(), twins.end(), c) != twins.end()) {
                cell.code = *std::min_element(twins.begin(), twins.end());
                cell.alike = twins;
            }
        cell.ties = cell.alike;
        line.cells.push_back(cell);
    }
    (void)near;
    return line;
}

std::string Text(const PageLine& line)
{
    std::string text;
    for (const PageCell& cell : line.cells)
        AppendUtf8(text, cell.code);
    return text;
}

std::vector<std::string> Resolve(const std::vector<std::u32string_view>& texts, ScriptReport* report = nullptr)
{
    std::vector<PageLine> lines;
    for (std::u32string_view t : texts)
        lines.push_back(Line(t));
    const ScriptReport r = ResolveScripts(lines);
    if (report)
        *report = r;
    std::vector<std::string> out;
    for (const PageLine& line : lines)
        out.push_back(Text(line));
    return out;
}

TEST(PageScripts, RunsReadInTheScriptOfTheirOwnLetters)
{
    EXPECT_EQ(Resolve({U"сорок лет набралось"}), std::vector<std::string>{"сорок лет набралось"});
    // "ls" stays Latin next to Russian words: l has no common Cyrillic twin.
    EXPECT_EQ(Resolve({U"вместе с -l показывать"}), std::vector<std::string>{"вместе с -l показывать"});
    EXPECT_EQ(Resolve({U"$ ls -l /srv/отчёты план.txt итоги-2020.ods"}),
              std::vector<std::string>{"$ ls -l /srv/отчёты план.txt итоги-2020.ods"});
    // A digit drawn as a letter follows the letters around it; a lone digit stays a digit.
    EXPECT_EQ(Resolve({U"ОБ3ОР 4096 i = 0"}), std::vector<std::string>{"ОБЗОР 4096 i = 0"});
    // A rare letter (the Greek digamma, drawn as И) yields to the common one.
    EXPECT_EQ(Resolve({U"ОПͶСАНͶЕ"}), std::vector<std::string>{"ОПИСАНИЕ"});
}

TEST(PageScripts, LookAlikesOnlyTakeTheirContext)
{
    // Sizes glued to digits are Latin, even in a Russian line, and so are a command's options.
    EXPECT_EQ(Resolve({U"размеры в удобном виде: 1K 234M 2G"}),
              std::vector<std::string>{"размеры в удобном виде: 1K 234M 2G"});
    EXPECT_EQ(Resolve({U"grep [ПАРАМЕТРЫ] -e ШАБЛОН --exec ФАЙЛ"}),
              std::vector<std::string>{"grep [ПАРАМЕТРЫ] -e ШАБЛОН --exec ФАЙЛ"});
    EXPECT_EQ(Resolve({U"что-то есть"}), std::vector<std::string>{"что-то есть"});
    // "ее" alone takes the script of its line, then of the page.
    EXPECT_EQ(Resolve({U"и ее сестра"}), std::vector<std::string>{"и ее сестра"});
    EXPECT_EQ(Resolve({U"cope", U"the page"}), (std::vector<std::string>{"cope", "the page"}));
    EXPECT_EQ(Resolve({U"ее", U"тоже"}), (std::vector<std::string>{"ее", "тоже"}));
    // Nothing on the page tells: the run is counted, not decided.
    ScriptReport report;
    Resolve({U"ТОР"}, &report);
    EXPECT_EQ(report.wordsUndecided, 1);
    EXPECT_EQ(report.wordsDecided, 0);
}

// A letter drawn a pixel apart from its twin in the word's script takes the plain twin, not an
// accented letter that happens to cost less; a letter tied exactly with one of that script
// takes that one.
TEST(PageScripts, ALetterOfTheOtherScriptTakesItsPlainTwin)
{
    std::vector<PageLine> lines = {Line(U"struct")};
    PageCell& c = lines[0].cells[4];
    c.code = U'с';
    c.ties = {U'с'};
    c.alike = {U'с', U'ċ', U'c'};  // cheapest first
    ResolveScripts(lines);
    EXPECT_EQ(Text(lines[0]), "struct");

    lines = {Line(U"тяжелое")};
    PageCell& e = lines[0].cells[3];
    e.code = U'ë';
    e.ties = {U'ë', U'ё'};
    e.alike = {U'ë', U'ё', U'е', U'e'};
    ResolveScripts(lines);
    EXPECT_EQ(Text(lines[0]), "тяжёлое");

    // A rare letter alike with a common one of its word's script takes it, though nothing else
    // in the word is a look-alike.
    lines = {Line(U"Dorka.sh")};
    PageCell& h = lines[0].cells[7];
    h.code = U'һ';
    h.ties = {U'һ'};
    h.alike = {U'һ', U'h'};
    ResolveScripts(lines);
    EXPECT_EQ(Text(lines[0]), "Dorka.sh");
}

}  // namespace
