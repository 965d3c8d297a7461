#pragma once

#include "logic/nmea.h"

#include <cmath>
#include <cstdint>
#include <optional>

// A date and time of day as a clip's GPS record writes it, each field as read, not yet checked.
struct CCalendarTime
{
    std::int64_t m_nYear = 0, m_nMonth = 0, m_nDay = 0, m_nHour = 0, m_nMinute = 0;
    double m_dSecond = 0.0;
};

// Whether t is a moment that was or can be: a day its month has, a year our tracks can have.
inline bool IsPossibleTime(const CCalendarTime& t)
{
    static const int kDaysInMonth[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    if (t.m_nYear < 1980 || t.m_nYear > 2200 || t.m_nMonth < 1 || t.m_nMonth > 12 || t.m_nDay < 1)
        return false;
    const bool bLeap = (t.m_nYear % 4 == 0 && t.m_nYear % 100 != 0) || t.m_nYear % 400 == 0;
    const int nDays = kDaysInMonth[t.m_nMonth - 1] + (t.m_nMonth == 2 && bLeap ? 1 : 0);
    return t.m_nDay <= nDays && t.m_nHour >= 0 && t.m_nHour < 24 && t.m_nMinute >= 0
        && t.m_nMinute < 60 && std::isfinite(t.m_dSecond) && t.m_dSecond >= 0.0 && t.m_dSecond < 60.0;
}

// t, a UTC time, as seconds since 1 January 1980; none for a time that cannot be.
inline std::optional<double> UtcSecondsSince1980(const CCalendarTime& t)
{
    if (!IsPossibleTime(t))
        return std::nullopt;
    const std::int64_t whole = DaysSince1980(int(t.m_nYear), int(t.m_nMonth), int(t.m_nDay)) * 86400
        + t.m_nHour * 3600 + t.m_nMinute * 60;
    return double(whole) + t.m_dSecond;
}
