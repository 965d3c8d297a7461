#include "desktop/instancebus.h"

#include "desktop/commandline.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

namespace {

const QString kConnection = QStringLiteral("deruziz-instance");
const QString kService = QStringLiteral("io.github.orvane.deruziz");
const QString kPath = QStringLiteral("/io/github/orvane/deruziz");
const QString kInterface = QStringLiteral("io.github.orvane.deruziz.Instance");

// The running copy may be starting up: its window answers once it is made.
constexpr int kReplyTimeoutMs = 30000;
// Between its lock and its name the running copy does nothing slow.
constexpr int kOwnerWaitMs = 3000;

QString SessionBusAddress()
{
    const QString strAddress = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!strAddress.isEmpty())
        return strAddress;
    // Where a per-user bus listens when no address was passed down. Unlike libdbus this starts
    // no bus of its own: without one the lock file alone decides.
    const QString strRuntime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString strSocket = strRuntime + QStringLiteral("/bus");
    if (QDir::isAbsolutePath(strRuntime) && QFileInfo::exists(strSocket))
        return QStringLiteral("unix:path=") + strSocket;
    return QString();
}

} // namespace

// Without a name the connection is an empty one, and Qt D-Bus is not even started.
CInstanceBus::CInstanceBus()
    : m_bus(QString())
{
    const QString strAddress = SessionBusAddress();
    if (!strAddress.isEmpty())
        m_bus = QDBusConnection::connectToBus(strAddress, kConnection);
}

CInstanceBus::~CInstanceBus()
{
    if (m_bus.name().isEmpty())
        return;
    if (m_bus.isConnected())
        m_bus.unregisterObject(kPath);
    m_bus = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(kConnection);
}

CInstanceBus::Claim CInstanceBus::ClaimName()
{
    if (!m_bus.isConnected())
        return Claim::Failed;
    // The object is there before the name, so that whoever finds the name finds the object.
    if (!m_bus.registerObject(kPath, this, QDBusConnection::ExportScriptableSlots))
        return Claim::Failed;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        m_bus.interface()->registerService(kService, QDBusConnectionInterface::DontQueueService,
                                           QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return Claim::Owned;
    m_bus.unregisterObject(kPath);
    return reply.isValid() ? Claim::Taken : Claim::Failed;
}

bool CInstanceBus::HandOver(const QStringList& paths, QString& strError)
{
    if (!m_bus.isConnected()) {
        strError = QStringLiteral("no session bus");
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("OpenPaths"));
    call << paths;
    call.setAutoStartService(false);
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const QDBusMessage reply = m_bus.call(call, QDBus::Block, kReplyTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return true;
        const bool bNoOwner = reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
                              reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
        if (!bNoOwner || waited.elapsed() > kOwnerWaitMs) {
            strError = reply.errorMessage();
            return false;
        }
        QThread::msleep(50);
    }
}

void CInstanceBus::SetPathsHandler(PathsHandler fnHandler)
{
    m_fnHandler = std::move(fnHandler);
    if (!m_fnHandler)
        return;
    for (const QStringList& paths : std::exchange(m_pending, {}))
        m_fnHandler(paths);
}

void CInstanceBus::OpenPaths(const QStringList& paths)
{
    qCInfo(lcCli) << "paths from another copy:" << paths;
    // The caller has its answer at once: opening may put up a box that waits for the user.
    QMetaObject::invokeMethod(
        this,
        [this, paths] {
            if (m_fnHandler)
                m_fnHandler(paths);
            else
                m_pending.push_back(paths);
        },
        Qt::QueuedConnection);
}
