#pragma once

#include "CCharImageFont.h"
#include "GlyphSet.h"
#include "PageReader.h"
#include "ProportionalPage.h"

#include <QFutureWatcher>
#include <QObject>

#include <atomic>
#include <memory>
#include <string>

// What a page reading job brings back: the reading, and for a search the font it found.
struct PageJobResult {
    PageReading page;
    bool bSearched = false;   // the font was searched, not the document's taken
    bool bCancelled = false;  // the search was cancelled: page is empty
    GlyphSet glyphs;          // the font found
    std::string strFont;      // what the font found is: family, size, program, settings
    std::string strProblem;   // why no font was found
    // Where no fixed-width font reads the picture well: its reading as proportional text, the
    // font found named in its font; empty when no proportional family explains it as a page's
    // own font (at most kGoodCostPerInk differing pixels per pixel of ink).
    ProportionalPage proportional;
    bool bProportionalTried = false;  // the picture was read as proportional text too
};

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
    // Starts a search of the picture's font among the installed fixed-width families and a
    // reading with the font found; cacheFile keeps the fonts found between runs (empty: none).
    // A picture that no fixed-width font reads well is then read as proportional text, its
    // choice kept as recognize-cli keeps it.
    void StartSearch(CRaster picture, PageOptions options, unsigned revision, std::string cacheFile);
    bool Running() const { return m_bRunning; }
    bool Searching() const { return m_bRunning && m_bSearching; }
    // The source revision of the running or last reading.
    unsigned Revision() const { return m_nRevision; }
    // The candidates a running search compared so far, and how many there are.
    void Progress(int& done, int& total) const;
    // Asks a running search to stop; it ends cancelled.
    void Cancel();
    // Blocks until the running reading ends and reports it at once.
    void Wait();
    // The reading that ended, once; Finished told it is there.
    PageJobResult TakeResult();

signals:
    // A reading ended.
    void Finished();

private:
    struct Shared {
        std::atomic<int> done{0};
        std::atomic<int> total{0};
        std::atomic<bool> cancel{false};
    };
    void OnWatcherFinished();

    QFutureWatcher<PageJobResult> m_Watcher;
    std::shared_ptr<Shared> m_pShared = std::make_shared<Shared>();
    bool m_bRunning = false;
    bool m_bSearching = false;
    unsigned m_nRevision = 0;
};
