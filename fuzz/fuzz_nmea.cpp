// libFuzzer target for NMEA logs: the RMC sentence parse and loading a track from a file.
// The track read through its own block reader, under read limits that the input chooses, is
// compared with the sentences of a plain split of the same bytes put one record a second.
#include "fuzzcheck.h"
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

// A valid fix is a place on the earth with a speed, at a time of day.
void CheckFix(const CRmcFix& fix)
{
    const CGPSPoint& p = fix.m_point;
    if (!p.m_bValid)
        return;
    Check(fix.m_bTimed, "valid fix without a time");
    Check(std::fabs(p.m_dLatitude) <= 90.0 && std::fabs(p.m_dLongitude) <= 180.0, "position off the earth");
    Check(std::isfinite(p.m_dSpeed) && p.m_dSpeed >= 0.0, "speed");
    Check(p.m_nHour < 24 && p.m_nMinute < 60 && p.m_nSecond <= 60, "time of day");
    Check(p.m_nDate1 >= 1 && p.m_nDate1 <= 31 && p.m_nDate2 >= 1 && p.m_nDate2 <= 12, "date");
}

void FuzzTrack(const std::string& input)
{
    // Hour-long gaps make thousands of records a line; the cap keeps a run quick.
    const CGPSTrack::Limits limits = LimitsFromInput(input, 20000);
    CGPSTrack track(InputAsFile("nmea-log", input), NmeaReader(), limits);
    Check(track.IsOpen(), "log not opened");

    std::vector<CGPSPoint> expected;
    CNmeaSeconds seconds;
    const auto drain = [&] {
        CGPSPoint point;
        while (seconds.Take(point))
            expected.push_back(point);
    };
    ForEachLine(input, limits, [&](const std::string& line) {
        CRmcFix fix;
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
    CRmcFix fix;
    if (ParseRmcSentence(input, fix))
        CheckFix(fix);
    FuzzTrack(input);
    return 0;
}
