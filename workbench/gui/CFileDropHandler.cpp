#include "CFileDropHandler.h"

#include "CChildFrame.h"
#include "CGuiDocument.h"
#include "CMainFrame.h"
#include "CRecognizeApp.h"
#include "PictureFormat.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace {

constexpr int kNoteMilliseconds = 10000;

}  // namespace

CFileDropHandler::CFileDropHandler(CRecognizeApp& app, CMainFrame& mainFrame)
    : QObject(&mainFrame), m_App(app), m_MainFrame(mainFrame)
{
    m_MainFrame.setAcceptDrops(true);
    m_MainFrame.installEventFilter(this);
}

CFileDropHandler::Kind CFileDropHandler::KindOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("rdf"))
        return Kind::kDocument;
    if (suffix == QLatin1String("bmp"))
        return Kind::kBitmap;
    if (suffix == QLatin1String("glf"))
        return Kind::kFont;
    const std::vector<std::string>& pictures = PictureSuffixes();
    if (std::find(pictures.begin(), pictures.end(), suffix.toStdString()) != pictures.end())
        return Kind::kPicture;
    return Kind::kOther;
}

QString CFileDropHandler::RefusalNote(const QStringList& names)
{
    return QStringLiteral("Not opened: %1. Recognize opens .rdf documents and pictures (PNG, JPEG, WebP, "
                          "BMP, PNM); a document window also takes .GLF fonts.")
        .arg(names.join(QStringLiteral(", ")));
}

CChildFrame* CFileDropHandler::FrameAt(QPoint point) const
{
    for (QWidget* widget = m_MainFrame.childAt(point); widget; widget = widget->parentWidget()) {
        if (auto* subWindow = qobject_cast<QMdiSubWindow*>(widget))
            return qobject_cast<CChildFrame*>(subWindow->widget());
        if (auto* frame = qobject_cast<CChildFrame*>(widget))
            return frame;
    }
    return nullptr;
}

CFileDropHandler::Choice CFileDropHandler::Choose(const QMimeData* data, const CChildFrame* frame) const
{
    Choice choice;
    if (!data || !data->hasUrls())
        return choice;
    QStringList fonts, bitmaps, documents, pictures;
    for (const QUrl& url : data->urls()) {
        const QString path = url.toLocalFile();
        const Kind kind = path.isEmpty() ? Kind::kOther : KindOf(path);
        if (kind == Kind::kDocument)
            documents.append(path);
        else if (kind == Kind::kBitmap && frame)
            bitmaps.append(path);
        else if (kind == Kind::kFont && frame)
            fonts.append(path);
        else if (kind == Kind::kPicture || kind == Kind::kBitmap)
            pictures.append(path);
        else
            choice.refused.append(path.isEmpty() ? url.toDisplayString() : QFileInfo(path).fileName());
    }
    // A font first, so that a picture dropped with it is cut into the new font's cells.
    choice.files = fonts + bitmaps + documents + pictures;
    return choice;
}

bool CFileDropHandler::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &m_MainFrame)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
        m_strLastNote.clear();
        [[fallthrough]];
    case QEvent::DragMove: {
        auto& drag = static_cast<QDragMoveEvent&>(*event);
        const Choice choice = Choose(drag.mimeData(), FrameAt(drag.position().toPoint()));
        if (choice.files.isEmpty()) {
            drag.ignore();
            if (!choice.refused.isEmpty()) {
                const QString note = RefusalNote(choice.refused);
                if (note != m_strLastNote)
                    m_MainFrame.statusBar()->showMessage(note, kNoteMilliseconds);
                m_strLastNote = note;
            }
        } else {
            drag.acceptProposedAction();
        }
        return true;
    }
    case QEvent::Drop:
        OnDrop(static_cast<QDropEvent&>(*event));
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

void CFileDropHandler::OnDrop(QDropEvent& event)
{
    CChildFrame* frame = FrameAt(event.position().toPoint());
    const Choice choice = Choose(event.mimeData(), frame);
    if (!choice.refused.isEmpty())
        m_MainFrame.statusBar()->showMessage(RefusalNote(choice.refused), kNoteMilliseconds);
    if (choice.files.isEmpty()) {
        event.ignore();
        return;
    }
    event.acceptProposedAction();
    // The files open after the drop has finished: their messages are modal and must not
    // hold up the program the files came from.
    QTimer::singleShot(0, this, [this, files = choice.files, target = QPointer<CChildFrame>(frame)] {
        Open(files, target.data());
    });
}

void CFileDropHandler::Open(const QStringList& files, CChildFrame* frame)
{
    QPointer<CChildFrame> target(frame);
    // A .BMP dropped over a document window loads into it; elsewhere it opens as a picture.
    const bool bitmapsToFrame = frame != nullptr;
    if (target && target->parentWidget())
        m_MainFrame.MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(target->parentWidget()));
    for (const QString& path : files) {
        const Kind kind = KindOf(path);
        if (kind == Kind::kDocument) {
            m_App.OpenDocumentFile(path);
            continue;
        }
        if (kind == Kind::kPicture || (kind == Kind::kBitmap && !bitmapsToFrame)) {
            m_App.OpenPictureFile(path);
            continue;
        }
        // The window may have gone while a message was shown.
        CGuiDocument* document = target ? target->Document() : nullptr;
        if (!document)
            continue;
        if (kind == Kind::kFont)
            document->LoadFontFile(path);
        else
            document->LoadBitmapFile(path);
    }
    m_MainFrame.UpdateCommandUI();
}
