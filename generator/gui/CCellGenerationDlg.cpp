#include "CCellGenerationDlg.h"

#include "MeasureLayout.h"

#include <QProgressBar>

CCellGenerationDlg::CCellGenerationDlg(const GeneratorSettings& settings, QWidget* parent)
    : CProgressWorkDlg(QStringLiteral("Char cell generation"), QStringLiteral("Calculation in progress..."),
                       QStringLiteral("&Cancel"), parent),
      m_Settings(settings)
{
    ProgressBar()->setRange(0, 256);
    ProgressBar()->setValue(0);
}

int CCellGenerationDlg::DoWork()
{
    m_Box = MeasureLayout(m_Settings, [this](std::uint8_t) { Step(); });
    return Accepted;
}
