// "Add &Noise..." and its dialog, and the Experiment window on a tiny corpus.
#include "GuiFixture.h"

#include "CExperimentWnd.h"
#include "CNoiseDlg.h"
#include "ByteStream.h"

#include <QChartView>
#include <QComboBox>
#include <QLegend>
#include <QDoubleSpinBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QSpinBox>

#include <set>

using namespace guitest;

TEST_F(CNoiseDlgTest, AddNoiseWorksAsAStroke)
{
    StartApp();
    SetText(QStringLiteral("bed"));
    const CRaster clean = Doc().m_Picture;
    prompts.OnDialog<CNoiseDlg>([](CNoiseDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Add Noise");
        EXPECT_FALSE(dialog.SeedBox()->text().isEmpty());
        dialog.KindBox()->setCurrentIndex(dialog.KindBox()->findData(static_cast<int>(NoiseKind::Ink)));
        dialog.RateSlider()->setValue(125);
        EXPECT_DOUBLE_EQ(dialog.RateBox()->value(), 12.5);
        dialog.SeedBox()->setText(QStringLiteral("77"));
        dialog.OnOK();
    });
    ASSERT_TRUE(Trigger(CommandId::kAddNoise));
    CRaster expected = clean;
    AddNoise(expected, {NoiseKind::Ink, 0.125, 77});
    EXPECT_EQ(Doc().m_Picture, expected);
    EXPECT_EQ(Doc().m_bGraphicsModified, 1);
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_FALSE(Action(CommandId::kEditText).isEnabled());

    // The dialog offers the last kind and rate again, with a new seed that shows whole; a seed
    // that is not a 64-bit number keeps it open with a message.
    prompts.OnDialog<CNoiseDlg>([](CNoiseDlg& dialog) {
        EXPECT_EQ(dialog.KindBox()->currentData().toInt(), static_cast<int>(NoiseKind::Ink));
        EXPECT_DOUBLE_EQ(dialog.RateBox()->value(), 12.5);
        EXPECT_NE(dialog.SeedBox()->text(), "77");
        EXPECT_GT(dialog.SeedBox()->minimumWidth(),
                  dialog.SeedBox()->fontMetrics().horizontalAdvance(QStringLiteral("18446744073709551615")));
        dialog.SeedBox()->setText(QStringLiteral("-3"));
        dialog.OnOK();
        EXPECT_FALSE(dialog.result() == QDialog::Accepted);
        dialog.reject();
    });
    ASSERT_TRUE(Trigger(CommandId::kAddNoise));
    EXPECT_EQ(Doc().m_Picture, expected);
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_TRUE(prompts.messages.back().text.startsWith("Please enter an integer between 0 and"));
}

TEST_F(CExperimentWndTest, ExperimentRunsPlotsExportsAndOpensTheWorstReading)
{
    StartApp();
    WriteFile(dir.Path() / "tiny.txt", "bed cab\n\nface bad\n");
    ASSERT_TRUE(Trigger(CommandId::kExperiment));
    auto* window = Main().findChild<CExperimentWnd*>();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isModal());
    window->CorpusBox()->setText(QString::fromStdString((dir.Path() / "tiny.txt").string()));
    window->NoiseBox()->setText(QStringLiteral("0,0.3"));
    window->CoefficientBox()->setText(QStringLiteral("0.2,0.5"));
    window->SeedsBox()->setValue(2);

    QSignalSpy finished(window, &CExperimentWnd::RunFinished);
    ASSERT_TRUE(window->RunButton()->isEnabled());
    window->RunButton()->click();
    EXPECT_FALSE(window->RunButton()->isEnabled());
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(window->Progress()->value(), 1000);
    ASSERT_EQ(window->Records().size(), 2u * 2 * 2 * 2 * 2);
    ASSERT_EQ(window->Summary().size(), 2u * 2 * 2);
    // The active document's font reads the clean lines exactly.
    EXPECT_EQ(window->Summary()[0].cer, 0.0);
    // A curve of its own dash and marker shape per method and coefficient, the legend below.
    const auto countMarks = [window] {
        std::set<int> shapes;
        int marks = 0;
        for (QAbstractSeries* series : window->ChartView()->chart()->series())
            if (auto* scatter = qobject_cast<QScatterSeries*>(series)) {
                ++marks;
                shapes.insert(scatter->markerShape());
            }
        return std::pair(marks, static_cast<int>(shapes.size()));
    };
    EXPECT_EQ(countMarks(), std::pair(2 * 2, 2 * 2));
    EXPECT_EQ(window->ChartView()->chart()->legend()->alignment(), Qt::AlignBottom);
    window->PlotBox()->setCurrentIndex(1);
    EXPECT_EQ(countMarks(), std::pair(2, 2));

    for (const char* name : {"plot.png", "plot.svg", "table.csv"}) {
        const std::string path = (dir.Path() / name).string();
        const QString qpath = QString::fromStdString(path);
        const bool written = std::string(name).ends_with(".png")   ? window->ExportPng(qpath)
                             : std::string(name).ends_with(".svg") ? window->ExportSvg(qpath)
                                                                    : window->ExportCsv(qpath);
        EXPECT_TRUE(written) << name;
        std::vector<std::uint8_t> bytes;
        EXPECT_TRUE(ReadWholeFile(path, bytes) && bytes.size() > 100) << name;
    }

    const std::size_t documents = app->Documents().size();
    ASSERT_TRUE(window->OpenWorstReading(EvalMethod::Simple, 0.3, 0.2));
    EXPECT_EQ(app->Documents().size(), documents + 1);
    const EvalRecord* worst = nullptr;
    for (const EvalRecord& record : window->Records())
        if (record.method == EvalMethod::Simple && record.noise == 0.3 && record.coefficient == 0.2 &&
            (worst == nullptr || record.edits > worst->edits))
            worst = &record;
    ASSERT_NE(worst, nullptr);
    EXPECT_EQ(Doc().m_strUserText, worst->text);
    EXPECT_EQ(Doc().m_bGraphicsModified, 1);
    EXPECT_EQ(app->ActiveDocument()->Title().toStdString(), ReadingTitle(*worst));
    EXPECT_FALSE(window->OpenWorstReading(EvalMethod::Simple, 0.45, 0.2));
}

TEST_F(CExperimentWndTest, ExperimentCancelsAndRefusesABadCorpus)
{
    StartApp();
    std::string lines;
    for (int i = 0; i < 200; ++i)
        lines += "bed cab face bad bed cab face bad\n";
    WriteFile(dir.Path() / "long.txt", lines);
    WriteFile(dir.Path() / "bad.txt", "bed\n\xe6\x97\xa5\n");
    ASSERT_TRUE(Trigger(CommandId::kExperiment));
    auto* window = Main().findChild<CExperimentWnd*>();
    ASSERT_NE(window, nullptr);

    window->CorpusBox()->setText(QString::fromStdString((dir.Path() / "bad.txt").string()));
    EXPECT_FALSE(window->OnRun());
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_TRUE(prompts.messages.back().text.contains("line 2:")) << prompts.messages.back().text.toStdString();

    window->CorpusBox()->setText(QString::fromStdString((dir.Path() / "long.txt").string()));
    window->NoiseBox()->setText(QStringLiteral("0.1,0.2,0.3"));
    window->SeedsBox()->setValue(50);
    QSignalSpy finished(window, &CExperimentWnd::RunFinished);
    ASSERT_TRUE(window->OnRun());
    EXPECT_TRUE(window->CancelButton()->isEnabled());
    window->CancelButton()->click();
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_LT(window->Records().size(), 200u * 3 * 50 * 2);
    EXPECT_TRUE(window->RunButton()->isEnabled());
}
