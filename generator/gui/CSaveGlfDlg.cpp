#include "CSaveGlfDlg.h"

#include "GlfFile.h"

#include <QFile>
#include <QProgressBar>

CSaveGlfDlg::CSaveGlfDlg(const QString& path, const GeneratorSettings& settings, QWidget* parent)
    : CProgressWorkDlg(QStringLiteral("Saving .GLF file"), QStringLiteral("Saving file in progress..."),
                       QStringLiteral("Cancel"), parent),
      m_strPath(path),
      m_Settings(settings)
{
    // One step per code from the first to the last; the bar ends full.
    ProgressBar()->setRange(settings.m_nFirstCode, settings.m_nLastCode + 1);
    ProgressBar()->setValue(settings.m_nFirstCode);
}

int CSaveGlfDlg::DoWork()
{
    std::string error;
    m_bWritten = SaveGlfFile(QFile::encodeName(m_strPath).toStdString(), m_Settings,
                             [this](std::uint8_t) { Step(); }, error, &m_Bytes);
    m_strError = QString::fromStdString(error);
    return m_bWritten ? Accepted : Rejected;
}
