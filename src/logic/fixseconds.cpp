#include "logic/fixseconds.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kEarthRadiusMetres = 6371008.8;
constexpr double kPi = 3.14159265358979323846;
constexpr std::int64_t kSecondsPerDay = 86400;

bool UsableSpeed(const CTimedFix& fix)
{
    return fix.m_dSpeed && std::isfinite(*fix.m_dSpeed) && *fix.m_dSpeed >= 0.0;
}

// The fix's UTC time at track time t of the stretch that starts at it.
std::optional<double> UtcAt(const CTimedFix& fix, double t)
{
    if (!fix.m_dClipTime)
        return t;
    if (!fix.m_dUtcTime)
        return std::nullopt;
    return *fix.m_dUtcTime + (t - *fix.m_dClipTime);
}

void SetUtc(const std::optional<double>& utc, CGPSPoint& record)
{
    if (utc && std::isfinite(*utc))
        SetRecordTime(static_cast<std::int64_t>(std::floor(*utc)), record);
}

// The record of fix at the speed given in the gauge's unit, taken at UTC time utc.
CGPSPoint Record(const CTimedFix& fix, double gaugeSpeed, const std::optional<double>& utc)
{
    CGPSPoint record;
    if (fix.m_bValid) {
        record.m_dLatitude = fix.m_dLatitude;
        record.m_dLongitude = fix.m_dLongitude;
        record.m_dSpeed = gaugeSpeed;
        record.m_bValid = true;
    }
    SetUtc(utc, record);
    return record;
}

CGPSPoint Record(const CTimedFix& fix)
{
    return Record(fix, UsableSpeed(fix) ? GaugeSpeed(*fix.m_dSpeed, fix.m_eSpeedUnit) : 0.0, fix.m_dUtcTime);
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

} // namespace

class CFixSeconds::CRule
{
public:
    virtual ~CRule() = default;
    virtual void Add(const CTimedFix& fix) = 0;
    virtual void Finish() = 0;
    virtual bool Take(CGPSPoint& record) = 0;
};

namespace {

class CLastFixOfSecond : public CFixSeconds::CRule
{
public:
    explicit CLastFixOfSecond(const CFixSeconds::Limits& limits) : m_limits(limits) {}

    void Add(const CTimedFix& fix) override
    {
        const std::optional<double> time = TrackTime(fix);
        if (!time || !std::isfinite(*time)) {
            if (m_bHasSecond)
                ++m_nUntimed;
            else
                ++m_nBlanks;
            return;
        }
        const std::int64_t second = static_cast<std::int64_t>(std::floor(*time));
        if (m_bHasSecond && second == m_nSecond) {
            if (fix.m_bValid)
                m_pending = Record(fix);
            // Fixes without a time between two of the same second came from a fast receiver.
            m_nUntimed = 0;
            return;
        }
        if (m_bHasSecond) {
            m_bReady = true;
            m_ready = m_pending;
            const std::int64_t gap = second - m_nSecond - 1;
            m_nBlanks += gap >= 0 && gap <= m_limits.m_nMaxGapSeconds ? gap : m_nUntimed;
        } else if (fix.m_dClipTime && !m_bStarted) {
            m_nBlanks += std::clamp<std::int64_t>(second, 0, m_limits.m_nMaxGapSeconds);
        }
        m_bStarted = true;
        m_bHasSecond = true;
        m_nSecond = second;
        m_pending = Record(fix);
        m_nUntimed = 0;
    }

    void Finish() override
    {
        if (!m_bHasSecond)
            return;
        m_bReady = true;
        m_ready = m_pending;
        m_nBlanks += m_nUntimed;
        m_bHasSecond = false;
        m_nUntimed = 0;
    }

    bool Take(CGPSPoint& record) override
    {
        if (m_bReady) {
            record = m_ready;
            m_bReady = false;
            return true;
        }
        if (m_nBlanks == 0)
            return false;
        --m_nBlanks;
        record = CGPSPoint();
        return true;
    }

private:
    CFixSeconds::Limits m_limits;
    bool m_bStarted = false;
    bool m_bHasSecond = false;
    std::int64_t m_nSecond = 0;
    CGPSPoint m_pending;          // the record of m_nSecond so far
    std::int64_t m_nUntimed = 0;  // fixes without a time since m_nSecond began
    bool m_bReady = false;
    CGPSPoint m_ready;            // comes out first, then m_nBlanks invalid records
    std::int64_t m_nBlanks = 0;
};

class CInterpolated : public CFixSeconds::CRule
{
public:
    void Add(const CTimedFix& fix) override
    {
        const std::optional<double> time = TrackTime(fix);
        if (!time || !std::isfinite(*time))
            return;
        if (!m_bStarted) {
            m_bStarted = true;
            m_dStart = *time;
            m_previous = fix;
            m_dPrevious = *time;
        } else if (*time > m_dPrevious) {
            m_next = fix;
            m_dNext = *time;
        }
    }

    void Finish() override { m_bFinished = true; }

    bool Take(CGPSPoint& record) override
    {
        const double t = m_dStart + double(m_nMade);
        if (m_next) {
            if (t < m_dNext) {
                record = Between(*m_next, t);
                ++m_nMade;
                return true;
            }
            m_previous = *m_next;
            m_dPrevious = m_dNext;
            m_next.reset();
            return false;
        }
        if (!m_bFinished || !m_bStarted || m_bLastMade)
            return false;
        m_bLastMade = true;
        if (t >= m_dPrevious + 1.0)
            return false;
        double speed = 0.0;
        if (UsableSpeed(m_previous))
            speed = MetresPerSecond(*m_previous.m_dSpeed, m_previous.m_eSpeedUnit);
        else if (m_bLastValid)
            speed = m_dLastSpeed;
        record = Made(m_previous, UtcAt(m_previous, t), speed);
        ++m_nMade;
        return true;
    }

private:
    double StretchSpeed(const CTimedFix& b, double dNext) const
    {
        const CTimedFix& a = m_previous;
        if (UsableSpeed(a))
            return MetresPerSecond(*a.m_dSpeed, a.m_eSpeedUnit);
        if (!a.m_bValid || !b.m_bValid)
            return 0.0;
        return GreatCircleMetres(a.m_dLatitude, a.m_dLongitude, b.m_dLatitude, b.m_dLongitude) / (dNext - m_dPrevious);
    }

    // The record of at, taken at UTC time utc, moving at speed m/s.
    CGPSPoint Made(const CTimedFix& at, const std::optional<double>& utc, double speed)
    {
        m_bLastValid = at.m_bValid;
        m_dLastSpeed = speed;
        return Record(at, GaugeSpeed(speed, ESpeedUnit::MetresPerSecond), utc);
    }

    // The record at track time t between the previous fix and b (m_dPrevious <= t < its time).
    CGPSPoint Between(const CTimedFix& b, double t)
    {
        const CTimedFix& a = m_previous;
        const double gap = m_dNext - m_dPrevious;
        if (gap > kMaxInterpolatedGap || !a.m_bValid || !b.m_bValid) {
            if (t - m_dPrevious < 1.0)
                return Made(a, a.m_dUtcTime, StretchSpeed(b, m_dNext));
            CGPSPoint blank;
            SetUtc(UtcAt(a, t), blank);
            m_bLastValid = false;
            return blank;
        }
        const double f = (t - m_dPrevious) / gap;
        double dLon = b.m_dLongitude - a.m_dLongitude;
        // Across the date line the short way round.
        if (dLon > 180.0)
            dLon -= 360.0;
        else if (dLon < -180.0)
            dLon += 360.0;
        CTimedFix at = a;
        at.m_dLatitude = a.m_dLatitude + f * (b.m_dLatitude - a.m_dLatitude);
        at.m_dLongitude = a.m_dLongitude + f * dLon;
        if (at.m_dLongitude > 180.0)
            at.m_dLongitude -= 360.0;
        else if (at.m_dLongitude < -180.0)
            at.m_dLongitude += 360.0;
        double speed = StretchSpeed(b, m_dNext);
        if (UsableSpeed(a) && UsableSpeed(b)) {
            const double sa = MetresPerSecond(*a.m_dSpeed, a.m_eSpeedUnit);
            speed = sa + f * (MetresPerSecond(*b.m_dSpeed, b.m_eSpeedUnit) - sa);
        }
        return Made(at, UtcAt(a, t), speed);
    }

    bool m_bStarted = false;
    bool m_bFinished = false;
    bool m_bLastMade = false;
    double m_dStart = 0.0;
    std::int64_t m_nMade = 0;
    CTimedFix m_previous;
    double m_dPrevious = 0.0;
    std::optional<CTimedFix> m_next;
    double m_dNext = 0.0;
    // The last record's validity and speed (m/s), for a last point without a speed of its own.
    bool m_bLastValid = false;
    double m_dLastSpeed = 0.0;
};

class CEachFix : public CFixSeconds::CRule
{
public:
    void Add(const CTimedFix& fix) override
    {
        m_ready = Record(fix);
        m_bReady = true;
    }
    void Finish() override {}
    bool Take(CGPSPoint& record) override
    {
        if (!m_bReady)
            return false;
        record = m_ready;
        m_bReady = false;
        return true;
    }

private:
    bool m_bReady = false;
    CGPSPoint m_ready;
};

} // namespace

std::optional<double> TrackTime(const CTimedFix& fix)
{
    return fix.m_dClipTime ? fix.m_dClipTime : fix.m_dUtcTime;
}

CFixSeconds::CFixSeconds(ESecondRule rule) : CFixSeconds(rule, Limits())
{
}

CFixSeconds::CFixSeconds(ESecondRule rule, const Limits& limits)
{
    switch (rule) {
    case ESecondRule::LastFixOfSecond:
        m_pRule = std::make_unique<CLastFixOfSecond>(limits);
        break;
    case ESecondRule::Interpolated:
        m_pRule = std::make_unique<CInterpolated>();
        break;
    case ESecondRule::EachFix:
        m_pRule = std::make_unique<CEachFix>();
        break;
    }
}

CFixSeconds::~CFixSeconds() = default;

void CFixSeconds::Add(const CTimedFix& fix)
{
    m_pRule->Add(fix);
}

void CFixSeconds::Finish()
{
    m_pRule->Finish();
}

bool CFixSeconds::Take(CGPSPoint& record)
{
    return m_pRule->Take(record);
}

std::vector<CGPSPoint> MakeTrackRecords(const std::vector<CTimedFix>& fixes, ESecondRule rule, int nMaxRecords,
                                        bool& bCut, std::size_t nExpected)
{
    bCut = false;
    std::vector<CGPSPoint> records;
    const std::size_t limit = std::size_t(std::max(nMaxRecords, 0));
    records.reserve(std::min(limit, nExpected));
    CFixSeconds seconds(rule);
    CGPSPoint record;
    const auto drain = [&] {
        while (seconds.Take(record)) {
            if (records.size() >= limit) {
                bCut = true;
                return false;
            }
            records.push_back(record);
        }
        return true;
    };
    for (const CTimedFix& fix : fixes) {
        seconds.Add(fix);
        if (!drain())
            return records;
    }
    seconds.Finish();
    drain();
    return records;
}

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
