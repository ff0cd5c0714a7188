// Takes the README screenshots of Recognize: runs the program's own windows in the current
// folder (which must hold Fonts/default.GLF and dict.dic), types a text, scribbles noise with
// synthesized mouse strokes, runs Complex recognition, and saves
//   OUTDIR/recognize-main.png         the main window with the document
//   OUTDIR/recognize-coefficient.png  the "Recognition Coefficient" dialog over it
//   OUTDIR/recognize-dictionary.png   the "Dictionary" dialog over it
//   OUTDIR/recognize-noise.png        the "Add Noise" dialog over it
//   OUTDIR/recognize-experiment.png   the Experiment window after a run over the English corpus
//   OUTDIR/experiment-cer-noise.png   its plot, exported by the window (and .csv, its table)
//   OUTDIR/recognize-variants.png     the Variants pane at a position Complex corrected,
//                                     the document window zoomed with the cell grid
// Meant for a virtual display: xvfb-run with a window manager (see take-screenshots.sh).
#include "CChildFrame.h"
#include "CCoefficientDlg.h"
#include "CDictionaryDlg.h"
#include "CExperimentWnd.h"
#include "CNoiseDlg.h"
#include "CGuiDocument.h"
#include "CMainFrame.h"
#include "CRecGraphicsView.h"
#include "CRecognizeApp.h"
#include "CRecognizeDoc.h"
#include "CScriptedPrompts.h"
#include "CTextInputDlg.h"
#include "CVariantsView.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QIcon>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QThread>

#include <cstdio>

namespace {

void Settle(int milliseconds = 300)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

void Mouse(CRecGraphicsView& view, QEvent::Type type, QPoint point, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QWidget* viewport = view.viewport();
    QMouseEvent event(type, QPointF(point), QPointF(viewport->mapToGlobal(point)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
}

// A stroke through points with one button held.
void Stroke(CRecGraphicsView& view, std::initializer_list<QPoint> points, Qt::MouseButton button)
{
    auto it = points.begin();
    Mouse(view, QEvent::MouseButtonPress, *it, button, button);
    for (++it; it != points.end(); ++it)
        Mouse(view, QEvent::MouseMove, *it, Qt::NoButton, button);
    Mouse(view, QEvent::MouseButtonRelease, *(points.end() - 1), button, Qt::NoButton);
}

// The window with its frame as the screen shows it.
bool SaveWindow(QWidget& window, const QString& path)
{
    QScreen* screen = window.screen();
    const QRect frame = window.frameGeometry();
    const QPixmap shot = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (!shot.save(path)) {
        std::fprintf(stderr, "recognize_screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Recognize"));
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    if (argc != 2) {
        std::fprintf(stderr, "Usage: recognize_screenshots OUTDIR  (run in the folder with Fonts/ and dict.dic)\n");
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outDir);

    CScriptedPrompts prompts;
    CRecognizeApp app(prompts);
    if (!app.InitInstance({}) || !app.MainFrame()->ActiveDocument()) {
        std::fprintf(stderr, "recognize_screenshots: no document (is Fonts/default.GLF here?)\n");
        return 1;
    }
    CMainFrame& main = *app.MainFrame();
    main.setGeometry(60, 40, 900, 560);
    Settle();
    QMdiSubWindow* window = main.MdiArea()->currentSubWindow();
    window->setGeometry(8, 8, 760, 400);
    Settle();

    auto trigger = [&](int id) {
        main.UpdateCommandUI();
        main.Action(id)->trigger();
        Settle(100);
    };
    prompts.OnDialog<CTextInputDlg>([](CTextInputDlg& dialog) {
        dialog.TextBox()->setText(QStringLiteral("the quick brown fox"));
        dialog.OnOK();
    });
    trigger(CommandId::kSetText);
    trigger(CommandId::kEditGraphics);

    CChildFrame& frame = *main.ActiveChildFrame();
    CRecGraphicsView& view = *frame.GraphicsView();
    // Noise: thin scribbles, a thick line, and white strokes through the ink.
    trigger(CommandId::kLineWidth1);
    Stroke(view, {{14, 22}, {40, 40}, {70, 16}, {104, 38}, {140, 20}}, Qt::LeftButton);
    Stroke(view, {{190, 44}, {206, 12}, {226, 46}, {244, 14}}, Qt::LeftButton);
    Stroke(view, {{250, 36}, {300, 36}}, Qt::LeftButton);
    trigger(CommandId::kLineWidth3);
    Stroke(view, {{262, 14}, {318, 24}}, Qt::LeftButton);
    Stroke(view, {{150, 50}, {175, 10}}, Qt::LeftButton);
    trigger(CommandId::kLineWidth5);
    Stroke(view, {{8, 29}, {60, 31}}, Qt::RightButton);
    Stroke(view, {{118, 16}, {124, 44}}, Qt::RightButton);
    trigger(CommandId::kRecognizeComplex);
    Settle(500);

    if (!SaveWindow(main, outDir + QStringLiteral("/recognize-main.png")))
        return 1;

    // The coefficient dialog over the main window, opened by its command, the slider moved to 0.35.
    bool saved = false;
    prompts.dialogScripts.push_back([&](QDialog& dialog) {
        auto& coefficient = dynamic_cast<CCoefficientDlg&>(dialog);
        coefficient.show();
        Settle(300);
        coefficient.Slider()->setValue(35000);
        Settle(300);
        saved = SaveWindow(main, outDir + QStringLiteral("/recognize-coefficient.png"));
        coefficient.reject();
        return static_cast<int>(QDialog::Rejected);
    });
    trigger(CommandId::kRecognitionCoefficient);
    if (!saved)
        return 1;

    // The dictionary dialog with the Russian list, the Cyrillic alphabet and words outside the
    // list allowed, not applied.
    saved = false;
    prompts.dialogScripts.push_back([&](QDialog& dialog) {
        auto& dictionary = dynamic_cast<CDictionaryDlg&>(dialog);
        dictionary.show();
        dictionary.PathBox()->setText(QStringLiteral("dict-ru.dic"));
        dictionary.AlphabetBox()->setCurrentIndex(1);
        dictionary.OutsideBox()->setCurrentIndex(1);
        Settle(300);
        saved = SaveWindow(main, outDir + QStringLiteral("/recognize-dictionary.png"));
        dictionary.reject();
        return static_cast<int>(QDialog::Rejected);
    });
    trigger(CommandId::kDictionary);
    if (!saved)
        return 1;
    // The noise dialog over the main window, cancelled.
    saved = false;
    prompts.dialogScripts.push_back([&](QDialog& dialog) {
        auto& noise = dynamic_cast<CNoiseDlg&>(dialog);
        noise.SeedBox()->setText(QStringLiteral("20261208"));
        noise.RateSlider()->setValue(75);
        noise.show();
        Settle(300);
        saved = SaveWindow(main, outDir + QStringLiteral("/recognize-noise.png"));
        noise.reject();
        return static_cast<int>(QDialog::Rejected);
    });
    trigger(CommandId::kAddNoise);
    if (!saved)
        return 1;

    // The Experiment window over the shipped English corpus with the document's font: flip
    // noise from 0 to 20 %, two seeds, coefficients 0.2 and 0.5.
    trigger(CommandId::kExperiment);
    auto* experiment = main.findChild<CExperimentWnd*>();
    if (experiment == nullptr)
        return 1;
    experiment->setGeometry(120, 60, 980, 720);
    experiment->CoefficientBox()->setText(QStringLiteral("0.2,0.5"));
    experiment->SeedsBox()->setValue(2);
    if (!experiment->OnRun())
        return 1;
    while (experiment->IsRunning())
        Settle(100);
    Settle(500);
    if (!SaveWindow(*experiment, outDir + QStringLiteral("/recognize-experiment.png")) ||
        !experiment->ExportPng(outDir + QStringLiteral("/experiment-cer-noise.png")) ||
        !experiment->ExportCsv(outDir + QStringLiteral("/experiment-cer-noise.csv")))
        return 1;
    // The Variants pane is taken with the main window in front.
    experiment->close();
    // More noise for the Variants pane: a white stroke through the bar of the e, read again.
    trigger(CommandId::kLineWidth3);
    Stroke(view, {{42, 28}, {54, 28}}, Qt::RightButton);
    trigger(CommandId::kRecognizeComplex);
    Settle(300);
    // The Variants pane under the document, at 2x with the grid, on the first position
    // where the dictionary corrected Simple recognition.
    main.setGeometry(60, 4, 1100, 792);
    window->setGeometry(8, 8, 1060, 280);
    trigger(CommandId::kViewVariants);
    trigger(CommandId::kZoomIn);
    trigger(CommandId::kCellGrid);
    main.resizeDocks({main.VariantsDock()}, {430}, Qt::Vertical);
    Settle();
    const RecognitionTrace& trace = frame.Document()->Doc().Trace();
    int corrected = -1;
    for (std::size_t p = 0; p < trace.positions.size() && corrected < 0; ++p)
        if (trace.positions[p].Corrected())
            corrected = static_cast<int>(p);
    std::fprintf(stderr, "recognize_screenshots: %s\n", trace.Summary().c_str());
    if (corrected < 0) {
        std::fprintf(stderr, "recognize_screenshots: Complex recognition corrected no position\n");
        return 1;
    }
    frame.ShowCell(corrected);
    main.VariantsView()->SelectColumn(corrected);
    Settle(500);
    if (!SaveWindow(main, outDir + QStringLiteral("/recognize-variants.png")))
        return 1;

    for (const auto& document : app.Documents())
        document->Doc().SetModifiedFlag(false);
    return prompts.messages.empty() ? 0 : 3;
}
