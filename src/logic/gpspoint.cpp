#include "logic/gpspoint.h"

#include "logic/logfile.h"

namespace {

// The card format has no sign: north and east only.
constexpr double MAX_LATITUDE = 90.0;
constexpr double MAX_LONGITUDE = 180.0;

// The digit positions take any character (see Digit), so a damaged line can read as a place
// or a speed that cannot be.
bool IsPossible(const CGPSPoint& point)
{
    return point.m_dLatitude >= 0.0 && point.m_dLatitude <= MAX_LATITUDE
        && point.m_dLongitude >= 0.0 && point.m_dLongitude <= MAX_LONGITUDE
        && point.m_dSpeed >= 0.0;
}

// Any character counts as its code minus that of '0'; codes are taken as unsigned bytes.
inline int Digit(std::string_view field, std::size_t k)
{
    return static_cast<unsigned char>(field[k]) - 48;
}

// The fields in order; stops at the first that does not fit, leaving point invalid.
void ParseFields(std::string_view rest, CGPSPoint& point)
{
    constexpr std::string_view kSeparators(" \n\r\t,;");

    if (NextToken(rest, kSeparators) != "A")
        return;

    const std::string_view time = NextToken(rest, kSeparators);
    if (time.size() != 6)
        return;
    point.m_nHour = static_cast<std::uint8_t>(10 * Digit(time, 0) + Digit(time, 1));
    point.m_nMinute = static_cast<std::uint8_t>(10 * Digit(time, 2) + Digit(time, 3));
    point.m_nSecond = static_cast<std::uint8_t>(10 * Digit(time, 4) + Digit(time, 5));

    const std::string_view date = NextToken(rest, kSeparators);
    if (date.size() != 10)
        return;
    point.m_nDate1 = static_cast<std::uint8_t>(10 * Digit(date, 0) + Digit(date, 1));
    point.m_nDate2 = static_cast<std::uint8_t>(10 * Digit(date, 2) + Digit(date, 3));
    point.m_nDate3 = static_cast<std::uint8_t>(10 * Digit(date, 4) + Digit(date, 5));

    const std::string_view lat = NextToken(rest, kSeparators);
    if (lat.size() != 9)
        return;
    {
        const int degrees = 10 * Digit(lat, 0) + Digit(lat, 1);
        const int minutes = 100000 * Digit(lat, 2) + 10000 * Digit(lat, 3) + 1000 * Digit(lat, 5)
            + 100 * Digit(lat, 6) + 10 * Digit(lat, 7) + Digit(lat, 8);
        point.m_dLatitude = degrees + minutes / 600000.0;
    }

    const std::string_view lng = NextToken(rest, kSeparators);
    if (lng.size() != 10)
        return;
    {
        const int degrees = 100 * Digit(lng, 0) + 10 * Digit(lng, 1) + Digit(lng, 2);
        const int minutes = 100000 * Digit(lng, 3) + 10000 * Digit(lng, 4) + 1000 * Digit(lng, 6)
            + 100 * Digit(lng, 7) + 10 * Digit(lng, 8) + Digit(lng, 9);
        point.m_dLongitude = degrees + minutes / 600000.0;
    }

    const std::string_view speed = NextToken(rest, kSeparators);
    int whole, hundredths;
    if (speed.size() == 5) {
        whole = 10 * Digit(speed, 0) + Digit(speed, 1);
        hundredths = 10 * Digit(speed, 3) + Digit(speed, 4);
    } else if (speed.size() == 4) {
        whole = Digit(speed, 0);
        hundredths = 10 * Digit(speed, 2) + Digit(speed, 3);
    } else {
        return;
    }
    point.m_dSpeed = (whole + hundredths / 100.0) * kGaugeUnitsPerKnot;
    point.m_bValid = IsPossible(point);
}

} // namespace

CGPSPoint ParseCardLine(std::string_view line)
{
    CGPSPoint point;
    ParseFields(line, point);
    return point;
}
