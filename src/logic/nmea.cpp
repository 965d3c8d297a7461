#include "logic/nmea.h"

#include "logic/fixseconds.h"
#include "logic/trackreader.h"

#include <array>
#include <cstring>

namespace {

// The fields of RMC up to the date: address, time, status, latitude, N/S, longitude, E/W,
// speed over ground in knots, course, date.
enum { ADDRESS, TIME, STATUS, LATITUDE, NORTH_SOUTH, LONGITUDE, EAST_WEST, KNOTS, COURSE, DATE,
       RMC_FIELDS };

constexpr int kSecondsPerDay = 86400;
// Fraction digits read at most; 10^9 keeps every sum below in 64 bits.
constexpr std::size_t kMaxFractionDigits = 9;
constexpr std::size_t kMaxKnotDigits = 6;
constexpr std::int64_t kTimeFractionScale = 1000000;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The number written by the n digits of text from pos, or -1 when one is no digit.
int Digits(std::string_view text, std::size_t pos, std::size_t n)
{
    if (pos + n > text.size())
        return -1;
    int value = 0;
    for (std::size_t i = pos; i < pos + n; ++i) {
        if (!IsDigit(text[i]))
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// "123.4567" -> whole 123, fraction 4567, scale 10^4; the point and the fraction are
// optional, a point needs digits after it.
struct CDecimal
{
    std::int64_t m_nWhole = 0;
    std::int64_t m_nFraction = 0;
    std::int64_t m_nScale = 1;
};

bool ReadDecimal(std::string_view text, std::size_t wholeDigitsMin, std::size_t wholeDigitsMax,
                 CDecimal& number)
{
    const std::size_t point = text.find('.');
    const std::size_t whole = point == std::string_view::npos ? text.size() : point;
    if (whole < wholeDigitsMin || whole > wholeDigitsMax)
        return false;
    for (std::size_t i = 0; i < whole; ++i) {
        if (!IsDigit(text[i]))
            return false;
        number.m_nWhole = number.m_nWhole * 10 + (text[i] - '0');
    }
    if (point == std::string_view::npos)
        return true;
    const std::size_t fraction = text.size() - point - 1;
    if (fraction == 0 || fraction > kMaxFractionDigits)
        return false;
    for (std::size_t i = point + 1; i < text.size(); ++i) {
        if (!IsDigit(text[i]))
            return false;
        number.m_nFraction = number.m_nFraction * 10 + (text[i] - '0');
        number.m_nScale *= 10;
    }
    return true;
}

// ddmm.mmmm (latitude, 2 degree digits) or dddmm.mmmm (longitude, 3) with its hemisphere
// letter, into signed degrees.
bool ReadCoordinate(std::string_view value, std::string_view hemisphere, std::size_t degreeDigits,
                    char positive, char negative, double& degrees)
{
    CDecimal number;
    if (hemisphere.size() != 1 || (hemisphere[0] != positive && hemisphere[0] != negative)
        || !ReadDecimal(value, degreeDigits + 2, degreeDigits + 2, number))
        return false;
    const std::int64_t whole = number.m_nWhole / 100;
    const std::int64_t minutes = number.m_nWhole % 100;
    const double limit = degreeDigits == 2 ? 90.0 : 180.0;
    if (minutes >= 60)
        return false;
    const double result =
        double(whole) + double(minutes * number.m_nScale + number.m_nFraction) / (60.0 * double(number.m_nScale));
    if (result > limit)
        return false;
    degrees = hemisphere[0] == negative && result != 0.0 ? -result : result;
    return true;
}

// hhmmss with an optional fraction, and ddmmyy, into seconds since 1980.
bool ReadTimeAndDate(std::string_view time, std::string_view date, double& seconds)
{
    const int hour = Digits(time, 0, 2), minute = Digits(time, 2, 2), second = Digits(time, 4, 2);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60)
        return false;
    CDecimal fraction;
    if (time.size() > 6 && (time[6] != '.' || !ReadDecimal(time.substr(6), 0, 0, fraction)))
        return false;
    const int day = Digits(date, 0, 2), month = Digits(date, 2, 2), year = Digits(date, 4, 2);
    if (date.size() != 6 || day < 1 || day > 31 || month < 1 || month > 12 || year < 0)
        return false;
    const std::int64_t whole = DaysSince1980(FullYear(year), month, day) * kSecondsPerDay
        + hour * 3600 + minute * 60 + second;
    // Microseconds at most, so that the sum never rounds up into the next second.
    while (fraction.m_nScale > kTimeFractionScale) {
        fraction.m_nFraction /= 10;
        fraction.m_nScale /= 10;
    }
    seconds = double(whole) + double(fraction.m_nFraction) / double(fraction.m_nScale);
    return true;
}

int HexDigit(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// The text between '$' and '*' in body; false when a checksum follows it and is wrong.
bool CheckSum(std::string_view sentence, std::string_view& body)
{
    const std::size_t star = sentence.find('*');
    body = sentence.substr(0, star);
    if (star == std::string_view::npos) {
        while (!body.empty() && IsBlank(body.back()))
            body.remove_suffix(1);
        return true;
    }
    std::string_view rest = sentence.substr(star + 1);
    while (!rest.empty() && IsBlank(rest.back()))
        rest.remove_suffix(1);
    if (rest.size() != 2 || HexDigit(rest[0]) < 0 || HexDigit(rest[1]) < 0)
        return false;
    unsigned sum = 0;
    for (const char c : body)
        sum ^= static_cast<unsigned char>(c);
    return sum == unsigned(HexDigit(rest[0]) * 16 + HexDigit(rest[1]));
}

bool IsRmcAddress(std::string_view sentence)
{
    return sentence.size() >= 6 && sentence[0] >= 'A' && sentence[0] <= 'Z' && sentence[1] >= 'A'
        && sentence[1] <= 'Z' && sentence.compare(2, 4, "RMC,") == 0;
}

} // namespace

int FullYear(int twoDigitYear)
{
    return twoDigitYear < 80 ? 2000 + twoDigitYear : 1900 + twoDigitYear;
}

// Days from 1 January 1980 to the civil date (months and days past their ends roll over).
std::int64_t DaysSince1980(int year, int month, int day)
{
    const int y = month <= 2 ? year - 1 : year;
    const int era = y / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    // From 1 March of year 0 to 1 January 1970, and on to 1980.
    constexpr std::int64_t kDaysTo1980 = 719468 + 3652;
    return std::int64_t(era) * 146097 + dayOfEra - kDaysTo1980;
}

bool ParseRmcSentence(std::string_view line, CTimedFix& fix, bool bCheckSum)
{
    fix = CTimedFix();
    const std::size_t dollar = line.find('$');
    if (dollar == std::string_view::npos)
        return false;
    const std::string_view sentence = line.substr(dollar + 1);
    if (!IsRmcAddress(sentence))
        return false;

    std::string_view body;
    if (!CheckSum(sentence, body) && bCheckSum)
        return true;
    std::array<std::string_view, RMC_FIELDS> fields;
    std::size_t count = 0;
    while (count < RMC_FIELDS) {
        const std::size_t comma = body.find(',');
        fields[count++] = body.substr(0, comma);
        if (comma == std::string_view::npos)
            break;
        body.remove_prefix(comma + 1);
    }
    double utc = 0.0;
    if (count < RMC_FIELDS || !ReadTimeAndDate(fields[TIME], fields[DATE], utc))
        return true;
    fix.m_dUtcTime = utc;

    CDecimal knots;
    if (fields[STATUS] != "A"
        || !ReadCoordinate(fields[LATITUDE], fields[NORTH_SOUTH], 2, 'N', 'S', fix.m_dLatitude)
        || !ReadCoordinate(fields[LONGITUDE], fields[EAST_WEST], 3, 'E', 'W', fix.m_dLongitude)
        || fields[KNOTS].empty() || !ReadDecimal(fields[KNOTS], 0, kMaxKnotDigits, knots)) {
        fix.m_dLatitude = fix.m_dLongitude = 0.0;
        return true;
    }
    fix.m_dSpeed = double(knots.m_nWhole) + double(knots.m_nFraction) / double(knots.m_nScale);
    fix.m_eSpeedUnit = ESpeedUnit::Knots;
    fix.m_bValid = true;
    return true;
}

// ---------------------------------------------------------------------------------------

namespace {

class CNmeaReading : public CLineReading
{
public:
    // An RMC sentence takes about 70 bytes, and most NMEA logs hold other sentences too.
    explicit CNmeaReading(const CTrackLimits& limits) : CLineReading(limits, 64) {}

    // The sentences up to the next finished second.
    bool ReadRecord(CGPSPoint& record) override
    {
        CTimedFix fix;
        while (!m_seconds.Take(record)) {
            if (!ReadLine()) {
                m_seconds.Finish();
                return m_seconds.Take(record);
            }
            if (ParseRmcSentence(m_strLine, fix))
                m_seconds.Add(fix);
        }
        return true;
    }

private:
    CFixSeconds m_seconds{ESecondRule::LastFixOfSecond};
};

class CNmeaReader : public CTrackReader
{
public:
    const char* Name() const override { return "NMEA"; }
    std::string BesideExtension() const override { return ".nmea"; }
    bool Probe(const std::string& path) const override { return HasExtensionNoCase(path, BesideExtension()); }

    std::unique_ptr<CTrackReading> Open(const std::string& path, const CTrackLimits& limits,
                                        std::string& error) const override
    {
        auto reading = std::make_unique<CNmeaReading>(limits);
        if (!reading->Open(path, error))
            return nullptr;
        return reading;
    }
};

} // namespace

const CTrackReader& NmeaReader()
{
    static const CNmeaReader reader;
    return reader;
}
