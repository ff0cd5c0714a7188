#pragma once

#include "CCharImageFont.h"
#include "RecognitionTrace.h"

#include <QAbstractScrollArea>
#include <QImage>

#include <array>
#include <vector>

class CRecognizeDoc;

// The "Variants" pane: one column per character position of the last recognition, with the
// position number and final character, the cost range, the variants drawn with the glyph
// font and their costs (lowest first), the choices of both steps marked, and over the
// columns the words of the cut with their costs. It keeps its own copy of the trace and of
// the font, so it never reads a document that has gone. Only the columns in sight are drawn.
class CVariantsView : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr const char* kNoRecognition = "No recognition info yet!";

    explicit CVariantsView(QWidget* parent = nullptr);

    // Shows the trace of doc (none: the message); a call with the same document and trace
    // revision changes nothing.
    void SetSource(const CRecognizeDoc* doc);
    // Shows a trace other than the document's last recognition (the cells of a page line),
    // until the document's trace changes.
    void ShowTrace(const CRecognizeDoc* doc, const RecognitionTrace& trace);
    const RecognitionTrace& Trace() const { return m_Trace; }
    // The position's variants as the column lists them: lowest cost first, equal costs in
    // the order recognition found them.
    const std::vector<TraceVariant>& SortedVariants(int p) const { return m_Sorted[static_cast<std::size_t>(p)]; }

    int SelectedColumn() const { return m_nSelected; }  // -1 when none
    // Selects column p (-1: none) and scrolls it into sight.
    void SelectColumn(int p);
    // Scrolls so that the column of a position (with its fraction) stands at the left edge.
    void FollowCell(double cell);
    int ColumnWidth() const { return m_nColumnWidth; }
    // The column under a client point, or -1.
    int ColumnAt(QPoint client) const;
    // The strip of the words' brackets and costs, across the pane, in pane coordinates.
    QRect WordBand() const;
    // The outline of the selected or hovered column p, in pane coordinates: below the word band.
    QRect ColumnOutline(int p) const;
    // Tall enough for the header and two rows of variants.
    QSize sizeHint() const override;
    // The small mark that tells a Cyrillic letter from its Latin twin drawn with the same
    // glyph ("cyr"), or nothing for other codes.
    static QString ScriptMark(std::uint8_t code);
    // What the marks of the columns mean, as rich text for a line under the pane.
    static QString LegendText();

signals:
    void ColumnClicked(int p);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void TakeTrace(const RecognitionTrace& trace, const CCharImageFont& font);
    void Layout();
    void UpdateScrollBars();
    const QImage& Glyph(int code);
    void DrawColumn(QPainter& painter, int p, int x);

    const CRecognizeDoc* m_pSource = nullptr;
    unsigned m_nRevision = 0;
    bool m_bHasSource = false;
    RecognitionTrace m_Trace;
    std::vector<std::vector<TraceVariant>> m_Sorted;
    CCharImageFont m_Font;
    std::array<QImage, 256> m_Glyphs;      // magnified, made when first drawn
    std::array<bool, 256> m_bGlyphMade{};
    int m_nMagnify = 1;
    int m_nSelected = -1;
    int m_nColumnWidth = 60;
    int m_nRowHeight = 20;
    int m_nLineHeight = 14;
    int m_nHeaderHeight = 0;   // summary, brackets, number, cost range
    int m_nMaxVariants = 0;
};
