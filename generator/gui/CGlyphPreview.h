#pragma once

#include <QFont>
#include <QWidget>

struct GeneratorSettings;

// Shows the current character in the current font: its W x H client area white, the
// character centred horizontally at the top. The X and Y offsets are not shown.
class CGlyphPreview : public QWidget {
public:
    CGlyphPreview(const GeneratorSettings& settings, const QFont& font, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const GeneratorSettings& m_Settings;
    const QFont& m_Font;
};
