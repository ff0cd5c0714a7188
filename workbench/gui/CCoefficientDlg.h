#pragma once

#include "CDataDialog.h"

class QLineEdit;
class QSlider;

// "Recognition Coefficient": a slider over [0, 1] in steps of 0.00001 and a read-only box
// that shows the value.
class CCoefficientDlg : public CDataDialog {
    Q_OBJECT
public:
    static constexpr int kSliderMax = 100000;  // slider position p stands for p x 0.00001

    CCoefficientDlg(IUserPrompts& prompts, QWidget* parent);

    // The slider position of a value: value x 100000 truncated toward zero, kept in the
    // slider's range (also for values outside [0, 1] and for NaN).
    static int SliderPosition(double value);
    // The box text of a value, 15 significant digits ("%.*g").
    static QString FormatValue(double value);

    QLineEdit* ValueBox() const { return m_pValue; }  // box 1002
    QSlider* Slider() const { return m_Slider; }

    double m_dValue = 0;

protected:
    void OnInitDialog() override;
    bool DoDataExchange(bool save) override;

private:
    // Every move of the slider, dragging included: the value follows the position at once.
    void OnHScroll(int position);
    void OnSliderAction();

    QSlider* m_Slider;
    QLineEdit* m_pValue;
};
