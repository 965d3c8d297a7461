#include "desktop/mpris/mprisservice.h"

#include "desktop/mpris/mprisadaptors.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
constexpr int kLengthPollMs = 250;
constexpr int kLengthPollLimit = 40;

// Track nTrack (counted from 1) of the run; the length is left out while it is unknown.
QVariantMap MakeMetadata(const QString& strClipPath, int nTrack, std::int64_t nLengthMs)
{
    QVariantMap metadata;
    if (strClipPath.isEmpty())
        return metadata;
    const QFileInfo clip(strClipPath);
    metadata.insert(QStringLiteral("mpris:trackid"),
                    QVariant::fromValue(QDBusObjectPath(QStringLiteral("/io/github/orvane/deruziz/clip/%1").arg(nTrack))));
    if (nLengthMs > 0)
        metadata.insert(QStringLiteral("mpris:length"), qlonglong(nLengthMs) * 1000);
    metadata.insert(QStringLiteral("xesam:title"), clip.fileName());
    metadata.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(clip.absoluteFilePath()).toString(QUrl::FullyEncoded));
    return metadata;
}

} // namespace

const QString CMprisService::s_strServiceName = QStringLiteral("org.mpris.MediaPlayer2.deruziz");
const QString CMprisService::s_strObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");

std::unique_ptr<CMprisService> CMprisService::Register(IPlayerControl& control, const QDBusConnection& connection)
{
    if (!connection.isConnected())
        return nullptr;
    // A name held already, even by this process, is not ours to take over or to release.
    QDBusConnectionInterface* pBus = connection.interface();
    if (!pBus || pBus->isServiceRegistered(s_strServiceName).value())
        return nullptr;

    std::unique_ptr<CMprisService> pService(new CMprisService(control, connection));
    // The object is in place before the name appears, so that no client finds the name empty.
    if (!pService->m_connection.registerObject(s_strObjectPath, pService.get(), QDBusConnection::ExportAdaptors))
        return nullptr;
    pService->m_bObjectRegistered = true;
    if (!pService->m_connection.registerService(s_strServiceName))
        return nullptr;
    pService->m_bServiceRegistered = true;
    return pService;
}

CMprisService::CMprisService(IPlayerControl& control, const QDBusConnection& connection)
    : m_control(control), m_connection(connection)
{
    new CMprisRootAdaptor(*this, *this);
    m_pPlayerAdaptor = new CMprisPlayerAdaptor(*this, *this);
    if (!m_control.GetClipPath().isEmpty())
        m_nTrack = 1;
    RefreshLength();
    m_nAnnouncedTrack = m_nTrack;
    m_nAnnouncedLengthMs = m_nLengthMs;
    m_strAnnouncedStatus = GetPlaybackStatus();
    m_nAnnouncedVolume = m_control.GetVolume();
    m_lengthPoll.setInterval(kLengthPollMs);
    connect(&m_lengthPoll, &QTimer::timeout, this, &CMprisService::OnLengthPoll);
}

CMprisService::~CMprisService()
{
    if (m_bServiceRegistered)
        m_connection.unregisterService(s_strServiceName);
    if (m_bObjectRegistered)
        m_connection.unregisterObject(s_strObjectPath);
}

void CMprisService::Defer(void (IPlayerControl::*pfnCommand)())
{
    QMetaObject::invokeMethod(this, [this, pfnCommand] { (m_control.*pfnCommand)(); }, Qt::QueuedConnection);
}

QString CMprisService::GetPlaybackStatus() const
{
    switch (m_control.GetStatus()) {
    case IPlayerControl::Status::Playing: return QStringLiteral("Playing");
    case IPlayerControl::Status::Paused: return QStringLiteral("Paused");
    case IPlayerControl::Status::Stopped: break;
    }
    return QStringLiteral("Stopped");
}

QVariantMap CMprisService::GetMetadata() const
{
    return MakeMetadata(m_control.GetClipPath(), m_nTrack, m_nLengthMs);
}

double CMprisService::GetVolume() const
{
    return m_control.GetVolume() / 100.0;
}

void CMprisService::SetVolume(double dVolume)
{
    if (std::isnan(dVolume))
        return;
    m_control.SetVolume(static_cast<int>(std::lround(std::clamp(dVolume, 0.0, 1.0) * 100.0)));
}

std::int64_t CMprisService::GetPositionUs() const
{
    return m_control.GetPositionMs() * 1000;
}

void CMprisService::Seek(std::int64_t nOffsetUs)
{
    const std::int64_t nTargetMs = m_control.GetPositionMs() + nOffsetUs / 1000;
    if (nTargetMs > m_control.GetLengthMs() && m_control.IsContinuousPlay())
        Defer(&IPlayerControl::Next);
    else
        m_control.SeekTo(std::max<std::int64_t>(nTargetMs, 0));
}

void CMprisService::SetPosition(const QString& strTrackId, std::int64_t nPositionUs)
{
    const QVariantMap metadata = GetMetadata();
    if (m_nTrack == 0 || strTrackId != metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path())
        return;
    if (nPositionUs < 0 || nPositionUs > m_control.GetLengthMs() * 1000)
        return;
    m_control.SeekTo(nPositionUs / 1000);
}

bool CMprisService::CanGoNext() const
{
    return m_control.CanGoNext();
}

bool CMprisService::CanGoPrevious() const
{
    return m_control.CanGoPrevious();
}

void CMprisService::OnSeeked(qint64 nPositionMs)
{
    emit m_pPlayerAdaptor->Seeked(nPositionMs * 1000);
}

void CMprisService::OnPlayStateChanged()
{
    RefreshLength();
    if (m_control.GetStatus() == IPlayerControl::Status::Playing && m_nLengthMs == 0 && m_nTrack > 0) {
        m_nLengthPolls = 0;
        m_lengthPoll.start();
    }
    AnnounceChanges();
}

void CMprisService::OnClipChanged()
{
    ++m_nTrack;
    m_nLengthMs = 0;
    m_lengthPoll.stop();
    RefreshLength();
    AnnounceChanges();
}

void CMprisService::OnVolumeChanged()
{
    AnnounceChanges();
}

void CMprisService::RefreshLength()
{
    // Stopping the engine forgets the length; the clip keeps it.
    if (m_nTrack > 0)
        m_nLengthMs = std::max(m_nLengthMs, m_control.GetLengthMs());
}

void CMprisService::OnLengthPoll()
{
    RefreshLength();
    if (m_nLengthMs > 0 || m_control.GetStatus() != IPlayerControl::Status::Playing ||
        ++m_nLengthPolls >= kLengthPollLimit)
        m_lengthPoll.stop();
    AnnounceChanges();
}

void CMprisService::AnnounceChanges()
{
    QVariantMap changed;
    const QString strStatus = GetPlaybackStatus();
    if (strStatus != m_strAnnouncedStatus) {
        m_strAnnouncedStatus = strStatus;
        changed.insert(QStringLiteral("PlaybackStatus"), strStatus);
    }
    if (m_nTrack != m_nAnnouncedTrack || m_nLengthMs != m_nAnnouncedLengthMs) {
        m_nAnnouncedTrack = m_nTrack;
        m_nAnnouncedLengthMs = m_nLengthMs;
        changed.insert(QStringLiteral("Metadata"), GetMetadata());
    }
    const int nVolume = m_control.GetVolume();
    if (nVolume != m_nAnnouncedVolume) {
        m_nAnnouncedVolume = nVolume;
        changed.insert(QStringLiteral("Volume"), nVolume / 100.0);
    }
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(s_strObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    m_connection.send(signal);
}
