// Simple recognition of 10,000 cells in the desktop program, from the command to the painted
// panes, against the same recognition in a document without views (what recognize-cli does).
#include "CMainFrame.h"
#include "CRecognizeApp.h"
#include "CRecognizeDoc.h"
#include "CScriptedPrompts.h"
#include "CChildFrame.h"
#include "CGuiDocument.h"
#include "CCommandTable.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QSettings>

#include <benchmark/benchmark.h>

#include <random>
#include <string>

namespace {

constexpr int kCells = 10000;

// A line of kCells - 3 random letters and spaces, in a new document of the shipped font.
std::string RandomLine()
{
    std::mt19937 random(1);
    const std::string letters = "abcdefghijklmnopqrstuvwxyz ";
    std::string text;
    for (int i = 0; i < kCells - 3; ++i)
        text += letters[random() % letters.size()];
    return text;
}

class CDesktop {
public:
    CDesktop()
    {
        QDir::setCurrent(QStringLiteral(RECOGNIZE_SOURCE_DIR "/data"));
        QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Recognize")).clear();
        m_App = std::make_unique<CRecognizeApp>(m_Prompts);
        m_App->InitInstance({});
        Doc().SetText(RandomLine());
        QApplication::processEvents();
    }
    CRecognizeDoc& Doc() { return m_App->MainFrame()->ActiveDocument()->Doc(); }
    void RecognizeSimple()
    {
        m_App->MainFrame()->UpdateCommandUI();
        m_App->MainFrame()->Action(CommandId::kRecognizeSimple)->trigger();
        // The panes paint what the command changed.
        m_App->MainFrame()->ActiveChildFrame()->repaint();
        QApplication::processEvents();
    }

private:
    CScriptedPrompts m_Prompts;
    std::unique_ptr<CRecognizeApp> m_App;
};

void BM_DesktopSimple10000(benchmark::State& state)
{
    CDesktop desktop;
    for (auto _ : state)
        desktop.RecognizeSimple();
    benchmark::DoNotOptimize(desktop.Doc().m_strResultText.data());
}
BENCHMARK(BM_DesktopSimple10000)->Unit(benchmark::kMillisecond);

// The first recognition of a document, when the result pane's raster is made at its new size.
void BM_DesktopFirstSimple10000(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto desktop = std::make_unique<CDesktop>();
        state.ResumeTiming();
        desktop->RecognizeSimple();
        state.PauseTiming();
        desktop.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DesktopFirstSimple10000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_DocumentSimple10000(benchmark::State& state)
{
    CDesktop desktop;
    CRecognizeDoc doc;
    doc.m_Font = desktop.Doc().m_Font;
    doc.m_nCells = desktop.Doc().m_nCells;
    doc.m_Picture = desktop.Doc().m_Picture;
    doc.m_bHasPicture = true;
    for (auto _ : state)
        doc.OnRecognizeSimple();
    benchmark::DoNotOptimize(doc.m_strResultText.data());
}
BENCHMARK(BM_DocumentSimple10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
