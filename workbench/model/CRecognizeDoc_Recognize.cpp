// The recognition document: Simple and Complex recognition.
#include "CRecognizeDoc.h"

#include "CComplexRecognizer.h"
#include "CSimpleRecognizer.h"
#include "CellMatching.h"
#include "DocMessages.h"
#include "RecognitionMessages.h"

#include <algorithm>
#include <climits>
#include <new>

using RecognitionMessages::kAllocationError;
using RecognitionMessages::kNoDictionary;
using RecognitionMessages::kNoVariants;

void CRecognizeDoc::OnRecognizeSimple() {
    if (m_nCells <= 0)
        return;
    // A font loaded after the text was set can make the rectangle to read too large.
    if (!CheckCellCount(m_nCells))
        return;
    const int width = m_Font.CellWidth();
    const int height = m_Font.CellHeight();
    const CRect rect = GetPictureRect();
    const CellGrid grid{width / 2, (rect.bottom - rect.top - height) / 2, width, height};

    SimpleResult result;
    try {
        result = CSimpleRecognizer().Recognize(m_Picture, m_Font, grid, m_nCells, m_dCoefficient);
    } catch (const std::bad_alloc&) {
        // Too many positions to hold their variants: the document stays as it was.
        ShowError(kAllocationError, DocMessages::kAppTitle);
        return;
    }
    m_strResultText = std::move(result.text);
    m_pCharVariants = std::move(result.variants);

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
    OnRecognizeSimple();
    const int cells = std::max(m_nCells, 0);
    ComplexResult result;
    try {
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
    if (!result.bCut) {
        ShowError(kNoVariants, DocMessages::kAppTitle);
        return;
    }
    m_bResultChanged = 1;
    UpdateAllViews(nullptr, 0);
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
