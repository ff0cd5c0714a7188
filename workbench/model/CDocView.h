#pragma once

// A view of a document. The document calls OnUpdate on every attached view from
// UpdateAllViews, except the sender.
class CDocView {
public:
    virtual ~CDocView() = default;
    virtual void OnUpdate(CDocView* sender, long hint) = 0;
    // Result views ignore updates sent by a graphics view.
    virtual bool IsGraphicsView() const { return false; }
};
