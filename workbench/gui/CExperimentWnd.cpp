#include "CExperimentWnd.h"

#include "ByteStream.h"
#include "CDictionaryCache.h"
#include "CGuiDocument.h"
#include "CRecognizeApp.h"
#include "CRecognizeDoc.h"
#include "DataFiles.h"
#include "IUserPrompts.h"
#include "NumberList.h"

#include <QAreaSeries>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QPainter>
#include <QPen>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QSpinBox>
#include <QSvgGenerator>
#include <QThread>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <set>

// What one run needs and leaves: owned by the window and the worker together, so that the
// worker never reads a document that may close meanwhile.
struct CExperimentWnd::RunData {
    CCharImageFont font;
    CDictionary dictionary;
    std::vector<CorpusLine> lines;
    EvalSettings settings;
    std::vector<EvalRecord> records;
    std::atomic<bool> cancel{false};
    std::atomic<int> shownPermille{-1};
    bool cancelled = false;
    std::string error;
};

namespace {

const QString kTitle = QStringLiteral("Experiment");

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString MethodTitle(EvalMethod method) {
    switch (method) {
    case EvalMethod::Complex: return QStringLiteral("Complex");
    case EvalMethod::Open: return QStringLiteral("Open");
    default: return QStringLiteral("Simple");
    }
}

}  // namespace

CExperimentWnd::CExperimentWnd(CRecognizeApp& app, QWidget* parent)
    : QWidget(parent, Qt::Window), m_App(app)
{
    setWindowTitle(kTitle);

    m_pCorpus = new QLineEdit(QString::fromStdString(FindDataFile("corpus/english.txt")), this);
    m_pFont = new QLineEdit(this);
    m_pFont->setPlaceholderText(QStringLiteral("the active document's font"));
    m_pDictionary = new QLineEdit(this);
    m_pDictionary->setPlaceholderText(QStringLiteral("dict.dic, as documents load it"));
    m_pAlphabet = new QComboBox(this);
    m_pAlphabet->addItem(QStringLiteral("Latin"), 1);
    m_pAlphabet->addItem(QStringLiteral("Cyrillic"), 0);
    m_pKind = new QComboBox(this);
    for (NoiseKind kind : {NoiseKind::Flip, NoiseKind::Ink, NoiseKind::Erase})
        m_pKind->addItem(QString::fromLatin1(NoiseKindName(kind).data(), static_cast<int>(NoiseKindName(kind).size())),
                         static_cast<int>(kind));
    m_pNoises = new QLineEdit(QStringLiteral("0,0.025,0.05,0.075,0.1,0.125,0.15,0.175,0.2"), this);
    m_pCoefficients = new QLineEdit(QStringLiteral("0.2"), this);
    m_pSeeds = new QSpinBox(this);
    m_pSeeds->setRange(1, 1000);
    m_pSeeds->setValue(2);
    m_pSpace = new QSpinBox(this);
    m_pSpace->setRange(0, kMaxEvalSpace);
    m_pSpace->setValue(3);
    m_pOpenWords = new QCheckBox(QStringLiteral("also with words outside the list (open)"), this);
    m_pPenalty = new QDoubleSpinBox(this);
    m_pPenalty->setRange(0, OpenWordsOptions::kMaxPenalty);
    m_pPenalty->setDecimals(3);
    m_pPenalty->setSingleStep(0.05);
    m_pPenalty->setValue(OpenWordsOptions::kDefaultPenalty);
    m_pPenalty->setEnabled(false);
    connect(m_pOpenWords, &QCheckBox::toggled, m_pPenalty, &QWidget::setEnabled);

    auto fileRow = [this](QLineEdit* box, const QString& filter) {
        auto* row = new QHBoxLayout;
        auto* browse = new QPushButton(QStringLiteral("..."), this);
        browse->setAutoDefault(false);
        connect(browse, &QPushButton::clicked, this, [this, box, filter] { ChooseFile(box, filter); });
        row->addWidget(box, 1);
        row->addWidget(browse);
        return row;
    };
    auto* form = new QFormLayout;
    // A label whose access key moves the focus to its box.
    auto addRow = [this, form](const QString& text, QWidget* buddy, QLayout* row) {
        auto* label = new QLabel(text, this);
        label->setBuddy(buddy);
        if (row != nullptr)
            form->addRow(label, row);
        else
            form->addRow(label, buddy);
    };
    addRow(QStringLiteral("&Corpus:"), m_pCorpus, fileRow(m_pCorpus, QStringLiteral("Text files (*.txt)")));
    addRow(QStringLiteral("&Font:"), m_pFont, fileRow(m_pFont, QStringLiteral("Char Images Files (*.GLF)")));
    addRow(QStringLiteral("&Dictionary:"), m_pDictionary, fileRow(m_pDictionary, QStringLiteral("Word lists (*.dic)")));
    addRow(QStringLiteral("&Alphabet:"), m_pAlphabet, nullptr);
    addRow(QStringLiteral("&Kind of noise:"), m_pKind, nullptr);
    addRow(QStringLiteral("Noise &rates:"), m_pNoises, nullptr);
    addRow(QStringLiteral("C&oefficients:"), m_pCoefficients, nullptr);
    addRow(QStringLiteral("&Seeds:"), m_pSeeds, nullptr);
    addRow(QStringLiteral("Additional s&pace:"), m_pSpace, nullptr);
    addRow(QStringLiteral("&Methods:"), m_pOpenWords, nullptr);
    addRow(QStringLiteral("Unknown-word pe&nalty:"), m_pPenalty, nullptr);

    m_pRun = new QPushButton(QStringLiteral("&Run"), this);
    m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_pCancel->setEnabled(false);
    m_pProgress = new QProgressBar(this);
    m_pProgress->setRange(0, 1000);
    m_pProgress->setValue(0);
    m_pStatus = new QLabel(this);
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(m_pRun);
    runRow->addWidget(m_pCancel);
    runRow->addWidget(m_pProgress, 1);

    m_pPlot = new QComboBox(this);
    m_pPlot->addItem(QStringLiteral("CER against noise"));
    m_pPlot->addItem(QStringLiteral("CER against coefficient at noise"));
    m_pPlotNoise = new QComboBox(this);
    m_pPlotNoise->setEnabled(false);
    auto* png = new QPushButton(QStringLiteral("Export &PNG..."), this);
    auto* svg = new QPushButton(QStringLiteral("Export S&VG..."), this);
    auto* csv = new QPushButton(QStringLiteral("Export CS&V..."), this);
    auto* plotRow = new QHBoxLayout;
    plotRow->addWidget(m_pPlot);
    plotRow->addWidget(m_pPlotNoise);
    plotRow->addStretch(1);
    plotRow->addWidget(png);
    plotRow->addWidget(svg);
    plotRow->addWidget(csv);

    m_pChartView = new QChartView(this);
    m_pChartView->setRenderHint(QPainter::Antialiasing);
    m_pChartView->setMinimumSize(560, 360);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(runRow);
    layout->addWidget(m_pStatus);
    layout->addLayout(plotRow);
    layout->addWidget(m_pChartView, 1);

    connect(m_pRun, &QPushButton::clicked, this, [this] { OnRun(); });
    connect(m_pCancel, &QPushButton::clicked, this, &CExperimentWnd::OnCancel);
    connect(m_pPlot, &QComboBox::currentIndexChanged, this, [this] { RebuildPlot(); });
    connect(m_pPlotNoise, &QComboBox::currentIndexChanged, this, [this] { RebuildPlot(); });
    connect(png, &QPushButton::clicked, this,
            [this] { ExportWithDialog(QStringLiteral("PNG images (*.png)"), QStringLiteral("png"), &CExperimentWnd::ExportPng); });
    connect(svg, &QPushButton::clicked, this,
            [this] { ExportWithDialog(QStringLiteral("SVG drawings (*.svg)"), QStringLiteral("svg"), &CExperimentWnd::ExportSvg); });
    connect(csv, &QPushButton::clicked, this,
            [this] { ExportWithDialog(QStringLiteral("CSV tables (*.csv)"), QStringLiteral("csv"), &CExperimentWnd::ExportCsv); });
    RebuildPlot();
}

CExperimentWnd::~CExperimentWnd()
{
    if (m_pThread != nullptr) {
        m_pRunData->cancel = true;
        m_pThread->wait();
        delete m_pThread;
    }
}

void CExperimentWnd::ShowError(const QString& text)
{
    m_App.Prompts().ShowMessage(this, text, kTitle, QMessageBox::Critical, QMessageBox::Ok);
}

void CExperimentWnd::ChooseFile(QLineEdit* box, const QString& filter)
{
    FileDialogRequest request;
    request.strCaption = QStringLiteral("Open");
    request.strDirectory = QFileInfo(box->text()).absolutePath();
    request.filters = {filter, QStringLiteral("All files (*)")};
    const QString path = m_App.Prompts().GetOpenFileName(this, request);
    if (!path.isEmpty())
        box->setText(path);
}

bool CExperimentWnd::OnRun()
{
    if (m_pThread != nullptr)
        return false;
    auto data = std::make_shared<RunData>();
    EvalSettings& settings = data->settings;
    const std::optional<std::vector<double>> noises = ParseNumberList(m_pNoises->text().toStdString());
    if (!noises || !std::all_of(noises->begin(), noises->end(), NoiseRateAllowed)) {
        ShowError(QStringLiteral("The noise rates must be numbers between 0 and 0.5, separated by commas."));
        return false;
    }
    const std::optional<std::vector<double>> coefficients = ParseNumberList(m_pCoefficients->text().toStdString());
    if (!coefficients) {
        ShowError(QStringLiteral("The coefficients must be numbers separated by commas."));
        return false;
    }
    settings.noises = *noises;
    settings.coefficients = *coefficients;
    settings.kind = static_cast<NoiseKind>(m_pKind->currentData().toInt());
    settings.seeds = m_pSeeds->value();
    settings.space = m_pSpace->value();
    settings.bOpenWords = m_pOpenWords->isChecked();
    settings.unknownPenalty = m_pPenalty->value();

    std::string error;
    if (!LoadCorpus(LocalPath(m_pCorpus->text()), data->lines, error)) {
        ShowError(m_pCorpus->text() + QStringLiteral(": ") + QString::fromStdString(error));
        return false;
    }
    // An empty font box takes the active document's font, or the default font without one.
    const QString fontPath = m_pFont->text().trimmed();
    CGuiDocument* active = m_App.ActiveDocument();
    bool fontLoaded = true;
    if (!fontPath.isEmpty())
        fontLoaded = data->font.LoadFromFile(LocalPath(fontPath));
    else if (active != nullptr)
        data->font = active->Doc().m_Font;
    else
        fontLoaded = data->font.LoadFromFile(FindDataFile(kDefaultFontPath));
    if (!fontLoaded) {
        ShowError(QStringLiteral("Invalid CharImageFont File"));
        return false;
    }
    const QString dictPath = m_pDictionary->text().trimmed();
    const std::string dictFile = dictPath.isEmpty() ? FindDataFile(kDictionaryPath) : LocalPath(dictPath);
    const DictionaryLoadReport load =
        CDictionaryCache::Shared().Load(data->dictionary, dictFile, m_pAlphabet->currentData().toInt());
    if (load.Unreadable() && !dictPath.isEmpty()) {
        ShowError(dictPath + QStringLiteral(": the dictionary cannot be read."));
        return false;
    }
    // A list past a bound is said so and used as far as it was kept.
    if (load.BoundReached())
        ShowError(QString::fromStdString(WordListMessage(dictFile, load)));
    if (!CEvaluation(data->font, data->dictionary).Check(data->lines, settings, error)) {
        ShowError(QString::fromStdString(error));
        return false;
    }

    m_pRunData = data;
    m_pRun->setEnabled(false);
    m_pCancel->setEnabled(true);
    m_pProgress->setValue(0);
    m_pStatus->setText(QStringLiteral("Running..."));
    RunData* run = data.get();
    m_pThread = QThread::create([this, run] {
        const CEvaluation evaluation(run->font, run->dictionary);
        const CEvaluation::Progress progress = [this, run](std::int64_t done, std::int64_t total) {
            const int permille = static_cast<int>(done * 1000 / std::max<std::int64_t>(total, 1));
            if (run->shownPermille.exchange(permille) != permille)
                QMetaObject::invokeMethod(this, [this, permille] { OnProgress(permille, 1000); }, Qt::QueuedConnection);
        };
        try {
            run->records = evaluation.Run(run->lines, run->settings, progress, &run->cancel, &run->cancelled);
        } catch (const std::bad_alloc&) {
            run->error = "There is not enough memory for the experiment.";
        }
    });
    connect(m_pThread, &QThread::finished, this, &CExperimentWnd::OnFinished);
    m_pThread->start();
    return true;
}

void CExperimentWnd::OnCancel()
{
    if (m_pRunData)
        m_pRunData->cancel = true;
}

void CExperimentWnd::OnProgress(int done, int total)
{
    if (m_pThread != nullptr)
        m_pProgress->setValue(done * 1000 / std::max(total, 1));
}

void CExperimentWnd::OnFinished()
{
    m_pThread->wait();
    delete m_pThread;
    m_pThread = nullptr;
    std::shared_ptr<RunData> data = std::move(m_pRunData);
    m_pRun->setEnabled(true);
    m_pCancel->setEnabled(false);
    if (!data->error.empty()) {
        m_pStatus->setText(QString::fromStdString(data->error));
    } else {
        m_Records = std::move(data->records);
        m_Summary = CEvaluation::Summarize(m_Records);
        m_pLastRun = data;
        m_pProgress->setValue(data->cancelled ? m_pProgress->value() : 1000);
        m_pStatus->setText(QStringLiteral("%1%2 readings of %3 lines.")
                               .arg(data->cancelled ? QStringLiteral("Cancelled after ") : QString())
                               .arg(m_Records.size())
                               .arg(data->lines.size()));
        const QSignalBlocker blocker(m_pPlotNoise);
        m_pPlotNoise->clear();
        for (double noise : data->settings.noises)
            m_pPlotNoise->addItem(QStringLiteral("%1 %").arg(noise * 100), noise);
        RebuildPlot();
    }
    emit RunFinished();
}

void CExperimentWnd::RebuildPlot()
{
    const bool againstNoise = m_pPlot->currentIndex() == 0;
    m_pPlotNoise->setEnabled(!againstNoise);
    auto* chart = new QChart;
    chart->setTitle(againstNoise ? QStringLiteral("CER against noise")
                                 : QStringLiteral("CER against coefficient at %1").arg(m_pPlotNoise->currentText()));
    auto* axisX = new QValueAxis;
    axisX->setTitleText(againstNoise ? QStringLiteral("Noise (%)") : QStringLiteral("Coefficient"));
    auto* axisY = new QValueAxis;
    axisY->setTitleText(QStringLiteral("CER (%)"));
    chart->addAxis(axisX, Qt::AlignBottom);
    chart->addAxis(axisY, Qt::AlignLeft);
    double maxX = 0, maxY = 0;
    const double plotNoise = m_pPlotNoise->currentData().toDouble();
    // Curves that lie on one another stay apart by their dashes and the shapes of their points.
    const Qt::PenStyle kDashes[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine};
    const QScatterSeries::MarkerShape kShapes[] = {QScatterSeries::MarkerShapeCircle,
                                                   QScatterSeries::MarkerShapeRectangle,
                                                   QScatterSeries::MarkerShapeTriangle,
                                                   QScatterSeries::MarkerShapeStar};
    // Colours of their own: the chart's theme would give the bands and marks colours too and
    // repeat a colour after a few curves.
    const QColor kColours[] = {QColor(0x1f77b4), QColor(0xd62728), QColor(0x2ca02c),
                               QColor(0xff7f0e), QColor(0x9467bd), QColor(0x8c564b)};
    int index = 0;

    for (const EvalCurve& curve :
         EvalCurves(m_Summary, againstNoise ? EvalAxis::Noise : EvalAxis::Coefficient, plotNoise)) {
        auto* line = new QLineSeries;
        auto* upper = new QLineSeries;
        auto* lower = new QLineSeries;
        // The noise rate is shown in per cent, the CER always.
        const double scaleX = againstNoise ? 100 : 1;
        for (const EvalCurvePoint& point : curve.points) {
            line->append(point.x * scaleX, point.cer * 100);
            upper->append(point.x * scaleX, point.cerHigh * 100);
            lower->append(point.x * scaleX, point.cerLow * 100);
            maxX = std::max(maxX, point.x * scaleX);
            maxY = std::max(maxY, point.cerHigh * 100);
        }
        const EvalMethod method = curve.method;
        const double coefficient = curve.coefficient;
        line->setName(againstNoise ? QStringLiteral("%1, k = %2").arg(MethodTitle(method)).arg(coefficient)
                                   : MethodTitle(method));
        auto* marks = new QScatterSeries;
        marks->setMarkerShape(kShapes[index % 4]);
        // Earlier curves get larger marks, which show as rings around later ones on the same point.
        marks->setMarkerSize(12 - 2 * (index % 4));
        for (const EvalCurvePoint& point : curve.points)
            marks->append(point.x * scaleX, point.cer * 100);
        // The share of readings that found no cut into words, where there were such readings.
        QLineSeries* noCut = nullptr;
        if (std::any_of(curve.points.begin(), curve.points.end(), [](const EvalCurvePoint& p) { return p.noCut > 0; })) {
            noCut = new QLineSeries;
            noCut->setName(line->name() + QStringLiteral(": no cut (%)"));
            for (const EvalCurvePoint& point : curve.points) {
                noCut->append(point.x * scaleX, point.noCut * 100);
                maxY = std::max(maxY, point.noCut * 100);
            }
        }
        auto* band = new QAreaSeries(upper, lower);
        // The area series draws its bounds but does not own them.
        upper->setParent(band);
        lower->setParent(band);
        band->setName(line->name() + QStringLiteral(" (95 %)"));
        chart->addSeries(band);
        chart->addSeries(line);
        chart->addSeries(marks);
        QPen pen = line->pen();
        pen.setStyle(kDashes[index % 4]);
        pen.setColor(kColours[index % 6]);
        pen.setWidthF(2);
        line->setPen(pen);
        marks->setColor(pen.color());
        marks->setBorderColor(pen.color());
        QColor colour = pen.color();
        colour.setAlpha(60);
        band->setColor(colour);
        band->setBorderColor(Qt::transparent);
        // The band and the marks are named for the exported drawing but kept out of the legend.
        marks->setName(line->name());
        for (QAbstractSeries* hidden : {static_cast<QAbstractSeries*>(band), static_cast<QAbstractSeries*>(marks)})
            for (QLegendMarker* marker : chart->legend()->markers(hidden))
                marker->setVisible(false);
        std::vector<QAbstractSeries*> attached = {band, line, marks};
        if (noCut != nullptr) {
            chart->addSeries(noCut);
            QPen thin(pen.color(), 1, Qt::DotLine);
            noCut->setPen(thin);
            attached.push_back(noCut);
        }
        for (QAbstractSeries* series : attached) {
            series->attachAxis(axisX);
            series->attachAxis(axisY);
        }
        ++index;
        const auto open = [this, method, coefficient, againstNoise, plotNoise, points = curve.points,
                           scaleX](const QPointF& clicked) {
            // The nearest point of the curve.
            const EvalCurvePoint* nearest = nullptr;
            for (const EvalCurvePoint& point : points)
                if (nearest == nullptr ||
                    std::abs(point.x * scaleX - clicked.x()) < std::abs(nearest->x * scaleX - clicked.x()))
                    nearest = &point;
            if (nearest != nullptr)
                OpenWorstReading(method, againstNoise ? nearest->x : plotNoise, againstNoise ? coefficient : nearest->x);
        };
        connect(line, &QLineSeries::doubleClicked, this, open);
        connect(marks, &QScatterSeries::doubleClicked, this, open);
    }
    // Below the plot the legend leaves the plot the window's whole width.
    chart->legend()->setAlignment(Qt::AlignBottom);
    axisX->setRange(0, maxX > 0 ? maxX : 1);
    axisY->setRange(0, std::max(1.0, maxY * 1.05));
    // Round ticks: the ranges grow to the next round numbers.
    axisX->applyNiceNumbers();
    axisY->applyNiceNumbers();
    QChart* old = m_pChartView->chart();
    m_pChartView->setChart(chart);
    delete old;
}

bool CExperimentWnd::OpenWorstReading(EvalMethod method, double noise, double coefficient)
{
    const EvalRecord* worst = WorstReading(m_Records, method, noise, coefficient);
    if (worst == nullptr || !m_pLastRun)
        return false;
    CGuiDocument* document = m_App.OpenDocumentFile(QString());
    if (document == nullptr)
        return false;
    // The document's own commands draw the same picture as the run read.
    CRecognizeDoc& doc = document->Doc();
    doc.m_Font = m_pLastRun->font;
    doc.m_dCoefficient = coefficient;
    if (method == EvalMethod::Open)
        doc.SetOpenWords(true, m_pLastRun->settings.unknownPenalty);
    const bool drawn = doc.SetAdditionalSpace(m_pLastRun->settings.space) && doc.SetText(worst->text) &&
                       doc.OnAddNoise({worst->kind, worst->noise, static_cast<std::uint64_t>(worst->seed)});
    // The title names the reading, so that the document can be told from its neighbours.
    document->SetTitle(QString::fromStdString(ReadingTitle(*worst)));
    document->OnChanged();
    return drawn;
}

void CExperimentWnd::ExportWithDialog(const QString& filter, const QString& suffix,
                                      bool (CExperimentWnd::*write)(const QString&))
{
    FileDialogRequest request;
    request.strCaption = QStringLiteral("Save As");
    request.strInitialName = QStringLiteral("experiment.") + suffix;
    request.filters = {filter};
    request.strDefaultSuffix = suffix;
    request.bConfirmOverwrite = true;
    const QString path = m_App.Prompts().GetSaveFileName(this, request);
    if (!path.isEmpty() && !(this->*write)(path))
        ShowError(path + QStringLiteral(": the file cannot be written."));
}

bool CExperimentWnd::ExportPng(const QString& path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!m_pChartView->grab().save(&buffer, "PNG"))
        return false;
    return WriteFileAtomically(LocalPath(path), std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                          static_cast<std::size_t>(bytes.size())));
}

bool CExperimentWnd::ExportSvg(const QString& path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(m_pChartView->size());
    generator.setViewBox(QRect(QPoint(0, 0), m_pChartView->size()));
    generator.setTitle(m_pChartView->chart()->title());
    {
        QPainter painter(&generator);
        m_pChartView->render(&painter);
    }
    return WriteFileAtomically(LocalPath(path), std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                                          static_cast<std::size_t>(bytes.size())));
}

bool CExperimentWnd::ExportCsv(const QString& path)
{
    const std::string csv = SummaryCsv(m_Summary);
    return WriteFileAtomically(LocalPath(path), std::span(reinterpret_cast<const std::uint8_t*>(csv.data()), csv.size()));
}
