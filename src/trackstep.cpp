#include "trackstep.h"

#include "gpspoint.h"

#include <cmath>
#include <cstdio>

namespace {

std::string Format(const char* pszFormat, double dValue)
{
    char text[512];
    const int nLength = std::snprintf(text, sizeof text, pszFormat, dValue);
    if (nLength < 0)
        return std::string();
    return std::string(text, std::size_t(nLength) < sizeof text ? std::size_t(nLength) : sizeof text - 1);
}

} // namespace

std::string FormatPageCoordinate(double dDegrees)
{
    return Format("%f", dDegrees);
}

std::string FormatEastText(double dLongitude)
{
    return Format("E:%09f", dLongitude);
}

std::string FormatNorthText(double dLatitude)
{
    return Format("N:%09f", dLatitude);
}

int GaugePosition(double dSpeed)
{
    const double dPos = std::trunc(dSpeed / 2.0);
    // Far outside any dial; converting such a value to int would be undefined.
    constexpr double kLimit = 1e6;
    if (std::isnan(dPos))
        return 0;
    if (dPos > kLimit)
        return int(kLimit);
    if (dPos < -kLimit)
        return -int(kLimit);
    return int(dPos);
}

CTrackStep TrackStepOf(const CGPSPoint& point)
{
    CTrackStep step;
    step.m_strPageLat = FormatPageCoordinate(point.m_dLatitude);
    step.m_strPageLng = FormatPageCoordinate(point.m_dLongitude);
    step.m_strEast = FormatEastText(point.m_dLongitude);
    step.m_strNorth = FormatNorthText(point.m_dLatitude);
    step.m_nGaugePos = GaugePosition(point.m_dSpeed);
    return step;
}
