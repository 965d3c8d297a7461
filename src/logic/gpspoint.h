#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The gauge's unit per knot of the logs' speed, for logs of every format alike.
constexpr double kGaugeUnitsPerKnot = 1.825;

// One second of a GPS log. Only latitude, longitude, speed and the validity flag mean
// anything to the player; an empty record is invalid. The card's log gives north and east
// only, and a card line whose latitude lies outside 0..90, longitude outside 0..180 or speed
// below 0 (read from a damaged line) is invalid; NMEA logs give any hemisphere.
class CGPSPoint
{
public:
    CGPSPoint() = default;
    CGPSPoint(const CGPSPoint&) = default;
    CGPSPoint& operator=(const CGPSPoint&) = default;
    virtual ~CGPSPoint() = default;

    double m_dLatitude = 0.0;   // decimal degrees, south negative
    double m_dLongitude = 0.0;  // decimal degrees, west negative
    double m_dSpeed = 0.0;      // knots times kGaugeUnitsPerKnot, the gauge's unit
    std::uint8_t m_nHour = 0;
    std::uint8_t m_nMinute = 0;
    std::uint8_t m_nSecond = 0;
    std::uint8_t m_nDate1 = 0;
    std::uint8_t m_nDate2 = 0;
    std::uint8_t m_nDate3 = 0;
    bool m_bValid = false;
    // Whole seconds since 1 January 1980 UTC of the time the record was taken, where the log
    // tells it (NMEA and GPX); the fields above are the ones the gauge and the export show.
    std::optional<std::int64_t> m_nUtcSecond;
};

// The record one line of the card's log makes; invalid when the line does not fit the format.
CGPSPoint ParseCardLine(std::string_view line);
