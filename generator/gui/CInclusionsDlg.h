#pragma once

#include "CharacterClasses.h"
#include "GeneratorSettings.h"

#include <QCheckBox>
#include <QDialog>

#include <array>

class QPushButton;

// A three-state class box that a click only checks or unchecks; the program alone shows
// the indeterminate state.
class CClassCheckBox : public QCheckBox {
public:
    CClassCheckBox(const QString& text, QWidget* parent);

    ClassState State() const;
    void SetState(ClassState state);

protected:
    void nextCheckState() override;
};

// "Include/Exclude Characters": includes or excludes whole classes of codes, with the three
// Russian presets, on its own copy of the inclusion table.
class CInclusionsDlg : public QDialog {
public:
    CInclusionsDlg(const InclusionTable& table, QWidget* parent = nullptr);

    // The dialog's table: changed by the presets and by OK.
    const InclusionTable& Table() const { return m_Table; }
    CClassCheckBox* ClassBox(CharClass cls) const { return m_Boxes[static_cast<std::size_t>(cls)]; }
    QPushButton* PresetButton(InclusionPreset preset) const { return m_PresetButtons[static_cast<std::size_t>(preset)]; }
    QPushButton* OkButton() const { return m_pOkButton; }

    void accept() override;
    void OnPreset(InclusionPreset preset);

private:
    ClassStates ReadStates() const;
    void WriteStates(const ClassStates& states);

    InclusionTable m_Table;
    std::array<CClassCheckBox*, kClassCount> m_Boxes{};
    std::array<QPushButton*, 3> m_PresetButtons{};
    QPushButton* m_pOkButton;
};
