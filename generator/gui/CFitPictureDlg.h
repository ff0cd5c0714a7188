#pragma once

#include "CProgressWorkDlg.h"
#include "GeneratorSettings.h"
#include "PictureFit.h"

#include "CRaster.h"

// "Fit to Picture": searches the font that reads a picture best, one progress step per font
// tried, on a worker thread; Cancel stops the search.
class CFitPictureDlg : public CProgressWorkDlg {
public:
    CFitPictureDlg(const CRaster& picture, const GeneratorSettings& settings, QWidget* parent = nullptr);

    // What the fit found; valid after the dialog ended with Accepted.
    const PictureFit& Fit() const { return m_Fit; }

protected:
    int DoWork() override;

private:
    const CRaster& m_Picture;
    const GeneratorSettings& m_Settings;
    PictureFit m_Fit;
};
