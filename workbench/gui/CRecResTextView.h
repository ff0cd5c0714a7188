#pragma once

#include "CDocView.h"
#include "CRaster.h"
#include "CScrollView.h"

class CGuiDocument;

// The result pane: the recognised text, first as plain text, then drawn with the glyph font
// into the pane's own raster once a recognition has produced a result picture.
class CRecResTextView : public CScrollView, public CDocView {
    Q_OBJECT
public:
    CRecResTextView(CGuiDocument& document, QWidget* parent);
    ~CRecResTextView() override;

    void OnInitialUpdate();
    void OnUpdate(CDocView* sender, long hint) override;
    void Detach();

    const CRaster& Bitmap() const { return m_Bitmap; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    QRect CellRect(int cell) const override;

private:
    CGuiDocument* m_pDocument;
    CRaster m_Bitmap;            // the result text rendered with the glyph font
    bool m_bHasMemDC = false;    // set by the first initial update
};
