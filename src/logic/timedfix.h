#pragma once

#include "logic/gpspoint.h"

#include <optional>

// The unit a format writes its speed in. A fix keeps the file's number and unit, so that the
// gauge's value is made from what the file wrote in one step.
enum class ESpeedUnit { Knots, MetresPerSecond, MilesPerHour };

constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;
constexpr double kMetresPerSecondPerMph = 1609.344 / 3600.0;

// One position as a track file gives it, before fixes become records of seconds.
struct CTimedFix
{
    // Position read (and whatever else the format needs for a fix).
    bool m_bValid = false;
    double m_dLatitude = 0.0;   // degrees, south negative
    double m_dLongitude = 0.0;  // degrees, west negative
    std::optional<double> m_dSpeed;  // in m_eSpeedUnit, where the file writes one
    ESpeedUnit m_eSpeedUnit = ESpeedUnit::MetresPerSecond;
    std::optional<double> m_dUtcTime;   // seconds since 1 January 1980 UTC, with the fraction
    std::optional<double> m_dClipTime;  // seconds from the clip's start
};

inline double MetresPerSecond(double speed, ESpeedUnit unit)
{
    switch (unit) {
    case ESpeedUnit::Knots: return speed * kMetresPerSecondPerKnot;
    case ESpeedUnit::MilesPerHour: return speed * kMetresPerSecondPerMph;
    case ESpeedUnit::MetresPerSecond: break;
    }
    return speed;
}

inline double GaugeSpeed(double speed, ESpeedUnit unit)
{
    return unit == ESpeedUnit::Knots ? speed * kGaugeUnitsPerKnot
                                     : MetresPerSecond(speed, unit) / kMetresPerSecondPerKnot * kGaugeUnitsPerKnot;
}
