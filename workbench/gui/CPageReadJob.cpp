#include "CPageReadJob.h"

#include <QtConcurrent/QtConcurrentRun>

CPageReadJob::CPageReadJob(QObject* parent) : QObject(parent)
{
    connect(&m_Watcher, &QFutureWatcher<PageReading>::finished, this, &CPageReadJob::OnWatcherFinished);
}

CPageReadJob::~CPageReadJob()
{
    // The reading runs on with its own copies; its result goes nowhere.
    m_Watcher.disconnect(this);
}

void CPageReadJob::Start(CRaster picture, CCharImageFont font, PageOptions options, unsigned revision)
{
    // The watcher lets go of an earlier reading, which runs on with its own copies.
    m_bRunning = true;
    m_nRevision = revision;
    m_Watcher.setFuture(QtConcurrent::run([picture = std::move(picture), font = std::move(font), options] {
        return ReadPage(picture, GlyphSetFromFont(font), options);
    }));
}

void CPageReadJob::Wait()
{
    if (!m_bRunning)
        return;
    m_Watcher.waitForFinished();
    OnWatcherFinished();
}

void CPageReadJob::OnWatcherFinished()
{
    // Wait() may have reported the reading before the watcher's own signal came.
    if (!m_bRunning)
        return;
    m_bRunning = false;
    emit Finished();
}

PageReading CPageReadJob::TakeResult()
{
    QFuture<PageReading> future = m_Watcher.future();
    return future.isValid() && future.isResultReadyAt(0) ? future.takeResult() : PageReading();
}
