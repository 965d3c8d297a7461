#include "desktop/mpris/mprisadaptors.h"

#include "desktop/mpris/mprisservice.h"

CMprisRootAdaptor::CMprisRootAdaptor(CMprisService& service) : QDBusAbstractAdaptor(&service), m_service(service)
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
    m_service.Defer(&IPlayerControl::Raise);
}

void CMprisRootAdaptor::Quit()
{
    m_service.Defer(&IPlayerControl::Quit);
}

CMprisPlayerAdaptor::CMprisPlayerAdaptor(CMprisService& service) : QDBusAbstractAdaptor(&service), m_service(service)
{
}

QString CMprisPlayerAdaptor::GetPlaybackStatus() const
{
    return m_service.GetPlaybackStatus();
}

QVariantMap CMprisPlayerAdaptor::GetMetadata() const
{
    return m_service.GetMetadata();
}

double CMprisPlayerAdaptor::GetVolume() const
{
    return m_service.GetVolume();
}

void CMprisPlayerAdaptor::SetVolume(double dVolume)
{
    m_service.SetVolume(dVolume);
}

qlonglong CMprisPlayerAdaptor::GetPosition() const
{
    return m_service.GetPositionUs();
}

void CMprisPlayerAdaptor::Next()
{
    m_service.Defer(&IPlayerControl::Next);
}

void CMprisPlayerAdaptor::Previous()
{
    m_service.Defer(&IPlayerControl::Previous);
}

void CMprisPlayerAdaptor::Pause()
{
    m_service.Defer(&IPlayerControl::Pause);
}

void CMprisPlayerAdaptor::PlayPause()
{
    m_service.Defer(&IPlayerControl::PlayPause);
}

void CMprisPlayerAdaptor::Stop()
{
    m_service.Defer(&IPlayerControl::Stop);
}

void CMprisPlayerAdaptor::Play()
{
    m_service.Defer(&IPlayerControl::Play);
}

// CanSeek is false: clients do not call these, and those that do get no effect, as the
// interface asks.
void CMprisPlayerAdaptor::Seek(qlonglong)
{
}

void CMprisPlayerAdaptor::SetPosition(const QDBusObjectPath&, qlonglong)
{
}

// Clips open from the file manager through the command line; the bus does not open them.
void CMprisPlayerAdaptor::OpenUri(const QString&)
{
}
