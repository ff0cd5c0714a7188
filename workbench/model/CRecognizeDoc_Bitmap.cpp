// The recognition document: the picture as a .BMP file.
#include "CRecognizeDoc.h"

#include "BmpFile.h"
#include "ByteStream.h"
#include "DocMessages.h"
#include "PictureFile.h"

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
    return LoadBitmap(LoadBmpPicture(path));
}

bool CRecognizeDoc::LoadBitmap(PictureLoad load) {
    if (!load.Ok()) {
        ShowError(std::string(DocMessages::kCannotReadBitmap) + load.reason + ".", DocMessages::kAppTitle);
        return false;
    }
    return TakePicture(std::move(load.raster), false);
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
