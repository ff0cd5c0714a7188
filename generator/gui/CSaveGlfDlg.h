#pragma once

#include "CProgressWorkDlg.h"
#include "GeneratorSettings.h"

#include <QString>

#include <cstdint>
#include <vector>

// "Saving .GLF file": renders the included characters and writes the GLF file at path.
class CSaveGlfDlg : public CProgressWorkDlg {
public:
    CSaveGlfDlg(const QString& path, const GeneratorSettings& settings, QWidget* parent = nullptr);

    // True when the file was written completely.
    bool Written() const { return m_bWritten; }
    // Why the file could not be written; empty when it was or when the work never began.
    const QString& Error() const { return m_strError; }
    // The bytes written; empty unless the file was written.
    const std::vector<std::uint8_t>& Bytes() const { return m_Bytes; }

protected:
    int DoWork() override;

private:
    QString m_strPath;
    const GeneratorSettings& m_Settings;
    bool m_bWritten = false;
    QString m_strError;
    std::vector<std::uint8_t> m_Bytes;
};
