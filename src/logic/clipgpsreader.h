#pragma once

#include "logic/gpspoint.h"
#include "logic/trackreader.h"

#include <string>
#include <vector>

// What a look inside a clip found: the records of its track and where they came from, or
// nothing and what it saw of the clip.
struct CClipGps
{
    std::vector<CGPSPoint> m_records;
    // "Novatek freeGPS type 3, 180 blocks"; empty when no GPS was found.
    std::string m_strSource;
    // The clip's boxes and tracks as they were looked at, for a user's report.
    std::string m_strSeen;
};

// The GPS inside the MP4/MOV clip at path, at most nMaxRecords records: Novatek's freeGPS
// blocks through moov's index or, without one, between the media chunks of mdat (one record a
// block, in file order), a GoPro GPMF track or BlackVue's NMEA box (one record a second of
// clip time, the last valid fix of each). Reads the boxes' headers, moov and the GPS blocks or samples only.
CClipGps ReadClipGps(const std::string& path, int nMaxRecords);

// Whether the clip holds GPS, from its box headers and tables alone (a scan asks thousands).
bool HasClipGps(const std::string& path);
