// Reads a picture as a page in the program's own windows, as a user does, and saves the main
// window with the page outlined and the "Page Text" pane beside it:
//   recognize_page_shot FONT.GLF PICTURE [OUT.png]
// It prints the reader's own time, the time from the command to the text shown, and the
// longest the event loop went unserved meanwhile (the window freezes for that long).
// Run in a folder with Fonts/default.GLF, on a display (xvfb-run -a, see take-screenshots.sh).
#include "CChildFrame.h"
#include "CGuiDocument.h"
#include "CMainFrame.h"
#include "CPageTextPane.h"
#include "CRecognizeApp.h"
#include "CRecognizeDoc.h"
#include "CScriptedPrompts.h"
#include "PageSummary.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QScreen>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

void Settle(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Recognize"));
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "Usage: recognize_page_shot FONT.GLF PICTURE [OUT.png]\n");
        return 2;
    }
    CScriptedPrompts prompts;
    CRecognizeApp app(prompts);
    if (!app.InitInstance({})) {
        std::fprintf(stderr, "recognize_page_shot: no main window\n");
        return 1;
    }
    CMainFrame& main = *app.MainFrame();
    main.setGeometry(20, 20, 1240, 700);
    Settle(300);
    auto trigger = [&](int id) {
        main.UpdateCommandUI();
        main.Action(id)->trigger();
    };
    prompts.fileAnswers.push_back(QString::fromLocal8Bit(argv[2]));
    trigger(CommandId::kOpenPicture);
    CGuiDocument* document = main.ActiveDocument();
    if (!document || !document->Doc().ShowsWholePicture() || !document->LoadFontFile(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "recognize_page_shot: cannot open the picture or the font\n");
        return 1;
    }
    // Only the picture's window stays, beside the text pane.
    for (QMdiSubWindow* window : main.MdiArea()->subWindowList())
        if (window != main.MdiArea()->currentSubWindow())
            window->close();
    Settle(200);
    main.MdiArea()->currentSubWindow()->showMaximized();
    Settle(200);

    // The event loop is served while the page is read: a timer measures its longest pause.
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestPause = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestPause = std::max(longestPause, now - lastTick);
        lastTick = now;
    });
    clock.start();
    ticker.start();
    trigger(CommandId::kReadPage);
    const qint64 started = clock.elapsed();
    qint64 longestStep = 0;
    while (document->IsReadingPage() || !document->Doc().HasPage()) {
        const qint64 before = clock.elapsed();
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        longestStep = std::max(longestStep, clock.elapsed() - before);
    }
    const qint64 shown = clock.elapsed();
    ticker.stop();
    const PageReading& page = document->Doc().Page();
    std::printf("%s: %d x %d pixels, %s\n", argv[2], document->Doc().m_Picture.width(),
                document->Doc().m_Picture.height(), PageSummary(page).c_str());
    std::printf("  reader %.1f ms (ink %.1f, search %.1f, match %.1f); command to text shown %lld ms; "
                "longest pause of the event loop %lld ms (starting the reading %lld ms, longest event step %lld ms)\n",
                page.dMilliseconds, page.dInkMilliseconds, page.dSearchMilliseconds, page.dMatchMilliseconds,
                static_cast<long long>(shown), static_cast<long long>(longestPause), static_cast<long long>(started),
                static_cast<long long>(longestStep));
    if (argc == 3)
        return 0;

    Settle(300);
    // The third line's first word hovered: its cell outlined in the picture and the text.
    if (CChildFrame* frame = main.ActiveChildFrame(); frame && page.lines.size() > 2) {
        frame->ShowPageCell({2, 1});
        main.PageTextPane()->MarkCell({2, 1});
    }
    main.PageTextDock()->setMinimumWidth(560);
    Settle(400);
    const QRect frame = main.frameGeometry();
    const QPixmap shot = main.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (!shot.save(QString::fromLocal8Bit(argv[3]))) {
        std::fprintf(stderr, "recognize_page_shot: cannot write %s\n", argv[3]);
        return 1;
    }
    std::printf("%s\n", argv[3]);
    return 0;
}
