#pragma once

#include "GeneratorSettings.h"

#include <QDialog>
#include <QImage>

// "Glyph Sheet": every code from the first to the last as "Save as GLF" would store it, with
// the groups of identical glyphs listed; the sheet can be saved as a PNG file.
class CGlyphSheetDlg : public QDialog {
public:
    CGlyphSheetDlg(const GeneratorSettings& settings, QWidget* parent = nullptr);

    // The sheet shown; null when the settings give no file to show.
    const QImage& Sheet() const { return m_Sheet; }
    // The warnings shown under the sheet; empty when there are none.
    const QString& Warnings() const { return m_strWarnings; }

private:
    void OnSavePng();

    QImage m_Sheet;
    QString m_strWarnings;
};
