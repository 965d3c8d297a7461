#pragma once

#include <QString>

#include <cstdint>

// What the desktop's media controls may do with the player window and read from it: the
// transport buttons, the window itself, and what the window shows. What changes there the
// window tells by its signals (CMprisService::Attach).
class IPlayerControl
{
public:
    enum class Status { Stopped, Playing, Paused };

    virtual void PlayPause() = 0;  // the pause / resume button
    virtual void Play() = 0;       // the play button
    virtual void Pause() = 0;      // the pause / resume button, while playing only
    virtual void Stop() = 0;
    virtual void Next() = 0;
    virtual void Previous() = 0;
    virtual void Raise() = 0;
    virtual void Quit() = 0;

    virtual Status GetStatus() const = 0;
    // The clip opened last (UTF-8 path as the file system spells it); empty before the first.
    virtual QString GetClipPath() const = 0;
    virtual std::int64_t GetLengthMs() const = 0;
    virtual std::int64_t GetPositionMs() const = 0;
    // The volume slider, 0-100.
    virtual int GetVolume() const = 0;
    virtual void SetVolume(int nVolume) = 0;
    // Moves the video to nPositionMs, clamped to the clip; false while no clip plays or is paused.
    virtual bool SeekTo(std::int64_t nPositionMs) = 0;
    // Whether Next and Previous would open an entry now.
    virtual bool CanGoNext() const = 0;
    virtual bool CanGoPrevious() const = 0;
    // Whether the list's next entry plays when a clip ends.
    virtual bool IsContinuousPlay() const = 0;

protected:
    ~IPlayerControl() = default;
};
