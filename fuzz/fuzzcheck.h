// What the fuzz targets share: a check that stops the run with a message, the comparison of two
// records bit for bit, and a file in memory that a track can open like one on disk.
#pragma once

#include "logic/gpspoint.h"

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
        && a.m_nDate3 == b.m_nDate3
        && std::memcmp(&a.m_dLatitude, &b.m_dLatitude, sizeof(double)) == 0
        && std::memcmp(&a.m_dLongitude, &b.m_dLongitude, sizeof(double)) == 0
        && std::memcmp(&a.m_dSpeed, &b.m_dSpeed, sizeof(double)) == 0;
}

// One file in memory for the whole run, rewritten for each input.
inline int MemoryFile(const char* name)
{
    static const int fd = [name] {
        const int created = ::memfd_create(name, MFD_CLOEXEC);
        Check(created >= 0, "memfd_create");
        return created;
    }();
    return fd;
}
