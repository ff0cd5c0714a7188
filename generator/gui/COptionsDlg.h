#pragma once

#include "GeneratorSettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// "Options": the range of codes written and the cell window, with "Autocalc chars layout".
class COptionsDlg : public QDialog {
public:
    // main supplies the font, range and inclusions that "Autocalc chars layout" measures.
    COptionsDlg(const GeneratorSettings& main, QWidget* parent = nullptr);

    int m_nWidth;       // Character Width, 0..150
    int m_nHeight;      // Character Height, 0..150
    int m_nFirstCode;   // 0..255
    int m_nLastCode;    // 0..255
    int m_nXOffset;
    int m_nYOffset;
    CellLayout m_Layout;        // the choice beside the cell window
    bool m_bAntialias;
    int m_nCoverage;            // 1..100 percent
    FontDescription m_Font;     // the main font, or the one "Fit to Picture" chose

    // Reads the six edit boxes into the values, in the order Height, Width, First, Last, X, Y;
    // the first refused field shows its message, takes the focus and stops the reading.
    bool ReadControls();
    // Writes the values into the six edit boxes.
    void WriteControls();

    QLineEdit* WidthEdit() const { return m_pWidthEdit; }
    QLineEdit* HeightEdit() const { return m_pHeightEdit; }
    QLineEdit* FirstEdit() const { return m_pFirstEdit; }
    QLineEdit* LastEdit() const { return m_pLastEdit; }
    QLineEdit* XEdit() const { return m_pXEdit; }
    QLineEdit* YEdit() const { return m_pYEdit; }
    QPushButton* AutocalcButton() const { return m_pAutocalcButton; }
    QComboBox* LayoutChoice() const { return m_pLayoutChoice; }
    QCheckBox* AntialiasBox() const { return m_pAntialiasBox; }
    QPushButton* FitButton() const { return m_pFitButton; }
    QLabel* FitResult() const { return m_pFitResult; }

    void accept() override;

    // Runs the layout measurement in "Char cell generation" and takes its box.
    void OnAutocalc();
    // Chooses a picture and runs the fit in its progress dialog; a fit found fills the layout,
    // antialiasing, size and cell window.
    void OnFitPicture();
    // Fits the font to the picture at path; false, with a message shown, when nothing fits.
    bool FitToPicture(const QString& path);

private:
    // The terminal cell fills the window edit boxes when it is chosen.
    void OnLayoutChosen(int index);
    // Reads the layout choice, the check box and the coverage into the values.
    void ReadRendering();
    void WriteRendering();

    const GeneratorSettings& m_Main;
    QComboBox* m_pLayoutChoice;
    QCheckBox* m_pAntialiasBox;
    QSpinBox* m_pCoverageSpin;
    QPushButton* m_pFitButton;
    QLabel* m_pFitResult;       // what the fit chose, or why the cell is not monospaced
    QLineEdit* m_pFirstEdit;
    QLineEdit* m_pLastEdit;
    QLineEdit* m_pWidthEdit;
    QLineEdit* m_pHeightEdit;
    QLineEdit* m_pXEdit;
    QLineEdit* m_pYEdit;
    QPushButton* m_pAutocalcButton;
};
