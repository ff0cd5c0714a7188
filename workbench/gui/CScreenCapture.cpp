#include "CScreenCapture.h"

#include "CRegionPicker.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QRandomGenerator>
#include <QScreen>
#include <QTimer>
#include <QUrl>

namespace {

constexpr const char* kPortalService = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kScreenshotInterface = "org.freedesktop.portal.Screenshot";
constexpr const char* kRequestInterface = "org.freedesktop.portal.Request";

// The screen under the pointer, else the primary one.
QScreen* ScreenUnderPointer()
{
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    return screen ? screen : QGuiApplication::primaryScreen();
}

}  // namespace

CScreenCapture::Method CScreenCapture::MethodFor(const QString& platformName, bool waylandSession)
{
    return platformName.startsWith(QLatin1String("wayland")) || waylandSession ? Method::Portal : Method::Qt;
}

CScreenCapture::Method CScreenCapture::CurrentMethod()
{
    return MethodFor(QGuiApplication::platformName(), !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
}

CScreenCapture::CScreenCapture(QObject* parent) : QObject(parent)
{
}

CScreenCapture::~CScreenCapture()
{
    delete m_pPicker;
}

void CScreenCapture::Start(int delayMs)
{
    QTimer::singleShot(delayMs, this, &CScreenCapture::Grab);
}

void CScreenCapture::Grab()
{
    if (CurrentMethod() == Method::Portal)
        GrabThroughPortal();
    else
        GrabThroughQt();
}

void CScreenCapture::GrabThroughQt()
{
    QScreen* screen = ScreenUnderPointer();
    const QPixmap shot = screen ? screen->grabWindow(0) : QPixmap();
    if (shot.isNull()) {
        Fail(QStringLiteral("The screen could not be taken: the display gave no picture of it."));
        return;
    }
    ShowPicker(shot.toImage(), screen);
}

void CScreenCapture::GrabThroughPortal()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Fail(QStringLiteral("The screen could not be taken: there is no session bus to reach the desktop portal."));
        return;
    }
    // The portal answers on a request object whose path follows from our bus name and a token
    // of ours; listening there before asking leaves no gap for the answer to fall into.
    const QString token = QStringLiteral("recognize%1").arg(QRandomGenerator::global()->generate());
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    m_strRequestPath = QStringLiteral("%1/request/%2/%3").arg(QString::fromLatin1(kPortalPath), sender, token);
    bus.connect(QString::fromLatin1(kPortalService), m_strRequestPath, QString::fromLatin1(kRequestInterface),
                QStringLiteral("Response"), this, SLOT(OnPortalResponse(uint, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kPortalService), QString::fromLatin1(kPortalPath),
                                                       QString::fromLatin1(kScreenshotInterface), QStringLiteral("Screenshot"));
    QVariantMap options;
    options.insert(QStringLiteral("handle_token"), token);
    options.insert(QStringLiteral("interactive"), false);
    call << QString() << options;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        const QDBusPendingReply<QDBusObjectPath> reply = *finished;
        finished->deleteLater();
        if (reply.isError())
            Fail(QStringLiteral("The screen could not be taken: the desktop portal answered \"%1\".")
                     .arg(reply.error().message()));
    });
}

void CScreenCapture::OnPortalResponse(uint response, const QVariantMap& results)
{
    QDBusConnection::sessionBus().disconnect(QString::fromLatin1(kPortalService), m_strRequestPath,
                                             QString::fromLatin1(kRequestInterface), QStringLiteral("Response"), this,
                                             SLOT(OnPortalResponse(uint, QVariantMap)));
    // 0: done; 1: the user cancelled in the portal's own dialog; 2: refused.
    if (response == 1) {
        if (!m_bDone) {
            m_bDone = true;
            emit Cancelled();
        }
        return;
    }
    const QUrl uri(results.value(QStringLiteral("uri")).toString());
    QImage shot;
    if (response == 0 && uri.isLocalFile())
        shot.load(uri.toLocalFile());
    if (shot.isNull()) {
        Fail(QStringLiteral("The screen could not be taken: the desktop portal refused, or gave no picture."));
        return;
    }
    // The portal leaves its picture as a file of the user's; the region is all that is kept.
    QFile::remove(uri.toLocalFile());
    ShowPicker(std::move(shot), QGuiApplication::primaryScreen());
}

void CScreenCapture::ShowPicker(QImage screen, QScreen* where)
{
    delete m_pPicker;
    m_pPicker = new CRegionPicker(std::move(screen), where);
    connect(m_pPicker, &CRegionPicker::Chosen, this, [this](const QRect& region) {
        if (m_bDone)
            return;
        m_bDone = true;
        emit RegionChosen(m_pPicker->Screen().copy(region));
    });
    connect(m_pPicker, &CRegionPicker::Cancelled, this, [this] {
        if (m_bDone)
            return;
        m_bDone = true;
        emit Cancelled();
    });
    m_pPicker->ShowOnScreen();
}

void CScreenCapture::Fail(const QString& reason)
{
    if (m_bDone)
        return;
    m_bDone = true;
    emit Failed(reason);
}
