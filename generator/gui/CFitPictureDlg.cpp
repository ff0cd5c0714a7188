#include "CFitPictureDlg.h"

#include <QProgressBar>

CFitPictureDlg::CFitPictureDlg(const CRaster& picture, const GeneratorSettings& settings, QWidget* parent)
    : CProgressWorkDlg(QStringLiteral("Fit to Picture"), QStringLiteral("Fitting the font to the picture..."),
                       QStringLiteral("&Cancel"), parent),
      m_Picture(picture),
      m_Settings(settings)
{
    ProgressBar()->setRange(0, 1);
    ProgressBar()->setValue(0);
}

int CFitPictureDlg::DoWork()
{
    m_Fit = FitFontToPicture(m_Picture, m_Settings, [this](int, int total) {
        if (ProgressBar()->maximum() != total)
            ProgressBar()->setMaximum(total);
        Step();
        return true;
    });
    return Accepted;
}
