#include "logic/clipgpsdecoders.h"

#include "logic/bytefields.h"
#include "logic/calendartime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

// Key, type, structure size, repeat.
constexpr std::size_t kKlvHeader = 8;
// Nests inside nests are entered this deep at most (a camera writes two: DEVC, STRM).
constexpr int kMaxDepth = 8;
// A structure is 255 bytes at most, so it has no more fields than that.
constexpr std::size_t kMaxFields = 255;
constexpr double kMaxMetresPerSecond = 1000.0;
constexpr int kFixed2D = 2;
constexpr std::int64_t kSecondsPerDay = 86400;

// One key-length-value item: its data without the padding to four bytes.
struct CKlv
{
    std::string_view m_strKey;
    char m_cType = '\0';
    std::size_t m_nStructSize = 0;
    std::size_t m_nRepeat = 0;
    std::string_view m_data;
};

// The size of one value of type c; 0 for a nest, a complex structure and what is no type.
std::size_t TypeSize(char c)
{
    switch (c) {
    case 'b': case 'B': case 'c': return 1;
    case 's': case 'S': return 2;
    case 'l': case 'L': case 'f': case 'F': case 'q': return 4;
    case 'd': case 'j': case 'J': case 'Q': return 8;
    case 'G': case 'U': return 16;
    default: return 0;
    }
}

bool IsKnownType(char c)
{
    return c == '\0' || c == '?' || TypeSize(c) != 0;
}

bool IsKey(std::string_view key)
{
    for (const char c : key) {
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

// The item at nPos of nest, nPos moved past it and its padding; false where none can be read
// (a broken header, or data running past the nest).
bool ReadKlv(std::string_view nest, std::size_t& nPos, CKlv& klv)
{
    const CByteFields f(nest, CByteFields::EOrder::Big);
    std::uint8_t type = 0, structSize = 0;
    std::uint16_t repeat = 0;
    if (!f.Has(nPos, kKlvHeader) || !f.Get(nPos + 4, type) || !f.Get(nPos + 5, structSize)
        || !f.Get(nPos + 6, repeat))
        return false;
    const std::string_view key = nest.substr(nPos, 4);
    const std::size_t nBytes = std::size_t(structSize) * repeat;
    if (!IsKey(key) || !IsKnownType(char(type)) || !f.Has(nPos + kKlvHeader, nBytes))
        return false;
    klv = CKlv { key, char(type), structSize, repeat, nest.substr(nPos + kKlvHeader, nBytes) };
    const std::size_t nPadded = (nBytes + 3) / 4 * 4;
    nPos = std::min(nest.size(), nPos + kKlvHeader + nPadded);
    return true;
}

// The items of a nest in order, up to the first that cannot be read.
std::vector<CKlv> ReadNest(std::string_view nest)
{
    std::vector<CKlv> klvs;
    std::size_t nPos = 0;
    CKlv klv;
    while (ReadKlv(nest, nPos, klv))
        klvs.push_back(klv);
    return klvs;
}

template <typename T>
bool GetAs(const CByteFields& f, std::size_t nOffset, double& value)
{
    T raw {};
    if (!f.Get(nOffset, raw))
        return false;
    value = double(raw);
    return true;
}

// The number of type c at nOffset; false for a type that is no number or a value cut off.
bool ReadNumber(const CByteFields& f, char c, std::size_t nOffset, double& value)
{
    switch (c) {
    case 'b': return GetAs<std::int8_t>(f, nOffset, value);
    case 'B': return GetAs<std::uint8_t>(f, nOffset, value);
    case 's': return GetAs<std::int16_t>(f, nOffset, value);
    case 'S': return GetAs<std::uint16_t>(f, nOffset, value);
    case 'l': return GetAs<std::int32_t>(f, nOffset, value);
    case 'L': return GetAs<std::uint32_t>(f, nOffset, value);
    case 'j': return GetAs<std::int64_t>(f, nOffset, value);
    case 'J': return GetAs<std::uint64_t>(f, nOffset, value);
    case 'f': return GetAs<float>(f, nOffset, value);
    case 'd': return GetAs<double>(f, nOffset, value);
    case 'q':
        if (!GetAs<std::int32_t>(f, nOffset, value))
            return false;
        value /= 65536.0;
        return true;
    case 'Q':
        if (!GetAs<std::int64_t>(f, nOffset, value))
            return false;
        value /= 4294967296.0;
        return true;
    default:
        return false;
    }
}

// A TYPE text ("lllllllSS", "f[8]L", null-padded) as one type char a field; false for text
// that is not a structure.
bool ExpandType(std::string_view text, std::string& fields)
{
    fields.clear();
    for (std::size_t i = 0; i < text.size() && text[i] != '\0'; ++i) {
        if (text[i] == '[') {
            std::size_t nCount = 0;
            for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9' && nCount <= kMaxFields; ++i)
                nCount = nCount * 10 + std::size_t(text[i] - '0');
            if (i >= text.size() || text[i] != ']' || fields.empty() || nCount == 0 || nCount > kMaxFields)
                return false;
            fields.append(nCount - 1, fields.back());
        } else if (TypeSize(text[i]) == 0) {
            return false;
        } else {
            fields.push_back(text[i]);
        }
        if (fields.size() > kMaxFields)
            return false;
    }
    return !fields.empty();
}

// The type of each field of klv's structure: its TYPE's for a complex one, else its own type
// repeated; false when they do not fill the structure exactly.
bool FieldTypes(const CKlv& klv, std::string_view strType, std::string& fields)
{
    if (klv.m_cType == '?') {
        if (!ExpandType(strType, fields))
            return false;
    } else {
        const std::size_t nSize = TypeSize(klv.m_cType);
        if (nSize == 0 || klv.m_nStructSize % nSize != 0)
            return false;
        fields.assign(klv.m_nStructSize / nSize, klv.m_cType);
    }
    std::size_t nTotal = 0;
    for (const char c : fields)
        nTotal += TypeSize(c);
    return !fields.empty() && nTotal == klv.m_nStructSize;
}

// SCAL's divisors: one for every field, or one for all.
std::vector<double> Divisors(const CKlv& klv)
{
    std::vector<double> divisors;
    const std::size_t nSize = TypeSize(klv.m_cType);
    if (nSize == 0)
        return divisors;
    const CByteFields f(klv.m_data, CByteFields::EOrder::Big);
    double value = 0.0;
    for (std::size_t nOffset = 0; divisors.size() < kMaxFields && ReadNumber(f, klv.m_cType, nOffset, value);
         nOffset += nSize)
        divisors.push_back(value);
    return divisors;
}

// Record i of klv, every field divided by its divisor; false where a field cannot be read or
// has no divisor.
bool ReadRecord(const CKlv& klv, const std::string& fields, const std::vector<double>& divisors,
                std::size_t i, std::vector<double>& values)
{
    const CByteFields f(klv.m_data, CByteFields::EOrder::Big);
    std::size_t nOffset = i * klv.m_nStructSize;
    values.clear();
    for (std::size_t j = 0; j < fields.size(); ++j) {
        double value = 0.0;
        if (!ReadNumber(f, fields[j], nOffset, value))
            return false;
        if (divisors.size() == 1)
            value /= divisors[0];
        else if (j < divisors.size())
            value /= divisors[j];
        else if (!divisors.empty())
            return false;
        values.push_back(value);
        nOffset += TypeSize(fields[j]);
    }
    return true;
}

// GPSU's "yymmddhhmmss.sss" as seconds since 1980.
std::optional<double> GpsuSeconds(std::string_view text)
{
    auto digits = [&](std::size_t nPos, std::size_t nCount, std::int64_t& value) {
        value = 0;
        for (std::size_t i = nPos; i < nPos + nCount; ++i) {
            if (i >= text.size() || text[i] < '0' || text[i] > '9')
                return false;
            value = value * 10 + (text[i] - '0');
        }
        return true;
    };
    CCalendarTime t;
    std::int64_t second = 0;
    if (!digits(0, 2, t.m_nYear) || !digits(2, 2, t.m_nMonth) || !digits(4, 2, t.m_nDay)
        || !digits(6, 2, t.m_nHour) || !digits(8, 2, t.m_nMinute) || !digits(10, 2, second))
        return std::nullopt;
    t.m_nYear += 2000;
    t.m_dSecond = double(second);
    std::int64_t millis = 0;
    if (text.size() > 12 && text[12] == '.' && digits(13, 3, millis))
        t.m_dSecond += millis / 1000.0;
    return UtcSecondsSince1980(t);
}

// What a GPS stream says for all its samples: whether it has a fix, and the UTC of the first.
struct CStreamState
{
    std::optional<double> m_dFix;
    std::optional<double> m_dUtc;
};

CStreamState StreamState(const std::vector<CKlv>& klvs)
{
    CStreamState state;
    for (const CKlv& klv : klvs) {
        double value = 0.0;
        if (klv.m_strKey == "GPSF"
            && ReadNumber(CByteFields(klv.m_data, CByteFields::EOrder::Big), klv.m_cType, 0, value))
            state.m_dFix = value;
        else if (klv.m_strKey == "GPSU")
            state.m_dUtc = GpsuSeconds(klv.m_data);
    }
    return state;
}

// Where the fixes of one payload go, and the sample's place on the clip.
struct CWalk
{
    double m_dSampleTime = 0.0;
    double m_dSampleDuration = 0.0;
    std::vector<CTimedFix> m_gps5;
    std::vector<CTimedFix> m_gps9;
};

void SetPosition(double latitude, double longitude, double speed, CTimedFix& fix)
{
    // Nought north and east is what a receiver without a fix fills in.
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || std::fabs(latitude) > 90.0
        || std::fabs(longitude) > 180.0 || (latitude == 0.0 && longitude == 0.0)
        || !std::isfinite(speed) || speed < 0.0 || speed > kMaxMetresPerSecond)
        return;
    fix.m_bValid = true;
    fix.m_dLatitude = latitude;
    fix.m_dLongitude = longitude;
    fix.m_dSpeed = speed;
    fix.m_eSpeedUnit = ESpeedUnit::MetresPerSecond;
}

enum { LATITUDE, LONGITUDE, ALTITUDE, SPEED_2D, SPEED_3D, GPS5_FIELDS,
       DAYS_SINCE_2000 = GPS5_FIELDS, SECONDS_OF_DAY, DOP, FIX, GPS9_FIELDS };

// The fixes of a GPS5 (bGps9 false) or GPS9 item, spread evenly over the sample.
void AddFixes(const CKlv& klv, bool bGps9, std::string_view strType, const std::vector<double>& divisors,
              const CStreamState& stream, CWalk& walk)
{
    std::string fields;
    if (!FieldTypes(klv, strType, fields) || fields.size() < (bGps9 ? GPS9_FIELDS : GPS5_FIELDS))
        return;
    const double dStep = walk.m_dSampleDuration / double(klv.m_nRepeat);
    std::vector<CTimedFix>& out = bGps9 ? walk.m_gps9 : walk.m_gps5;
    std::vector<double> values;
    for (std::size_t i = 0; i < klv.m_nRepeat; ++i) {
        CTimedFix fix;
        fix.m_dClipTime = walk.m_dSampleTime + double(i) * dStep;
        const bool bRead = ReadRecord(klv, fields, divisors, i, values);
        bool bFixed = !stream.m_dFix || *stream.m_dFix >= kFixed2D;
        if (bGps9 && bRead) {
            bFixed = values[FIX] >= kFixed2D;
            const double days = values[DAYS_SINCE_2000], seconds = values[SECONDS_OF_DAY];
            if (days >= 0.0 && days < 200.0 * 366 && seconds >= 0.0 && seconds <= kSecondsPerDay)
                fix.m_dUtcTime = double(DaysSince1980(2000, 1, 1) + std::int64_t(days)) * kSecondsPerDay + seconds;
        } else if (!bGps9 && stream.m_dUtc) {
            fix.m_dUtcTime = *stream.m_dUtc + double(i) * dStep;
        }
        if (bRead && bFixed)
            SetPosition(values[LATITUDE], values[LONGITUDE], values[SPEED_2D], fix);
        out.push_back(fix);
    }
}

// The items of nest and of the nests in it; SCAL and TYPE apply to the data after them.
void WalkNest(std::string_view nest, int nDepth, CWalk& walk)
{
    const std::vector<CKlv> klvs = ReadNest(nest);
    const CStreamState stream = StreamState(klvs);
    std::vector<double> divisors;
    std::string_view strType;
    for (const CKlv& klv : klvs) {
        if (klv.m_cType == '\0') {
            if (nDepth < kMaxDepth)
                WalkNest(klv.m_data, nDepth + 1, walk);
        } else if (klv.m_strKey == "SCAL") {
            divisors = Divisors(klv);
        } else if (klv.m_strKey == "TYPE") {
            strType = klv.m_data;
        } else if (klv.m_strKey == "GPS5" || klv.m_strKey == "GPS9") {
            AddFixes(klv, klv.m_strKey == "GPS9", strType, divisors, stream, walk);
        }
    }
}

bool IsNorthSouth(char c) { return c == 'N' || c == 'S'; }
bool IsEastWest(char c) { return c == 'E' || c == 'W'; }

// Makes that write gpmd samples of their own: Vantrue's begin "FMAS", Kingslim's hold an
// NMEA-like record with its status at byte 24.
bool IsOtherMake(std::string_view payload)
{
    constexpr std::size_t kKingslimStatus = 24;
    if (payload.substr(0, 4) == "FMAS")
        return true;
    return payload.size() > kKingslimStatus + 2
        && (payload[kKingslimStatus] == 'A' || payload[kKingslimStatus] == 'V')
        && IsNorthSouth(payload[kKingslimStatus + 1]) && IsEastWest(payload[kKingslimStatus + 2]);
}

} // namespace

bool DecodeGpmfSample(std::string_view payload, double dSampleTime, double dSampleDuration,
                      std::vector<CTimedFix>& fixes)
{
    std::size_t nPos = 0;
    CKlv first;
    if (IsOtherMake(payload) || !ReadKlv(payload, nPos, first))
        return false;
    CWalk walk;
    walk.m_dSampleTime = dSampleTime;
    walk.m_dSampleDuration = dSampleDuration;
    WalkNest(payload, 0, walk);
    // A camera that writes both gives GPS9 its own times; GPS5 would repeat its fixes.
    const std::vector<CTimedFix>& chosen = walk.m_gps9.empty() ? walk.m_gps5 : walk.m_gps9;
    fixes.insert(fixes.end(), chosen.begin(), chosen.end());
    return true;
}
