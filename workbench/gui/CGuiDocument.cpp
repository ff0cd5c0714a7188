#include "CGuiDocument.h"

#include "CAdditionalSpaceDlg.h"
#include "CChildFrame.h"
#include "CCoefficientDlg.h"
#include "CDictionaryDlg.h"
#include "CNoiseDlg.h"
#include "CPageReadJob.h"
#include "CRecognizeApp.h"
#include "CRecognizeDoc.h"
#include "CTextInputDlg.h"
#include "DataFiles.h"
#include "DictionarySettings.h"
#include "IUserPrompts.h"
#include "PageSummary.h"
#include "PictureFile.h"
#include "TextCodec.h"
#include "WordListLetters.h"

#include "ByteStream.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

namespace {

const QStringList kBitmapFilters = {QStringLiteral("BMP files (*.bmp)"), QStringLiteral("All files (*.*)")};

// The folder the font dialog opens in: ./Fonts when there is one, else the folder in which
// the default font is found, else the working directory.
QString FontsFolder()
{
    const QFileInfo local(QStringLiteral("Fonts"));
    if (local.isDir())
        return local.absoluteFilePath();
    const QFileInfo font(FromLocalPath(FindDataFile(kDefaultFontPath)));
    return font.exists() ? font.absolutePath() : QDir::currentPath();
}

}  // namespace

CGuiDocument::CGuiDocument(CRecognizeApp& app, std::unique_ptr<CRecognizeDoc> doc)
    : m_App(app), m_pDoc(std::move(doc)), m_pPageJob(std::make_unique<CPageReadJob>())
{
    m_pDoc->SetMessageSink(&app.MessageSink());
    QObject::connect(m_pPageJob.get(), &CPageReadJob::Finished, m_pPageJob.get(), [this] {
        m_pDoc->SetPage(m_pPageJob->TakeResult());
        emit PageRead(QString::fromStdString(PageSummary(m_pDoc->Page())));
        OnChanged();
    });
}

CGuiDocument::~CGuiDocument() = default;

void CGuiDocument::SetPathName(const QString& path)
{
    const QFileInfo info(path);
    m_strPathName = info.absoluteFilePath();
    SetTitle(info.fileName());
}

void CGuiDocument::SetTitle(const QString& title)
{
    m_strTitle = title;
    for (CChildFrame* frame : m_Frames)
        frame->UpdateFrameTitle();
}

bool CGuiDocument::IsModified() const
{
    return m_pDoc->IsModified();
}

void CGuiDocument::AddFrame(CChildFrame* frame)
{
    m_Frames.push_back(frame);
    UpdateFrameCounts();
}

void CGuiDocument::RemoveFrame(CChildFrame* frame)
{
    std::erase(m_Frames, frame);
    UpdateFrameCounts();
}

void CGuiDocument::UpdateFrameCounts()
{
    const int count = static_cast<int>(m_Frames.size());
    for (int i = 0; i < count; ++i)
        m_Frames[static_cast<std::size_t>(i)]->SetWindowNumber(count > 1 ? i + 1 : 0);
}

void CGuiDocument::OnChanged()
{
    emit Changed();
}

bool CGuiDocument::SaveModified()
{
    if (!IsModified())
        return true;
    const QString name = m_strPathName.isEmpty() ? m_strTitle : QDir::toNativeSeparators(m_strPathName);
    const auto answer =
        m_App.Prompts().ShowMessage(m_App.DialogParent(), QStringLiteral("Save changes to %1?").arg(name),
                                    QString::fromUtf8(CRecognizeApp::kAppName), QMessageBox::Question,
                                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Yes)
        return DoFileSave();
    return true;
}

bool CGuiDocument::DoFileSave()
{
    return DoSave(m_strPathName);
}

bool CGuiDocument::DoSave(const QString& path)
{
    QString target = path;
    if (target.isEmpty()) {
        FileDialogRequest request;
        request.strCaption = QStringLiteral("Save As");
        QString proposed = m_strTitle;
        if (m_strPathName.isEmpty() && !proposed.contains(QLatin1Char('.')))
            proposed += QStringLiteral(".rdf");
        request.strInitialName = m_strPathName.isEmpty() ? proposed : m_strPathName;
        request.filters = {QString::fromUtf8(CRecognizeApp::kDocFilter), QStringLiteral("All Files (*.*)")};
        request.strDefaultSuffix = QStringLiteral("rdf");
        request.bConfirmOverwrite = true;
        target = m_App.Prompts().GetSaveFileName(m_App.DialogParent(), request);
        if (target.isEmpty())
            return false;
    }
    // An opened picture in colour or grey keeps only its pure black pixels in an .rdf file.
    if (m_pDoc->ShowsWholePicture() && m_pDoc->PictureHasColours()) {
        const auto answer = m_App.Prompts().ShowMessage(
            m_App.DialogParent(),
            QStringLiteral("An .rdf document keeps only the pure black pixels of its picture; the other colours "
                           "of this picture are saved as white, and Read Page may then read it otherwise. Save anyway?"),
            QString::fromUtf8(CRecognizeApp::kAppName), QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return false;
    }
    // The model writes atomically and reports a failure itself; the old file stays.
    if (!m_pDoc->SaveDocument(ToLocalPath(target)))
        return false;
    m_pDoc->SetModifiedFlag(false);
    SetPathName(target);
    m_App.RecentFiles().Add(m_strPathName);
    OnChanged();
    return true;
}

void CGuiDocument::OnFileClose()
{
    if (!SaveModified())
        return;
    // The last window to close takes this document with it.
    const std::vector<CChildFrame*> frames = m_Frames;
    for (CChildFrame* frame : frames)
        frame->CloseWithoutPrompt();
}

void CGuiDocument::OnFileSave()
{
    DoFileSave();
}

void CGuiDocument::OnFileSaveAs()
{
    DoSave(QString());
}

void CGuiDocument::OnEditText()
{
    m_pDoc->OnEditText();
}

void CGuiDocument::OnEditGraphics()
{
    m_pDoc->OnEditGraphics();
}

void CGuiDocument::OnSaveBitmap()
{
    FileDialogRequest request;
    request.strCaption = QStringLiteral("Save As");
    request.strInitialName = QStringLiteral("Current");
    request.filters = kBitmapFilters;
    request.strDefaultSuffix = QStringLiteral("bmp");
    request.bConfirmOverwrite = true;
    const QString path = m_App.Prompts().GetSaveFileName(m_App.DialogParent(), request);
    if (!path.isEmpty())
        m_pDoc->SaveBitmap(ToLocalPath(path));
}

void CGuiDocument::OnLoadBitmap()
{
    FileDialogRequest request;
    request.strCaption = QStringLiteral("Open");
    request.strInitialName = QStringLiteral("Current");
    request.filters = kBitmapFilters;
    request.strDefaultSuffix = QStringLiteral("bmp");
    const QString path = m_App.Prompts().GetOpenFileName(m_App.DialogParent(), request);
    if (!path.isEmpty())
        LoadBitmapFile(path);
}

bool CGuiDocument::LoadBitmapFile(const QString& path)
{
    PictureLoad load = LoadBmpPicture(ToLocalPath(path));
    const std::string refusal = load.message;
    if (!m_pDoc->LoadBitmap(std::move(load))) {
        // The message box gives the cause; the status bar names the file with it.
        if (!refusal.empty())
            emit StatusNote(QString::fromStdString(refusal));
        return false;
    }
    // A picture larger than the document shows is not cut off silently.
    const std::string note = LoadedPictureNote(m_pDoc->m_Picture.width(), m_pDoc->m_Picture.height(),
                                               m_pDoc->GetPictureRect());
    if (!note.empty())
        emit StatusNote(QString::fromStdString(note));
    return true;
}

bool CGuiDocument::LoadFontFile(const QString& path)
{
    return m_pDoc->LoadFont(ToLocalPath(path));
}

void CGuiDocument::OnSetText()
{
    if (!m_pDoc->CanSetText()) {
        m_pDoc->Messages().Beep();
        return;
    }
    CTextInputDlg dialog(m_App.Prompts(), m_App.DialogParent());
    dialog.m_strText = m_pDoc->m_strUserText;
    if (dialog.DoModal() == QDialog::Accepted)
        m_pDoc->SetText(dialog.m_strText);
}

void CGuiDocument::OnRecognizeSimple()
{
    Recognize(&CRecognizeDoc::OnRecognizeSimple);
}

void CGuiDocument::OnRecognizeComplex()
{
    Recognize(&CRecognizeDoc::OnRecognizeComplex);
}

void CGuiDocument::Recognize(void (CRecognizeDoc::*command)())
{
    const unsigned revision = m_pDoc->Trace().nRevision;
    (*m_pDoc.*command)();
    if (m_pDoc->Trace().nRevision != revision)
        emit Recognized(m_pDoc->Trace());
}

void CGuiDocument::OnRecognitionCoefficient()
{
    CCoefficientDlg dialog(m_App.Prompts(), m_App.DialogParent());
    dialog.m_dValue = m_pDoc->m_dCoefficient;
    if (dialog.DoModal() == QDialog::Accepted)
        m_pDoc->m_dCoefficient = dialog.m_dValue;
}

void CGuiDocument::OnLoadFont()
{
    // The dialog opens in the Fonts folder; the working directory is left alone.
    FileDialogRequest request;
    request.strCaption = QStringLiteral("Open");
    request.strDirectory = FontsFolder();
    request.strInitialName = QStringLiteral("default.GLF");
    request.filters = {QStringLiteral("Char Images Files (*.GLF)")};
    request.strDefaultSuffix = QStringLiteral("GLF");
    const QString path = m_App.Prompts().GetOpenFileName(m_App.DialogParent(), request);
    if (!path.isEmpty())
        LoadFontFile(path);
}

void CGuiDocument::OnAdditionalSpace()
{
    CAdditionalSpaceDlg dialog(m_App.Prompts(), m_App.DialogParent());
    dialog.m_nSpace = m_pDoc->m_nAdditionalSpace;
    if (dialog.DoModal() == QDialog::Accepted)
        m_pDoc->SetAdditionalSpace(dialog.m_nSpace);
}

void CGuiDocument::OnDictionary()
{
    CDictionaryDlg dialog(m_App.Prompts(), m_App.DialogParent());
    if (!m_pDoc->DictionaryChoice().empty())
        dialog.m_strPath = FromLocalPath(m_pDoc->DictionaryChoice());
    dialog.m_nAlphabet = m_pDoc->DictionaryAlphabet();
    dialog.m_bOpenWords = m_pDoc->OpenWords();
    dialog.m_dUnknownPenalty = m_pDoc->UnknownPenalty();
    dialog.m_bFontHasCyrillic = HasCyrillicGlyphs(m_pDoc->m_Font);
    if (dialog.DoModal() != QDialog::Accepted)
        return;
    // A list that cannot be read is reported and changes nothing.
    if (m_pDoc->LoadDictionary(ToLocalPath(dialog.m_strPath), dialog.m_nAlphabet)) {
        m_pDoc->SetOpenWords(dialog.m_bOpenWords, dialog.m_dUnknownPenalty);
        WriteDictionaryChoice({true, dialog.m_strPath, dialog.m_nAlphabet, dialog.m_bOpenWords, dialog.m_dUnknownPenalty});
    }
}

void CGuiDocument::OnAddNoise()
{
    CNoiseDlg dialog(m_App.Prompts(), m_App.DialogParent());
    dialog.m_Noise = m_App.LastNoise();
    dialog.m_Noise.seed = NewNoiseSeed();
    if (dialog.DoModal() != QDialog::Accepted)
        return;
    m_App.LastNoise() = dialog.m_Noise;
    if (m_pDoc->OnAddNoise(dialog.m_Noise))
        OnChanged();
}

void CGuiDocument::OnLineWidth1()
{
    m_pDoc->SetLineWidth(1);
}

void CGuiDocument::OnLineWidth3()
{
    m_pDoc->SetLineWidth(3);
}

void CGuiDocument::OnLineWidth5()
{
    m_pDoc->SetLineWidth(5);
}

CommandState CGuiDocument::OnUpdateEditText() const
{
    return {m_pDoc->CanEditText(), m_pDoc->m_bEditText != 0};
}

CommandState CGuiDocument::OnUpdateEditGraphics() const
{
    return {true, m_pDoc->m_bEditGraphics != 0};
}

CommandState CGuiDocument::OnUpdateSetText() const
{
    return {m_pDoc->CanSetText(), false};
}

CommandState CGuiDocument::OnUpdateLineWidth1() const
{
    return {true, m_pDoc->m_nLineWidth == 1};
}

CommandState CGuiDocument::OnUpdateLineWidth3() const
{
    return {true, m_pDoc->m_nLineWidth == 3};
}

CommandState CGuiDocument::OnUpdateLineWidth5() const
{
    return {true, m_pDoc->m_nLineWidth == 5};
}

void CGuiDocument::OnReadPage()
{
    m_pDoc->EnsurePicture();
    if (m_pPageJob->Start(m_pDoc->m_Picture, m_pDoc->m_Font, m_pDoc->PageReadOptions())) {
        emit StatusNote(QStringLiteral("Reading the page..."));
        OnChanged();
    }
}

bool CGuiDocument::IsReadingPage() const
{
    return m_pPageJob->Running();
}

void CGuiDocument::WaitForPage()
{
    m_pPageJob->Wait();
}

void CGuiDocument::OnCopyPageText()
{
    QGuiApplication::clipboard()->setText(QString::fromStdString(m_pDoc->Page().text));
}

void CGuiDocument::OnSavePageText()
{
    FileDialogRequest request;
    request.strCaption = QStringLiteral("Save Text As");
    request.strInitialName = QFileInfo(m_strTitle).completeBaseName() + QStringLiteral(".txt");
    request.filters = {QStringLiteral("Text files (*.txt)"), QStringLiteral("All files (*.*)")};
    request.strDefaultSuffix = QStringLiteral("txt");
    request.bConfirmOverwrite = true;
    const QString path = m_App.Prompts().GetSaveFileName(m_App.DialogParent(), request);
    if (!path.isEmpty())
        SavePageText(path);
}

bool CGuiDocument::SavePageText(const QString& path)
{
    QByteArray text = QByteArray::fromStdString(m_pDoc->Page().text);
    if (!text.isEmpty())
        text.append('\n');
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.constData());
    // The previous file stays whole when the text cannot be written.
    if (WriteFileAtomically(ToLocalPath(path), std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(text.size()))))
        return true;
    m_App.Prompts().ShowMessage(m_App.DialogParent(),
                                QStringLiteral("Cannot write the text to %1.").arg(QDir::toNativeSeparators(path)),
                                QString::fromUtf8(CRecognizeApp::kAppName), QMessageBox::Critical, QMessageBox::Ok);
    return false;
}

void CGuiDocument::OnCopyResultText()
{
    QGuiApplication::clipboard()->setText(FromCp1251(m_pDoc->m_strResultText));
}

CommandState CGuiDocument::OnUpdateReadPage() const
{
    return {!m_pPageJob->Running(), false};
}

CommandState CGuiDocument::OnUpdatePageText() const
{
    return {m_pDoc->HasPage() && !m_pDoc->Page().Empty(), false};
}

CommandState CGuiDocument::OnUpdateCopyResultText() const
{
    return {m_pDoc->m_bResultPicture != 0, false};
}
