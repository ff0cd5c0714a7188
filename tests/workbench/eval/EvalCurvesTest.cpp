// The curves of an evaluation's summary and its worst readings.
#include "CEvaluation.h"

#include <gtest/gtest.h>

namespace {

EvalSummaryRow Row(EvalMethod method, double noise, double coefficient, double cer)
{
    EvalSummaryRow row;
    row.method = method;
    row.noise = noise;
    row.coefficient = coefficient;
    row.cer = cer;
    row.cerLow = cer / 2;
    row.cerHigh = cer * 2;
    return row;
}

EvalRecord Reading(EvalMethod method, double noise, double coefficient, int edits, int line)
{
    EvalRecord record;
    record.method = method;
    record.noise = noise;
    record.coefficient = coefficient;
    record.edits = edits;
    record.line = line;
    return record;
}

constexpr EvalMethod kSimple = EvalMethod::Simple;
constexpr EvalMethod kComplex = EvalMethod::Complex;

// Rows as a summary of rates given out of order and two coefficients gives them.
const std::vector<EvalSummaryRow> kRows = {
    Row(kSimple, 0.1, 0.2, 0.3),   Row(kSimple, 0.0, 0.2, 0.1),   Row(kSimple, 0.1, 0.5, 0.4),
    Row(kSimple, 0.0, 0.5, 0.2),   Row(kComplex, 0.1, 0.2, 0.05), Row(kComplex, 0.0, 0.2, 0.0),
    Row(kComplex, 0.1, 0.5, 0.06), Row(kComplex, 0.0, 0.5, 0.01),
};

}  // namespace

TEST(EvalCurves, AgainstNoiseOneCurvePerMethodAndCoefficientInAscendingRates)
{
    const std::vector<EvalCurve> curves = EvalCurves(kRows, EvalAxis::Noise);
    ASSERT_EQ(curves.size(), 4u);
    EXPECT_EQ(curves[0].method, kSimple);
    EXPECT_EQ(curves[0].coefficient, 0.2);
    EXPECT_EQ(curves[1].coefficient, 0.5);
    EXPECT_EQ(curves[2].method, kComplex);
    EXPECT_EQ(curves[0].points, (std::vector<EvalCurvePoint>{{0.0, 0.1, 0.05, 0.2}, {0.1, 0.3, 0.15, 0.6}}));
    EXPECT_EQ(curves[3].points, (std::vector<EvalCurvePoint>{{0.0, 0.01, 0.005, 0.02}, {0.1, 0.06, 0.03, 0.12}}));
}

TEST(EvalCurves, AgainstCoefficientOneCurvePerMethodAtTheRate)
{
    const std::vector<EvalCurve> curves = EvalCurves(kRows, EvalAxis::Coefficient, 0.1);
    ASSERT_EQ(curves.size(), 2u);
    EXPECT_EQ(curves[0].method, kSimple);
    EXPECT_EQ(curves[0].points, (std::vector<EvalCurvePoint>{{0.2, 0.3, 0.15, 0.6}, {0.5, 0.4, 0.2, 0.8}}));
    EXPECT_EQ(curves[1].points, (std::vector<EvalCurvePoint>{{0.2, 0.05, 0.025, 0.1}, {0.5, 0.06, 0.03, 0.12}}));
    // A rate that no row has (a run cancelled early) leaves the curves without points.
    for (const EvalCurve& curve : EvalCurves(kRows, EvalAxis::Coefficient, 0.3))
        EXPECT_TRUE(curve.points.empty());
    EXPECT_TRUE(EvalCurves({}, EvalAxis::Noise).empty());
}

TEST(EvalCurves, WorstReadingIsTheFirstWithTheMostEditsAtThatPoint)
{
    const std::vector<EvalRecord> records = {
        Reading(kSimple, 0.1, 0.2, 3, 1), Reading(kComplex, 0.1, 0.2, 9, 1), Reading(kSimple, 0.2, 0.2, 8, 1),
        Reading(kSimple, 0.1, 0.5, 7, 2), Reading(kSimple, 0.1, 0.2, 5, 2),  Reading(kSimple, 0.1, 0.2, 5, 3),
    };
    const EvalRecord* worst = WorstReading(records, kSimple, 0.1, 0.2);
    ASSERT_NE(worst, nullptr);
    EXPECT_EQ(worst, &records[4]);
    EXPECT_EQ(WorstReading(records, kComplex, 0.1, 0.2), &records[1]);
    EXPECT_EQ(WorstReading(records, kComplex, 0.2, 0.2), nullptr);
    EXPECT_EQ(WorstReading({}, kSimple, 0.0, 0.2), nullptr);
}

TEST(EvalCurves, PointsCarryTheNoCutShareAndAReadingTitleNamesItsPoint)
{
    EvalSummaryRow row = Row(kComplex, 0.05, 0.2, 0.1);
    row.noCut = 0.25;
    const std::vector<EvalCurve> curves = EvalCurves({row}, EvalAxis::Noise);
    ASSERT_EQ(curves.size(), 1u);
    ASSERT_EQ(curves[0].points.size(), 1u);
    EXPECT_EQ(curves[0].points[0].noCut, 0.25);

    EvalRecord record = Reading(EvalMethod::Open, 0.05, 0.2, 4, 12);
    record.kind = NoiseKind::Erase;
    record.seed = 3;
    EXPECT_EQ(ReadingTitle(record), "Line 12, erase noise 5 %, seed 3, Open, k = 0.2");
}
