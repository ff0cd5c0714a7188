// The recognition document: the picture as a .BMP file.
#include "CRecognizeDoc.h"

#include "BmpFile.h"
#include "ByteStream.h"
#include "DocMessages.h"

namespace {

// Largest .BMP file that is read: a 32-bit picture at the size bound with the largest
// colour table and headers stays far below it.
constexpr std::size_t kMaxBitmapBytes = std::size_t{512} << 20;

}  // namespace

bool CRecognizeDoc::SaveBitmap(const std::string& path) {
    // A picture of no pixels makes no valid file.
    if (!m_bHasPicture || m_Picture.empty()) {
        ShowError(DocMessages::kEmptyPicture, DocMessages::kAppTitle);
        return false;
    }
    // The raster is written at its own size, which may differ from R.
    if (!WriteFileAtomically(path, EncodeBmp24(m_Picture))) {
        ShowError(DocMessages::kFailedToSaveBitmap, DocMessages::kAppTitle);
        return false;
    }
    return true;
}

bool CRecognizeDoc::LoadBitmap(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::string reason;
    CRaster picture;
    if (!ReadWholeFile(path, bytes, kMaxBitmapBytes))
        reason = "the file cannot be opened or is too large";
    else if (!DecodeBmp(bytes, picture, reason))
        picture = CRaster();
    if (!reason.empty()) {
        ShowError(std::string(DocMessages::kCannotReadBitmap) + reason + ".", DocMessages::kAppTitle);
        return false;
    }
    return TakePicture(std::move(picture), false);
}

bool CRecognizeDoc::TakePicture(CRaster picture, bool whole) {
    // Whole cells of the picture's width; a font with cell width 0 gives no cells.
    const int cellWidth = m_Font.CellWidth();
    const int cells = cellWidth > 0 ? picture.width() / cellWidth : 0;
    if (!CheckCellCount(cells))
        return false;
    m_Picture = std::move(picture);
    m_bHasPicture = true;
    m_bPicturePresent = 1;
    m_bRedrawPicture = 0;
    m_bGraphicsModified = 1;
    m_bEditText = 0;
    m_nCells = cells;
    m_bWholePicture = whole;
    SourceChanged();
    UpdateAllViews(nullptr, 0);
    return true;
}
