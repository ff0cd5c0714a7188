#include "CRecognizeApp.h"

#include "CAboutRecognizeDlg.h"
#include "CChildFrame.h"
#include "CFileDropHandler.h"
#include "CGuiDocument.h"
#include "CMainFrame.h"
#include "CRecognizeDoc.h"
#include "DictionarySettings.h"
#include "IUserPrompts.h"
#include "PictureFile.h"
#include "PictureImport.h"
#include "TextCodec.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <QMdiArea>
#include <QMdiSubWindow>

#ifdef RECOGNIZE_HAVE_PRINT_SUPPORT
#include <QPageSetupDialog>
#include <QPrinter>
#endif

#include <algorithm>

namespace {

// How long the main window has to leave the screen before the screen is taken.
constexpr int kHideMilliseconds = 300;

}  // namespace

CRecognizeApp::CRecognizeApp(IUserPrompts& prompts)
    : m_Prompts(prompts), m_MessageSink(prompts), m_RecentFiles(CommandId::kRecentFileCount)
{
}

CRecognizeApp::~CRecognizeApp()
{
    // The windows go first; each takes its document with it, without asking.
    m_bShuttingDown = true;
    m_pMainFrame.reset();
    m_Documents.clear();
}

QWidget* CRecognizeApp::DialogParent() const
{
    return m_pMainFrame.get();
}

CGuiDocument* CRecognizeApp::ActiveDocument() const
{
    return m_pMainFrame ? m_pMainFrame->ActiveDocument() : nullptr;
}

bool CRecognizeApp::InitInstance(const QStringList& arguments)
{
    m_pMainFrame = std::make_unique<CMainFrame>(*this);
    new CFileDropHandler(*this, *m_pMainFrame);  // a child of the main window
    m_MessageSink.SetNoteHandler([this](const QString& note) {
        if (m_pMainFrame)
            m_pMainFrame->ShowStatusNote(note);
    });
    QStringList files;
    bool capture = false;
    bool options = true;
    for (const QString& argument : arguments) {
        if (options && argument == QLatin1String("--"))
            options = false;
        else if (options && argument == QLatin1String(kCaptureOption))
            capture = true;
        else
            files.append(argument);
    }
    if (capture) {
        // The main window shows once the region is read, so that it stays out of the picture.
        for (const QString& file : files)
            OpenFile(file);
        StartCapture(m_Documents.empty());
        return true;
    }
    m_pMainFrame->show();
    if (files.isEmpty()) {
        // Without the default font no document is made; the main window stays, empty.
        OnFileNew();
        return true;
    }
    // Each file opens in its own window; one that fails has said why, and the rest go on.
    bool opened = false;
    for (const QString& file : files)
        opened = OpenFile(file) != nullptr || opened;
    return opened;
}

CGuiDocument* CRecognizeApp::OpenFile(const QString& path)
{
    const CFileDropHandler::Kind kind = CFileDropHandler::KindOf(path);
    if (kind == CFileDropHandler::Kind::kPicture || kind == CFileDropHandler::Kind::kBitmap)
        return OpenPictureFile(path);
    return OpenDocumentFile(path);
}

CGuiDocument* CRecognizeApp::OpenDocumentFile(const QString& path)
{
    auto doc = std::make_unique<CRecognizeDoc>();
    doc->SetMessageSink(&m_MessageSink);
    ApplyDictionaryChoice(*doc);
    std::unique_ptr<CGuiDocument> document;
    if (path.isEmpty()) {
        if (!doc->OnNewDocument())
            return nullptr;
        doc->SetModifiedFlag(false);
        document = std::make_unique<CGuiDocument>(*this, std::move(doc));
        document->SetTitle(QStringLiteral("DemoDoc%1").arg(++m_nUntitledCount));
    } else {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        for (const auto& open : m_Documents) {
            if (open->PathName() == absolute && !open->Frames().empty()) {
                CChildFrame* frame = open->Frames().front();
                if (m_pMainFrame && frame->parentWidget())
                    m_pMainFrame->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(frame->parentWidget()));
                return open.get();
            }
        }
        if (!doc->OpenDocument(ToLocalPath(absolute)))
            return nullptr;
        doc->SetModifiedFlag(false);
        document = std::make_unique<CGuiDocument>(*this, std::move(doc));
        document->SetPathName(absolute);
        m_RecentFiles.Add(absolute);
    }
    CGuiDocument* result = document.get();
    m_Documents.push_back(std::move(document));
    CreateFrame(*result);
    return result;
}

CChildFrame* CRecognizeApp::CreateFrame(CGuiDocument& document)
{
    // A new window takes three quarters of the area, as the window manager would size it.
    QSize size(480, 360);
    if (m_pMainFrame) {
        const QSize area = m_pMainFrame->MdiArea()->viewport()->size();
        size = QSize(std::max(200, area.width() * 3 / 4), std::max(150, area.height() * 3 / 4));
    }
    auto* frame = new CChildFrame(document, size);
    if (m_pMainFrame)
        m_pMainFrame->AddChildFrame(frame);
    frame->InitialUpdateFrame();
    if (m_pMainFrame)
        m_pMainFrame->UpdateCommandUI();
    return frame;
}

void CRecognizeApp::OnFrameClosed(CGuiDocument& document, CChildFrame* frame)
{
    document.RemoveFrame(frame);
    if (document.Frames().empty())
        std::erase_if(m_Documents, [&](const auto& open) { return open.get() == &document; });
    if (!m_bShuttingDown && m_pMainFrame)
        m_pMainFrame->UpdateCommandUI();
}

bool CRecognizeApp::SaveAllModified()
{
    for (const auto& document : m_Documents)
        if (!document->SaveModified())
            return false;
    return true;
}

void CRecognizeApp::CloseAllDocuments()
{
    std::vector<CChildFrame*> frames;
    for (const auto& document : m_Documents)
        frames.insert(frames.end(), document->Frames().begin(), document->Frames().end());
    for (CChildFrame* frame : frames)
        frame->CloseWithoutPrompt();
}

void CRecognizeApp::OnFileNew()
{
    OpenDocumentFile(QString());
}

void CRecognizeApp::OnFileOpen()
{
    FileDialogRequest request;
    request.strCaption = QStringLiteral("Open");
    request.filters = {QString::fromUtf8(kDocFilter), QStringLiteral("All Files (*.*)")};
    request.strDefaultSuffix = QStringLiteral("rdf");
    const QString path = m_Prompts.GetOpenFileName(m_pMainFrame.get(), request);
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

void CRecognizeApp::OnFilePrintSetup()
{
#ifdef RECOGNIZE_HAVE_PRINT_SUPPORT
    QPrinter printer;
    // Without an installed printer Qt prints to PDF only, which has no page setup.
    if (printer.outputFormat() != QPrinter::NativeFormat) {
        m_Prompts.ShowMessage(m_pMainFrame.get(), QStringLiteral("No printers are installed."),
                              QString::fromUtf8(kAppName), QMessageBox::Warning, QMessageBox::Ok);
        return;
    }
    QPageSetupDialog dialog(&printer, m_pMainFrame.get());
    m_Prompts.ExecDialog(dialog);
#endif
}

void CRecognizeApp::OnOpenRecentFile(int index)
{
    if (index < 0 || index >= m_RecentFiles.Count())
        return;
    // An entry that no longer opens leaves the list.
    if (!OpenDocumentFile(m_RecentFiles.File(index)))
        m_RecentFiles.Remove(index);
}

void CRecognizeApp::OnAbout()
{
    CAboutRecognizeDlg dialog(m_pMainFrame.get());
    m_Prompts.ExecDialog(dialog);
}

void CRecognizeApp::OnAppExit()
{
    if (m_pMainFrame)
        m_pMainFrame->close();
}

CGuiDocument* CRecognizeApp::OpenPicture(CRaster picture, const QString& title, bool inMemory)
{
    auto doc = std::make_unique<CRecognizeDoc>();
    doc->SetMessageSink(&m_MessageSink);
    ApplyDictionaryChoice(*doc);
    if (!doc->OnNewDocument() || !doc->OpenPicture(std::move(picture)))
        return nullptr;
    // A picture from a file is not lost by closing its document; one from the clipboard or
    // the screen is, unless it is saved.
    doc->SetModifiedFlag(inMemory);
    auto document = std::make_unique<CGuiDocument>(*this, std::move(doc));
    document->SetTitle(title);
    CGuiDocument* result = document.get();
    m_Documents.push_back(std::move(document));
    CreateFrame(*result);
    return result;
}

CGuiDocument* CRecognizeApp::OpenPictureFile(const QString& path)
{
    PictureLoad load = LoadPicture(ToLocalPath(path));
    if (!load.Ok()) {
        // The status bar keeps the cause after the message box is gone.
        if (m_pMainFrame)
            m_pMainFrame->ShowStatusNote(QString::fromStdString(load.message));
        const QString name = QDir::toNativeSeparators(path);
        const QString text = load.problem == PictureProblem::OutOfMemory
                                 ? QStringLiteral("Not enough memory to read the picture %1.").arg(name)
                                 : QStringLiteral("Cannot read the picture %1: %2.").arg(name, QString::fromStdString(load.reason));
        m_Prompts.ShowMessage(m_pMainFrame.get(), text, QString::fromUtf8(kAppName), QMessageBox::Critical, QMessageBox::Ok);
        return nullptr;
    }
    // Saving proposes the picture's name with the document's extension.
    CGuiDocument* document = OpenPicture(std::move(load.raster), QFileInfo(path).completeBaseName(), false);
    if (document)
        document->SetPicturePath(QFileInfo(path).absoluteFilePath());
    if (document && !load.warning.empty() && m_pMainFrame)
        m_pMainFrame->ShowStatusNote(QString::fromStdString(load.warning));
    return document;
}

void CRecognizeApp::OnOpenPicture()
{
    FileDialogRequest request;
    request.strCaption = QStringLiteral("Open Picture");
    request.filters = PictureFileFilters();
    const QString path = m_Prompts.GetOpenFileName(m_pMainFrame.get(), request);
    if (!path.isEmpty())
        OpenPictureFile(path);
}

void CRecognizeApp::OnPastePicture()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    CRaster picture;
    if (data && data->hasImage() && RasterFromImage(qvariant_cast<QImage>(data->imageData()), picture)) {
        OpenPicture(std::move(picture), QStringLiteral("Pasted%1").arg(++m_nPastedCount), true);
        return;
    }
    // A picture file copied in a file manager comes as its name.
    if (data && data->hasUrls() && !data->urls().isEmpty() && data->urls().constFirst().isLocalFile()) {
        OpenPictureFile(data->urls().constFirst().toLocalFile());
        return;
    }
    m_Prompts.ShowMessage(m_pMainFrame.get(), QStringLiteral("The clipboard holds no picture."),
                          QString::fromUtf8(kAppName), QMessageBox::Information, QMessageBox::Ok);
}

void CRecognizeApp::OnReadScreenRegion()
{
    StartCapture(false);
}

void CRecognizeApp::StartCapture(bool quitWhenDone)
{
    if (m_pCapture)
        return;
    m_pCapture = new CScreenCapture(m_pMainFrame.get());
    QObject::connect(m_pCapture, &CScreenCapture::RegionChosen, m_pMainFrame.get(), [this](const QImage& region) {
        EndCapture(false, 0);
        ReadRegion(region);
    });
    QObject::connect(m_pCapture, &CScreenCapture::Cancelled, m_pMainFrame.get(), [this, quitWhenDone] {
        EndCapture(quitWhenDone, 0);
    });
    QObject::connect(m_pCapture, &CScreenCapture::Failed, m_pMainFrame.get(), [this, quitWhenDone](const QString& reason) {
        m_Prompts.ShowMessage(m_pMainFrame->isVisible() ? m_pMainFrame.get() : nullptr, reason,
                              QString::fromUtf8(kAppName), QMessageBox::Critical, QMessageBox::Ok);
        EndCapture(quitWhenDone, 1);
    });
    // The main window leaves the screen before it is taken, and comes back after.
    const bool shown = m_pMainFrame->isVisible();
    if (shown)
        m_pMainFrame->hide();
    m_pCapture->Start(shown ? kHideMilliseconds : 0);
}

void CRecognizeApp::EndCapture(bool quitWhenDone, int status)
{
    if (m_pCapture)
        m_pCapture->deleteLater();
    m_pCapture = nullptr;
    if (quitWhenDone) {
        QCoreApplication::exit(status);
        return;
    }
    m_pMainFrame->show();
    m_pMainFrame->raise();
    m_pMainFrame->activateWindow();
}

CGuiDocument* CRecognizeApp::ReadRegion(const QImage& region)
{
    CRaster picture;
    if (!RasterFromImage(region, picture)) {
        m_Prompts.ShowMessage(m_pMainFrame.get(), QStringLiteral("The region of the screen could not be taken in."),
                              QString::fromUtf8(kAppName), QMessageBox::Critical, QMessageBox::Ok);
        return nullptr;
    }
    CGuiDocument* document = OpenPicture(std::move(picture), QStringLiteral("Region%1").arg(++m_nRegionCount), true);
    if (document)
        document->ReadPageAndCopy();
    return document;
}
