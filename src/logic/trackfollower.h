#pragma once

#include "logic/gpspoint.h"
#include "logic/gpstrack.h"
#include "logic/trackstep.h"

#include <cstdint>
#include <memory>
#include <string>

// Where a followed track shows itself: the marker, texts and gauge, and the route's
// travelled part.
class ITrackDisplay
{
public:
    virtual void ShowTrackStep(const CTrackStep& step) = 0;
    virtual void ShowRouteSecond(std::int64_t nSecond) = 0;

protected:
    ~ITrackDisplay() = default;
};

// The track of the clip that plays, as the video follows it: the record on show, the record
// for a second of the video, the point the map starts at and the route handed to the map.
class CTrackFollower
{
public:
    explicit CTrackFollower(ITrackDisplay& display) : m_display(display) {}

    // A new clip: its track (null for none), not read yet.
    void SetTrack(std::unique_ptr<CGPSTrack> pTrack);
    // Reads every record of the track and finds its first valid one, the start point; the
    // cursor is left at the track's start, or at its end for a track without a valid record.
    // Throws CFileException where reading fails: the records read so far make the track.
    void ReadTrack();

    const CGPSTrack* Track() const { return m_pTrack.get(); }
    bool HasTrack() const { return m_pTrack != nullptr; }
    // Whether the track is done with: none, or its cursor past the last record.
    bool AtEnd() const { return !m_pTrack || m_pTrack->AtEnd(); }
    bool HasSecond(std::int64_t nSecond) const { return m_pTrack && nSecond < m_pTrack->GetCount(); }
    const CGPSPoint& StartPoint() const { return m_startPoint; }
    // Where the map is centred without a track read (the map's own tests).
    void SetStartPoint(const CGPSPoint& point) { m_startPoint = point; }
    // The record on show, -1 for none of this clip's.
    int ShownRecord() const { return m_nShownRecord; }

    void Advance();
    void Rewind();
    // Nothing of the track is on show any longer (the video stopped).
    void ForgetShown() { m_nShownRecord = -1; }
    // The record at the cursor, one a tick, for a video that has told no time yet.
    void ShowNext();
    // The record of the video's second nSecond; the cursor goes after it.
    void ShowSecond(std::int64_t nSecond);
    // The route as the map page takes it; empty without a track.
    std::string Route() const;

private:
    void ShowRecord(int nRecord);

    ITrackDisplay& m_display;
    std::unique_ptr<CGPSTrack> m_pTrack;
    CGPSPoint m_startPoint;
    int m_nShownRecord = -1;
};
