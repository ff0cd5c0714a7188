#pragma once

#include "CDataDialog.h"
#include "NoiseGenerator.h"

class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QSlider;

// "Add Noise": the kind, the rate in percent (0 to 50, slider and box kept together) and the
// seed of the noise, with a button for a new random seed.
class CNoiseDlg : public CDataDialog {
    Q_OBJECT
public:
    CNoiseDlg(IUserPrompts& prompts, QWidget* parent);

    QComboBox* KindBox() const { return m_pKind; }
    QDoubleSpinBox* RateBox() const { return m_pRate; }
    QSlider* RateSlider() const { return m_pSlider; }
    QLineEdit* SeedBox() const { return m_pSeed; }

    NoiseSettings m_Noise;  // rate as a fraction, 0..0.5

protected:
    bool DoDataExchange(bool save) override;

private:
    QComboBox* m_pKind;
    QDoubleSpinBox* m_pRate;
    QSlider* m_pSlider;
    QLineEdit* m_pSeed;
};
