#pragma once

#include "CEvaluation.h"

#include <QWidget>

#include <atomic>
#include <memory>
#include <vector>

class CRecognizeApp;
class QChart;
class QChartView;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QThread;

// "Experiment": a window beside the documents that runs the evaluation over a corpus in a
// worker thread and plots the CER against the noise rate (a curve with its confidence band
// per method and coefficient) or against the coefficient at one rate. Double-clicking a point
// opens a new document with the worst-read picture of that point.
class CExperimentWnd : public QWidget {
    Q_OBJECT
public:
    CExperimentWnd(CRecognizeApp& app, QWidget* parent);
    ~CExperimentWnd() override;

    QLineEdit* CorpusBox() const { return m_pCorpus; }
    QLineEdit* FontBox() const { return m_pFont; }
    QLineEdit* DictionaryBox() const { return m_pDictionary; }
    QLineEdit* NoiseBox() const { return m_pNoises; }
    QLineEdit* CoefficientBox() const { return m_pCoefficients; }
    QSpinBox* SeedsBox() const { return m_pSeeds; }
    QCheckBox* OpenWordsBox() const { return m_pOpenWords; }     // also read by the open step
    QDoubleSpinBox* PenaltyBox() const { return m_pPenalty; }
    QComboBox* PlotBox() const { return m_pPlot; }
    QComboBox* PlotNoiseBox() const { return m_pPlotNoise; }
    QPushButton* RunButton() const { return m_pRun; }
    QPushButton* CancelButton() const { return m_pCancel; }
    QProgressBar* Progress() const { return m_pProgress; }
    QChartView* ChartView() const { return m_pChartView; }
    bool IsRunning() const { return m_pThread != nullptr; }

    const std::vector<EvalRecord>& Records() const { return m_Records; }
    const std::vector<EvalSummaryRow>& Summary() const { return m_Summary; }

    // "Run": reads the settings and starts the worker; false, after a message, when a setting
    // or the corpus is bad.
    bool OnRun();
    void OnCancel();
    // Writes the plot as PNG or SVG, or the summary as CSV; false when the file cannot be written.
    bool ExportPng(const QString& path);
    bool ExportSvg(const QString& path);
    bool ExportCsv(const QString& path);
    // Opens a new document with the picture that the method read worst at that rate and
    // coefficient; false when the last run has no such reading.
    bool OpenWorstReading(EvalMethod method, double noise, double coefficient);

signals:
    void RunFinished();

private:
    struct RunData;

    void OnProgress(int done, int total);
    void OnFinished();
    void RebuildPlot();
    void ShowError(const QString& text);
    void ChooseFile(QLineEdit* box, const QString& filter);
    void ExportWithDialog(const QString& filter, const QString& suffix, bool (CExperimentWnd::*write)(const QString&));

    CRecognizeApp& m_App;
    QLineEdit* m_pCorpus;
    QLineEdit* m_pFont;
    QLineEdit* m_pDictionary;
    QComboBox* m_pAlphabet;
    QComboBox* m_pKind;
    QLineEdit* m_pNoises;
    QLineEdit* m_pCoefficients;
    QSpinBox* m_pSeeds;
    QSpinBox* m_pSpace;
    QCheckBox* m_pOpenWords;
    QDoubleSpinBox* m_pPenalty;
    QComboBox* m_pPlot;
    QComboBox* m_pPlotNoise;
    QPushButton* m_pRun;
    QPushButton* m_pCancel;
    QProgressBar* m_pProgress;
    QLabel* m_pStatus;
    QChartView* m_pChartView;

    QThread* m_pThread = nullptr;
    std::shared_ptr<RunData> m_pRunData;  // shared with the worker while it runs
    std::shared_ptr<const RunData> m_pLastRun;  // the font and settings of the records shown
    std::vector<EvalRecord> m_Records;
    std::vector<EvalSummaryRow> m_Summary;
};
