#include "logic/trackstep.h"

#include "logic/gpspoint.h"
#include "logic/gpstrack.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// Six decimals as printf's "%f" writes them in the C locale, whatever the process's numeric
// locale is: Qt sets it from the user's, and a decimal comma would split a page call's
// arguments.
std::string Fixed6(double dValue)
{
    // The largest double takes 309 digits before the point.
    char text[320];
    const std::to_chars_result result =
        std::to_chars(text, text + sizeof text, dValue, std::chars_format::fixed, 6);
    return result.ec == std::errc() ? std::string(text, result.ptr) : std::string();
}

// printf's "%0<width>f": zeros between the sign and the digits; inf and nan are padded with
// spaces in front.
std::string Fixed6Padded(double dValue, std::size_t nWidth)
{
    std::string text = Fixed6(dValue);
    if (text.size() >= nWidth)
        return text;
    const std::size_t nPad = nWidth - text.size();
    if (!std::isfinite(dValue))
        return std::string(nPad, ' ') + text;
    text.insert(std::signbit(dValue) ? 1 : 0, nPad, '0');
    return text;
}

// "E:" / "N:" and at least nine characters of the number.
const std::size_t COORDINATE_TEXT_WIDTH = 9;

// The hemisphere's letter and the distance from the equator or the prime meridian.
std::string CoordinateText(double dDegrees, const char* pszPositive, const char* pszNegative)
{
    return (dDegrees < 0.0 ? pszNegative : pszPositive)
        + Fixed6Padded(std::fabs(dDegrees), COORDINATE_TEXT_WIDTH);
}

} // namespace

std::string FormatPageCoordinate(double dDegrees)
{
    return Fixed6(dDegrees);
}

std::string FormatEastText(double dLongitude)
{
    return CoordinateText(dLongitude, "E:", "W:");
}

std::string FormatNorthText(double dLatitude)
{
    return CoordinateText(dLatitude, "N:", "S:");
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

int RecordForSecond(const CGPSTrack& track, std::int64_t nSecond)
{
    if (nSecond < 0)
        return -1;
    for (int i = int(std::min<std::int64_t>(nSecond, track.GetCount() - 1)); i >= 0; --i) {
        if (track.GetAt(i)->m_bValid)
            return i;
    }
    return -1;
}
