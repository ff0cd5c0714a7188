#pragma once

#include "CQtMessageSink.h"
#include "CRaster.h"
#include "NoiseGenerator.h"
#include "CRecentFileList.h"
#include "CScreenCapture.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class CChildFrame;
class CGuiDocument;
class CMainFrame;
class IUserPrompts;
class QWidget;

// The application object of Recognize: start-up, the open documents, the recent-file list,
// and the application commands (New, Open, Print Setup, the recent files, About, Exit).
class CRecognizeApp {
public:
    static constexpr const char* kAppName = "Recognize";
    static constexpr const char* kMainTitle = "The Text Recognition Demo Program";
    static constexpr const char* kDocFilter = "Recognition Demo Files (*.rdf)";

    explicit CRecognizeApp(IUserPrompts& prompts);
    ~CRecognizeApp();
    CRecognizeApp(const CRecognizeApp&) = delete;
    CRecognizeApp& operator=(const CRecognizeApp&) = delete;

    // The option that starts the program with "Read Screen Region...".
    static constexpr const char* kCaptureOption = "--capture";

    // Creates the main window and carries out the command line: no argument makes a new
    // document, each argument opens that .rdf document or picture. False when none of the
    // files opens. With kCaptureOption the screen is read first, before the main window
    // shows; when that is cancelled or fails and nothing else was opened, the program ends.
    bool InitInstance(const QStringList& arguments);

    CMainFrame* MainFrame() const { return m_pMainFrame.get(); }
    // The window that dialogs and messages belong to: the main window, or none before it is made.
    QWidget* DialogParent() const;
    // The document of the active window, or nullptr.
    CGuiDocument* ActiveDocument() const;
    IUserPrompts& Prompts() { return m_Prompts; }
    IMessageSink& MessageSink() { return m_MessageSink; }
    CRecentFileList& RecentFiles() { return m_RecentFiles; }
    const std::vector<std::unique_ptr<CGuiDocument>>& Documents() const { return m_Documents; }
    // The kind and rate "Add &Noise..." was last accepted with, offered again the next time.
    NoiseSettings& LastNoise() { return m_LastNoise; }

    // A new document (empty path) or the document of an .rdf file, in a new window; an
    // already open file only gets its window activated. nullptr when it fails.
    CGuiDocument* OpenDocumentFile(const QString& path);
    // A new document showing a whole picture, titled title; nullptr, after a message, when
    // the default font or the picture cannot be taken. A picture that exists only in memory
    // (from the clipboard or the screen) makes a modified document, so that closing it asks.
    CGuiDocument* OpenPicture(CRaster picture, const QString& title, bool inMemory);
    // A new document of a picture file of any format Qt reads; nullptr after a message.
    CGuiDocument* OpenPictureFile(const QString& path);
    // An .rdf document or a picture, as its name says; nullptr after a message.
    CGuiDocument* OpenFile(const QString& path);
    // A further window on document.
    CChildFrame* CreateFrame(CGuiDocument& document);
    // A window of document has closed; the document goes with its last window.
    void OnFrameClosed(CGuiDocument& document, CChildFrame* frame);
    // Asks to save every modified document; false when the user cancelled.
    bool SaveAllModified();
    // Closes every window without asking.
    void CloseAllDocuments();

    // --- Commands -----------------------------------------------------------------
    void OnFileNew();
    void OnFileOpen();
    void OnFilePrintSetup();
    void OnOpenRecentFile(int index);
    void OnAbout();
    // "&Open Picture..." and "&Paste Picture".
    void OnOpenPicture();
    void OnPastePicture();
    // "Read Screen Re&gion...": the screen, a region dragged over it, read into a new document
    // and its text copied to the clipboard. The main window keeps out of the picture.
    void OnReadScreenRegion();
    // The screen capture in progress, or nullptr.
    CScreenCapture* Capture() const { return m_pCapture; }
    // A region of the screen, chosen: a new document of it, read, its text copied when good.
    CGuiDocument* ReadRegion(const QImage& region);
    void OnAppExit();

private:
    // Starts a capture; quitWhenDone: the program was started for it alone, and ends when it
    // is cancelled or fails.
    void StartCapture(bool quitWhenDone);
    void EndCapture(bool quitWhenDone, int status);

    IUserPrompts& m_Prompts;
    CQtMessageSink m_MessageSink;
    CRecentFileList m_RecentFiles;
    std::vector<std::unique_ptr<CGuiDocument>> m_Documents;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    int m_nUntitledCount = 0;  // documents made by New so far
    int m_nPastedCount = 0;       // documents made by "Paste &Picture" so far
    int m_nRegionCount = 0;       // documents made by "Read Screen Re&gion..." so far
    NoiseSettings m_LastNoise;
    bool m_bShuttingDown = false;
    QPointer<CScreenCapture> m_pCapture;
};
