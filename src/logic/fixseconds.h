#pragma once

#include "logic/gpspoint.h"
#include "logic/timedfix.h"

#include <cstdint>
#include <memory>
#include <vector>

// How the fixes of a format become one record a second of the track.
enum class ESecondRule {
    // A receiver's stream of sentences (NMEA): the last valid fix of each whole second of the
    // fixes' time, and an invalid record for a second without a fix. A fix without a time takes
    // a second of its own (a 1 Hz receiver without a fix), unless the next timed fix falls into
    // the same second as the one before it. A time that goes backwards or leaps ahead further
    // than m_nMaxGapSeconds starts afresh from the fix, one record after the one before.
    LastFixOfSecond,
    // Points a logger writes when it likes (GPX): a record a second from the first point's time;
    // between points at most kMaxInterpolatedGap seconds apart positions are interpolated, the
    // seconds of a longer gap are invalid records; a point whose time is not after the one before
    // is skipped. Speed is the points' own where both ends of a stretch have one (the first end's
    // where only it has), else distance over time.
    Interpolated,
    // Fixes without a usable time: one record each, in order.
    EachFix,
};

constexpr double kMaxInterpolatedGap = 5.0;

// A fix's time on the track: its clip time where it has one, else its UTC time.
std::optional<double> TrackTime(const CTimedFix& fix);

// The step from a format's fixes to the records of its track, one a second. Fixes come in in
// file order; records come out as soon as their second is complete. Under LastFixOfSecond clip
// times count from the clip's start: the seconds before the first fix are invalid records.
class CFixSeconds
{
public:
    struct Limits
    {
        // The longest run of skipped seconds filled with invalid records (an hour).
        std::int64_t m_nMaxGapSeconds = 3600;
    };

    explicit CFixSeconds(ESecondRule rule);
    CFixSeconds(ESecondRule rule, const Limits& limits);
    ~CFixSeconds();
    CFixSeconds(const CFixSeconds&) = delete;
    CFixSeconds& operator=(const CFixSeconds&) = delete;

    // The next fix, in file order. Only while Take has nothing to give.
    void Add(const CTimedFix& fix);
    // The fixes have ended: the last second is complete.
    void Finish();
    // The next finished record; false when there is none yet.
    bool Take(CGPSPoint& record);

    class CRule;

private:
    std::unique_ptr<CRule> m_pRule;
};

// Every fix through CFixSeconds: at most nMaxRecords records (room kept for nExpected); bCut
// tells that the fixes' seconds ran on beyond them.
std::vector<CGPSPoint> MakeTrackRecords(const std::vector<CTimedFix>& fixes, ESecondRule rule, int nMaxRecords,
                                        bool& bCut, std::size_t nExpected = 0);

// The whole second of UTC time into the record's UTC second, time and date (day, month,
// two-digit year, as NMEA writes them; years outside 1980-2079 leave the date empty).
void SetRecordTime(std::int64_t second, CGPSPoint& point);

// Great-circle distance in metres.
double GreatCircleMetres(double lat1, double lon1, double lat2, double lon2);
