#pragma once

#include "CRegionPicker.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

class QScreen;

// "Read Screen Region...", up to the region: a picture of the screen, then the rectangle the
// user drags over it. On X11 the screen is taken through Qt; under Wayland, where a program
// cannot read the screen itself, through the desktop portal's Screenshot interface
// (org.freedesktop.portal.Screenshot, over D-Bus). Each capture is one object, which ends
// with exactly one of its three signals.
class CScreenCapture : public QObject {
    Q_OBJECT
public:
    enum class Method { Qt, Portal };
    // How the screen is taken: through the portal under Wayland, also for a program that runs
    // through XWayland (waylandSession: WAYLAND_DISPLAY is set), which sees only its own windows.
    static Method MethodFor(const QString& platformName, bool waylandSession);
    static Method CurrentMethod();

    explicit CScreenCapture(QObject* parent = nullptr);
    ~CScreenCapture() override;

    // Takes the screen once delayMs have passed (time for the program's own windows to go),
    // then shows it for the choice of a region.
    void Start(int delayMs);
    // Shows a picture already taken for the choice of a region.
    void ShowPicker(QImage screen, QScreen* where);
    CRegionPicker* Picker() const { return m_pPicker; }

signals:
    // The region chosen, cut from the screen's picture.
    void RegionChosen(const QImage& region);
    void Cancelled();
    // The screen could not be taken; reason says why, in a sentence.
    void Failed(const QString& reason);

private slots:
    // The portal's answer; a slot by name, as D-Bus signals are connected only so.
    void OnPortalResponse(uint response, const QVariantMap& results);

private:
    void Grab();
    void GrabThroughQt();
    void GrabThroughPortal();
    void Fail(const QString& reason);

    QPointer<CRegionPicker> m_pPicker;
    QString m_strRequestPath;   // the portal's request object while its answer is awaited
    bool m_bDone = false;
};
