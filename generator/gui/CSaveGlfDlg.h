#pragma once

#include "CProgressWorkDlg.h"
#include "GeneratorSettings.h"

#include <QString>

// "Saving .GLF file": renders the included characters and writes the GLF file at path.
class CSaveGlfDlg : public CProgressWorkDlg {
public:
    CSaveGlfDlg(const QString& path, const GeneratorSettings& settings, QWidget* parent = nullptr);

    // True when the file was written completely.
    bool Written() const { return m_bWritten; }
    // Why the file could not be written; empty when it was or when the work never began.
    const QString& Error() const { return m_strError; }

protected:
    int DoWork() override;

private:
    QString m_strPath;
    const GeneratorSettings& m_Settings;
    bool m_bWritten = false;
    QString m_strError;
};
