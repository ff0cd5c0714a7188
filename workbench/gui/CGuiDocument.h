#pragma once

#include "CCommandTable.h"

#include "GlyphSet.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <vector>

class CChildFrame;
class QProgressDialog;
class CPageReadJob;
class CRecognizeApp;
class CRecognizeDoc;
struct RecognitionTrace;

// A document as the desktop program holds it: the model, its file and title, its windows,
// and the document commands that need the user (dialogs, file choosers, saving and closing).
// It tells the main window what happened through its signals.
class CGuiDocument : public QObject {
    Q_OBJECT
public:
    CGuiDocument(CRecognizeApp& app, std::unique_ptr<CRecognizeDoc> doc);
    ~CGuiDocument() override;

    CRecognizeDoc& Doc() { return *m_pDoc; }
    const CRecognizeDoc& Doc() const { return *m_pDoc; }
    CRecognizeApp& App() { return m_App; }

    const QString& PathName() const { return m_strPathName; }  // empty until saved or opened
    // Sets the file and takes its name as the title.
    void SetPathName(const QString& path);
    const QString& Title() const { return m_strTitle; }
    void SetTitle(const QString& title);
    // The picture file the document was opened from or last saved to; empty for a picture
    // that came from the clipboard or the screen and was not saved.
    const QString& PicturePath() const { return m_strPicturePath; }
    void SetPicturePath(const QString& path) { m_strPicturePath = path; }
    bool IsModified() const;

    const std::vector<CChildFrame*>& Frames() const { return m_Frames; }
    void AddFrame(CChildFrame* frame);
    void RemoveFrame(CChildFrame* frame);
    // Numbers the windows ("DemoDoc1:1", "DemoDoc1:2") when there is more than one.
    void UpdateFrameCounts();
    // After the model changed outside a command (a stroke): emits Changed.
    void OnChanged();

    // Asks to save a modified document; false when the user cancelled or the save failed.
    bool SaveModified();
    // Saves to path, or asks for a file when path is empty; false when cancelled or failed.
    bool DoSave(const QString& path);
    bool DoFileSave();

    // What "&Load Bitmap..." and "Load &Font..." do with the chosen file (a file dropped on a
    // window does the same); false, after the document's message, when it cannot be loaded.
    bool LoadBitmapFile(const QString& path);
    bool LoadFontFile(const QString& path);

    // --- Commands -----------------------------------------------------------------
    void OnFileClose();
    void OnFileSave();
    void OnFileSaveAs();
    void OnEditText();
    void OnEditGraphics();
    void OnSaveBitmap();
    void OnLoadBitmap();
    void OnSetText();
    void OnRecognizeSimple();
    void OnRecognizeComplex();
    void OnRecognitionCoefficient();
    void OnLoadFont();
    void OnAdditionalSpace();
    void OnDictionary();
    void OnLineWidth1();
    void OnLineWidth3();
    void OnLineWidth5();
    void OnAddNoise();
    // "&Read Page": reads the whole picture as a page off the user-interface thread; the
    // reading is kept in the document, and the status bar tells what it found, when it ends.
    // It is kept only while the picture and the font are those it was made from: a change of
    // either (drawing, Set Text, Load Font, a new picture) abandons a running reading, and
    // the commands that make such changes stay enabled meanwhile.
    void OnReadPage();
    // Reads the page and, when the reading is good, copies its text to the clipboard.
    void ReadPageAndCopy();
    bool IsReadingPage() const;
    // Blocks until a running reading ends and keeps it.
    void WaitForPage();
    // "&Copy Text" and "&Save Text As...": the page text to the clipboard, or to a UTF-8 file.
    void OnCopyPageText();
    void OnSavePageText();
    // Writes the page text as UTF-8 to path, atomically; false after a message.
    bool SavePageText(const QString& path);
    // The text of the last page reading, as it is copied and saved.
    QString PageText() const;
    // "Copy &Result Text": the text of the last recognition, without its trailing blanks, to
    // the clipboard.
    void OnCopyResultText();
    // "Save P&icture As...": the picture, in its colours, as a PNG file.
    void OnSavePicture();
    // Writes the picture as PNG to path, atomically; false after a message. A document that
    // shows a whole picture is then no longer modified: its picture is safe in that file.
    bool SavePictureFile(const QString& path);
    // "Save &Font As...": the font of the document as a GLF file.
    void OnSaveFont();
    // Writes FontToSave() to path, atomically; false after a message.
    bool SaveFontFile(const QString& path);
    // The GLF bytes "Save &Font As..." writes: the font Read Page found for the picture, where
    // it makes a GLF font, else the document's font.
    std::vector<std::uint8_t> FontToSave() const;
    // What the font Read Page found for the picture now is (family, size, program, settings);
    // empty when none was searched or the picture or font changed since.
    QString FoundFont() const;

    // --- Update rules -------------------------------------------------------------
    CommandState OnUpdateEditText() const;
    CommandState OnUpdateEditGraphics() const;
    CommandState OnUpdateSetText() const;
    CommandState OnUpdateLineWidth1() const;
    CommandState OnUpdateLineWidth3() const;
    CommandState OnUpdateLineWidth5() const;
    CommandState OnUpdateReadPage() const;
    CommandState OnUpdatePageText() const;
    CommandState OnUpdateCopyResultText() const;

signals:
    // The document changed where no command saw it (a stroke, a save): titles and command
    // states are to follow.
    void Changed();
    // A recognition ran and left this trace.
    void Recognized(const RecognitionTrace& trace);
    // A line for the status bar (a reading started, a picture larger than the document shows).
    void StatusNote(const QString& note);
    // A page reading was kept; summary says what it found.
    void PageRead(const QString& summary);

private:
    // A reading ended: kept when it belongs to the picture and font of now, else dropped.
    void OnPageJobFinished();
    // The document's font does not fit the picture (FontFitsPage): the search for a font that
    // fits starts here, off the user-interface thread with a dialog of its progress and Cancel,
    // and the page is read again with the font it finds. Until then the reading stays; when no
    // installed font reads the page better, it stays for good and the status bar says so.
    void OnFontDoesNotFit();
    // Whether the font found is the one of the picture and font of now.
    bool FoundFontFits() const;
    void CloseSearchProgress();
    // Puts text on the clipboard and tells in the status bar what was copied.
    void CopyText(const QString& text);
    // The folder the save dialogs of the picture's text, picture and font start in, and the
    // name they propose, without its extension.
    QString SaveFolder() const;
    QString SaveBaseName() const;
    // Runs a recognition command of the model and emits Recognized when it read the picture.
    void Recognize(void (CRecognizeDoc::*command)());

    CRecognizeApp& m_App;
    std::unique_ptr<CRecognizeDoc> m_pDoc;
    QString m_strPathName;
    QString m_strTitle;
    QString m_strPicturePath;
    std::vector<CChildFrame*> m_Frames;  // in the order the windows were made
    std::unique_ptr<CPageReadJob> m_pPageJob;
    bool m_bCopyWhenRead = false;         // the running reading goes to the clipboard when good
    GlyphSet m_FoundGlyphs;               // the font the last search found
    QString m_strFoundFont;
    unsigned m_nFoundRevision = 0;        // the source revision it was found for
    QProgressDialog* m_pSearchProgress = nullptr;
    QTimer m_SearchTimer;                 // updates the search's progress
};
