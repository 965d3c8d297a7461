#pragma once

#include "logic/gpspoint.h"

#include <cstdint>
#include <string_view>

// What one RMC sentence of an NMEA 0183 log says.
struct CRmcFix
{
    // Valid for status A with every field read; latitude and longitude signed (south and
    // west negative), speed in the gauge's unit as the card's log gives it.
    CGPSPoint m_point;
    // The sentence's checksum is right or absent and its time and date could be read.
    bool m_bTimed = false;
    // Whole seconds of that time and date since 1 January 1980.
    std::int64_t m_nSecond = 0;
};

// The year of a record's two-digit year, as NMEA and the card's log write it: 80-99 are
// 1980-1999, 00-79 2000-2079.
int FullYear(int twoDigitYear);

// Days from 1 January 1980 to the civil date (months and days past their ends roll over).
std::int64_t DaysSince1980(int year, int month, int day);

// The RMC sentence of line, of any talker ($GPRMC, $GNRMC, ...), into fix; false when the
// line holds some other sentence or none, which a track skips. Text before the '$' and
// fields after the date are ignored.
bool ParseRmcSentence(std::string_view line, CRmcFix& fix);

// Makes an NMEA log's RMC fixes one record a second, as the card's log has them: the last
// valid fix of each whole second of the sentences' time, and an invalid record for a second
// the log skips. A sentence without a time takes a second of its own (a 1 Hz receiver without
// a fix), unless the next timed sentence falls into the same second as the one before it.
// A time that goes backwards or leaps ahead further than m_nMaxGapSeconds starts afresh
// from the sentence, one record after the one before.
class CNmeaSeconds
{
public:
    struct Limits
    {
        // The longest run of skipped seconds filled with invalid records (an hour).
        std::int64_t m_nMaxGapSeconds = 3600;
    };

    CNmeaSeconds() = default;
    explicit CNmeaSeconds(const Limits& limits) : m_limits(limits) {}

    // The next fix, in log order. Only while Take has nothing to give.
    void Add(const CRmcFix& fix);
    // The log has ended: the last second is complete.
    void Finish();
    // The next finished record; false when there is none yet.
    bool Take(CGPSPoint& point);

private:
    Limits m_limits;
    bool m_bHasSecond = false;
    std::int64_t m_nSecond = 0;
    CGPSPoint m_pending;             // the record of m_nSecond so far
    std::int64_t m_nUntimed = 0;     // sentences without a time since m_nSecond began
    bool m_bReady = false;
    CGPSPoint m_ready;               // comes out first, then m_nBlanks invalid records
    std::int64_t m_nBlanks = 0;
};
