#pragma once

#include <cstdint>
#include <string>

class CGPSPoint;
class CGPSTrack;

// What one record of the track puts on screen: the page call's two arguments, the two
// coordinate texts and the gauge position. Numbers are written as C's printf writes them in
// the "C" locale, with a decimal point whatever the process's locale.
struct CTrackStep
{
    std::string m_strPageLat;  // "%f"
    std::string m_strPageLng;
    std::string m_strEast;     // "E:%09f" of the longitude, "W:%09f" of its distance west
    std::string m_strNorth;    // "N:%09f" of the latitude, "S:%09f" of its distance south
    int m_nGaugePos = 0;       // speed / 2, truncated toward zero
};

CTrackStep TrackStepOf(const CGPSPoint& point);

// A coordinate as the page's functions take it: signed degrees.
std::string FormatPageCoordinate(double dDegrees);
std::string FormatEastText(double dLongitude);
std::string FormatNorthText(double dLatitude);
// The gauge has one position per 2 units of speed.
int GaugePosition(double dSpeed);

// The record a position tick shows at second nSecond of the video: record n at second n (one
// record a second from the clip's start) or, where that one is invalid, the last valid one
// before it; a second past the track's end counts as its last record. -1 when none is valid.
int RecordForSecond(const CGPSTrack& track, std::int64_t nSecond);
