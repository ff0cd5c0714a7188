#include "CVariantsView.h"

#include "CRecognizeDoc.h"
#include "TextCodec.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace {

const QColor kCorrectedColour(255, 225, 180);
const QColor kSelectedColour(220, 0, 0);
const QColor kChosenColour(150, 220, 150);
const QColor kSimpleColour(30, 90, 220);
const QColor kBracketColour(90, 90, 90);
const QColor kUnknownColour(200, 100, 0);

// A character as the column header shows it: the space as an open box.
QString CharText(std::uint8_t code)
{
    if (code == ' ')
        return QStringLiteral("\u2423");
    if (code < 32)
        return QStringLiteral("\\x%1").arg(code, 2, 16, QLatin1Char('0'));
    return FromCp1251(std::string(1, static_cast<char>(code)));
}

}  // namespace

CVariantsView::CVariantsView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumHeight(60);
    Layout();
}

void CVariantsView::SetSource(const CRecognizeDoc* doc)
{
    const unsigned revision = doc ? doc->Trace().nRevision : 0;
    if (m_bHasSource && doc == m_pSource && revision == m_nRevision)
        return;
    m_bHasSource = true;
    m_pSource = doc;
    m_nRevision = revision;
    TakeTrace(doc ? doc->Trace() : RecognitionTrace(), doc ? doc->m_Font : CCharImageFont());
}

void CVariantsView::ShowTrace(const CRecognizeDoc* doc, const RecognitionTrace& trace)
{
    m_bHasSource = true;
    m_pSource = doc;
    m_nRevision = doc ? doc->Trace().nRevision : 0;
    TakeTrace(trace, doc ? doc->m_Font : CCharImageFont());
}

void CVariantsView::TakeTrace(const RecognitionTrace& trace, const CCharImageFont& font)
{
    m_Trace = trace;
    m_Font = font;
    m_bGlyphMade.fill(false);
    m_Sorted.assign(m_Trace.positions.size(), {});
    m_nMaxVariants = 0;
    for (std::size_t p = 0; p < m_Trace.positions.size(); ++p) {
        std::vector<TraceVariant>& sorted = m_Sorted[p];
        sorted = m_Trace.positions[p].variants;
        std::stable_sort(sorted.begin(), sorted.end(), [](const TraceVariant& a, const TraceVariant& b) {
            return static_cast<std::uint32_t>(a.cost) < static_cast<std::uint32_t>(b.cost);
        });
        m_nMaxVariants = std::max(m_nMaxVariants, static_cast<int>(sorted.size()));
    }
    if (m_nSelected >= static_cast<int>(m_Trace.positions.size()))
        m_nSelected = -1;
    Layout();
    viewport()->update();
}

void CVariantsView::Layout()
{
    const QFontMetrics metrics(font());
    m_nLineHeight = metrics.height();
    const int width = std::max(m_Font.CellWidth(), 0);
    const int height = std::max(m_Font.CellHeight(), 0);
    // Glyphs at about 56 pixels high, at most 64 wide, never below their own size.
    m_nMagnify = std::clamp(height > 0 ? 56 / height : 1, 1, 8);
    if (width > 0)
        m_nMagnify = std::clamp(std::min(m_nMagnify, 64 / width), 1, 8);
    const int costWidth = metrics.horizontalAdvance(QStringLiteral("99999"));
    m_nColumnWidth = std::max({width * m_nMagnify + costWidth + 16, metrics.horizontalAdvance(QStringLiteral("worst 99999")) + 10, 56});
    m_nRowHeight = std::max(height * m_nMagnify, m_nLineHeight) + 4;
    // Summary line, bracket row, number and character, best and worst.
    m_nHeaderHeight = m_nLineHeight + 6 + m_nLineHeight + 10 + 4 * m_nLineHeight + 8;
    UpdateScrollBars();
}

void CVariantsView::UpdateScrollBars()
{
    const long long total = static_cast<long long>(m_Trace.positions.size()) * m_nColumnWidth;
    const QSize client = viewport()->size();
    horizontalScrollBar()->setRange(0, static_cast<int>(std::clamp<long long>(total - client.width(), 0, INT_MAX)));
    horizontalScrollBar()->setPageStep(std::max(1, client.width()));
    horizontalScrollBar()->setSingleStep(m_nColumnWidth);
    // Only the variants scroll up and down; the header above them stays.
    const int rows = std::max(1, client.height() - m_nHeaderHeight);
    verticalScrollBar()->setRange(0, std::max(0, m_nMaxVariants * m_nRowHeight + 4 - rows));
    verticalScrollBar()->setPageStep(rows);
    verticalScrollBar()->setSingleStep(m_nRowHeight);
}

void CVariantsView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CVariantsView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void CVariantsView::SelectColumn(int p)
{
    if (p < -1 || p >= static_cast<int>(m_Trace.positions.size()))
        p = -1;
    if (p == m_nSelected)
        return;
    m_nSelected = p;
    if (p >= 0) {
        const int left = p * m_nColumnWidth;
        QScrollBar* bar = horizontalScrollBar();
        if (left < bar->value())
            bar->setValue(left);
        else if (left + m_nColumnWidth > bar->value() + viewport()->width())
            bar->setValue(left + m_nColumnWidth - viewport()->width());
        // The variant that the result took comes into sight too.
        const std::vector<TraceVariant>& sorted = m_Sorted[static_cast<std::size_t>(p)];
        const std::uint8_t final = m_Trace.positions[static_cast<std::size_t>(p)].final;
        const auto chosen = std::find_if(sorted.begin(), sorted.end(), [final](const TraceVariant& v) { return v.code == final; });
        if (chosen != sorted.end()) {
            const int top = static_cast<int>(chosen - sorted.begin()) * m_nRowHeight;
            const int rows = std::max(1, viewport()->height() - m_nHeaderHeight);
            QScrollBar* vertical = verticalScrollBar();
            if (top < vertical->value() || top + m_nRowHeight > vertical->value() + rows)
                vertical->setValue(top - (rows - m_nRowHeight) / 2);
        }
    }
    viewport()->update();
}

void CVariantsView::FollowCell(double cell)
{
    horizontalScrollBar()->setValue(static_cast<int>(std::clamp(cell * m_nColumnWidth, 0.0, 2e9)));
}

int CVariantsView::ColumnAt(QPoint client) const
{
    if (client.y() < m_nLineHeight + 6)
        return -1;
    const long long x = static_cast<long long>(client.x()) + horizontalScrollBar()->value();
    const long long p = x / m_nColumnWidth;
    return x >= 0 && p < static_cast<long long>(m_Trace.positions.size()) ? static_cast<int>(p) : -1;
}

QRect CVariantsView::WordBand() const
{
    const int top = m_nLineHeight + 6;
    return {0, top, viewport()->width(), m_nLineHeight + 7};
}

QRect CVariantsView::ColumnOutline(int p) const
{
    const int x = p * m_nColumnWidth - horizontalScrollBar()->value();
    const int top = WordBand().bottom() + 2;
    return QRect(x, top, m_nColumnWidth, viewport()->height() - top).adjusted(1, 1, -2, -2);
}

void CVariantsView::mousePressEvent(QMouseEvent* event)
{
    const int p = ColumnAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || p < 0)
        return;
    SelectColumn(p);
    emit ColumnClicked(p);
}

const QImage& CVariantsView::Glyph(int code)
{
    QImage& image = m_Glyphs[static_cast<std::size_t>(code)];
    if (m_bGlyphMade[static_cast<std::size_t>(code)])
        return image;
    m_bGlyphMade[static_cast<std::size_t>(code)] = true;
    image = QImage();
    const CCharImage* glyph = m_Font.GetCharImage(code);
    if (!glyph || glyph->Width() <= 0 || glyph->Height() <= 0)
        return image;
    const int m = m_nMagnify;
    // Ink on a clear ground, so that the marks of the row show around the strokes.
    image = QImage(glyph->Width() * m, glyph->Height() * m, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int y = 0; y < glyph->Height(); ++y)
        for (int x = 0; x < glyph->Width(); ++x)
            if (glyph->Pixel(x, y))
                for (int dy = 0; dy < m; ++dy)
                    std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y * m + dy)) + x * m, m, qRgba(0, 0, 0, 255));
    return image;
}

void CVariantsView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().base());
    painter.setPen(palette().text().color());
    if (m_Trace.Empty()) {
        painter.drawText(viewport()->rect(), Qt::AlignCenter | Qt::TextSingleLine, QString::fromUtf8(kNoRecognition));
        return;
    }
    const int scrollX = horizontalScrollBar()->value();
    const int count = static_cast<int>(m_Trace.positions.size());
    const int first = std::clamp(scrollX / m_nColumnWidth, 0, std::max(count - 1, 0));
    const int last = std::min(count - 1, (scrollX + viewport()->width()) / m_nColumnWidth);
    for (int p = first; p <= last; ++p)
        DrawColumn(painter, p, p * m_nColumnWidth - scrollX);

    // The words of the cut over their columns, each with its cost; words that the open step
    // read outside the list have a dashed bracket of their own colour and a "?" before the cost.
    const int bracketTop = m_nLineHeight + 6;
    if (m_Trace.kind == RecognitionTrace::Kind::Complex && m_Trace.bCut && count > 0) {
        int w = std::max(m_Trace.WordAt(first), 0);
        for (; w < static_cast<int>(m_Trace.words.size()) && m_Trace.words[static_cast<std::size_t>(w)].start <= last; ++w) {
            const TraceWord& word = m_Trace.words[static_cast<std::size_t>(w)];
            painter.setPen(word.bKnown ? QPen(kBracketColour) : QPen(kUnknownColour, 1, Qt::DashLine));
            const int left = word.start * m_nColumnWidth - scrollX + 3;
            const int right = word.end * m_nColumnWidth - scrollX - 4;
            const int y = bracketTop + m_nLineHeight + 6;
            painter.drawLine(left, y, right, y);
            painter.drawLine(left, y, left, y - 5);
            painter.drawLine(right, y, right, y - 5);
            painter.drawText(QRect(left, bracketTop, right - left, m_nLineHeight + 2), Qt::AlignCenter,
                             (word.bKnown ? QString() : QStringLiteral("?")) + QString::number(word.cost));
        }
    }

    // The summary stays in sight while the columns scroll sideways.
    const QRect summary(0, 0, viewport()->width(), m_nLineHeight + 6);
    painter.fillRect(summary, palette().window());
    painter.setPen(palette().windowText().color());
    QString text = QString::fromStdString(m_Trace.Summary());
    painter.drawText(summary.adjusted(6, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text);
}

void CVariantsView::DrawColumn(QPainter& painter, int p, int x)
{
    const TracePosition& position = m_Trace.positions[static_cast<std::size_t>(p)];
    const int scrollY = verticalScrollBar()->value();
    const int top = m_nLineHeight + 6;
    const QRect column(x, top, m_nColumnWidth, viewport()->height() - top);
    const bool complex = m_Trace.kind == RecognitionTrace::Kind::Complex;
    if (complex && position.Corrected())
        painter.fillRect(column, kCorrectedColour);
    painter.setPen(palette().mid().color());
    painter.drawLine(column.right(), column.top(), column.right(), column.bottom());

    painter.setPen(palette().text().color());
    int y = top + m_nLineHeight + 10;
    painter.drawText(QRect(x, y, m_nColumnWidth, m_nLineHeight), Qt::AlignCenter, QString::number(p));
    y += m_nLineHeight;
    QFont bold = painter.font();
    bold.setBold(true);
    painter.save();
    painter.setFont(bold);
    const QString mark = ScriptMark(position.final);
    painter.drawText(QRect(x, y, m_nColumnWidth, m_nLineHeight), Qt::AlignCenter,
                     mark.isEmpty() ? CharText(position.final) : CharText(position.final) + QLatin1Char(' ') + mark);
    painter.restore();
    y += m_nLineHeight;
    painter.drawText(QRect(x + 4, y, m_nColumnWidth - 8, m_nLineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("best %1").arg(position.best));
    y += m_nLineHeight;
    painter.drawText(QRect(x + 4, y, m_nColumnWidth - 8, m_nLineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("worst %1").arg(position.worst));
    y = m_nHeaderHeight - scrollY;

    // The variants: Complex's choice filled, Simple's best framed where the two differ.
    painter.save();
    painter.setClipRect(QRect(x, m_nHeaderHeight - 4, m_nColumnWidth, viewport()->height()));
    for (const TraceVariant& variant : m_Sorted[static_cast<std::size_t>(p)]) {
        if (y >= viewport()->height())
            break;
        if (y + m_nRowHeight <= m_nHeaderHeight - 4) {
            y += m_nRowHeight;
            continue;
        }
        const QRect row(x + 2, y, m_nColumnWidth - 5, m_nRowHeight - 2);
        const bool chosen = variant.code == position.final;
        const bool simple = variant.code == position.simple;
        if (chosen)
            painter.fillRect(row, kChosenColour);
        if (simple && !chosen) {
            painter.setPen(QPen(kSimpleColour, 2));
            painter.drawRect(row.adjusted(1, 1, -1, -1));
        }
        const QImage& glyph = Glyph(variant.code);
        if (!glyph.isNull())
            painter.drawImage(QPoint(row.left() + 3, row.top() + 1), glyph);
        painter.setPen(palette().text().color());
        painter.drawText(row.adjusted(0, 0, -4, 0), Qt::AlignRight | Qt::AlignVCenter, QString::number(variant.cost));
        if (const QString script = ScriptMark(variant.code); !script.isEmpty()) {
            painter.save();
            QFont small = painter.font();
            small.setPointSizeF(small.pointSizeF() * 0.75);
            painter.setFont(small);
            painter.setPen(palette().mid().color());
            painter.drawText(row.adjusted(0, 1, -4, 0), Qt::AlignRight | Qt::AlignTop, script);
            painter.restore();
        }
        y += m_nRowHeight;
    }
    painter.restore();
    // The outline leaves the word costs above it readable.
    if (p == m_nSelected) {
        painter.setPen(QPen(kSelectedColour, 3));
        painter.drawRect(ColumnOutline(p));
    }
}

QSize CVariantsView::sizeHint() const
{
    const int bar = horizontalScrollBar()->sizeHint().height();
    return {8 * m_nColumnWidth, m_nHeaderHeight + 2 * m_nRowHeight + 8 + bar};
}

QString CVariantsView::LegendText()
{
    const auto swatch = [](const QColor& colour) {
        return QStringLiteral("<span style=\"color:%1\">&#9632;</span>").arg(colour.name());
    };
    return QStringLiteral("%1 green: the variant the result took &nbsp; %2 blue frame: Simple's best where "
                          "the result took another &nbsp; %3 orange: a position the dictionary corrected")
        .arg(swatch(kChosenColour), swatch(kSimpleColour), swatch(kCorrectedColour));
}

QString CVariantsView::ScriptMark(std::uint8_t code)
{
    const QString text = FromCp1251(std::string(1, static_cast<char>(code)));
    return !text.isEmpty() && text.at(0).isLetter() && text.at(0).script() == QChar::Script_Cyrillic
               ? QStringLiteral("cyr")
               : QString();
}
