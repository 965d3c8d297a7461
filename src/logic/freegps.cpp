#include "logic/clipgpsdecoders.h"

#include "logic/bytefields.h"
#include "logic/calendartime.h"

#include <cmath>
#include <cstdint>
#include <ctime>
#include <optional>

namespace {

constexpr std::string_view kBlockTag = "freeGPS ";
constexpr std::size_t kTagOffset = 4;
// From 1 January 1970 to 1 January 1980, for time_t.
constexpr std::int64_t kUnixTo1980 = 315532800;
// Faster than anything a dashcam rides in; past it a speed field holds no speed.
constexpr double kMaxKnots = 2000.0;

// Where the record of the status-byte layouts (types 3 and 17) starts: type 3's is at 0x10,
// type 17's 0x20 later, Kenwood's behind 48 bytes of its own text.
constexpr std::size_t kType3Base = 0x00;
constexpr std::size_t kType17Base = 0x20;
constexpr std::size_t kKenwoodBase = 0x30;
// Offsets within that record, from its base.
enum : std::size_t { REC_HOUR = 0x10, REC_MINUTE = 0x14, REC_SECOND = 0x18, REC_YEAR = 0x1C,
                     REC_MONTH = 0x20, REC_DAY = 0x24, REC_STATUS = 0x28, REC_LATITUDE = 0x2C,
                     REC_LONGITUDE = 0x30, REC_SPEED = 0x34 };

// Nextbase 512GW.
enum : std::size_t { T2_HOUR = 0x30, T2_MINUTE = 0x34, T2_SECOND = 0x38, T2_STATUS = 0x3C,
                     T2_LATITUDE = 0x40, T2_NORTH_SOUTH = 0x48, T2_LONGITUDE = 0x50,
                     T2_EAST_WEST = 0x58, T2_SPEED = 0x60, T2_YEAR = 0x70, T2_MONTH = 0x74,
                     T2_DAY = 0x78 };

// Nextbase 512G: big-endian records from 0x30, offsets within the first one.
constexpr std::size_t kType20Record = 0x30;
enum : std::size_t { T20_SPEED = 2, T20_YEAR = 6, T20_MONTH = 8, T20_DAY = 9, T20_HOUR = 10,
                     T20_MINUTE = 11, T20_DECISECONDS = 12, T20_LATITUDE = 15, T20_LONGITUDE = 19,
                     T20_SIZE = 32 };

// Transcend DrivePro 230 repeats the position in decimal degrees.
enum : std::size_t { TRANSCEND_LATITUDE = 0x70, TRANSCEND_LONGITUDE = 0x80 };
// Where the IQS variant and Kenwood mark their blocks.
constexpr std::size_t kMarkOffset = 0x10;
constexpr std::string_view kIqsMark = "IQS";
constexpr std::string_view kKenwoodMark = "MN:";

// Local time of the machine's zone, summer time as the zone had it then, made UTC.
std::optional<double> UtcSecondsOfLocal(const CCalendarTime& t)
{
    if (!IsPossibleTime(t))
        return std::nullopt;
    std::tm local {};
    local.tm_year = int(t.m_nYear) - 1900;
    local.tm_mon = int(t.m_nMonth) - 1;
    local.tm_mday = int(t.m_nDay);
    local.tm_hour = int(t.m_nHour);
    local.tm_min = int(t.m_nMinute);
    local.tm_sec = int(t.m_dSecond);
    local.tm_isdst = -1;
    const std::time_t utc = std::mktime(&local);
    if (utc == std::time_t(-1))
        return std::nullopt;
    return double(std::int64_t(utc) - kUnixTo1980) + (t.m_dSecond - std::floor(t.m_dSecond));
}

// A u32 field of a date or time; false when the block ends before it.
bool GetU32(const CByteFields& f, std::size_t nOffset, std::int64_t& value)
{
    std::uint32_t raw = 0;
    if (!f.Get(nOffset, raw))
        return false;
    value = raw;
    return true;
}

// NMEA's DDMM.MMMM (no sign) into degrees, at most nLimit; false for anything else.
bool DegreesOfDdmm(double ddmm, double nLimit, double& degrees)
{
    if (!std::isfinite(ddmm) || ddmm < 0.0 || ddmm > nLimit * 100.0 + 100.0)
        return false;
    const double whole = std::trunc(ddmm / 100.0);
    const double minutes = ddmm - whole * 100.0;
    if (minutes >= 60.0)
        return false;
    degrees = whole + minutes / 60.0;
    return degrees <= nLimit;
}

bool IsNorthSouth(char c) { return c == 'N' || c == 'S'; }
bool IsEastWest(char c) { return c == 'E' || c == 'W'; }

// A status byte with the references after it as the status-byte layouts write them; a
// camera without a fix may leave the references empty.
bool IsStatus(char status, char northSouth, char eastWest)
{
    if (status == 'A')
        return IsNorthSouth(northSouth) && IsEastWest(eastWest);
    return status == 'V' && (IsNorthSouth(northSouth) || northSouth == '\0')
        && (IsEastWest(eastWest) || eastWest == '\0');
}

bool HasStatusAt(const CByteFields& f, std::size_t nOffset)
{
    return f.Has(nOffset, 3) && IsStatus(f.Char(nOffset), f.Char(nOffset + 1), f.Char(nOffset + 2));
}

// The position (absolute degrees) and speed as one of the layouts writes them.
struct CPosition
{
    double m_dLatitude = 0.0, m_dLongitude = 0.0, m_dSpeed = 0.0;
    ESpeedUnit m_eUnit = ESpeedUnit::Knots;
};

// The fix of a read position: signed by its references, valid only when every value is one
// a fix can have.
void SetPosition(const CPosition& p, char northSouth, char eastWest, CTimedFix& fix)
{
    const bool bPossible = std::isfinite(p.m_dLatitude) && std::isfinite(p.m_dLongitude)
        && p.m_dLatitude >= 0.0 && p.m_dLatitude <= 90.0 && p.m_dLongitude >= 0.0
        && p.m_dLongitude <= 180.0 && std::isfinite(p.m_dSpeed) && p.m_dSpeed >= 0.0
        && MetresPerSecond(p.m_dSpeed, p.m_eUnit) <= kMaxKnots * kMetresPerSecondPerKnot;
    if (!bPossible || !IsNorthSouth(northSouth) || !IsEastWest(eastWest))
        return;
    fix.m_bValid = true;
    fix.m_dLatitude = northSouth == 'S' ? -p.m_dLatitude : p.m_dLatitude;
    fix.m_dLongitude = eastWest == 'W' ? -p.m_dLongitude : p.m_dLongitude;
    fix.m_dSpeed = p.m_dSpeed;
    fix.m_eSpeedUnit = p.m_eUnit;
}

bool DdmmFloats(const CByteFields& f, std::size_t nBase, CPosition& p)
{
    float latitude = 0, longitude = 0, knots = 0;
    if (!f.Get(nBase + REC_LATITUDE, latitude) || !f.Get(nBase + REC_LONGITUDE, longitude)
        || !f.Get(nBase + REC_SPEED, knots))
        return false;
    p.m_dSpeed = knots;
    p.m_eUnit = ESpeedUnit::Knots;
    return DegreesOfDdmm(latitude, 90.0, p.m_dLatitude) && DegreesOfDdmm(longitude, 180.0, p.m_dLongitude);
}

bool IqsIntegers(const CByteFields& f, std::size_t nBase, CPosition& p)
{
    std::int32_t latitude = 0, longitude = 0, centimetres = 0;
    if (!f.Get(nBase + REC_LATITUDE, latitude) || !f.Get(nBase + REC_LONGITUDE, longitude)
        || !f.Get(nBase + REC_SPEED, centimetres))
        return false;
    p.m_dLatitude = latitude / 1e7;
    p.m_dLongitude = longitude / 1e7;
    p.m_dSpeed = centimetres / 100.0;
    p.m_eUnit = ESpeedUnit::MetresPerSecond;
    return true;
}

// Transcend's decimal degrees, where they are there and tell the same place as its DDMM floats.
bool TranscendDoubles(const CByteFields& f, CPosition& p)
{
    CPosition ddmm;
    double latitude = 0, longitude = 0;
    if (!DdmmFloats(f, kType17Base, ddmm) || !f.Get(TRANSCEND_LATITUDE, latitude)
        || !f.Get(TRANSCEND_LONGITUDE, longitude) || !std::isfinite(latitude) || !std::isfinite(longitude))
        return false;
    // A float of DDMM.MMMM keeps about a metre; 1e-4 degrees is some ten.
    constexpr double kSamePlace = 1e-4;
    if (std::fabs(std::fabs(latitude) - ddmm.m_dLatitude) > kSamePlace
        || std::fabs(std::fabs(longitude) - ddmm.m_dLongitude) > kSamePlace)
        return false;
    p = ddmm;
    p.m_dLatitude = std::fabs(latitude);
    p.m_dLongitude = std::fabs(longitude);
    return true;
}

// The record of types 3 and 17 at nBase, its position read by the layout's own rule.
EFreeGpsType DecodeStatusRecord(const CByteFields& f, std::size_t nBase, EFreeGpsType type,
                                CTimedFix& fix)
{
    CCalendarTime t;
    std::int64_t second = 0;
    if (GetU32(f, nBase + REC_HOUR, t.m_nHour) && GetU32(f, nBase + REC_MINUTE, t.m_nMinute)
        && GetU32(f, nBase + REC_SECOND, second) && GetU32(f, nBase + REC_YEAR, t.m_nYear)
        && GetU32(f, nBase + REC_MONTH, t.m_nMonth) && GetU32(f, nBase + REC_DAY, t.m_nDay)) {
        t.m_dSecond = double(second);
        const bool bType3 = type == EFreeGpsType::Type3 || type == EFreeGpsType::Type3Kenwood;
        if (bType3 && t.m_nYear >= 2000) {
            fix.m_dUtcTime = UtcSecondsOfLocal(t);
        } else {
            t.m_nYear += 2000;
            fix.m_dUtcTime = UtcSecondsSince1980(t);
        }
    }
    const std::size_t nStatus = nBase + REC_STATUS;
    if (f.Char(nStatus) != 'A')
        return type;
    CPosition p;
    bool bRead = false;
    if (type == EFreeGpsType::Type17Iqs)
        bRead = IqsIntegers(f, nBase, p);
    else if (type == EFreeGpsType::Type17Transcend)
        bRead = TranscendDoubles(f, p);
    else
        bRead = DdmmFloats(f, nBase, p);
    if (bRead)
        SetPosition(p, f.Char(nStatus + 1), f.Char(nStatus + 2), fix);
    return type;
}

EFreeGpsType Type17Variant(const CByteFields& f)
{
    if (f.Reads(kMarkOffset, kIqsMark))
        return EFreeGpsType::Type17Iqs;
    CPosition p;
    return TranscendDoubles(f, p) ? EFreeGpsType::Type17Transcend : EFreeGpsType::Type17;
}

bool IsType2(const CByteFields& f)
{
    return IsStatus(f.Char(T2_STATUS), f.Char(T2_NORTH_SOUTH), f.Char(T2_EAST_WEST)) && f.Has(T2_EAST_WEST, 1);
}

EFreeGpsType DecodeType2(const CByteFields& f, CTimedFix& fix)
{
    CCalendarTime t;
    std::int64_t second = 0;
    if (GetU32(f, T2_HOUR, t.m_nHour) && GetU32(f, T2_MINUTE, t.m_nMinute) && GetU32(f, T2_SECOND, second)
        && GetU32(f, T2_YEAR, t.m_nYear) && GetU32(f, T2_MONTH, t.m_nMonth) && GetU32(f, T2_DAY, t.m_nDay)) {
        t.m_nYear += 2000;
        t.m_dSecond = double(second);
        fix.m_dUtcTime = UtcSecondsSince1980(t);
    }
    double latitude = 0, longitude = 0, knots = 0;
    CPosition p;
    if (f.Char(T2_STATUS) == 'A' && f.Get(T2_LATITUDE, latitude) && f.Get(T2_LONGITUDE, longitude)
        && f.Get(T2_SPEED, knots) && DegreesOfDdmm(latitude, 90.0, p.m_dLatitude)
        && DegreesOfDdmm(longitude, 180.0, p.m_dLongitude)) {
        p.m_dSpeed = knots;
        SetPosition(p, f.Char(T2_NORTH_SOUTH), f.Char(T2_EAST_WEST), fix);
    }
    return EFreeGpsType::Type2;
}

// The first type-20 record: it has no status, so only a possible date and place tell it.
struct CType20Record
{
    CCalendarTime m_time;
    double m_dLatitude = 0.0, m_dLongitude = 0.0, m_dSpeed = 0.0;
};

bool ReadType20(std::string_view block, CType20Record& r)
{
    if (block.size() < kType20Record + T20_SIZE)
        return false;
    const CByteFields f(block.substr(kType20Record, T20_SIZE), CByteFields::EOrder::Big);
    std::uint16_t speed = 0, year = 0, deciseconds = 0;
    std::uint8_t month = 0, day = 0, hour = 0, minute = 0;
    std::int32_t latitude = 0, longitude = 0;
    if (!f.Get(T20_SPEED, speed) || !f.Get(T20_YEAR, year) || !f.Get(T20_MONTH, month)
        || !f.Get(T20_DAY, day) || !f.Get(T20_HOUR, hour) || !f.Get(T20_MINUTE, minute)
        || !f.Get(T20_DECISECONDS, deciseconds) || !f.Get(T20_LATITUDE, latitude)
        || !f.Get(T20_LONGITUDE, longitude))
        return false;
    r.m_time = CCalendarTime { year, month, day, hour, minute, deciseconds / 10.0 };
    r.m_dLatitude = latitude / 1e7;
    r.m_dLongitude = longitude / 1e7;
    r.m_dSpeed = speed / 100.0;
    return IsPossibleTime(r.m_time) && std::fabs(r.m_dLatitude) <= 90.0 && std::fabs(r.m_dLongitude) <= 180.0;
}

EFreeGpsType DecodeType20(const CType20Record& r, CTimedFix& fix)
{
    fix.m_dUtcTime = UtcSecondsSince1980(r.m_time);
    // Without a status, nought north and east is the record of no fix.
    if (r.m_dLatitude == 0.0 && r.m_dLongitude == 0.0)
        return EFreeGpsType::Type20;
    CPosition p { std::fabs(r.m_dLatitude), std::fabs(r.m_dLongitude), r.m_dSpeed,
                  ESpeedUnit::MetresPerSecond };
    SetPosition(p, r.m_dLatitude < 0 ? 'S' : 'N', r.m_dLongitude < 0 ? 'W' : 'E', fix);
    return EFreeGpsType::Type20;
}

EFreeGpsType DecodeLayout(std::string_view block, CTimedFix& fix)
{
    const CByteFields f(block, CByteFields::EOrder::Little);
    const bool bKenwood = HasStatusAt(f, kKenwoodBase + REC_STATUS);
    if (bKenwood && f.Reads(kMarkOffset, kKenwoodMark))
        return DecodeStatusRecord(f, kKenwoodBase, EFreeGpsType::Type3Kenwood, fix);
    if (HasStatusAt(f, kType3Base + REC_STATUS))
        return DecodeStatusRecord(f, kType3Base, EFreeGpsType::Type3, fix);
    if (bKenwood)
        return DecodeStatusRecord(f, kKenwoodBase, EFreeGpsType::Type3Kenwood, fix);
    if (HasStatusAt(f, kType17Base + REC_STATUS))
        return DecodeStatusRecord(f, kType17Base, Type17Variant(f), fix);
    if (IsType2(f))
        return DecodeType2(f, fix);
    CType20Record r;
    if (ReadType20(block, r))
        return DecodeType20(r, fix);
    return EFreeGpsType::None;
}

} // namespace

const char* FreeGpsTypeName(EFreeGpsType type)
{
    switch (type) {
    case EFreeGpsType::Type3: return "type 3";
    case EFreeGpsType::Type3Kenwood: return "type 3 (Kenwood)";
    case EFreeGpsType::Type17: return "type 17";
    case EFreeGpsType::Type17Iqs: return "type 17 (IQS)";
    case EFreeGpsType::Type17Transcend: return "type 17 (Transcend)";
    case EFreeGpsType::Type2: return "type 2";
    case EFreeGpsType::Type20: return "type 20";
    case EFreeGpsType::None: break;
    }
    return "none";
}

bool IsFreeGpsBlock(std::string_view bytes)
{
    return bytes.size() >= kTagOffset + kBlockTag.size() && bytes.substr(kTagOffset, kBlockTag.size()) == kBlockTag;
}

EFreeGpsType DecodeFreeGpsBlock(std::string_view block, CTimedFix& fix)
{
    fix = CTimedFix();
    if (!IsFreeGpsBlock(block))
        return EFreeGpsType::None;
    std::uint32_t nSize = 0;
    CByteFields(block, CByteFields::EOrder::Big).Get(0, nSize);
    // The bytes past the size field are the next box's; a block cut by the file's end is
    // read as far as it goes.
    if (nSize < block.size())
        block = block.substr(0, nSize);
    const EFreeGpsType type = DecodeLayout(block, fix);
    // A record whose time is impossible is damaged as a whole: its position is not trusted.
    if (!fix.m_dUtcTime) {
        fix.m_bValid = false;
        fix.m_dLatitude = fix.m_dLongitude = 0.0;
        fix.m_dSpeed.reset();
    }
    return type;
}
