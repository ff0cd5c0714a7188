#pragma once

#include "PageReader.h"

#include <QFutureWatcher>
#include <QObject>

// Reads a page off the user-interface thread: the reading works on its own copies of the
// picture and the font, so the document may change or close meanwhile; a reading whose job
// has gone is dropped. Each reading carries the source revision of the document it was
// started from, so that it is applied only to that picture and font.
class CPageReadJob : public QObject {
    Q_OBJECT
public:
    explicit CPageReadJob(QObject* parent = nullptr);
    ~CPageReadJob() override;

    // Starts a reading of the picture and font of a document's source revision. A reading
    // still running is abandoned: it ends unseen.
    void Start(CRaster picture, CCharImageFont font, PageOptions options, unsigned revision);
    bool Running() const { return m_bRunning; }
    // The source revision of the running or last reading.
    unsigned Revision() const { return m_nRevision; }
    // Blocks until the running reading ends and reports it at once.
    void Wait();
    // The reading that ended, once; Finished told it is there.
    PageReading TakeResult();

signals:
    // A reading ended.
    void Finished();

private:
    void OnWatcherFinished();

    QFutureWatcher<PageReading> m_Watcher;
    bool m_bRunning = false;
    unsigned m_nRevision = 0;
};
