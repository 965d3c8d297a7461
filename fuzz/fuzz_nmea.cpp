// libFuzzer target for NMEA logs: the RMC sentence parse and loading a track from a file.
// The track read through its own block reader, under read limits that the input chooses, is
// compared with the sentences of a plain split of the same bytes put one record a second.
#include "fuzzcheck.h"
#include "logic/fixseconds.h"
#include "logic/gpstrack.h"
#include "logic/nmea.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// A valid fix is a place on the earth with a speed, at a time.
void CheckFix(const CTimedFix& fix)
{
    if (!fix.m_bValid)
        return;
    Check(fix.m_dUtcTime && std::isfinite(*fix.m_dUtcTime), "valid fix without a time");
    Check(std::fabs(fix.m_dLatitude) <= 90.0 && std::fabs(fix.m_dLongitude) <= 180.0, "position off the earth");
    Check(fix.m_dSpeed && std::isfinite(*fix.m_dSpeed) && *fix.m_dSpeed >= 0.0, "speed");
}

void FuzzTrack(const std::string& input)
{
    // Hour-long gaps make thousands of records a line; the cap keeps a run quick.
    const CGPSTrack::Limits limits = LimitsFromInput(input, 20000);
    CGPSTrack track(InputAsFile("nmea-log", input), NmeaReader(), limits);
    Check(track.IsOpen(), "log not opened");

    std::vector<CGPSPoint> expected;
    CFixSeconds seconds(ESecondRule::LastFixOfSecond);
    const auto drain = [&] {
        CGPSPoint point;
        while (seconds.Take(point))
            expected.push_back(point);
    };
    ForEachLine(input, limits, [&](const std::string& line) {
        CTimedFix fix;
        if (ParseRmcSentence(line, fix)) {
            CheckFix(fix);
            seconds.Add(fix);
            drain();
        }
        return expected.size() < std::size_t(limits.m_nMaxRecords);
    });
    seconds.Finish();
    drain();
    expected.resize(std::min(expected.size(), std::size_t(limits.m_nMaxRecords)));

    while (track.ReadNextRecord() == 1)
        Check(track.GetCount() <= int(expected.size()), "more records than seconds");
    Check(track.ReadNextRecord() == 0, "read again after the end");
    Check(track.GetCount() == int(expected.size()), "record count");
    for (int i = 0; i < track.GetCount(); ++i)
        Check(SameRecord(*track.GetAt(i), expected[std::size_t(i)]), "record differs from plain split");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    CTimedFix fix;
    if (ParseRmcSentence(input, fix))
        CheckFix(fix);
    FuzzTrack(input);
    return 0;
}
