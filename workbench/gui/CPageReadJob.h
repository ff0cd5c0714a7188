#pragma once

#include "PageReader.h"

#include <QFutureWatcher>
#include <QObject>

// Reads a page off the user-interface thread: the reading works on its own copies of the
// picture and the font, so the document may change or close meanwhile; a reading whose job
// has gone is dropped.
class CPageReadJob : public QObject {
    Q_OBJECT
public:
    explicit CPageReadJob(QObject* parent = nullptr);
    ~CPageReadJob() override;

    // Starts a reading; false while one runs.
    bool Start(CRaster picture, CCharImageFont font, PageOptions options);
    bool Running() const { return m_bRunning; }
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
};
