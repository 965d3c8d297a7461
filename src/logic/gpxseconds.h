#pragma once

#include "logic/gpspoint.h"

#include <cstdint>
#include <vector>

// One track point of a GPX file as its reader found it.
struct CGpxPoint
{
    double m_dLatitude = 0.0;
    double m_dLongitude = 0.0;
    bool m_bPosition = false;  // lat and lon read, finite and in range
    bool m_bTimed = false;
    double m_dTime = 0.0;      // seconds since 1 January 1980, UTC, with the fraction
    bool m_bSpeed = false;
    double m_dSpeed = 0.0;     // metres a second
};

// Great-circle distance in metres.
double GreatCircleMetres(double lat1, double lon1, double lat2, double lon2);

// The whole second of time into the record's UTC second, time and date (day, month, two-digit
// year, as NMEA writes them; years outside FullYear's 1980-2079 leave the date empty).
void SetRecordTime(std::int64_t second, CGPSPoint& point);

// A GPX file's points into records one a second from the first point's time, as the card's
// log has them: between points at most kMaxInterpolatedGap seconds apart positions are
// interpolated, the seconds of a longer gap are invalid records; a point whose time is not
// after the one before is skipped. Speed is the points' own where both ends of a stretch have
// one (the first end's where only it has), else distance over time. When any point has no
// time, each point is one record in file order. At most maxRecords records; bCut tells that
// the points' time ran on beyond them.
std::vector<CGPSPoint> MakeGpxRecords(const std::vector<CGpxPoint>& points, int maxRecords, bool& bCut);

constexpr double kMaxInterpolatedGap = 5.0;
constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;
