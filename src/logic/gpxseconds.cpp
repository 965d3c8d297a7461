#include "logic/gpxseconds.h"

#include "logic/nmea.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kEarthRadiusMetres = 6371008.8;
constexpr double kPi = 3.14159265358979323846;
constexpr std::int64_t kSecondsPerDay = 86400;

double GaugeSpeed(double metresPerSecond)
{
    return metresPerSecond / kMetresPerSecondPerKnot * kGaugeUnitsPerKnot;
}

bool UsableSpeed(const CGpxPoint& point)
{
    return point.m_bSpeed && std::isfinite(point.m_dSpeed) && point.m_dSpeed >= 0.0;
}

CGPSPoint PointRecord(const CGpxPoint& point, double metresPerSecond)
{
    CGPSPoint record;
    if (point.m_bPosition) {
        record.m_dLatitude = point.m_dLatitude;
        record.m_dLongitude = point.m_dLongitude;
        record.m_dSpeed = GaugeSpeed(metresPerSecond);
        record.m_bValid = true;
    }
    if (point.m_bTimed)
        SetRecordTime(static_cast<std::int64_t>(std::floor(point.m_dTime)), record);
    return record;
}

// Whole days since 1980 into year, month, day (the inverse of DaysSince1980).
void CivilDate(std::int64_t days, int& year, int& month, int& day)
{
    const std::int64_t z = days + 719468 + 3652;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

// The records of the untimed file: one a point.
std::vector<CGPSPoint> PointPerRecord(const std::vector<CGpxPoint>& points, int maxRecords, bool& bCut)
{
    std::vector<CGPSPoint> records;
    for (const CGpxPoint& point : points) {
        if (records.size() >= static_cast<std::size_t>(maxRecords)) {
            bCut = true;
            break;
        }
        records.push_back(PointRecord(point, UsableSpeed(point) ? point.m_dSpeed : 0.0));
    }
    return records;
}

double StretchSpeed(const CGpxPoint& a, const CGpxPoint& b)
{
    if (UsableSpeed(a))
        return a.m_dSpeed;
    if (!a.m_bPosition || !b.m_bPosition)
        return 0.0;
    return GreatCircleMetres(a.m_dLatitude, a.m_dLongitude, b.m_dLatitude, b.m_dLongitude)
        / (b.m_dTime - a.m_dTime);
}

// The record at time t between a and b (a.m_dTime <= t < b.m_dTime).
CGPSPoint Between(const CGpxPoint& a, const CGpxPoint& b, double t)
{
    const double gap = b.m_dTime - a.m_dTime;
    if (gap > kMaxInterpolatedGap || !a.m_bPosition || !b.m_bPosition) {
        if (t - a.m_dTime < 1.0)
            return PointRecord(a, StretchSpeed(a, b));
        CGPSPoint blank;
        SetRecordTime(static_cast<std::int64_t>(std::floor(t)), blank);
        return blank;
    }
    const double f = (t - a.m_dTime) / gap;
    double dLon = b.m_dLongitude - a.m_dLongitude;
    // Across the date line the short way round.
    if (dLon > 180.0)
        dLon -= 360.0;
    else if (dLon < -180.0)
        dLon += 360.0;
    CGpxPoint at = a;
    at.m_dLatitude = a.m_dLatitude + f * (b.m_dLatitude - a.m_dLatitude);
    at.m_dLongitude = a.m_dLongitude + f * dLon;
    if (at.m_dLongitude > 180.0)
        at.m_dLongitude -= 360.0;
    else if (at.m_dLongitude < -180.0)
        at.m_dLongitude += 360.0;
    at.m_dTime = t;
    double speed = StretchSpeed(a, b);
    if (UsableSpeed(a) && UsableSpeed(b))
        speed = a.m_dSpeed + f * (b.m_dSpeed - a.m_dSpeed);
    return PointRecord(at, speed);
}

} // namespace

double GreatCircleMetres(double lat1, double lon1, double lat2, double lon2)
{
    const double toRad = kPi / 180.0;
    const double dLat = (lat2 - lat1) * toRad;
    const double dLon = (lon2 - lon1) * toRad;
    const double h = std::sin(dLat / 2) * std::sin(dLat / 2)
        + std::cos(lat1 * toRad) * std::cos(lat2 * toRad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2.0 * kEarthRadiusMetres * std::asin(std::sqrt(std::min(1.0, h)));
}

void SetRecordTime(std::int64_t second, CGPSPoint& point)
{
    std::int64_t day = second / kSecondsPerDay;
    std::int64_t inDay = second % kSecondsPerDay;
    if (inDay < 0) {
        inDay += kSecondsPerDay;
        --day;
    }
    point.m_nHour = std::uint8_t(inDay / 3600);
    point.m_nMinute = std::uint8_t(inDay / 60 % 60);
    point.m_nSecond = std::uint8_t(inDay % 60);
    point.m_nUtcSecond = second;
    int year = 0, month = 0, dayOfMonth = 0;
    CivilDate(day, year, month, dayOfMonth);
    if (year < 1980 || year > 2079)
        return;
    point.m_nDate1 = std::uint8_t(dayOfMonth);
    point.m_nDate2 = std::uint8_t(month);
    point.m_nDate3 = std::uint8_t(year % 100);
}

std::vector<CGPSPoint> MakeGpxRecords(const std::vector<CGpxPoint>& points, int maxRecords, bool& bCut)
{
    bCut = false;
    for (const CGpxPoint& point : points) {
        if (!point.m_bTimed || !std::isfinite(point.m_dTime))
            return PointPerRecord(points, maxRecords, bCut);
    }
    std::vector<CGPSPoint> records;
    if (points.empty() || maxRecords <= 0)
        return records;
    const std::size_t limit = static_cast<std::size_t>(maxRecords);
    const double start = points.front().m_dTime;
    const double span = points.back().m_dTime - start + 2.0;
    records.reserve(span > 0.0 && span < double(limit) ? static_cast<std::size_t>(span) : std::min(limit, points.size()));
    const CGpxPoint* previous = &points.front();
    for (std::size_t i = 1; i < points.size(); ++i) {
        const CGpxPoint& next = points[i];
        if (next.m_dTime <= previous->m_dTime)
            continue;
        for (double t = start + double(records.size()); t < next.m_dTime; t = start + double(records.size())) {
            if (records.size() >= limit) {
                bCut = true;
                return records;
            }
            records.push_back(Between(*previous, next, t));
        }
        previous = &next;
    }
    const double t = start + double(records.size());
    if (t < previous->m_dTime + 1.0) {
        if (records.size() >= limit) {
            bCut = true;
            return records;
        }
        double speed = UsableSpeed(*previous) ? previous->m_dSpeed : 0.0;
        if (!UsableSpeed(*previous) && !records.empty() && records.back().m_bValid)
            speed = records.back().m_dSpeed / kGaugeUnitsPerKnot * kMetresPerSecondPerKnot;
        CGpxPoint last = *previous;
        last.m_dTime = t;
        records.push_back(PointRecord(last, speed));
    }
    return records;
}
