#pragma once

#include "desktop/mpris/playercontrol.h"

#include <QString>
#include <QVariantMap>

#include <cstdint>

// The service as its two MPRIS adaptors reach it: what they read for the bus's properties and
// how a bus call reaches the player. The service implements it and hands it to the adaptors it
// makes, so they need not know the service's class.
class IMprisBackend
{
public:
    virtual void Defer(void (IPlayerControl::*pfnCommand)()) = 0;
    virtual QString GetPlaybackStatus() const = 0;
    virtual QVariantMap GetMetadata() const = 0;
    // 0.0-1.0
    virtual double GetVolume() const = 0;
    virtual void SetVolume(double dVolume) = 0;
    virtual std::int64_t GetPositionUs() const = 0;
    virtual void Seek(std::int64_t nOffsetUs) = 0;
    virtual void SetPosition(const QString& strTrackId, std::int64_t nPositionUs) = 0;
    virtual bool CanGoNext() const = 0;
    virtual bool CanGoPrevious() const = 0;

protected:
    ~IMprisBackend() = default;
};
