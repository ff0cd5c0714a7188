#include "CPageReadJob.h"

#include "FontSearch.h"
#include "PageSummary.h"
#include "ProportionalSearch.h"

#include <QtConcurrent/QtConcurrentRun>

#include <new>

CPageReadJob::CPageReadJob(QObject* parent) : QObject(parent)
{
    connect(&m_Watcher, &QFutureWatcher<PageJobResult>::finished, this, &CPageReadJob::OnWatcherFinished);
}

CPageReadJob::~CPageReadJob()
{
    // The reading runs on with its own copies; its result goes nowhere. A search is told to stop.
    m_pShared->cancel = true;
    m_Watcher.disconnect(this);
}

void CPageReadJob::Start(CRaster picture, CCharImageFont font, PageOptions options, unsigned revision)
{
    // The watcher lets go of an earlier reading, which runs on with its own copies.
    m_pShared->cancel = true;
    m_pShared = std::make_shared<Shared>();
    m_bRunning = true;
    m_bSearching = false;
    m_nRevision = revision;
    m_Watcher.setFuture(QtConcurrent::run([picture = std::move(picture), font = std::move(font), options] {
        PageJobResult result;
        result.page = ReadPage(picture, GlyphSetFromFont(font), options);
        return result;
    }));
}

namespace {

// The document's plain value of a proportional reading: the lines' bands and the boxes of
// their glyphs but the spaces, the font named with its sizes.
ProportionalPage PageOf(const ProportionalReading& reading)
{
    ProportionalPage page;
    page.text = reading.text;
    page.font = DescribeProportional(reading);
    page.dMilliseconds = reading.dMilliseconds;
    for (const ProportionalLine& line : reading.lines) {
        ProportionalPage::Line& shown = page.lines.emplace_back();
        shown.box = PixelRect{line.band.left, line.band.top, line.band.right, line.band.bottom};
        for (const DecodedGlyph& glyph : line.decoded.glyphs)
            if (!glyph.bSpace)
                shown.glyphs.push_back(glyph.box);
    }
    return page;
}

}  // namespace

void CPageReadJob::StartSearch(CRaster picture, PageOptions options, unsigned revision, std::string cacheFile)
{
    m_pShared->cancel = true;
    m_pShared = std::make_shared<Shared>();
    m_bRunning = true;
    m_bSearching = true;
    m_nRevision = revision;
    m_Watcher.setFuture(QtConcurrent::run([picture = std::move(picture), options, cacheFile = std::move(cacheFile),
                                           shared = m_pShared] {
        PageJobResult result;
        result.bSearched = true;
        try {
            FontSearchOptions search;
            search.path = options.path;
            search.read = options;
            search.cacheFile = cacheFile;
            search.progress = [shared](int done, int total) {
                shared->done = done;
                shared->total = total;
                return !shared->cancel;
            };
            FontSearchResult found = FindScreenFont(picture, InkMask(picture, options.ink, options.path), search);
            if (found.bStopped) {
                result.bCancelled = true;
                return result;
            }
            if (!found.Found() || IsPoorReading(found.page)) {
                ProportionalOptions text;
                text.ink = options.ink;
                text.progress = search.progress;
                text.stop = [shared] { return shared->cancel.load(); };
                result.bProportionalTried = true;
                const ProportionalReading reading = ReadProportional(picture, text);
                if (reading.bStopped) {
                    result.bCancelled = true;
                    return result;
                }
                if (reading.bOutOfMemory) {
                    result.page.bOutOfMemory = true;
                    return result;
                }
                // Only where its glyphs explain the ink as a page's own font's do: a worse
                // reading would show garbage, and the fixed-width one is reported instead.
                if (!reading.Empty() && reading.CostPerInk() <= kGoodCostPerInk) {
                    result.proportional = PageOf(reading);
                    result.strFont = result.proportional.font;
                    return result;
                }
            }
            if (!found.Found()) {
                result.strProblem = found.problem;
                return result;
            }
            result.strFont = found.Best().candidate.Describe();
            result.glyphs = std::move(found.glyphs);
            result.page = std::move(found.page);
        } catch (const std::bad_alloc&) {
            result.page.bOutOfMemory = true;
        }
        return result;
    }));
}

void CPageReadJob::Progress(int& done, int& total) const
{
    done = m_pShared->done;
    total = m_pShared->total;
}

void CPageReadJob::Cancel()
{
    m_pShared->cancel = true;
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

PageJobResult CPageReadJob::TakeResult()
{
    QFuture<PageJobResult> future = m_Watcher.future();
    return future.isValid() && future.isResultReadyAt(0) ? future.takeResult() : PageJobResult();
}
