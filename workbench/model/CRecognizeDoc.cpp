// The recognition document: life cycle, commands, geometry and views.
#include "CRecognizeDoc.h"

#include "CDictionaryCache.h"
#include "DataFiles.h"
#include "DocMessages.h"

#include <algorithm>
#include <climits>
#include <filesystem>

namespace {

const char* const kNewUserText = "No user input yet!";
const char* const kNewResultText = "No recognition info yet!";

}  // namespace

// Every field but the font, the dictionary and the picture starts with its new-document value.
CRecognizeDoc::CRecognizeDoc()
    : m_strUserText(kNewUserText), m_strResultText(kNewResultText), m_pMessages(&m_SilentSink) {}

CRecognizeDoc::~CRecognizeDoc() = default;

void CRecognizeDoc::ShowError(std::string_view text, std::string_view title, MessageIcon icon) {
    m_pMessages->ShowMessage(text, title, icon);
}

// --- Life cycle ---------------------------------------------------------------------------

bool CRecognizeDoc::OnNewDocument() {
    return NewDocument(FindDataFile(kDefaultFontPath),
                       FindDataFile(m_strDictionaryChoice.empty() ? kDictionaryPath : m_strDictionaryChoice));
}

bool CRecognizeDoc::NewDocument(const std::string& fontPath, const std::string& dictPath) {
    m_pPrefixLists.clear();
    m_pCharVariants.clear();
    DropTrace();
    m_dCoefficient = 0.2;
    m_bRedrawPicture = 0;
    m_bResultChanged = 0;
    m_nLineWidth = 3;
    m_strUserText = kNewUserText;
    m_bEditText = 1;
    m_bEditGraphics = 0;
    m_bGraphicsModified = 0;
    m_bPicturePresent = 0;
    m_bResultPicture = 0;
    m_nAdditionalSpace = 3;
    // The default text is never drawn or recognised until the user sets a text.
    m_nCells = 0;
    m_strResultText = kNewResultText;
    m_CellImage = CBitImage();
    m_Picture = CRaster();
    m_bHasPicture = false;
    m_bModified = false;

    // The word list is read at the first use of the dictionary; a missing one leaves it empty.
    if (dictPath.empty()) {
        m_Dictionary.Clear();
        m_Dictionary.SetAlphabet(m_nDictionaryAlphabet);
        m_bDictionaryPending = false;
    } else {
        ChooseDictionaryFile(dictPath);
    }

    m_Font = CCharImageFont();
    SourceChanged();
    if (!m_Font.LoadFromFile(fontPath)) {
        ShowFontProblem(fontPath);
        return false;
    }
    // What the first graphics view does: a white picture of R's size, one cell wide.
    EnsurePicture();
    return true;
}

// --- Dictionary ---------------------------------------------------------------------------

void CRecognizeDoc::SetDictionaryChoice(std::string path, int alphabet) {
    m_strDictionaryChoice = std::move(path);
    m_nDictionaryAlphabet = alphabet == 0 ? 0 : 1;
}

void CRecognizeDoc::ChooseDictionaryFile(std::string path) {
    // The path is fixed now, against the working directory of this moment.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    m_strPendingDictionary = error ? std::move(path) : absolute.string();
    m_Dictionary.Clear();
    m_DictionaryReport = {};
    m_bDictionaryPending = true;
}

CDictionary& CRecognizeDoc::Dictionary() {
    // A dictionary set up by hand since (it has a tree) is kept as it is.
    if (m_bDictionaryPending && m_Dictionary.GetRoot() == nullptr)
        LoadPendingDictionary();
    m_bDictionaryPending = false;
    return m_Dictionary;
}

void CRecognizeDoc::LoadPendingDictionary() {
    m_bDictionaryPending = false;
    m_DictionaryReport =
        CDictionaryCache::Shared().Load(m_Dictionary, m_strPendingDictionary, m_nDictionaryAlphabet);
    // dict.dic may be missing without a message; a list the user chose may not.
    if (m_DictionaryReport.BoundReached() || !m_strDictionaryChoice.empty()) {
        const std::string message = WordListMessage(m_strPendingDictionary, m_DictionaryReport);
        if (!message.empty())
            ShowError(message, DocMessages::kAppTitle);
    }
}

bool CRecognizeDoc::LoadDictionary(const std::string& path, int alphabet) {
    CDictionary loaded;
    const std::string file = FindDataFile(path);
    const DictionaryLoadReport report = CDictionaryCache::Shared().Load(loaded, file, alphabet == 0 ? 0 : 1);
    if (report.Unreadable()) {
        ShowError(WordListMessage(path, report), DocMessages::kAppTitle);
        return false;
    }
    SetDictionaryChoice(path, alphabet);
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(file, error);
    m_strPendingDictionary = error ? file : absolute.string();
    // The prefix lists point into the old tree.
    m_pPrefixLists.clear();
    m_Dictionary.ShareTree(loaded);
    m_DictionaryReport = report;
    m_bDictionaryPending = false;
    if (report.BoundReached())
        ShowError(WordListMessage(path, report), DocMessages::kAppTitle);
    return true;
}

// --- Commands -----------------------------------------------------------------------------

void CRecognizeDoc::OnEditText() {
    if (m_bEditText) {
        m_bEditText = 0;
        return;
    }
    // A hand-edited picture disables the command for good.
    if (!CanEditText())
        return;
    m_bEditText = 1;
    m_bEditGraphics = 0;
}

void CRecognizeDoc::OnEditGraphics() {
    if (m_bEditGraphics) {
        m_bEditGraphics = 0;
        return;
    }
    m_bEditGraphics = 1;
    m_bEditText = 0;
}

bool CRecognizeDoc::LoadFont(const std::string& path) {
    m_Font.Clear();
    // A reading made with the old font no longer belongs to the document, whether or not the
    // new one loads; its outlines leave the views.
    const bool hadPage = m_bHasPage;
    SourceChanged();
    if (hadPage)
        UpdateAllViews(nullptr, 0);
    if (m_Font.LoadFromFile(path))
        return true;
    // The font keeps what the failed read left in it.
    ShowFontProblem(path);
    return false;
}

void CRecognizeDoc::ShowFontProblem(const std::string& path) {
    std::string problem = CCharImageFont::FileProblem(path);
    if (problem.empty())
        problem = "it is not a GLF font";
    m_pMessages->ShowNote(std::string(DocMessages::kCannotLoadFont) + path + ": " + problem + ".");
    ShowError(DocMessages::kInvalidFontFile, DocMessages::kLoadingGlfFile);
}

void CRecognizeDoc::SourceChanged() {
    ++m_nSourceRevision;
    DropPage();
}

bool CRecognizeDoc::SetText(std::string text) {
    if (!CanSetText()) {
        m_pMessages->Beep();
        return false;
    }
    const std::int64_t cells = static_cast<std::int64_t>(text.size()) + m_nAdditionalSpace;
    if (!CheckCellCount(cells))
        return false;
    // The text itself is bounded too: an additional space read from a file may be negative.
    if (text.size() > static_cast<std::size_t>(kMaxCells)) {
        ShowError(DocMessages::kTooManyCells, DocMessages::kAppTitle);
        return false;
    }
    m_strUserText = std::move(text);
    m_nCells = static_cast<int>(cells);
    SetModifiedFlag(true);
    m_bPicturePresent = 1;
    m_bRedrawPicture = 1;
    // Every graphics view renders the text on this update; the document renders it once
    // here so that a document without views has its picture too.
    m_bHasPicture = RenderText(m_Picture, m_strUserText);
    SourceChanged();
    UpdateAllViews(nullptr, 0);
    m_bRedrawPicture = 0;
    return true;
}

bool CRecognizeDoc::SetAdditionalSpace(int space) {
    if (space < 0) {
        ShowError(DocMessages::kNegativeSpace, DocMessages::kAppTitle);
        return false;
    }
    // The cell count moves by the change; a new document's 0 cells do not go below 0.
    const std::int64_t cells =
        std::max<std::int64_t>(0, std::int64_t{m_nCells} - m_nAdditionalSpace + space);
    if (!CheckCellCount(cells))
        return false;
    m_nCells = static_cast<int>(cells);
    m_nAdditionalSpace = space;
    // The picture rectangle changed, and with it what the views draw into the picture.
    SourceChanged();
    UpdateAllViews(nullptr, 0);
    return true;
}

void CRecognizeDoc::OnStrokeDrawn(CDocView* sender) {
    m_bGraphicsModified = 1;
    SetModifiedFlag(true);
    // The outlines of a dropped reading leave every view, the drawing one too.
    const bool hadPage = m_bHasPage;
    SourceChanged();
    UpdateAllViews(hadPage ? nullptr : sender, 0);
}

// --- Geometry and rendering ---------------------------------------------------------------

CRect CRecognizeDoc::GetPictureRect() const {
    return Geometry().Rect();
}

bool CRecognizeDoc::CheckCellCount(std::int64_t cells) {
    const PictureGeometry geometry = PictureGeometry::Of(m_Font, cells);
    if (cells > CRaster::kMaxPixels || cells < -CRaster::kMaxPixels || (geometry.Width() > 0 && !geometry.Allowed())) {
        ShowError(DocMessages::kPictureTooLarge, DocMessages::kAppTitle);
        return false;
    }
    // Small cells keep the rectangle small; the positions themselves are bounded too.
    if (cells > kMaxCells || cells < -kMaxCells) {
        ShowError(DocMessages::kTooManyCells, DocMessages::kAppTitle);
        return false;
    }
    return true;
}

int CRecognizeDoc::TextOriginX() const {
    return Geometry().OriginX();
}

int CRecognizeDoc::TextOriginY() const {
    return Geometry().OriginY();
}

bool CRecognizeDoc::RenderText(CRaster& raster, std::string_view text) const {
    const CRect rect = GetPictureRect();
    if (!CRaster::SizeAllowed(rect.Width(), rect.Height())) {
        raster = CRaster();
        return false;
    }
    raster.Create(rect.Width(), rect.Height(), CRaster::kWhite);
    m_Font.DrawString(raster, text, TextOriginX(), TextOriginY());
    return true;
}

void CRecognizeDoc::EnsurePicture() {
    if (m_bHasPicture)
        return;
    const CRect rect = GetPictureRect();
    m_bHasPicture = CRaster::SizeAllowed(rect.Width(), rect.Height()) &&
                    m_Picture.Create(rect.Width(), rect.Height(), CRaster::kWhite);
}

// --- Views --------------------------------------------------------------------------------

void CRecognizeDoc::AddView(CDocView* view) {
    if (view != nullptr && std::find(m_Views.begin(), m_Views.end(), view) == m_Views.end())
        m_Views.push_back(view);
}

void CRecognizeDoc::RemoveView(CDocView* view) {
    m_Views.erase(std::remove(m_Views.begin(), m_Views.end(), view), m_Views.end());
}

void CRecognizeDoc::UpdateAllViews(CDocView* sender, long hint) {
    // A view may attach or detach views while it updates.
    const std::vector<CDocView*> views = m_Views;
    for (CDocView* view : views)
        if (view != sender && std::find(m_Views.begin(), m_Views.end(), view) != m_Views.end())
            view->OnUpdate(sender, hint);
}
