#pragma once

// The two MPRIS 2 interfaces. Their public slots are the D-Bus methods and their properties the
// D-Bus properties, so both keep the names the interfaces give them.

#include "desktop/mpris/mprisbackend.h"

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QStringList>
#include <QVariantMap>

class CMprisRootAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ GetTrue)
    Q_PROPERTY(bool CanRaise READ GetTrue)
    Q_PROPERTY(bool HasTrackList READ GetFalse)
    Q_PROPERTY(QString Identity READ GetIdentity)
    Q_PROPERTY(QString DesktopEntry READ GetDesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ GetUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ GetMimeTypes)
public:
    // A part of service, which it reaches through backend.
    CMprisRootAdaptor(QObject& service, IMprisBackend& backend);

    bool GetTrue() const { return true; }
    bool GetFalse() const { return false; }
    QString GetIdentity() const;
    QString GetDesktopEntry() const;
    QStringList GetUriSchemes() const;
    QStringList GetMimeTypes() const;

public slots:
    void Raise();
    void Quit();

private:
    IMprisBackend& m_backend;
};

class CMprisPlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ GetPlaybackStatus)
    Q_PROPERTY(double Rate READ GetRate WRITE SetRate)
    Q_PROPERTY(QVariantMap Metadata READ GetMetadata)
    Q_PROPERTY(double Volume READ GetVolume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ GetPosition)
    Q_PROPERTY(double MinimumRate READ GetRate)
    Q_PROPERTY(double MaximumRate READ GetRate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ GetTrue)
    Q_PROPERTY(bool CanPause READ GetTrue)
    Q_PROPERTY(bool CanSeek READ GetTrue)
    Q_PROPERTY(bool CanControl READ GetTrue)
public:
    CMprisPlayerAdaptor(QObject& service, IMprisBackend& backend);

    bool GetTrue() const { return true; }
    bool CanGoNext() const;
    bool CanGoPrevious() const;
    QString GetPlaybackStatus() const;
    QVariantMap GetMetadata() const;
    double GetVolume() const;
    void SetVolume(double dVolume);
    qlonglong GetPosition() const;
    double GetRate() const { return 1.0; }
    // Only the normal rate is offered; a client that sets it gets it.
    void SetRate(double) {}

public slots:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position);
    void OpenUri(const QString& Uri);

signals:
    void Seeked(qlonglong Position);

private:
    IMprisBackend& m_backend;
};
