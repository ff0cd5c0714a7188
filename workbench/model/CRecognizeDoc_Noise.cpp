// The recognition document: noise added to the picture.
#include "CRecognizeDoc.h"

bool CRecognizeDoc::OnAddNoise(const NoiseSettings& noise) {
    if (!NoiseRateAllowed(noise.rate))
        return false;
    EnsurePicture();
    AddNoise(m_Picture, noise);
    OnStrokeDrawn(nullptr);
    return true;
}
