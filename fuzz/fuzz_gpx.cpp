// libFuzzer target for GPX files: the XML reader fed in two pieces at a place the input
// chooses must find the same points as when fed whole, and the records made of them stay on
// the earth, within the record bound and one a second.
#include "fuzzcheck.h"
#include "gpx/gpxreader.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

constexpr int kMaxRecords = 4096;

bool SameNumber(const std::optional<double>& a, const std::optional<double>& b)
{
    return a.has_value() == b.has_value() && (!a || std::memcmp(&*a, &*b, sizeof(double)) == 0);
}

bool SamePoint(const CTimedFix& a, const CTimedFix& b)
{
    return a.m_bValid == b.m_bValid && std::memcmp(&a.m_dLatitude, &b.m_dLatitude, sizeof(double)) == 0
        && std::memcmp(&a.m_dLongitude, &b.m_dLongitude, sizeof(double)) == 0 && SameNumber(a.m_dUtcTime, b.m_dUtcTime)
        && SameNumber(a.m_dSpeed, b.m_dSpeed);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t cut = data[0] % (size + 1);
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

    CGpxPointReader whole(kMaxRecords);
    whole.Feed(text);
    CGpxPointReader pieces(kMaxRecords);
    if (pieces.Feed(text.substr(0, std::min(cut, text.size()))))
        pieces.Feed(text.substr(std::min(cut, text.size())));
    Check(whole.Points().size() == pieces.Points().size(), "pieces found other points than the whole");
    for (std::size_t i = 0; i < whole.Points().size(); ++i)
        Check(SamePoint(whole.Points()[i], pieces.Points()[i]), "pieces read a point otherwise");

    bool bCut = false;
    const std::vector<CGPSPoint> records = MakeGpxRecords(whole.Points(), kMaxRecords, bCut);
    Check(records.size() <= std::size_t(kMaxRecords), "record bound");
    for (const CGPSPoint& p : records) {
        if (!p.m_bValid)
            continue;
        Check(std::fabs(p.m_dLatitude) <= 90.0 && std::fabs(p.m_dLongitude) <= 180.0, "position off the earth");
        Check(std::isfinite(p.m_dSpeed) && p.m_dSpeed >= 0.0, "speed");
        Check(p.m_nHour < 24 && p.m_nMinute < 60 && p.m_nSecond < 60, "time of day");
    }
    return 0;
}
