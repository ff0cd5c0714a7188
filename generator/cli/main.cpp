// glyphmill-cli: writes GLF glyph fonts and glyph sheets, and measures cell layouts, from the command line.
#include "AtomicFile.h"
#include "CExactFont.h"
#include "CliOptions.h"
#include "ConfusableGlyphs.h"
#include "FitLayout.h"
#include "FontNames.h"
#include "GlfFile.h"
#include "GlyphRendering.h"
#include "GlyphSheet.h"
#include "MeasureLayout.h"
#include "PictureFit.h"
#include "SearchedFont.h"

#include <QBuffer>
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
    // Advances one step; total, when given, replaces the estimate of all steps.
    void Step(int total = 0)
    {
        if (total > 0)
            m_nTotal = total;
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
        for (const auto& [alias, family] : ResolvedAliases())
            std::cout << alias.toStdString() << " \u2192 " << family.toStdString() << '\n';
        if (!options.m_bMeasure && options.m_strOutput.empty() && options.m_strSheet.empty())
            return kExitOk;
    }

    if (!options.m_strFitPicture.empty() && !options.m_bFontGiven)
        return FitSearchedFont(options);

    GeneratorSettings& settings = options.m_Settings;
    const QString family = QString::fromStdString(settings.m_Font.m_strFamily);
    if (!IsKnownFamily(family)) {
        // The start family is drawn with whatever stands in for it, as the dialog does.
        if (options.m_bFontGiven && !options.m_bAllowSubstitute) {
            std::cerr << "glyphmill-cli: font \"" << family.toStdString() << "\" is neither installed nor an alias";
            const QStringList closest = ClosestFamilies(family, 3);
            if (!closest.isEmpty())
                std::cerr << "; the closest installed families are \"" << closest.join(QStringLiteral("\", \"")).toStdString()
                          << '"';
            std::cerr << " (--list-fonts lists them; --allow-substitute draws with another family)\n";
            return kExitUsage;
        }
        NoteSubstitutedFamily(settings);
    }
    if (settings.m_Layout == CellLayout::Cell) {
        const CellMetrics cell = MeasureCellMetrics(settings);
        if (!cell.monospaced)
            std::cerr << "glyphmill-cli: warning: \"" << family.toStdString()
                      << "\" is not monospaced; the cell takes its widest advance, " << cell.width << " pixels\n";
        if (!options.m_bXGiven)
            settings.m_nXOffset = 0;
        if (!options.m_bYGiven)
            settings.m_nYOffset = 0;
        if (!options.m_bWidthGiven)
            settings.m_nWidth = cell.width;
        if (!options.m_bHeightGiven)
            settings.m_nHeight = cell.height;
    }
    if (!options.m_strFitPicture.empty()) {
        int status = 0;
        std::optional<CRaster> loaded = LoadFitPicture(options, status);
        if (!loaded)
            return status;
        const CRaster picture = std::move(*loaded);
        CTerminalProgress progress("Fit to picture", 0);
        const PictureFit fit = FitFontToPicture(picture, settings, [&progress](int, int total) {
            progress.Step(total);
            return true;
        });
        if (!fit.bFound) {
            std::cerr << "glyphmill-cli: cannot fit a font to " << options.m_strFitPicture << ": " << fit.strProblem
                      << '\n';
            return kExitFailed;
        }
        std::cout << FitCommandLine(fit.settings, options.m_strOutput) << '\n';
        std::cout << "mean cost per cell: " << fit.dMeanCost << " (" << fit.nCells << " cells of "
                  << fit.settings.CellWidth() << " x " << fit.settings.CellHeight() << ", line pitch " << fit.nLinePitch
                  << ", " << fit.nCandidates << " fonts tried in " << fit.dSeconds << " s)\n";
        settings = fit.settings;
    }
    // Measures as "Autocalc chars layout" does, or where the capture draws when fit.
    auto measure = [&](bool fit) {
        CTerminalProgress progress("Char cell generation", CodeCount(settings));
        const auto step = [&progress](std::uint8_t) { progress.Step(); };
        return fit ? MeasureFitLayout(settings, step) : MeasureLayout(settings, step);
    };
    if (options.m_bMeasure || options.m_bAutoLayout) {
        const LayoutBox measured = measure(options.m_bMeasure ? options.m_bMeasureFit : options.m_bAutoLayoutFit);
        if (options.m_bMeasure)
            std::cout << "X=" << measured.x() << " W=" << measured.w() << " Y=" << measured.y() << " H=" << measured.h()
                      << '\n';
        const LayoutBox box = !options.m_bAutoLayout || options.m_bAutoLayoutFit == options.m_bMeasureFit ||
                                      !options.m_bMeasure
                                  ? measured
                                  : measure(options.m_bAutoLayoutFit);
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

    if (options.m_strOutput.empty() && options.m_strSheet.empty())
        return kExitOk;
    std::vector<std::uint8_t> bytes;
    {
        CTerminalProgress progress("Saving .GLF file", CodeCount(settings));
        if (!RenderGlfFile(settings, [&progress](std::uint8_t) { progress.Step(); }, bytes, error)) {
            std::cerr << "glyphmill-cli: cannot write " << options.m_strOutput << ": " << error << '\n';
            return kExitFailed;
        }
    }
    const std::string emptyRange = EmptyRangeWarning(settings);
    if (!emptyRange.empty())
        std::cerr << "glyphmill-cli: warning: " << emptyRange;
    const std::string confusable = DescribeConfusableGroups(FindConfusableGroups(settings, bytes));
    if (!confusable.empty())
        std::cerr << "glyphmill-cli: warning: " << confusable;

    if (options.m_strOutput == "-") {
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
            std::cerr << "glyphmill-cli: cannot write the font to stdout\n";
            return kExitFailed;
        }
    } else if (!options.m_strOutput.empty() && !WriteFileAtomically(options.m_strOutput, bytes, error)) {
        std::cerr << "glyphmill-cli: cannot write " << options.m_strOutput << ": " << error << '\n';
        return kExitFailed;
    }
    if (!options.m_strSheet.empty()) {
        const QImage sheet = RenderGlyphSheet(settings, bytes);
        QByteArray png;
        QBuffer buffer(&png);
        std::string sheetError;
        if (sheet.isNull() || !buffer.open(QIODevice::WriteOnly) || !sheet.save(&buffer, "PNG") ||
            !WriteFileAtomically(options.m_strSheet, std::vector<std::uint8_t>(png.begin(), png.end()), sheetError)) {
            std::cerr << "glyphmill-cli: cannot write the sheet " << options.m_strSheet
                      << (sheet.isNull() ? ": the range holds no codes" : sheetError.empty() ? "" : ": " + sheetError)
                      << '\n';
            return kExitFailed;
        }
    }
    return kExitOk;
}
