#pragma once

#include "CProgressWorkDlg.h"
#include "CellSampling.h"
#include "GeneratorSettings.h"

// "Char cell generation": measures the layout box over the included characters.
class CCellGenerationDlg : public CProgressWorkDlg {
public:
    CCellGenerationDlg(const GeneratorSettings& settings, QWidget* parent = nullptr);

    // The measured box; valid after the dialog ended with Accepted.
    const LayoutBox& Box() const { return m_Box; }

protected:
    int DoWork() override;

private:
    const GeneratorSettings& m_Settings;
    LayoutBox m_Box;
};
