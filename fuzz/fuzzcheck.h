// What the fuzz targets share: a check that stops the run with a message, the comparison of two
// records bit for bit, read limits chosen by the input, the input as a file in memory that a
// track opens like one on disk, and the plain split of the input into the lines a track reads.
#pragma once

#include "logic/gpspoint.h"
#include "logic/gpstrack.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

inline void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, what);
        std::abort();
    }
}

inline bool SameRecord(const CGPSPoint& a, const CGPSPoint& b)
{
    return a.m_bValid == b.m_bValid && a.m_nHour == b.m_nHour && a.m_nMinute == b.m_nMinute
        && a.m_nSecond == b.m_nSecond && a.m_nDate1 == b.m_nDate1 && a.m_nDate2 == b.m_nDate2
        && a.m_nDate3 == b.m_nDate3 && a.m_nUtcSecond == b.m_nUtcSecond
        && std::memcmp(&a.m_dLatitude, &b.m_dLatitude, sizeof(double)) == 0
        && std::memcmp(&a.m_dLongitude, &b.m_dLongitude, sizeof(double)) == 0
        && std::memcmp(&a.m_dSpeed, &b.m_dSpeed, sizeof(double)) == 0;
}

// Limits from the first bytes so that block edges, cut lines and caps are all reached; the
// record cap is nMaxRecords unless the input chooses a small one.
inline CGPSTrack::Limits LimitsFromInput(const std::string& input, int nMaxRecords)
{
    CGPSTrack::Limits limits;
    const auto byteAt = [&](std::size_t i) {
        return i < input.size() ? static_cast<unsigned char>(input[i]) : 0u;
    };
    limits.m_nBlockSize = 1 + byteAt(0) % 64;
    if (byteAt(1) & 1)
        limits.m_nMaxLineLength = byteAt(2);
    limits.m_nMaxRecords = (byteAt(1) & 2) ? static_cast<int>(byteAt(3) % 32) : nMaxRecords;
    if (byteAt(1) & 4)
        limits.m_nMaxBytes = byteAt(4) * 8u;
    return limits;
}

// The input as the one file in memory of the run, rewritten each time; its path.
inline std::string InputAsFile(const char* name, const std::string& input)
{
    static const int fd = [name] {
        const int created = ::memfd_create(name, MFD_CLOEXEC);
        Check(created >= 0, "memfd_create");
        return created;
    }();
    Check(::ftruncate(fd, 0) == 0, "ftruncate");
    Check(::pwrite(fd, input.data(), input.size(), 0) == static_cast<ssize_t>(input.size()), "pwrite");
    return "/proc/self/fd/" + std::to_string(fd);
}

// The plain split of what a track may read of input: lines end in LF, a CR before the LF goes, a
// last line needs no LF, a line is cut at the line limit. onLine(line) returns false to stop.
template <class OnLine>
void ForEachLine(const std::string& input, const CGPSTrack::Limits& limits, OnLine onLine)
{
    const std::size_t available =
        static_cast<std::size_t>(std::min<std::uint64_t>(input.size(), limits.m_nMaxBytes));
    for (std::size_t begin = 0; begin < available;) {
        std::size_t end = input.find('\n', begin);
        std::string line;
        if (end == std::string::npos || end >= available) {
            line = input.substr(begin, available - begin);
            end = available;
        } else {
            line = input.substr(begin, end - begin);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
        }
        if (line.size() > limits.m_nMaxLineLength)
            line.resize(limits.m_nMaxLineLength);
        if (!onLine(line))
            return;
        begin = end + 1;
    }
}
