// The recognition document: Simple and Complex recognition.
#include "CRecognizeDoc.h"

#include "CComplexRecognizer.h"
#include "COpenRecognizer.h"
#include "CSimpleRecognizer.h"
#include "CellMatching.h"
#include "DocMessages.h"
#include "RecognitionMessages.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <new>

using RecognitionMessages::kAllocationError;
using RecognitionMessages::kNoDictionary;
using RecognitionMessages::kNoVariants;

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

void CRecognizeDoc::DropTrace() {
    const unsigned revision = m_Trace.nRevision;
    m_Trace = RecognitionTrace();
    m_Trace.nRevision = revision + 1;
}

void CRecognizeDoc::OnRecognizeSimple() {
    if (m_nCells <= 0)
        return;
    const Clock::time_point start = Clock::now();
    // A font loaded after the text was set can make the rectangle to read too large.
    if (!CheckCellCount(m_nCells))
        return;
    const CellGrid grid = Geometry().Grid();
    const int width = grid.width;
    const int height = grid.height;

    SimpleResult result;
    try {
        result = CSimpleRecognizer().Recognize(m_Picture, m_Font, grid, m_nCells, m_dCoefficient);
    } catch (const std::bad_alloc&) {
        // Too many positions to hold their variants: the document stays as it was.
        ShowError(kAllocationError, DocMessages::kAppTitle);
        return;
    }
    RecognitionTrace trace;
    trace.kind = RecognitionTrace::Kind::Simple;
    trace.positions.resize(result.variants.size());
    for (std::size_t p = 0; p < result.variants.size(); ++p) {
        TracePosition& position = trace.positions[p];
        const CCharVariants& variants = result.variants[p];
        position.variants.reserve(static_cast<std::size_t>(variants.m_nCount));
        for (int i = 0; i < variants.m_nCount; ++i)
            position.variants.push_back({variants.m_Codes[i], variants.m_Costs[i]});
        position.best = result.ranges[p].best;
        position.worst = result.ranges[p].worst;
        position.simple = position.final = static_cast<std::uint8_t>(result.text[p]);
    }
    m_strResultText = std::move(result.text);
    m_pCharVariants = std::move(result.variants);
    m_SimpleRest = std::move(result);
    trace.nRevision = m_Trace.nRevision + 1;
    trace.dMilliseconds = MillisecondsSince(start);
    m_Trace = std::move(trace);

    // The document keeps the last cell that was captured. A cell past the largest coordinate
    // lies outside every picture, as does the same cell moved left onto that coordinate.
    const long long left = std::min<long long>(grid.CellLeft(m_nCells - 1), INT_MAX - width);
    CaptureFromDC(m_CellImage, m_Picture, static_cast<int>(left), static_cast<int>(grid.top),
                  static_cast<int>(left) + width, static_cast<int>(grid.top) + height);

    m_bResultChanged = 1;
    m_bResultPicture = 1;
    UpdateAllViews(nullptr, 0);
}

void CRecognizeDoc::OnRecognizeComplex() {
    if (m_nCells > 0 && !CheckCellCount(m_nCells))
        return;
    const Clock::time_point start = Clock::now();
    OnRecognizeSimple();
    const int cells = std::max(m_nCells, 0);
    ComplexResult result;
    try {
        if (m_bOpenWords)
            result = RecognizeOpenWords(cells);
        else
            result = CComplexRecognizer().Recognize(cells, m_pCharVariants, Dictionary(), m_pPrefixLists,
                                                [this](PrefixListsStatus status) {
                                                    if (status == PrefixListsStatus::NoDictionary)
                                                        ShowError(kNoDictionary, DocMessages::kAppTitle);
                                                    else if (status == PrefixListsStatus::AllocationError)
                                                        ShowError(kAllocationError, DocMessages::kAppTitle);
                                                });
    } catch (const std::bad_alloc&) {
        ShowError(kAllocationError, DocMessages::kAppTitle);
        return;
    }
    m_strResultText = std::move(result.text);
    RecordComplexTrace(result, MillisecondsSince(start));
    if (!result.bCut) {
        ShowError(kNoVariants, DocMessages::kAppTitle);
        return;
    }
    m_bResultChanged = 1;
    UpdateAllViews(nullptr, 0);
}

void CRecognizeDoc::SetOpenWords(bool open, double penalty) {
    m_bOpenWords = open;
    m_dUnknownPenalty = std::isfinite(penalty) ? std::clamp(penalty, 0.0, OpenWordsOptions::kMaxPenalty)
                                               : OpenWordsOptions::kDefaultPenalty;
}

ComplexResult CRecognizeDoc::RecognizeOpenWords(int cells) {
    // The open step has no prefix lists; those of an earlier list-only step would mislead.
    m_pPrefixLists.clear();
    OpenWordsOptions options;
    options.dUnknownPenalty = m_dUnknownPenalty;
    options.nCellPixels = m_Font.CellWidth() * m_Font.CellHeight();
    // The Simple step's text and variants stay in the document; they are lent for the step.
    SimpleResult simple = std::move(m_SimpleRest);
    simple.text = m_strResultText;
    simple.variants = std::move(m_pCharVariants);
    struct Restore {
        CRecognizeDoc& doc;
        SimpleResult& simple;
        ~Restore() {
            doc.m_pCharVariants = std::move(simple.variants);
            doc.m_SimpleRest = std::move(simple);
        }
    } restore{*this, simple};
    return COpenRecognizer(options).Recognize(cells, simple, Dictionary());
}

void CRecognizeDoc::BuildPrefixLists(int a, std::int32_t* row) {
    switch (::BuildPrefixLists(m_pPrefixLists, a, m_nCells, m_pCharVariants, Dictionary(), row)) {
    case PrefixListsStatus::AllocationError:
        ShowError(kAllocationError, DocMessages::kAppTitle);
        break;
    case PrefixListsStatus::NoDictionary:
        ShowError(kNoDictionary, DocMessages::kAppTitle);
        break;
    default:
        break;
    }
}

void CRecognizeDoc::RecordComplexTrace(const ComplexResult& result, double milliseconds) {
    // No positions: Simple recognition did nothing, and the trace holds none either.
    if (m_nCells <= 0) {
        m_Trace.positions.clear();
        m_Trace.nRevision += 1;
    }
    m_Trace.kind = RecognitionTrace::Kind::Complex;
    m_Trace.bOpenWords = m_bOpenWords;
    const std::size_t count = std::min(m_Trace.positions.size(), m_strResultText.size());
    for (std::size_t p = 0; p < count; ++p)
        m_Trace.positions[p].final = static_cast<std::uint8_t>(m_strResultText[p]);
    m_Trace.bCut = result.bCut;
    m_Trace.words.clear();
    m_Trace.words.reserve(result.words.size());
    for (const CutWord& word : result.words)
        m_Trace.words.push_back({word.start, word.end, word.cost,
                                 m_strResultText.substr(static_cast<std::size_t>(word.start),
                                                        static_cast<std::size_t>(word.end - word.start)),
                                 word.bKnown});
    m_Trace.totalCost = result.bCut ? result.totalCost : 0;
    m_Trace.dMilliseconds = milliseconds;
}
