// Random input for the desktop program: seeded commands, dialog answers, key presses, mouse
// strokes, scrolling, resizing and window handling on several documents, with the program's
// state checked after every step. RECOGNIZE_MONKEY_SEED replays a run, RECOGNIZE_MONKEY_STEPS
// sets its length, RECOGNIZE_MONKEY_LOG=1 prints every step, RECOGNIZE_MONKEY_BACKTRACE=FILE
// has gdb write every thread's stack to FILE when a step hangs.
#include "GuiFixture.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSplitter>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iostream>
#include <limits>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define RECOGNIZE_MONKEY_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RECOGNIZE_MONKEY_ASAN 1
#endif
#endif
#ifdef RECOGNIZE_MONKEY_ASAN
#include <sanitizer/common_interface_defs.h>
#endif

using namespace guitest;

namespace {

constexpr int kDefaultSteps = 20000;
constexpr int kHangSeconds = 60;       // a step running longer than this counts as a hang
constexpr std::chrono::seconds kSearchPatience{20};  // a font search is cancelled after this
constexpr int kLogLength = 40;         // steps shown when a run fails
constexpr int kMaxWindows = 10;        // past this many windows the run prefers closing them
constexpr int kCheapCells = 2000;      // recognition on more cells is left to rare steps

std::uint64_t EnvironmentNumber(const char* name, std::uint64_t fallback)
{
    const QByteArray value = qgetenv(name);
    bool ok = false;
    const qulonglong number = value.toULongLong(&ok);
    return ok ? number : fallback;
}

// What the run is doing now, for the crash and hang reports; written before every step.
char g_CurrentStep[512] = "before the first step";

void WriteCurrentStep()
{
    const char prefix[] = "\nrandom input: failed during ";
    [[maybe_unused]] auto written = ::write(2, prefix, sizeof(prefix) - 1);
    written = ::write(2, g_CurrentStep, std::strlen(g_CurrentStep));
    written = ::write(2, "\n", 1);
}

#ifdef RECOGNIZE_MONKEY_ASAN
void OnSanitizerDeath()
{
    WriteCurrentStep();
}
#else
void OnFatalSignal(int signal)
{
    WriteCurrentStep();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
#endif

// The offscreen platform says at every window it shows what it cannot do; the rest of Qt's
// messages go where they went before.
QtMessageHandler g_PreviousHandler = nullptr;

void FilterQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (g_PreviousHandler)
        g_PreviousHandler(type, context, message);
}

// Aborts with the current step when one step takes longer than kHangSeconds.
class CHangWatch {
public:
    CHangWatch()
        : m_Thread([this] {
              using Clock = std::chrono::steady_clock;
              long seen = m_nProgress.load();
              Clock::time_point since = Clock::now();
              std::unique_lock lock(m_Mutex);
              while (!m_Wake.wait_for(lock, std::chrono::seconds(1), [this] { return m_bStop; })) {
                  const long now = m_nProgress.load();
                  if (now != seen) {
                      seen = now;
                      since = Clock::now();
                  } else if (Clock::now() - since > std::chrono::seconds(kHangSeconds)) {
                      WriteCurrentStep();
                      std::fputs("random input: hang\n", stderr);
                      if (const char* dump = std::getenv("RECOGNIZE_MONKEY_BACKTRACE")) {
                          const std::string command = "gdb -p " + std::to_string(getpid()) +
                                                      " -batch -ex 'thread apply all bt' > '" + dump + "' 2>&1";
                          if (std::system(command.c_str()) != 0)
                              std::fputs("random input: no backtrace\n", stderr);
                      }
                      std::abort();
                  }
              }
          })
    {
    }
    ~CHangWatch()
    {
        {
            std::lock_guard lock(m_Mutex);
            m_bStop = true;
        }
        m_Wake.notify_all();
        m_Thread.join();
    }
    CHangWatch(const CHangWatch&) = delete;
    CHangWatch& operator=(const CHangWatch&) = delete;

    void Tick() { ++m_nProgress; }

private:
    std::atomic<long> m_nProgress{0};
    std::mutex m_Mutex;
    std::condition_variable m_Wake;
    bool m_bStop = false;
    std::thread m_Thread;  // last: starts once the members it uses exist
};

// Notes every dialog that really opens and every nested event loop (a modal dialog or menu
// run by exec), and closes them so that the run goes on.
class CModalWatch : public QObject {
public:
    CModalWatch()
    {
        qApp->installEventFilter(this);
        // Fires only inside an event loop; the run itself never starts one.
        m_Timer.setInterval(20);
        connect(&m_Timer, &QTimer::timeout, this, &CModalWatch::CheckNestedLoop);
        m_Timer.start();
    }
    ~CModalWatch() override { qApp->removeEventFilter(this); }

    QStringList opened;  // what opened, one entry each
    int menusRun = 0;    // menus that ran their own event loop

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            // A search's progress is no prompt: the run waits for it or presses its Cancel.
            if (qobject_cast<QProgressDialog*>(object))
                return false;
            if (auto* dialog = qobject_cast<QDialog*>(object)) {
                opened << QStringLiteral("dialog %1 \"%2\"").arg(QString::fromUtf8(dialog->metaObject()->className()),
                                                                 dialog->windowTitle());
                QTimer::singleShot(0, dialog, &QDialog::reject);
            }
        }
        return false;
    }

private:
    void CheckNestedLoop()
    {
        if (QThread::currentThread()->loopLevel() == 0)
            return;
        // A menu run by exec (the toolbar's extension button) waits for a click like any
        // menu; it is closed as a click elsewhere would. Anything else is a failure.
        if (QWidget* popup = QApplication::activePopupWidget()) {
            ++menusRun;
            popup->close();
            return;
        }
        QWidget* blocking = QApplication::activeModalWidget();
        opened << QStringLiteral("nested event loop under %1")
                      .arg(blocking ? QString::fromUtf8(blocking->metaObject()->className()) : QStringLiteral("?"));
        if (blocking)
            blocking->close();
    }

    QTimer m_Timer;
};

// The corpus files of the fuzzers, of every target: readers meet each other's files too.
std::vector<std::filesystem::path> BrokenFiles()
{
    std::vector<std::filesystem::path> files;
    const std::filesystem::path root = std::filesystem::path(RECOGNIZE_SOURCE_DIR) / "tests" / "fuzz";
    for (const char* folder : {"corpus", "regressions"}) {
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder, error))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

class RandomInput : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        m_nSeed = EnvironmentNumber("RECOGNIZE_MONKEY_SEED",
                                    static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) ^
                                        std::random_device{}());
        m_nSteps = static_cast<int>(EnvironmentNumber("RECOGNIZE_MONKEY_STEPS", kDefaultSteps));
        m_bLogEverything = qgetenv("RECOGNIZE_MONKEY_LOG") == "1";
        g_PreviousHandler = qInstallMessageHandler(FilterQtMessages);
#ifdef RECOGNIZE_MONKEY_ASAN
        __sanitizer_set_death_callback(OnSanitizerDeath);
#else
        for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
            std::signal(signal, OnFatalSignal);
#endif
        // The program gets copies only: a save onto a chosen file must not reach the originals.
        std::filesystem::create_directory(dir.Path() / "answers");
        std::filesystem::create_directory(dir.Path() / "odd");
        std::filesystem::copy_file(dir.Path() / "Fonts" / "default.GLF", dir.Path() / "odd" / "default.GLF");
        std::filesystem::copy_file(dir.Path() / "dict.dic", dir.Path() / "odd" / "dict.dic");
        m_AnswerFiles = {dir.Path() / "odd" / "default.GLF", dir.Path() / "odd" / "dict.dic"};
        MakeOddDocuments();
        m_nOddFiles = static_cast<int>(m_AnswerFiles.size());
        for (const std::filesystem::path& file : BrokenFiles())
            m_AnswerFiles.push_back(file);
        m_pModalWatch = std::make_unique<CModalWatch>();
    }

    void TearDown() override
    {
        StopApp();
        m_pModalWatch.reset();
        qInstallMessageHandler(g_PreviousHandler);
#ifndef RECOGNIZE_MONKEY_ASAN
        for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
            std::signal(signal, SIG_DFL);
#endif
        GuiTest::TearDown();
    }

    // Runs steps random steps from seed; stops at the first failed check.
    void Run(std::uint64_t seed, int steps);

    std::uint64_t m_nSeed = 0;
    int m_nSteps = kDefaultSteps;

    // --- The random source -------------------------------------------------------------
    int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_Random); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(m_Random); }
    template <class T>
    const T& Pick(const std::vector<T>& items) { return items[static_cast<std::size_t>(Int(0, static_cast<int>(items.size()) - 1))]; }

    // Documents in files whose fields hold what the program itself never writes.
    void MakeOddDocuments();

    // --- Steps ---------------------------------------------------------------------------
    void Step();
    void RunCommand();
    void PressKey();
    void StrokeOnPane();
    void StrokeOnMainWindow();
    void Scroll();
    void Resize();
    void HandleWindows();
    void SaveAndReopen();
    void Restart();

    // Answers for whatever the next step asks: files, questions and dialogs.
    void QueueAnswers();
    QString RandomFile();
    // A fresh copy of original among the answers, in place of an earlier one.
    QString FreshCopy(const std::filesystem::path& original);
    QString RandomText();
    int AnswerDialog(QDialog& dialog);
    void AnswerTextDialog(CTextInputDlg& dialog);
    void AnswerSpaceDialog(CAdditionalSpaceDlg& dialog);
    void AnswerCoefficientDialog(CCoefficientDlg& dialog);

    // A window of a random document, the active one more often; nullptr without any.
    CChildFrame* RandomFrame();
    QMdiSubWindow* RandomSubWindow();
    QPoint RandomPoint(QSize size);
    void CloseMenus();
    // Lets queued work run: repaints, title updates, deleting closed windows.
    void Settle();
    void FinishPageReads();
    void CheckState();
    void Log(const QString& text);

    std::mt19937_64 m_Random;
    std::vector<std::filesystem::path> m_AnswerFiles;  // originals of the files offered to open
    int m_nOddFiles = 0;  // the first ones: the font, the word list and the odd documents
    std::deque<std::string> m_Log;
    std::map<QString, int> m_Messages;  // what the program told the user, and how often
    const char* m_pszKind = "";          // the kind of the step running
    std::map<std::string, std::pair<int, double>> m_Kinds;  // steps and seconds of each kind
    int m_nBeeps = 0;
    int m_nStep = 0;
    bool m_bLogEverything = false;
    std::unique_ptr<CModalWatch> m_pModalWatch;
};

void RandomInput::MakeOddDocuments()
{
    struct Odd {
        const char* name;
        void (*change)(CRecognizeDoc&);
    };
    const Odd odds[] = {
        {"line-width-max.rdf", [](CRecognizeDoc& d) { d.m_nLineWidth = INT_MAX; }},
        {"line-width-min.rdf", [](CRecognizeDoc& d) { d.m_nLineWidth = INT_MIN; }},
        {"line-width-0.rdf", [](CRecognizeDoc& d) { d.m_nLineWidth = 0; }},
        {"line-width-400.rdf", [](CRecognizeDoc& d) { d.m_nLineWidth = 400; }},
        {"space-negative.rdf", [](CRecognizeDoc& d) { d.m_nAdditionalSpace = -10; }},
        {"space-at-bound.rdf", [](CRecognizeDoc& d) { d.m_nAdditionalSpace = CRecognizeDoc::kMaxCells - 7; }},
        {"space-past-bound.rdf", [](CRecognizeDoc& d) { d.m_nAdditionalSpace = CRecognizeDoc::kMaxCells - 6; }},
        {"coefficient-nan.rdf", [](CRecognizeDoc& d) { d.m_dCoefficient = std::numeric_limits<double>::quiet_NaN(); }},
        {"coefficient-huge.rdf", [](CRecognizeDoc& d) { d.m_dCoefficient = 1e300; }},
        {"coefficient-negative.rdf", [](CRecognizeDoc& d) { d.m_dCoefficient = -0.5; }},
        {"picture-small.rdf", [](CRecognizeDoc& d) { d.m_Picture.Create(3, 2, CRaster::kBlack); }},
        {"picture-tall.rdf", [](CRecognizeDoc& d) { d.m_Picture.Create(7, 3000, CRaster::kWhite); }},
        {"picture-empty.rdf", [](CRecognizeDoc& d) { d.m_Picture = CRaster(); }},
        {"flags-odd.rdf", [](CRecognizeDoc& d) {
             d.m_bGraphicsModified = 7;
             d.m_bPicturePresent = -1;
             d.m_bResultPicture = 2;
             d.m_bRedrawPicture = 5;
         }},
        {"font-empty.rdf", [](CRecognizeDoc& d) { d.m_Font = CCharImageFont(); }},
    };
    for (const Odd& odd : odds) {
        CRecognizeDoc doc;
        ASSERT_TRUE(doc.NewDocument((dir.Path() / "Fonts" / "default.GLF").string(), ""));
        ASSERT_TRUE(doc.SetText("cab bed"));
        odd.change(doc);
        const std::filesystem::path path = dir.Path() / "odd" / odd.name;
        ASSERT_TRUE(doc.SaveDocument(path.string()));
        m_AnswerFiles.push_back(path);
    }
    // Fonts of the largest and the smallest cell a GLF file holds.
    for (const auto& [name, width, height] : {std::tuple{"big-cell.GLF", 255, 255}, std::tuple{"dot-cell.GLF", 1, 1}}) {
        const std::vector<std::uint8_t> bytes = fixtures::FontBytes(fixtures::MakeNoiseFont(' ', 'c', width, height));
        WriteFile(dir.Path() / "odd" / name, std::string(bytes.begin(), bytes.end()));
        m_AnswerFiles.push_back(dir.Path() / "odd" / name);
    }
    WriteFile(dir.Path() / "odd" / "empty.rdf", "");
    m_AnswerFiles.push_back(dir.Path() / "odd" / "empty.rdf");
    std::filesystem::create_directory(dir.Path() / "folder.rdf");
}

void RandomInput::Log(const QString& text)
{
    std::string line = "step " + std::to_string(m_nStep) + ": " + text.toStdString();
    std::snprintf(g_CurrentStep, sizeof g_CurrentStep, "%s (seed %llu)", line.c_str(),
                  static_cast<unsigned long long>(m_nSeed));
    if (m_bLogEverything)
        std::cout << line << std::endl;
    m_Log.push_back(std::move(line));
    while (m_Log.size() > kLogLength)
        m_Log.pop_front();
}

// --- Answers -------------------------------------------------------------------------------

QString RandomInput::RandomFile()
{
    const std::filesystem::path& d = dir.Path();
    switch (Int(0, 11)) {
    case 0: return {};  // cancelled
    case 1: return QString::fromStdString((d / ("doc" + std::to_string(Int(0, 4)) + ".rdf")).string());
    case 2: return QString::fromStdString((d / ("pic" + std::to_string(Int(0, 2)) + ".bmp")).string());
    case 3:
    case 4:
    case 5: return FreshCopy(m_AnswerFiles[static_cast<std::size_t>(Int(0, m_nOddFiles - 1))]);
    case 6:
    case 7: return FreshCopy(Pick(m_AnswerFiles));
    case 8: return QString::fromStdString((d / "missing" / "nothing.rdf").string());
    case 9: return Chance(0.5) ? QString::fromStdString((d / "folder.rdf").string()) : QStringLiteral("/");
    case 10: return QString::fromStdString(d.string()) + QStringLiteral("/Текст ☃ %1.rdf").arg(Int(0, 1));
    default: return FreshCopy(m_AnswerFiles.front());  // the font every new document has
    }
}

QString RandomInput::FreshCopy(const std::filesystem::path& original)
{
    // Named after the original's folder and name, so that the copies of one file meet again.
    const std::filesystem::path copy = dir.Path() / "answers" /
                                       (original.parent_path().filename().string() + "-" + original.filename().string());
    std::error_code error;
    std::filesystem::remove_all(copy, error);
    std::filesystem::copy_file(original, copy, error);
    return QString::fromStdString(copy.string());
}

QString RandomInput::RandomText()
{
    // Letters of the font and the word list, spaces, Cyrillic (Windows-1251 but not in the
    // font), characters outside Windows-1251, control characters.
    // A character picked from the pool may be half of a surrogate pair.
    static const QString pool = QStringLiteral("abcdefbedcabface  ABZ019.,!") + QStringLiteral("жЖяЁё") +
                                QString::fromUtf8("€☃漢😀") + QStringLiteral("\t\n") + QChar(0);
    int length = 0;
    const int kind = Int(0, 99);
    if (kind < 10)
        length = 0;
    else if (kind < 90)
        length = Int(1, 12);
    else if (kind < 98)
        length = Int(13, 300);
    else if (kind < 99)
        length = Int(301, kCheapCells);
    else
        length = 32767 + Int(-2, 10);  // the most the box takes, and past it
    QString text;
    text.reserve(length);
    for (int i = 0; i < length; ++i)
        text += pool.at(Int(0, static_cast<int>(pool.size()) - 1));
    return text;
}

void RandomInput::AnswerTextDialog(CTextInputDlg& dialog)
{
    QLineEdit* box = dialog.TextBox();
    if (Chance(0.2))
        QTest::keyClicks(box, QStringLiteral("bad"));
    else
        box->setText(RandomText());
    if (Chance(0.8))
        dialog.OnOK();
    else
        dialog.reject();
}

void RandomInput::AnswerSpaceDialog(CAdditionalSpaceDlg& dialog)
{
    QLineEdit* box = dialog.SpaceBox();
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int kind = Int(0, 99);
        if (kind < 60) {
            box->setText(QString::number(Int(0, 12)));
        } else if (kind < 70) {
            box->clear();
            QTest::keyClicks(box, QStringLiteral("-1x%1").arg(Int(0, 99)));  // digits only get in
        } else if (kind < 78) {
            box->setText(QString());
        } else if (kind < 84) {
            box->setText(QString::number(Int(kCheapCells, CRecognizeDoc::kMaxCells)));
        } else if (kind < 90) {
            box->setText(QString::number(CRecognizeDoc::kMaxCells + Int(-2, 2)));
        } else if (kind < 94) {
            box->setText(QStringLiteral("99999999999999"));
        } else if (kind < 97) {
            box->setText(QString::number(-Int(1, 100)));  // what typing cannot give
        } else {
            box->setText(QString::number(INT_MAX - Int(0, 1)));
        }
        dialog.OnOK();
        if (dialog.result() == QDialog::Accepted || Chance(0.3))
            break;
    }
    if (dialog.result() != QDialog::Accepted)
        dialog.reject();
}

void RandomInput::AnswerCoefficientDialog(CCoefficientDlg& dialog)
{
    QSlider* slider = dialog.Slider();
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int kind = Int(0, 9);
        if (kind < 4) {
            slider->setValue(Int(-10, CCoefficientDlg::kSliderMax + 10));
        } else if (kind < 7) {
            static const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp,
                                           Qt::Key_PageDown, Qt::Key_Up, Qt::Key_Down};
            QTest::keyClick(slider, keys[Int(0, 7)]);
        } else if (kind < 8) {
            slider->triggerAction(QAbstractSlider::SliderToMaximum);
        } else {
            // A read-only box a user cannot type into.
            static const char* const texts[] = {"1.5", "-0.1", "abc", "", "nan", "inf", "1", "0", "1e-300"};
            dialog.ValueBox()->setText(QString::fromLatin1(texts[Int(0, 8)]));
        }
        if (Chance(0.7)) {
            dialog.OnOK();
            if (dialog.result() == QDialog::Accepted || Chance(0.3))
                break;
        }
    }
    if (dialog.result() != QDialog::Accepted)
        dialog.reject();
}

int RandomInput::AnswerDialog(QDialog& dialog)
{
    if (auto* text = qobject_cast<CTextInputDlg*>(&dialog))
        AnswerTextDialog(*text);
    else if (auto* space = qobject_cast<CAdditionalSpaceDlg*>(&dialog))
        AnswerSpaceDialog(*space);
    else if (auto* coefficient = qobject_cast<CCoefficientDlg*>(&dialog))
        AnswerCoefficientDialog(*coefficient);
    else if (Chance(0.5))
        dialog.accept();
    else
        dialog.reject();
    return dialog.result();
}

void RandomInput::QueueAnswers()
{
    for (int i = Int(0, 2); i > 0; --i)
        prompts.fileAnswers.push_back(RandomFile());
    static const QMessageBox::StandardButton buttons[] = {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    for (int i = Int(0, 3); i > 0; --i)
        prompts.buttonAnswers.push_back(buttons[Int(0, 2)]);
    for (int i = Int(0, 2); i > 0; --i)
        prompts.dialogScripts.push_back([this](QDialog& dialog) { return AnswerDialog(dialog); });
}

// --- Helpers -------------------------------------------------------------------------------

CChildFrame* RandomInput::RandomFrame()
{
    if (Chance(0.7) && Main().ActiveChildFrame())
        return Main().ActiveChildFrame();
    std::vector<CChildFrame*> frames;
    for (const auto& document : app->Documents())
        frames.insert(frames.end(), document->Frames().begin(), document->Frames().end());
    return frames.empty() ? nullptr : Pick(frames);
}

QMdiSubWindow* RandomInput::RandomSubWindow()
{
    const QList<QMdiSubWindow*> windows = Main().MdiArea()->subWindowList();
    return windows.isEmpty() ? nullptr : windows.at(Int(0, static_cast<int>(windows.size()) - 1));
}

QPoint RandomInput::RandomPoint(QSize size)
{
    const int kind = Int(0, 9);
    if (kind < 7)
        return {Int(0, std::max(0, size.width() - 1)), Int(0, std::max(0, size.height() - 1))};
    if (kind < 9)
        return {Int(-60, size.width() + 60), Int(-60, size.height() + 60)};
    return {Int(-100000, 100000), Int(-100000, 100000)};
}

void RandomInput::CloseMenus()
{
    for (int i = 0; i < 10 && QApplication::activePopupWidget(); ++i)
        QApplication::activePopupWidget()->close();
}

void RandomInput::FinishPageReads()
{
    // Read Page works off the user-interface thread, and a page whose font does not fit goes on
    // to a search behind a progress dialog (the fixed-width families, then the proportional
    // ones). Half the time its Cancel is pressed, as a person would; the other half the run
    // waits, and presses it as a person would after kSearchPatience (a search of every family
    // on a picture of noise takes that long in a sanitizer build).
    const auto& documents = app->Documents();
    auto reading = [&] {
        return std::any_of(documents.begin(), documents.end(), [](const auto& document) { return document->IsReadingPage(); });
    };
    if (!reading())
        return;
    // Presses Cancel on each search's progress dialog not pressed before. The search starts
    // only once the reading with the document's font has found that font does not fit, so a
    // Cancel pressed at once is pressed when its dialog is there.
    auto cancel = [&] {
        for (QWidget* widget : QApplication::allWidgets()) {
            auto* progress = qobject_cast<QProgressDialog*>(widget);
            if (!progress || progress->wasCanceled())
                continue;
            if (auto* button = progress->findChild<QPushButton*>()) {
                Log(QStringLiteral("cancel the font search"));
                button->click();
            }
        }
    };
    const bool atOnce = Chance(0.5);
    const auto start = std::chrono::steady_clock::now();
    while (reading()) {
        if (atOnce || std::chrono::steady_clock::now() - start > kSearchPatience)
            cancel();
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    Settle();
}

void RandomInput::Settle()
{
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();  // what the deleted windows left to do
}

// --- Steps ---------------------------------------------------------------------------------

void RandomInput::RunCommand()
{
    // Half the time one of the commands that change a document, else any command.
    static const std::vector<int> editing = {
        CommandId::kSetText,          CommandId::kSetText,           CommandId::kEditText,
        CommandId::kEditGraphics,     CommandId::kEditGraphics,      CommandId::kAdditionalSpace,
        CommandId::kRecognizeSimple,  CommandId::kRecognizeComplex,  CommandId::kRecognitionCoefficient,
        CommandId::kLoadFont,         CommandId::kLoadBitmap,        CommandId::kSaveBitmap,
        CommandId::kLineWidth1,       CommandId::kLineWidth5,        CommandId::kFileNew};
    const std::span<const CommandInfo> table = CommandTable();
    const CommandInfo& command = Chance(0.5) ? *FindCommand(Pick(editing))
                                             : table[static_cast<std::size_t>(Int(0, static_cast<int>(table.size()) - 1))];
    const bool expensive = (command.nId == CommandId::kRecognizeSimple || command.nId == CommandId::kRecognizeComplex) &&
                           GuiDoc() && GuiDoc()->Doc().m_nCells > kCheapCells;
    if (expensive && !Chance(0.05)) {
        Log(QStringLiteral("skip %1 on %2 cells").arg(QString::fromUtf8(command.pszText)).arg(GuiDoc()->Doc().m_nCells));
        return;
    }
    Main().UpdateCommandUI();
    QAction* action = Main().Action(command.nId);
    if (Chance(0.9)) {
        Log(QStringLiteral("command %1 (%2)").arg(QString::fromUtf8(command.pszText), action->isEnabled() ? "enabled" : "disabled"));
        if (action->isEnabled())
            action->trigger();
        return;
    }
    // Past the update rule, as no user can: the handler runs whenever its object exists.
    const CommandContext context = Main().Context();
    const bool reachable = command.pfnHandler &&
                           (command.target == CommandTarget::App || command.target == CommandTarget::MainFrame ||
                            (command.target == CommandTarget::ChildFrame && context.pChildFrame) ||
                            (command.target == CommandTarget::Document && context.pDocument));
    Log(QStringLiteral("handler of %1%2").arg(QString::fromUtf8(command.pszText), reachable ? "" : " (none)"));
    if (reachable) {
        command.pfnHandler(context);
        if (app && Main().isVisible())
            Main().UpdateCommandUI();
    }
}

void RandomInput::PressKey()
{
    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    static const Key keys[] = {
        {Qt::Key_N, Qt::ControlModifier},     {Qt::Key_O, Qt::ControlModifier},
        {Qt::Key_S, Qt::ControlModifier},     {Qt::Key_P, Qt::ControlModifier},
        {Qt::Key_Z, Qt::ControlModifier},     {Qt::Key_X, Qt::ControlModifier},
        {Qt::Key_C, Qt::ControlModifier},     {Qt::Key_V, Qt::ControlModifier},
        {Qt::Key_Insert, Qt::ControlModifier}, {Qt::Key_Insert, Qt::ShiftModifier},
        {Qt::Key_Delete, Qt::ShiftModifier},  {Qt::Key_Backspace, Qt::AltModifier},
        {Qt::Key_F6, Qt::NoModifier},         {Qt::Key_F6, Qt::ShiftModifier},
        {Qt::Key_F4, Qt::ControlModifier},    {Qt::Key_W, Qt::ControlModifier},
        {Qt::Key_F6, Qt::ControlModifier},    {Qt::Key_Tab, Qt::ControlModifier},
        {Qt::Key_F, Qt::AltModifier},         {Qt::Key_R, Qt::AltModifier},
        {Qt::Key_O, Qt::AltModifier},         {Qt::Key_W, Qt::AltModifier},
        {Qt::Key_Escape, Qt::NoModifier},     {Qt::Key_Return, Qt::NoModifier},
        {Qt::Key_Space, Qt::NoModifier},      {Qt::Key_Tab, Qt::NoModifier},
        {Qt::Key_Up, Qt::NoModifier},         {Qt::Key_Down, Qt::NoModifier},
        {Qt::Key_Left, Qt::NoModifier},       {Qt::Key_Right, Qt::NoModifier},
        {Qt::Key_PageUp, Qt::NoModifier},     {Qt::Key_PageDown, Qt::NoModifier},
        {Qt::Key_Home, Qt::NoModifier},       {Qt::Key_End, Qt::NoModifier},
        {Qt::Key_F10, Qt::NoModifier},        {Qt::Key_A, Qt::NoModifier},
        {Qt::Key_Q, Qt::ControlModifier},     {Qt::Key_Minus, Qt::AltModifier},
    };
    const Key& key = keys[Int(0, static_cast<int>(std::size(keys)) - 1)];
    QWidget* target = QApplication::activePopupWidget();
    if (!target)
        target = QApplication::focusWidget();
    if (!target || Chance(0.3))
        target = &Main();
    Log(QStringLiteral("key %1 to %2")
            .arg(QKeySequence(key.key | key.modifiers).toString(), QString::fromUtf8(target->metaObject()->className())));
    // The key may close the window of its target; the release then goes nowhere.
    QPointer<QWidget> receiver(target);
    QTest::keyPress(target, key.key, key.modifiers);
    if (receiver)
        QTest::keyRelease(receiver, key.key, key.modifiers);
}

void RandomInput::StrokeOnPane()
{
    CChildFrame* frame = RandomFrame();
    if (!frame)
        return;
    CRecGraphicsView& view = *frame->GraphicsView();
    const QSize size = view.viewport()->size();
    static const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
    const Qt::MouseButton button = buttons[Int(0, 3)];
    const QPoint start = RandomPoint(size);
    const int moves = Int(0, 8);
    Log(QStringLiteral("stroke button %1 from %2,%3 with %4 moves in %5 x %6%7")
            .arg(int(button)).arg(start.x()).arg(start.y()).arg(moves).arg(size.width()).arg(size.height())
            .arg(frame->Document()->Doc().m_bEditGraphics ? " drawing" : ""));
    const bool pressed = Chance(0.9);
    if (pressed)
        Press(view, start, button);
    for (int i = 0; i < moves; ++i) {
        Qt::MouseButtons held = pressed ? Qt::MouseButtons(button) : Qt::NoButton;
        if (Chance(0.1))
            held = Qt::LeftButton | Qt::RightButton;
        Move(view, RandomPoint(size), held);
    }
    if (pressed && Chance(0.9))
        Release(view, RandomPoint(size), button);
}

void RandomInput::StrokeOnMainWindow()
{
    // A press lands on the widget under the point; the moves and the release go to that
    // widget, as the mouse grab sends them, wherever the pointer is.
    const QPoint point = RandomPoint(Main().size());
    QWidget* widget = Main().childAt(point);
    if (!widget)
        widget = &Main();
    const Qt::MouseButton button = Chance(0.8) ? Qt::LeftButton : Qt::RightButton;
    const int moves = Int(0, 3);
    const bool twice = Chance(0.1);
    Log(QStringLiteral("%1 at %2,%3 on %4 with %5 moves")
            .arg(twice ? "double click" : "click").arg(point.x()).arg(point.y())
            .arg(QString::fromUtf8(widget->metaObject()->className())).arg(moves));
    QPointer<QWidget> target(widget);
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton changed, Qt::MouseButtons held) {
        if (!target)
            return;
        // Through global coordinates: the click may have taken the widget out of the main window.
        const QPoint global = Main().mapToGlobal(at);
        QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global), changed, held, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    };
    send(QEvent::MouseButtonPress, point, button, button);
    if (twice) {
        send(QEvent::MouseButtonRelease, point, button, Qt::NoButton);
        send(QEvent::MouseButtonDblClick, point, button, button);
    }
    QPoint at = point;
    for (int i = 0; i < moves; ++i) {
        at = Chance(0.7) ? at + QPoint(Int(-40, 40), Int(-40, 40)) : RandomPoint(Main().size());
        send(QEvent::MouseMove, at, Qt::NoButton, button);
    }
    send(QEvent::MouseButtonRelease, at, button, Qt::NoButton);
}

void RandomInput::Scroll()
{
    CChildFrame* frame = RandomFrame();
    if (!frame)
        return;
    QScrollBar* bars[] = {frame->GraphicsView()->verticalScrollBar(), frame->ResultView()->verticalScrollBar(),
                          frame->SharedHorizontalBar(), frame->GraphicsView()->horizontalScrollBar()};
    if (Chance(0.6)) {
        QScrollBar* bar = bars[Int(0, 3)];
        const int value = Chance(0.8) ? Int(bar->minimum(), bar->maximum()) : Int(-1000, bar->maximum() + 1000);
        Log(QStringLiteral("scroll bar to %1 of %2").arg(value).arg(bar->maximum()));
        bar->setValue(value);
        return;
    }
    QWidget* viewport = Chance(0.5) ? frame->GraphicsView()->viewport() : frame->ResultView()->viewport();
    const QPoint angle = Chance(0.5) ? QPoint(0, Int(-3, 3) * 120) : QPoint(Int(-3, 3) * 120, Int(-1, 1) * 120);
    const QPoint at = RandomPoint(viewport->size());
    Log(QStringLiteral("wheel %1,%2").arg(angle.x()).arg(angle.y()));
    QWheelEvent wheel(QPointF(at), QPointF(viewport->mapToGlobal(at)), QPoint(), angle, Qt::NoButton,
                      Chance(0.2) ? Qt::ShiftModifier : Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
}

void RandomInput::Resize()
{
    const int kind = Int(0, 9);
    if (kind < 3) {
        const QSize size = Chance(0.1) ? QSize(Int(1, 40), Int(1, 40)) : QSize(Int(200, 1600), Int(150, 1200));
        Log(QStringLiteral("main window %1 x %2").arg(size.width()).arg(size.height()));
        Main().resize(size);
        return;
    }
    QMdiSubWindow* window = RandomSubWindow();
    if (!window)
        return;
    if (kind < 6) {
        const QSize size = Chance(0.1) ? QSize(Int(1, 60), Int(1, 60)) : QSize(Int(100, 1600), Int(80, 1200));
        Log(QStringLiteral("document window %1 x %2").arg(size.width()).arg(size.height()));
        // Only a window shown normally has edges to drag. (A minimised window made taller than
        // its title bar sets the area's scroll bars showing and hiding each other for ever.)
        if (window->isMinimized() || window->isMaximized())
            window->showNormal();
        window->resize(size);
    } else if (kind < 9) {
        const int state = Int(0, 2);
        Log(QStringLiteral("document window %1").arg(state == 0 ? "maximised" : state == 1 ? "minimised" : "restored"));
        if (state == 0)
            window->showMaximized();
        else if (state == 1)
            window->showMinimized();
        else
            window->showNormal();
    } else if (auto* frame = qobject_cast<CChildFrame*>(window->widget())) {
        const int top = Int(0, 800);
        const int bottom = Int(0, 800);
        Log(QStringLiteral("splitter %1 / %2").arg(top).arg(bottom));
        frame->Splitter()->setSizes({top, bottom});
    }
}

void RandomInput::HandleWindows()
{
    QMdiArea& area = *Main().MdiArea();
    const int kind = Int(0, 9);
    if (kind < 3) {
        if (QMdiSubWindow* window = RandomSubWindow()) {
            Log(QStringLiteral("activate %1").arg(window->windowTitle()));
            area.setActiveSubWindow(window);
        }
    } else if (kind < 5) {
        Log(QStringLiteral("next window"));
        if (Chance(0.5))
            area.activateNextSubWindow();
        else
            area.activatePreviousSubWindow();
    } else if (kind < 7) {
        // An entry of the window list at the foot of "&Window".
        QMenu* menu = Main().WindowMenu();
        emit menu->aboutToShow();
        std::vector<QAction*> entries;
        bool afterSeparator = false;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                afterSeparator = true;
            else if (afterSeparator)
                entries.push_back(action);
        }
        if (!entries.empty()) {
            QAction* entry = Pick(entries);
            Log(QStringLiteral("window list %1").arg(entry->text()));
            entry->trigger();
        }
    } else if (QMdiSubWindow* window = RandomSubWindow()) {
        Log(QStringLiteral("close window %1").arg(window->windowTitle()));
        if (auto* frame = qobject_cast<CChildFrame*>(window->widget()); frame && Chance(0.5))
            frame->CloseWindow();
        else
            window->close();
    }
}

void RandomInput::SaveAndReopen()
{
    CGuiDocument* document = GuiDoc();
    if (!document)
        return;
    const QString path = QString::fromStdString(dir.File("doc" + std::to_string(Int(0, 4)) + ".rdf"));
    Log(QStringLiteral("save as %1 and reopen").arg(path));
    prompts.fileAnswers.push_front(path);
    Main().Action(CommandId::kFileSaveAs)->trigger();
    if (document->IsModified() || document->PathName() != QFileInfo(path).absoluteFilePath())
        return;  // the save failed and said so
    prompts.buttonAnswers.push_front(QMessageBox::No);
    document->OnFileClose();
    Settle();
    if (Chance(0.5)) {
        prompts.fileAnswers.push_front(path);
        Main().Action(CommandId::kFileOpen)->trigger();
    } else {
        Main().UpdateCommandUI();
        Main().Action(CommandId::kFileMru1)->trigger();
    }
}

void RandomInput::Restart()
{
    QStringList arguments;
    const int kind = Int(0, 3);
    if (kind == 1)
        arguments << QString::fromStdString(dir.File("doc" + std::to_string(Int(0, 4)) + ".rdf"));
    else if (kind == 2)
        arguments << RandomFile();
    Log(QStringLiteral("restart with %1").arg(arguments.join(QLatin1Char(' '))));
    StopApp();
    app = std::make_unique<CRecognizeApp>(prompts);
    app->InitInstance(arguments);  // a file that does not open leaves the main window empty
    Main().activateWindow();
}

void RandomInput::Step()
{
    // File and document names, left out of the message counts.
    static const QRegularExpression kNames(QStringLiteral("(/|DemoDoc)\\S*"));
    const int windows = static_cast<int>(Main().MdiArea()->subWindowList().size());
    int kind = Int(0, 99);
    if (windows >= kMaxWindows && kind < 20)
        kind = -1;
    QueueAnswers();
    if (kind >= 2)
        CloseMenus();  // a menu left open by a click goes when the next click lands elsewhere
    if (kind < 0) {
        m_pszKind = "closing one of many windows";
        QMdiSubWindow* window = RandomSubWindow();
        Log(QStringLiteral("close window %1 of %2").arg(window->windowTitle()).arg(windows));
        window->close();
    } else if (kind < 2) {
        m_pszKind = "key to a menu";
        PressKey();  // keys reach an open menu
    } else if (kind < 35) {
        m_pszKind = "command";
        RunCommand();
    } else if (kind < 45) {
        m_pszKind = "key";
        PressKey();
    } else if (kind < 65) {
        m_pszKind = "stroke on a pane";
        StrokeOnPane();
    } else if (kind < 70) {
        m_pszKind = "click on the main window";
        StrokeOnMainWindow();
    } else if (kind < 78) {
        m_pszKind = "scroll";
        Scroll();
    } else if (kind < 83) {
        m_pszKind = "resize";
        Resize();
    } else if (kind < 96) {
        m_pszKind = "window handling";
        HandleWindows();
    } else if (kind < 97) {
        m_pszKind = "save and reopen";
        SaveAndReopen();
    } else if (kind < 99) {
        m_pszKind = "new document";
        Log(QStringLiteral("new document"));
        Main().Action(CommandId::kFileNew)->trigger();
    } else if (Int(0, 9) == 0) {
        m_pszKind = "restart";
        Restart();
    } else {
        m_pszKind = "new window";
        Log(QStringLiteral("new window"));
        Main().UpdateCommandUI();
        Main().Action(CommandId::kWindowNew)->trigger();
    }
    Settle();
    FinishPageReads();
    // "E&xit" closed the main window: the program starts again.
    if (!Main().isVisible())
        Restart();
    for (const CScriptedPrompts::Message& message : prompts.messages)
        ++m_Messages[QString(message.text).replace(kNames, QStringLiteral("<name>")).simplified().section(QLatin1Char(' '), 0, 5)];
    m_nBeeps += prompts.beeps;
    prompts.beeps = 0;
    prompts.fileAnswers.clear();
    prompts.buttonAnswers.clear();
    prompts.dialogScripts.clear();
    prompts.fileRequests.clear();
    prompts.messages.clear();
    prompts.dialogTitles.clear();
    prompts.dialogModal.clear();
    prompts.dialogParents.clear();
}

void RandomInput::CheckState()
{
    EXPECT_TRUE(m_pModalWatch->opened.isEmpty()) << m_pModalWatch->opened.join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    int frames = 0;
    for (const auto& document : app->Documents()) {
        const CRecognizeDoc& doc = document->Doc();
        const std::string name = document->Title().toStdString();
        EXPECT_TRUE(doc.m_bEditText == 0 || doc.m_bEditText == 1) << name;
        EXPECT_TRUE(doc.m_bEditGraphics == 0 || doc.m_bEditGraphics == 1) << name;
        EXPECT_FALSE(doc.m_bEditText && doc.m_bEditGraphics) << name;
        // Only a file may bring a negative additional space, and with it fewer cells than 0.
        EXPECT_GE(doc.m_nCells, doc.m_nAdditionalSpace < 0 ? -CRecognizeDoc::kMaxCells : 0) << name;
        EXPECT_LE(doc.m_nCells, CRecognizeDoc::kMaxCells) << name;
        EXPECT_GE(doc.m_Picture.width(), 0) << name;
        EXPECT_GE(doc.m_Picture.height(), 0) << name;
        EXPECT_LE(std::int64_t{doc.m_Picture.width()} * doc.m_Picture.height(), CRaster::kMaxPixels) << name;
        // Every window of a document shows it in two panes, and the document knows them all.
        EXPECT_FALSE(document->Frames().empty()) << name;
        EXPECT_EQ(doc.Views().size(), 2 * document->Frames().size()) << name;
        // Windows are numbered "Title:1", "Title:2"... while there are several, in the order made.
        const std::vector<CChildFrame*>& windows = document->Frames();
        for (std::size_t i = 0; i < windows.size(); ++i) {
            EXPECT_EQ(windows[i]->Document(), document.get()) << name;
            const QString title = windows.size() == 1 ? document->Title()
                                                      : QStringLiteral("%1:%2").arg(document->Title()).arg(i + 1);
            EXPECT_EQ(windows[i]->parentWidget()->windowTitle(), title) << name;
        }
        frames += static_cast<int>(windows.size());
    }
    EXPECT_EQ(frames, Main().MdiArea()->subWindowList().size());
    // The main title names the active document and shows whether it holds unsaved changes.
    if (CGuiDocument* active = Main().ActiveDocument()) {
        const auto& documents = app->Documents();
        EXPECT_TRUE(std::any_of(documents.begin(), documents.end(), [&](const auto& d) { return d.get() == active; }));
        EXPECT_TRUE(Main().windowTitle().contains(active->Title())) << Main().windowTitle().toStdString();
        EXPECT_EQ(Main().isWindowModified(), active->IsModified()) << active->Title().toStdString();
    } else {
        EXPECT_EQ(Main().windowTitle(), QString::fromUtf8(CRecognizeApp::kMainTitle));
    }
}

void RandomInput::Run(std::uint64_t seed, int steps)
{
    m_nSeed = seed;
    m_Random.seed(seed);
    std::cout << "seed: " << seed << std::endl;
    RecordProperty("seed", std::to_string(seed));
    RecordProperty("steps", steps);
    CHangWatch hangWatch;
    StartApp();
    QApplication::setActiveWindow(&Main());
    const auto started = std::chrono::steady_clock::now();
    for (m_nStep = 0; m_nStep < steps; ++m_nStep) {
        hangWatch.Tick();
        const auto stepStarted = std::chrono::steady_clock::now();
        Step();
        CheckState();
        const double stepSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - stepStarted).count();
        auto& [count, total] = m_Kinds[m_pszKind];
        ++count;
        total += stepSeconds;
        if (stepSeconds > 1.0)
            std::cout << "slow (" << stepSeconds << " s): " << m_Log.back() << std::endl;
        if (HasFailure()) {
            std::string log;
            for (const std::string& line : m_Log)
                log += line + "\n";
            ADD_FAILURE() << "replay with RECOGNIZE_MONKEY_SEED=" << seed << " RECOGNIZE_MONKEY_STEPS=" << m_nStep + 1
                          << "; the last steps:\n"
                          << log;
            break;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << "steps: " << m_nStep << " in " << seconds << " s; beeps: " << m_nBeeps
              << "; menus run modally: " << m_pModalWatch->menusRun << "\n";
    for (const auto& [kind, counted] : m_Kinds)
        std::cout << "  " << counted.first << " x " << kind << ": " << counted.second << " s\n";
    std::cout << "messages:\n";
    for (const auto& [text, count] : m_Messages)
        std::cout << "  " << count << " x " << text.toStdString() << "\n";
    std::cout << std::flush;
    StopApp();
}

// The run ctest does: at least 20,000 steps from a fresh seed, printed first.
TEST_F(RandomInput, SurvivesRandomCommandsDialogsKeysAndStrokes)
{
    Run(m_nSeed, m_nSteps);
}

// Every odd document and every fuzz input that opens as a document, taken through the
// document commands: strokes with the line width it brought, recognition, additional space,
// bitmap and document saves.
TEST_F(RandomInput, OddDocumentsSurviveEveryDocumentCommand)
{
    StartApp();
    std::vector<std::filesystem::path> documents(m_AnswerFiles.begin(), m_AnswerFiles.end());
    for (const std::filesystem::path& original : documents) {
        SCOPED_TRACE(original.string());
        const QString path = FreshCopy(original);
        prompts.fileAnswers = {path};
        ASSERT_TRUE(Trigger(CommandId::kFileOpen));
        CGuiDocument* document = GuiDoc();
        if (!document || document->PathName() != QFileInfo(path).absoluteFilePath())
            continue;  // refused with a message
        ASSERT_TRUE(Trigger(CommandId::kEditGraphics));
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
            Press(Graphics(), {3, 3}, button);
            Move(Graphics(), {40, 20}, button);
            Move(Graphics(), {-500, 9000}, button);
            Move(Graphics(), {2, 1}, button);
            Release(Graphics(), {2, 1}, button);
        }
        Settle();
        CheckState();
        ASSERT_TRUE(Trigger(CommandId::kRecognizeSimple));
        ASSERT_TRUE(Trigger(CommandId::kRecognizeComplex));
        prompts.OnDialog<CAdditionalSpaceDlg>([](CAdditionalSpaceDlg& dialog) {
            dialog.SpaceBox()->setText(QStringLiteral("2"));
            dialog.OnOK();
        });
        ASSERT_TRUE(Trigger(CommandId::kAdditionalSpace));
        ASSERT_TRUE(Trigger(CommandId::kRecognizeComplex));
        prompts.fileAnswers = {QString::fromStdString(dir.File("sweep.bmp"))};
        ASSERT_TRUE(Trigger(CommandId::kSaveBitmap));
        prompts.fileAnswers = {QString::fromStdString(dir.File("sweep.rdf"))};
        ASSERT_TRUE(Trigger(CommandId::kFileSaveAs));
        Settle();
        CheckState();
        prompts.buttonAnswers = {QMessageBox::No};
        ASSERT_TRUE(Trigger(CommandId::kFileClose));
        Settle();
    }
    EXPECT_TRUE(m_pModalWatch->opened.isEmpty());
}

// Found by the run of seed 12: Qt clears the main window's modified mark when a maximised
// document window goes, after the program has set it for the window that takes over.
TEST_F(RandomInput, ClosingAMaximisedWindowKeepsTheModifiedMark)
{
    StartApp();
    ASSERT_TRUE(Trigger(CommandId::kWindowNew));
    ASSERT_TRUE(Trigger(CommandId::kEditGraphics));
    QMdiSubWindow* second = Main().MdiArea()->currentSubWindow();
    second->showMaximized();
    Settle();
    Press(Graphics(), {2, 2});
    Move(Graphics(), {8, 8});
    Settle();
    ASSERT_TRUE(Main().isWindowModified());
    second->close();
    Settle();
    ASSERT_TRUE(GuiDoc()->IsModified());
    EXPECT_TRUE(Main().isWindowModified());
    EXPECT_EQ(Main().windowTitle(), "The Text Recognition Demo Program - [DemoDoc1][*]");
}

// The runs that once failed, replayed from a fresh start up to the step that failed.
class RandomInputReplay : public RandomInput, public ::testing::WithParamInterface<std::pair<std::uint64_t, int>> {};

TEST_P(RandomInputReplay, PassesWhereItOnceFailed)
{
    Run(GetParam().first, GetParam().second);
}

// Seeds 10 and 12: the modified mark lost when a maximised window closed.
INSTANTIATE_TEST_SUITE_P(FoundFaults, RandomInputReplay,
                         ::testing::Values(std::pair<std::uint64_t, int>{10, 24}, std::pair<std::uint64_t, int>{12, 156}));
