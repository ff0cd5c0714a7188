#include "PageWords.h"

#include "CComplexRecognizer.h"
#include "CodePage1251.h"

namespace {

// The byte that stands for a code Windows-1251 lacks: the one code the code page leaves
// undefined, so never a letter of either alphabet.
constexpr std::uint8_t kStandIn = 0x98;

std::uint8_t ByteOf(char32_t code)
{
    return UnicodeToCp1251(code).value_or(kStandIn);
}

}  // namespace

SimpleResult LineAsSimpleResult(const PageLine& line, std::vector<char32_t>& stand)
{
    SimpleResult result;
    const std::size_t n = line.cells.size() + 1;
    result.text.assign(n, ' ');
    result.variants.resize(n);
    result.ranges.resize(n);
    result.tieStart.push_back(0);
    stand.assign(n, U' ');
    for (std::size_t c = 0; c < line.cells.size(); ++c) {
        const PageCell& cell = line.cells[c];
        stand[c] = cell.code;
        result.text[c] = static_cast<char>(ByteOf(cell.code));
        result.ranges[c] = {cell.best, cell.worst};
        bool standIn = false;
        for (const PageVariant& v : cell.variants) {
            const std::uint8_t byte = ByteOf(v.code);
            // One stand-in a position: the first code that needs one keeps it.
            if (byte == kStandIn) {
                if (standIn || v.code != cell.code)
                    continue;
                standIn = true;
            }
            result.variants[c].Add(byte, v.cost);
        }
        for (char32_t tie : cell.ties)
            if (const std::uint8_t byte = ByteOf(tie); byte != kStandIn || tie == cell.code)
                result.tieCodes.push_back(byte);
        result.tieStart.push_back(static_cast<std::uint32_t>(result.tieCodes.size()));
    }
    // The blank position after the line.
    result.variants.back().Add(' ', 0);
    result.tieCodes.push_back(' ');
    result.tieStart.push_back(static_cast<std::uint32_t>(result.tieCodes.size()));
    return result;
}

void ReadLineWords(std::vector<PageLine>& lines, const CDictionary& dictionary, PageWordsStep step,
                   const OpenWordsOptions& open)
{
    const CComplexRecognizer listOnly;
    const COpenRecognizer openStep(open);
    std::vector<CPrefixList> lists;
    std::vector<char32_t> stand;
    for (PageLine& line : lines) {
        line.bComplex = false;
        line.bNoCut = false;
        if (line.cells.empty())
            continue;
        const SimpleResult simple = LineAsSimpleResult(line, stand);
        const int positions = static_cast<int>(simple.variants.size());
        const ComplexResult result =
            step == PageWordsStep::Open
                ? openStep.Recognize(positions, simple, dictionary)
                : listOnly.Recognize(positions, simple.variants, dictionary, lists, [](PrefixListsStatus) {});
        if (!result.bCut || result.text.size() < line.cells.size()) {
            line.bNoCut = true;
            continue;
        }
        for (std::size_t c = 0; c < line.cells.size(); ++c) {
            const auto byte = static_cast<std::uint8_t>(result.text[c]);
            line.cells[c].code = byte == kStandIn ? stand[c] : Cp1251ToUnicode(byte);
        }
        line.bComplex = true;
    }
}
