#pragma once

#include <string>

class CGPSPoint;

// What one record of the track puts on screen: the page call's two arguments, the two
// coordinate texts and the gauge position. Numbers are written as C's printf writes them in
// the "C" locale, with a decimal point whatever the process's locale.
struct CTrackStep
{
    std::string m_strPageLat;  // "%f"
    std::string m_strPageLng;
    std::string m_strEast;     // "E:%09f" of the longitude
    std::string m_strNorth;    // "N:%09f" of the latitude
    int m_nGaugePos = 0;       // speed / 2, truncated toward zero
};

CTrackStep TrackStepOf(const CGPSPoint& point);

// A coordinate as the page's functions take it.
std::string FormatPageCoordinate(double dDegrees);
std::string FormatEastText(double dLongitude);
std::string FormatNorthText(double dLatitude);
// The gauge has one position per 2 units of speed.
int GaugePosition(double dSpeed);
