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
    // Fonts are rendered and read for many seconds on a large picture: the window stays served.
    WorkOffTheUiThread();
}

int CFitPictureDlg::DoWork()
{
    int steps = 0;
    m_Fit = FitFontToPicture(m_Picture, m_Settings, [this, &steps](int, int total) {
        if (total != steps)
            SetStepCount(steps = total);
        Step();
        return !CancelRequested();
    });
    return Accepted;
}
