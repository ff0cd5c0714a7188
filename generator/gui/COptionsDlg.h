#pragma once

#include "GeneratorSettings.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

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

    void accept() override;

    // Runs the layout measurement in "Char cell generation" and takes its box.
    void OnAutocalc();

private:
    const GeneratorSettings& m_Main;
    QLineEdit* m_pFirstEdit;
    QLineEdit* m_pLastEdit;
    QLineEdit* m_pWidthEdit;
    QLineEdit* m_pHeightEdit;
    QLineEdit* m_pXEdit;
    QLineEdit* m_pYEdit;
    QPushButton* m_pAutocalcButton;
};
