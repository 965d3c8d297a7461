#pragma once

#include <cstdint>
#include <string_view>

// One line of a GPS log. Only latitude, longitude, speed and the validity flag mean
// anything to the player; an empty record is invalid, and so is one whose latitude lies
// outside 0..90, longitude outside 0..180 or speed below 0 (read from a damaged line).
class CGPSPoint
{
public:
    CGPSPoint() = default;
    CGPSPoint(const CGPSPoint&) = default;
    CGPSPoint& operator=(const CGPSPoint&) = default;
    virtual ~CGPSPoint() = default;

    double m_dLatitude = 0.0;   // decimal degrees, read as north
    double m_dLongitude = 0.0;  // decimal degrees, read as east
    double m_dSpeed = 0.0;      // the log's value times 1.825, the gauge's unit
    std::uint8_t m_nHour = 0;
    std::uint8_t m_nMinute = 0;
    std::uint8_t m_nSecond = 0;
    std::uint8_t m_nDate1 = 0;
    std::uint8_t m_nDate2 = 0;
    std::uint8_t m_nDate3 = 0;
    bool m_bValid = false;
};

// The record one line of the card's log makes; invalid when the line does not fit the format.
CGPSPoint ParseCardLine(std::string_view line);
