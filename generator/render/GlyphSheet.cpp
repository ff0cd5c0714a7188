#include "GlyphSheet.h"

#include "ConfusableGlyphs.h"
#include "GlfWriter.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr int kColumns = 16;
constexpr int kLabelHeight = 14;
constexpr int kGap = 6;
constexpr std::size_t kHeaderSize = 12;

const QColor kInk(0, 0, 0);
const QColor kPaper(255, 255, 255);
const QColor kExcluded(200, 200, 200);
const QColor kWindow(0, 90, 220);
const QColor kConfused(220, 0, 0);

} // namespace

QImage RenderGlyphSheet(const GeneratorSettings& settings, const std::vector<std::uint8_t>& glfBytes)
{
    if (settings.m_nFirstCode > settings.m_nLastCode)
        return {};
    const int cellWidth = std::max(0, settings.CellWidth());
    const int cellHeight = std::max(0, settings.CellHeight());
    const int bytesPerRow = (cellWidth + 7) / 8;
    const int bitsWidth = bytesPerRow * 8;
    // Magnified so that a cell is about 96 pixels on its longer side, at least 1:1.
    const int scale = std::clamp(96 / std::max({1, bitsWidth, cellHeight}), 1, 8);
    const int boxWidth = std::max(bitsWidth * scale, 40) + 2;
    const int boxHeight = cellHeight * scale + 2 + kLabelHeight;
    const int count = settings.m_nLastCode - settings.m_nFirstCode + 1;
    const int rows = (count + kColumns - 1) / kColumns;

    const std::vector<ConfusableGroup> groups = FindConfusableGroups(settings, glfBytes);
    const std::vector<int> groupOf = GroupOfEachCode(groups);

    QImage sheet(kGap + kColumns * (boxWidth + kGap), kGap + rows * (boxHeight + kGap), QImage::Format_RGB32);
    sheet.fill(kPaper);
    QPainter painter(&sheet);
    QFont labelFont = painter.font();
    labelFont.setPixelSize(10);
    painter.setFont(labelFont);

    const std::size_t recordBits = GlyphBitsSize(settings);
    std::size_t offset = kHeaderSize;
    for (int code = settings.m_nFirstCode; code <= settings.m_nLastCode; ++code) {
        const int index = code - settings.m_nFirstCode;
        const int left = kGap + (index % kColumns) * (boxWidth + kGap);
        const int top = kGap + (index / kColumns) * (boxHeight + kGap);
        const QRect bits(left + 1, top + kLabelHeight + 1, bitsWidth * scale, cellHeight * scale);
        const int group = groupOf[static_cast<std::size_t>(code)];
        QString label = QString::number(code);
        if (group >= 0)
            label += QStringLiteral(" \u2192 %1").arg(groups[static_cast<std::size_t>(group)].codes.front());
        painter.setPen(group >= 0 ? kConfused : kInk);
        painter.drawText(QRect(left, top, boxWidth, kLabelHeight), Qt::AlignLeft | Qt::AlignVCenter, label);

        if (!settings.IsIncluded(code)) {
            painter.fillRect(bits, kExcluded);
            offset += 2;
            continue;
        }
        const std::uint8_t* record = offset + 2 + recordBits <= glfBytes.size() ? glfBytes.data() + offset + 2 : nullptr;
        offset += 2 + recordBits;
        for (int y = 0; y < cellHeight && record != nullptr; ++y) {
            for (int x = 0; x < bitsWidth; ++x) {
                const std::uint8_t byte = record[static_cast<std::size_t>(y * bytesPerRow + x / 8)];
                if ((byte >> (7 - x % 8)) & 1)
                    painter.fillRect(bits.left() + x * scale, bits.top() + y * scale, scale, scale, kInk);
            }
        }
        painter.setPen(kWindow);
        painter.drawRect(bits.left() - 1, bits.top() - 1, cellWidth * scale + 1, cellHeight * scale + 1);
        if (group >= 0) {
            painter.setPen(QPen(kConfused, 2));
            painter.drawRect(QRect(left, top, boxWidth, boxHeight));
        }
    }
    painter.end();
    return sheet;
}
