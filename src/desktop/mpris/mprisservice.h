#pragma once

#include "desktop/mpris/mprisbackend.h"
#include "desktop/mpris/playercontrol.h"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <QVariantMap>

#include <cstdint>
#include <memory>

class CMprisPlayerAdaptor;

// The player as the desktop's media controls and media keys see it: the MPRIS 2 interfaces at
// /org/mpris/MediaPlayer2 under the name org.mpris.MediaPlayer2.deruziz. It drives the window
// through IPlayerControl only and announces what the window's signals tell.
class CMprisService : public QObject, public IMprisBackend
{
    Q_OBJECT
public:
    static const QString s_strServiceName;
    static const QString s_strObjectPath;

    // Registers the service for the player on the connection (the session bus unless told) and
    // follows the player's signals PlayStateChanged, ClipChanged and VolumeChanged: null, with
    // nothing registered or followed, when there is no bus or the name is taken (another copy).
    template <class TPlayer>
    static std::unique_ptr<CMprisService> Attach(TPlayer& player,
                                                 const QDBusConnection& connection = QDBusConnection::sessionBus())
    {
        std::unique_ptr<CMprisService> pService = Register(player, connection);
        if (pService) {
            connect(&player, &TPlayer::PlayStateChanged, pService.get(), &CMprisService::OnPlayStateChanged);
            connect(&player, &TPlayer::ClipChanged, pService.get(), &CMprisService::OnClipChanged);
            connect(&player, &TPlayer::VolumeChanged, pService.get(), &CMprisService::OnVolumeChanged);
            connect(&player, &TPlayer::Seeked, pService.get(), &CMprisService::OnSeeked);
        }
        return pService;
    }
    ~CMprisService() override;

    CMprisService(const CMprisService&) = delete;
    CMprisService& operator=(const CMprisService&) = delete;

    // Runs the command once the call has its answer: a command may open a message box, and
    // the caller is not to wait for the user, nor lose the answer to Quit.
    void Defer(void (IPlayerControl::*pfnCommand)()) override;

    QString GetPlaybackStatus() const override;
    QVariantMap GetMetadata() const override;
    double GetVolume() const override;
    void SetVolume(double dVolume) override;
    std::int64_t GetPositionUs() const override;
    // Past the clip's end acts as Next where clips play one after another, else goes to the end.
    void Seek(std::int64_t nOffsetUs) override;
    // Only for the clip that plays, and only to a position inside it.
    void SetPosition(const QString& strTrackId, std::int64_t nPositionUs) override;
    bool CanGoNext() const override;
    bool CanGoPrevious() const override;

private:
    CMprisService(IPlayerControl& control, const QDBusConnection& connection);
    static std::unique_ptr<CMprisService> Register(IPlayerControl& control, const QDBusConnection& connection);

    void OnPlayStateChanged();
    void OnClipChanged();
    void OnVolumeChanged();
    void OnSeeked(qint64 nPositionMs);

    // Takes the clip's length once the engine knows it.
    void RefreshLength();
    // Sends PropertiesChanged with what differs from what was announced last.
    void AnnounceChanges();
    void OnLengthPoll();

    IPlayerControl& m_control;
    CMprisPlayerAdaptor* m_pPlayerAdaptor = nullptr;
    QDBusConnection m_connection;
    bool m_bObjectRegistered = false;
    bool m_bServiceRegistered = false;

    // The clip's number in this run (0 before the first) and its length once known.
    int m_nTrack = 0;
    std::int64_t m_nLengthMs = 0;

    // What the last PropertiesChanged (or the start) told the bus.
    QString m_strAnnouncedStatus;
    int m_nAnnouncedTrack = 0;
    std::int64_t m_nAnnouncedLengthMs = 0;
    int m_nAnnouncedVolume = 0;

    // The engine learns the length only after playing starts; it is asked a few times then.
    QTimer m_lengthPoll;
    int m_nLengthPolls = 0;
};
