#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class CChildFrame;
class CMainFrame;
class CRecognizeApp;
class QDropEvent;
class QMimeData;

// Takes files dropped on the main window of Recognize. Documents (.rdf) open in their own
// windows wherever they are dropped; over a document window a picture (.BMP) loads into that
// document as "&Load Bitmap..." loads it and a font (.GLF) as "Load &Font..." does. Pictures
// of other formats, and .BMP pictures dropped beside the document windows, open as new
// documents as "Open &Picture..." opens them. Anything else is refused, with a note in the
// status bar.
class CFileDropHandler : public QObject {
    Q_OBJECT
public:
    enum class Kind { kDocument, kBitmap, kFont, kPicture, kOther };

    // Installs itself on the main window, which then accepts drops.
    CFileDropHandler(CRecognizeApp& app, CMainFrame& mainFrame);

    // The kind of a file, by its extension in any case.
    static Kind KindOf(const QString& path);

    // The note shown for files that were refused.
    static QString RefusalNote(const QStringList& names);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Choice {
        QStringList files;     // taken, fonts first, then bitmaps, then documents and pictures
        QStringList refused;   // names of the files not taken
    };
    // The document window under a point of the main window, or nullptr.
    CChildFrame* FrameAt(QPoint point) const;
    Choice Choose(const QMimeData* data, const CChildFrame* frame) const;
    void OnDrop(QDropEvent& event);
    void Open(const QStringList& files, CChildFrame* frame);

    CRecognizeApp& m_App;
    CMainFrame& m_MainFrame;
    QString m_strLastNote;  // the note of the drag in progress, shown once
};
