// glyphmill-cli: writes GLF glyph fonts and measures cell layouts from the command line.
#include "CliOptions.h"
#include "GlfFile.h"
#include "GlyphRendering.h"
#include "MeasureLayout.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Prints "label: n/total" over itself on a terminal.
class CTerminalProgress {
public:
    CTerminalProgress(const char* label, int total) : m_pLabel(label), m_nTotal(total), m_bShow(::isatty(2) != 0) {}
    ~CTerminalProgress()
    {
        if (m_bShow && m_nDone > 0)
            std::fputs("\n", stderr);
    }
    void Step()
    {
        ++m_nDone;
        if (m_bShow)
            std::fprintf(stderr, "\r%s: %d/%d", m_pLabel, m_nDone, m_nTotal);
    }

private:
    const char* m_pLabel;
    int m_nTotal;
    bool m_bShow;
    int m_nDone = 0;
};

int CodeCount(const GeneratorSettings& settings)
{
    return settings.m_nFirstCode <= settings.m_nLastCode ? settings.m_nLastCode - settings.m_nFirstCode + 1 : 0;
}

// Tells a person at a terminal when another family stands in for the one asked for.
void NoteSubstitutedFamily(const GeneratorSettings& settings)
{
    if (::isatty(2) == 0)
        return;
    const QString requested = QString::fromStdString(settings.m_Font.m_strFamily);
    if (QFontDatabase::families().contains(requested, Qt::CaseInsensitive))
        return;
    const QString drawn = QFontInfo(MakeFont(settings.m_Font)).family();
    if (drawn.compare(requested, Qt::CaseInsensitive) != 0) {
        std::cerr << "glyphmill-cli: note: font \"" << requested.toStdString() << "\" is not installed; drawing with \""
                  << drawn.toStdString() << "\"\n";
    }
}

// Lists each installed family once, without the foundry that Qt adds to tell twins apart.
QStringList InstalledFamilies()
{
    QStringList families;
    for (QString family : QFontDatabase::families()) {
        const qsizetype bracket = family.indexOf(QLatin1String(" ["));
        if (bracket > 0)
            family.truncate(bracket);
        if (!families.contains(family))
            families.append(family);
    }
    return families;
}

// Passes Qt's messages on to stderr, except the note about a missing runtime folder.
void FilterQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths:")))
        return;
    std::cerr << message.toStdString() << '\n';
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

int main(int argc, char* argv[])
{
    // Fonts need a GUI application; without a display it runs off-screen.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("DISPLAY") == nullptr &&
        std::getenv("WAYLAND_DISPLAY") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    CliOptions options;
    std::string error;
    if (!ParseCliOptions(args, options, error)) {
        std::cerr << "glyphmill-cli: " << error << "\nTry 'glyphmill-cli --help'.\n";
        return kExitUsage;
    }
    if (options.m_bHelp) {
        std::cout << CliUsage();
        return kExitOk;
    }
    if (options.m_bVersion) {
        std::cout << "glyphmill-cli 1.0\n";
        return kExitOk;
    }

    qInstallMessageHandler(FilterQtMessages);
    QGuiApplication app(argc, argv);
    if (options.m_bListFonts) {
        for (const QString& family : InstalledFamilies())
            std::cout << family.toStdString() << '\n';
        if (!options.m_bMeasure && options.m_strOutput.empty())
            return kExitOk;
    }

    GeneratorSettings& settings = options.m_Settings;
    NoteSubstitutedFamily(settings);
    if (options.m_bMeasure || options.m_bAutoLayout) {
        CTerminalProgress progress("Char cell generation", CodeCount(settings));
        const LayoutBox box = MeasureLayout(settings, [&progress](std::uint8_t) { progress.Step(); });
        if (options.m_bMeasure)
            std::cout << "X=" << box.x() << " W=" << box.w() << " Y=" << box.y() << " H=" << box.h() << '\n';
        if (options.m_bAutoLayout) {
            if (box.w() > 150 || box.h() > 150) {
                std::cerr << "glyphmill-cli: the measured layout (W=" << box.w() << ", H=" << box.h()
                          << ") exceeds the largest Character Width and Height, 150; choose a smaller --size\n";
                return kExitFailed;
            }
            settings.m_nXOffset = box.x();
            settings.m_nWidth = box.w();
            settings.m_nYOffset = box.y();
            settings.m_nHeight = box.h();
        }
    }

    if (!options.m_strOutput.empty()) {
        CTerminalProgress progress("Saving .GLF file", CodeCount(settings));
        if (!SaveGlfFile(options.m_strOutput, settings, [&progress](std::uint8_t) { progress.Step(); }, error)) {
            std::cerr << "glyphmill-cli: cannot write " << options.m_strOutput << ": " << error << '\n';
            return kExitFailed;
        }
    }
    return kExitOk;
}
