#include "GeneratorSettings.h"

InclusionTable FullInclusionTable()
{
    InclusionTable table;
    table.fill(1);
    return table;
}

bool GeneratorSettings::AnyIncludedInRange() const
{
    for (int code = m_nFirstCode; code <= m_nLastCode; ++code) {
        if (IsIncluded(code))
            return true;
    }
    return false;
}

void GeneratorSettings::ClampCurrentCode()
{
    if (m_nCurrentCode < m_nFirstCode)
        m_nCurrentCode = m_nFirstCode;
    if (m_nCurrentCode > m_nLastCode)
        m_nCurrentCode = m_nLastCode;
}

std::string CellWindowProblem(const GeneratorSettings& settings)
{
    if (!settings.AnyIncludedInRange())
        return {};
    // In the cell layout the window is placed against the pen, so it may start left of or above it.
    if (settings.m_Layout == CellLayout::Window && (settings.m_nXOffset < 0 || settings.m_nYOffset < 0)) {
        return "The X Offset and the Y Offset must not be negative (X Offset " +
               std::to_string(settings.m_nXOffset) + ", Y Offset " + std::to_string(settings.m_nYOffset) + ").";
    }
    // Widths and heights are stored in one byte each; a reader cannot follow a record whose
    // bitmap size does not agree with those bytes.
    const long long width = static_cast<long long>(settings.m_nWidth) - settings.m_nXOffset;
    const long long height = static_cast<long long>(settings.m_nHeight) - settings.m_nYOffset;
    if (width < 0 || width > 255) {
        return "The glyph width, Character Width - X Offset, is " + std::to_string(width) +
               "; it must lie between 0 and 255.";
    }
    if (height < 0 || height > 255) {
        return "The glyph height, Character Height - Y Offset, is " + std::to_string(height) +
               "; it must lie between 0 and 255.";
    }
    return {};
}
