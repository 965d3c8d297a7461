#include "desktop/mpris/mprisadaptors.h"

CMprisRootAdaptor::CMprisRootAdaptor(QObject& service, IMprisBackend& backend)
    : QDBusAbstractAdaptor(&service), m_backend(backend)
{
}

QString CMprisRootAdaptor::GetIdentity() const
{
    return QStringLiteral("Deruziz");
}

QString CMprisRootAdaptor::GetDesktopEntry() const
{
    // The installed .desktop file's name without its extension.
    return QStringLiteral("io.github.orvane.deruziz");
}

QStringList CMprisRootAdaptor::GetUriSchemes() const
{
    return {QStringLiteral("file")};
}

QStringList CMprisRootAdaptor::GetMimeTypes() const
{
    return {QStringLiteral("video/quicktime"), QStringLiteral("video/x-msvideo"), QStringLiteral("video/mp4")};
}

void CMprisRootAdaptor::Raise()
{
    m_backend.Defer(&IPlayerControl::Raise);
}

void CMprisRootAdaptor::Quit()
{
    m_backend.Defer(&IPlayerControl::Quit);
}

CMprisPlayerAdaptor::CMprisPlayerAdaptor(QObject& service, IMprisBackend& backend)
    : QDBusAbstractAdaptor(&service), m_backend(backend)
{
}

QString CMprisPlayerAdaptor::GetPlaybackStatus() const
{
    return m_backend.GetPlaybackStatus();
}

QVariantMap CMprisPlayerAdaptor::GetMetadata() const
{
    return m_backend.GetMetadata();
}

double CMprisPlayerAdaptor::GetVolume() const
{
    return m_backend.GetVolume();
}

void CMprisPlayerAdaptor::SetVolume(double dVolume)
{
    m_backend.SetVolume(dVolume);
}

qlonglong CMprisPlayerAdaptor::GetPosition() const
{
    return m_backend.GetPositionUs();
}

void CMprisPlayerAdaptor::Next()
{
    m_backend.Defer(&IPlayerControl::Next);
}

void CMprisPlayerAdaptor::Previous()
{
    m_backend.Defer(&IPlayerControl::Previous);
}

void CMprisPlayerAdaptor::Pause()
{
    m_backend.Defer(&IPlayerControl::Pause);
}

void CMprisPlayerAdaptor::PlayPause()
{
    m_backend.Defer(&IPlayerControl::PlayPause);
}

void CMprisPlayerAdaptor::Stop()
{
    m_backend.Defer(&IPlayerControl::Stop);
}

void CMprisPlayerAdaptor::Play()
{
    m_backend.Defer(&IPlayerControl::Play);
}

bool CMprisPlayerAdaptor::CanGoNext() const
{
    return m_backend.CanGoNext();
}

bool CMprisPlayerAdaptor::CanGoPrevious() const
{
    return m_backend.CanGoPrevious();
}

void CMprisPlayerAdaptor::Seek(qlonglong Offset)
{
    m_backend.Seek(Offset);
}

void CMprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position)
{
    m_backend.SetPosition(TrackId.path(), Position);
}

// Clips open from the file manager through the command line; the bus does not open them.
void CMprisPlayerAdaptor::OpenUri(const QString&)
{
}
