// The recognition document: whole pictures and their reading as pages.
#include "CRecognizeDoc.h"

#include "DocMessages.h"
#include "PageSummary.h"

#include <algorithm>

bool CRecognizeDoc::OpenPicture(CRaster picture) {
    if (picture.empty()) {
        ShowError(DocMessages::kEmptyOpenedPicture, DocMessages::kAppTitle);
        return false;
    }
    if (!CRaster::SizeAllowed(picture.width(), picture.height())) {
        ShowError(DocMessages::kPictureTooLarge, DocMessages::kAppTitle);
        return false;
    }
    // The document stands as after "&Load Bitmap...", with the whole picture in sight.
    return TakePicture(std::move(picture), true);
}

CRect CRecognizeDoc::ShownRect() const {
    CRect r = GetPictureRect();
    if (m_bWholePicture) {
        r.right = std::max(r.right, m_Picture.width());
        r.bottom = std::max(r.bottom, m_Picture.height());
    }
    return r;
}

void CRecognizeDoc::SetPage(PageReading page) {
    m_pPage = std::make_shared<const PageReading>(std::move(page));
    m_pProportional = std::make_shared<const ProportionalPage>();
    m_bHasPage = true;
    ++m_nPageRevision;
    UpdateAllViews(nullptr, 0);
}

void CRecognizeDoc::SetProportionalPage(ProportionalPage page) {
    m_pPage = std::make_shared<const PageReading>();
    m_pProportional = std::make_shared<const ProportionalPage>(std::move(page));
    m_bHasPage = true;
    ++m_nPageRevision;
    UpdateAllViews(nullptr, 0);
}

bool CRecognizeDoc::HasPageText() const {
    return m_bHasPage && (!m_pProportional->Empty() || !IsPoorReading(*m_pPage));
}

const std::string& CRecognizeDoc::PageText() const {
    return m_pProportional->Empty() ? m_pPage->text : m_pProportional->text;
}

void CRecognizeDoc::DropPage() {
    if (!m_bHasPage)
        return;
    m_pPage = std::make_shared<const PageReading>();
    m_pProportional = std::make_shared<const ProportionalPage>();
    m_bHasPage = false;
    ++m_nPageRevision;
}

bool CRecognizeDoc::PictureHasColours() const {
    const std::uint32_t* pixels = m_Picture.Bits();
    const std::size_t count = static_cast<std::size_t>(m_Picture.width()) * static_cast<std::size_t>(m_Picture.height());
    return std::any_of(pixels, pixels + count, [](std::uint32_t pixel) {
        const std::uint32_t colour = pixel & 0xFFFFFF;
        return colour != CRaster::kBlack && colour != CRaster::kWhite;
    });
}
