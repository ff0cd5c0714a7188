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
#include "CDictionaryCache.h"
#include "DataFiles.h"
#include "DictionarySettings.h"
#include "FontCache.h"
#include "FontSearch.h"
#include "IUserPrompts.h"
#include "PageSummary.h"
#include "PictureFile.h"
#include "TextCodec.h"
#include "WordListLetters.h"

#include "ByteStream.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProgressDialog>

#include <algorithm>
#include <optional>
#include <utility>

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

// The text without the blanks at the end of each of its lines.
QString WithoutTrailingBlanks(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        qsizetype end = line.size();
        while (end > 0 && line.at(end - 1) == QLatin1Char(' '))
            --end;
        line.truncate(end);
    }
    return lines.join(QLatin1Char('\n'));
}

// What the status bar says after text was put on the clipboard.
QString CopiedNote(const QString& text)
{
    if (text.isEmpty())
        return QStringLiteral("The text is empty: the clipboard now holds nothing.");
    const qsizetype lines = text.count(QLatin1Char('\n')) + (text.endsWith(QLatin1Char('\n')) ? 0 : 1);
    const qsizetype characters = text.size() - text.count(QLatin1Char('\n'));
    return QStringLiteral("Copied %1 line%2, %3 character%4 to the clipboard.")
        .arg(lines)
        .arg(lines == 1 ? "" : "s")
        .arg(characters)
        .arg(characters == 1 ? "" : "s");
}

// The picture as a PNG file's bytes; empty when it cannot be encoded.
QByteArray EncodePng(const CRaster& picture)
{
    const QImage image(reinterpret_cast<const uchar*>(picture.Bits()), picture.width(), picture.height(),
                       picture.BytesPerLine(), QImage::Format_RGB32);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return {};
    return bytes;
}

std::span<const std::uint8_t> AsBytes(const QByteArray& bytes)
{
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())};
}

constexpr const char* kStaleReading =
    "Read Page: the picture or the font changed while the page was read; the reading was dropped.";

}  // namespace

CGuiDocument::CGuiDocument(CRecognizeApp& app, std::unique_ptr<CRecognizeDoc> doc)
    : m_App(app), m_pDoc(std::move(doc)), m_pPageJob(std::make_unique<CPageReadJob>())
{
    m_pDoc->SetMessageSink(&app.MessageSink());
    QObject::connect(m_pPageJob.get(), &CPageReadJob::Finished, this, &CGuiDocument::OnPageJobFinished);
    m_SearchTimer.setInterval(100);
    QObject::connect(&m_SearchTimer, &QTimer::timeout, this, [this] {
        int done = 0;
        int total = 0;
        m_pPageJob->Progress(done, total);
        if (m_pSearchProgress && total > 0) {
            m_pSearchProgress->setMaximum(total);
            m_pSearchProgress->setValue(std::min(done, total));
        }
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
    // An opened picture in colour or grey keeps only its pure black pixels in an .rdf file;
    // the safe answer, the default, saves the picture whole as a PNG file instead.
    if (m_pDoc->ShowsWholePicture() && m_pDoc->PictureHasColours()) {
        const QMessageBox::StandardButton answer = m_App.Prompts().AskQuestion(
            m_App.DialogParent(),
            QStringLiteral("An .rdf document keeps only the pure black pixels of its picture; the other colours "
                           "of this picture would be saved as white, and Read Page may then read it otherwise.\n\n"
                           "Save the picture whole as a PNG file instead?"),
            QString::fromUtf8(CRecognizeApp::kAppName),
            {{QMessageBox::Save, QStringLiteral("Save Picture As...")},
             {QMessageBox::Ignore, QStringLiteral("Save as .rdf Anyway")},
             {QMessageBox::Cancel, QString()}},
            QMessageBox::Save);
        if (answer == QMessageBox::Save) {
            OnSavePicture();
            return !m_pDoc->IsModified();
        }
        if (answer != QMessageBox::Ignore)
            return false;
    }
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
    if (m_pDoc->Trace().nRevision == revision)
        return;
    emit Recognized(m_pDoc->Trace());
    // The recognition read only the text area; a larger picture is read whole by Read Page.
    const CRect area = m_pDoc->GetPictureRect();
    if (m_pDoc->m_Picture.width() > area.Width() || m_pDoc->m_Picture.height() > area.Height())
        emit StatusNote(QString::fromStdString(m_pDoc->Trace().Summary()) +
                        QStringLiteral(". The picture is larger than the document's text area: Read Page reads the "
                                       "whole picture."));
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
    m_bCopyWhenRead = false;
    m_pDoc->EnsurePicture();
    m_pPageJob->Start(m_pDoc->m_Picture, m_pDoc->m_Font, m_pDoc->PageReadOptions(), m_pDoc->SourceRevision());
    emit StatusNote(QStringLiteral("Reading the page..."));
    OnChanged();
}

void CGuiDocument::ReadPageAndCopy()
{
    OnReadPage();
    m_bCopyWhenRead = true;
}

void CGuiDocument::OnPageJobFinished()
{
    PageJobResult result = m_pPageJob->TakeResult();
    CloseSearchProgress();
    const bool copy = m_bCopyWhenRead;
    if (m_pPageJob->Revision() != m_pDoc->SourceRevision()) {
        m_bCopyWhenRead = false;
        emit StatusNote(QString::fromUtf8(kStaleReading));
        OnChanged();
        return;
    }
    // A picture that no fixed-width font reads well, read as proportional text.
    if (result.bSearched && !result.bCancelled && !result.proportional.Empty()) {
        m_bCopyWhenRead = false;
        m_pDoc->SetProportionalPage(std::move(result.proportional));
        emit PageRead(QString::fromStdString(ProportionalSummary(m_pDoc->Proportional())) +
                      QStringLiteral(". Font found: %1").arg(QString::fromStdString(result.strFont)));
        if (copy)
            OnCopyPageText();
        OnChanged();
        return;
    }
    // A search whose reading is poor, or worse than the document font's, leaves that one.
    if (result.bSearched && (result.bCancelled || result.page.Empty() || IsPoorReading(result.page) ||
                             (!IsPoorReading(m_pDoc->Page()) && result.page.InkedCostShare() >= m_pDoc->Page().InkedCostShare()))) {
        // The reading with the document's font stays, its text withheld; the status bar says
        // that no font was found, after what that reading found.
        m_bCopyWhenRead = false;
        QString why;
        if (result.bCancelled)
            why = QStringLiteral("The font search was cancelled.");
        else if (!result.page.Empty())
            why = QStringLiteral("No installed fixed-width font reads it well either (the best: %1).")
                      .arg(QString::fromStdString(result.strFont));
        else
            why = QStringLiteral("No installed fixed-width font reads it either: %1.")
                      .arg(QString::fromStdString(result.strProblem.empty() ? std::string("no line found") : result.strProblem));
        if (result.bProportionalTried && !result.bCancelled)
            why += QStringLiteral(" No installed proportional family explains it either.");
        emit PageRead(QString::fromStdString(PageSummary(m_pDoc->Page())) + QLatin1Char(' ') + why);
        OnChanged();
        return;
    }
    if (result.bSearched) {
        m_FoundGlyphs = std::move(result.glyphs);
        m_strFoundFont = QString::fromStdString(result.strFont);
        m_nFoundRevision = m_pDoc->SourceRevision();
    }
    m_pDoc->SetPage(std::move(result.page));
    QString summary = QString::fromStdString(PageSummary(m_pDoc->Page()));
    if (FoundFontFits())
        summary += QStringLiteral(". Font found: %1").arg(m_strFoundFont);
    emit PageRead(summary);
    if (!FontFitsPage(m_pDoc->Page()) && !result.bSearched) {
        OnFontDoesNotFit();
    } else {
        m_bCopyWhenRead = false;
        if (copy && !IsPoorReading(m_pDoc->Page()))
            OnCopyPageText();
    }
    OnChanged();
}

bool CGuiDocument::FoundFontFits() const
{
    return !m_FoundGlyphs.Empty() && m_nFoundRevision == m_pDoc->SourceRevision();
}

QString CGuiDocument::FoundFont() const
{
    return FoundFontFits() ? m_strFoundFont : QString();
}

void CGuiDocument::CloseSearchProgress()
{
    m_SearchTimer.stop();
    if (m_pSearchProgress) {
        m_pSearchProgress->deleteLater();
        m_pSearchProgress = nullptr;
    }
}

void CGuiDocument::OnFontDoesNotFit()
{
    // The font is searched among the installed fixed-width families, as the screen's programs
    // draw them, off the user-interface thread; a dialog shows how far the search is and
    // cancels it. The fonts found are remembered as recognize-cli remembers them.
    // A picture that no fixed-width font reads well either is then read as proportional text.
    m_pPageJob->StartSearch(m_pDoc->m_Picture, m_pDoc->PageReadOptions(), m_pDoc->SourceRevision(),
                            FontCacheFile(DefaultDictionaryImageFolder()));
    emit StatusNote(QStringLiteral("Read Page: the document's font does not fit; finding the screen's font..."));
    m_pSearchProgress = new QProgressDialog(QStringLiteral("Finding the screen's font..."), QStringLiteral("Cancel"), 0, 0,
                                            m_App.DialogParent());
    m_pSearchProgress->setWindowTitle(QString::fromUtf8(CRecognizeApp::kAppName));
    m_pSearchProgress->setWindowModality(Qt::WindowModal);
    m_pSearchProgress->setMinimumDuration(300);
    QObject::connect(m_pSearchProgress, &QProgressDialog::canceled, this, [this] { m_pPageJob->Cancel(); });
    m_SearchTimer.start();
}

bool CGuiDocument::IsReadingPage() const
{
    return m_pPageJob->Running();
}

void CGuiDocument::WaitForPage()
{
    // A reading that does not fit starts a search when it ends: that is waited for too.
    while (m_pPageJob->Running())
        m_pPageJob->Wait();
}

QString CGuiDocument::PageText() const
{
    return QString::fromStdString(m_pDoc->PageText());
}

void CGuiDocument::CopyText(const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
    emit StatusNote(CopiedNote(text));
}

void CGuiDocument::OnCopyPageText()
{
    CopyText(PageText());
}

QString CGuiDocument::SaveFolder() const
{
    const QString file = !m_strPicturePath.isEmpty() ? m_strPicturePath : m_strPathName;
    return file.isEmpty() ? QDir::homePath() : QFileInfo(file).absolutePath();
}

QString CGuiDocument::SaveBaseName() const
{
    return QFileInfo(!m_strPicturePath.isEmpty() ? m_strPicturePath : m_strTitle).completeBaseName();
}

void CGuiDocument::OnSavePageText()
{
    FileDialogRequest request;
    request.strCaption = QStringLiteral("Save Text As");
    request.strDirectory = SaveFolder();
    request.strInitialName = SaveBaseName() + QStringLiteral(".txt");
    request.filters = {QStringLiteral("Text files (*.txt)"), QStringLiteral("All files (*.*)")};
    request.strDefaultSuffix = QStringLiteral("txt");
    request.bConfirmOverwrite = true;
    const QString path = m_App.Prompts().GetSaveFileName(m_App.DialogParent(), request);
    if (!path.isEmpty())
        SavePageText(path);
}

bool CGuiDocument::SavePageText(const QString& path)
{
    QByteArray text = PageText().toUtf8();
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
    CopyText(WithoutTrailingBlanks(FromCp1251(m_pDoc->m_strResultText)));
}

void CGuiDocument::OnSavePicture()
{
    FileDialogRequest request;
    request.strCaption = QStringLiteral("Save Picture As");
    request.strDirectory = SaveFolder();
    request.strInitialName = SaveBaseName() + QStringLiteral(".png");
    request.filters = {QStringLiteral("PNG pictures (*.png)"), QStringLiteral("All files (*.*)")};
    request.strDefaultSuffix = QStringLiteral("png");
    request.bConfirmOverwrite = true;
    const QString path = m_App.Prompts().GetSaveFileName(m_App.DialogParent(), request);
    if (!path.isEmpty())
        SavePictureFile(path);
}

bool CGuiDocument::SavePictureFile(const QString& path)
{
    m_pDoc->EnsurePicture();
    const QByteArray png = m_pDoc->m_Picture.empty() ? QByteArray() : EncodePng(m_pDoc->m_Picture);
    // The previous file stays whole when the picture cannot be written.
    if (png.isEmpty() || !WriteFileAtomically(ToLocalPath(path), AsBytes(png))) {
        m_App.Prompts().ShowMessage(
            m_App.DialogParent(),
            m_pDoc->m_Picture.empty() ? QStringLiteral("The picture is empty: there is nothing to save.")
                                      : QStringLiteral("Cannot write the picture to %1.").arg(QDir::toNativeSeparators(path)),
            QString::fromUtf8(CRecognizeApp::kAppName), QMessageBox::Critical, QMessageBox::Ok);
        return false;
    }
    m_strPicturePath = QFileInfo(path).absoluteFilePath();
    if (m_pDoc->ShowsWholePicture()) {
        m_pDoc->SetModifiedFlag(false);
        // A picture that had no file is now named after the one it was saved to.
        if (m_strPathName.isEmpty())
            SetTitle(QFileInfo(path).completeBaseName());
    }
    emit StatusNote(QStringLiteral("Saved the picture, %1 x %2 pixels, as %3.")
                        .arg(m_pDoc->m_Picture.width())
                        .arg(m_pDoc->m_Picture.height())
                        .arg(QDir::toNativeSeparators(path)));
    OnChanged();
    return true;
}

std::vector<std::uint8_t> CGuiDocument::FontToSave() const
{
    CByteWriter writer;
    // The font found for the picture, where it makes a GLF font; else the document's own.
    if (FoundFontFits())
        if (const std::optional<CCharImageFont> found = Cp1251Font(m_FoundGlyphs)) {
            found->SaveToArchive(writer);
            return writer.Bytes();
        }
    m_pDoc->m_Font.SaveToArchive(writer);
    return writer.Bytes();
}

void CGuiDocument::OnSaveFont()
{
    FileDialogRequest request;
    request.strCaption = QStringLiteral("Save Font As");
    request.strDirectory = SaveFolder();
    request.strInitialName = SaveBaseName() + QStringLiteral(".GLF");
    request.filters = {QStringLiteral("Char Images Files (*.GLF)")};
    request.strDefaultSuffix = QStringLiteral("GLF");
    request.bConfirmOverwrite = true;
    const QString path = m_App.Prompts().GetSaveFileName(m_App.DialogParent(), request);
    if (!path.isEmpty())
        SaveFontFile(path);
}

bool CGuiDocument::SaveFontFile(const QString& path)
{
    if (!WriteFileAtomically(ToLocalPath(path), FontToSave())) {
        m_App.Prompts().ShowMessage(m_App.DialogParent(),
                                    QStringLiteral("Cannot write the font to %1.").arg(QDir::toNativeSeparators(path)),
                                    QString::fromUtf8(CRecognizeApp::kAppName), QMessageBox::Critical, QMessageBox::Ok);
        return false;
    }
    emit StatusNote(QStringLiteral("Saved the font, cells of %1 x %2 pixels, as %3.")
                        .arg(m_pDoc->m_Font.CellWidth())
                        .arg(m_pDoc->m_Font.CellHeight())
                        .arg(QDir::toNativeSeparators(path)));
    return true;
}

CommandState CGuiDocument::OnUpdateReadPage() const
{
    // A reading of a picture or font that has changed since may be replaced by a new one.
    return {!m_pPageJob->Running() || m_pPageJob->Revision() != m_pDoc->SourceRevision(), false};
}

CommandState CGuiDocument::OnUpdatePageText() const
{
    return {m_pDoc->HasPageText(), false};
}

CommandState CGuiDocument::OnUpdateCopyResultText() const
{
    return {m_pDoc->m_bResultPicture != 0, false};
}
