#pragma once

#include "logic/gpstrack.h"
#include "logic/trackreader.h"

#include <memory>
#include <string>
#include <vector>

class CGpsLogLookup;

// A file that may hold a clip's track, and the reader of its format.
struct CClipTrack
{
    std::string m_strPath;
    const CTrackReader* m_pReader = nullptr;
};

// Where a clip's track comes from, in this order:
//   1. the card's log at cardLogPath (GetGpsLogPath's, found in any letter case), as long as
//      it can be opened: a log without a valid record still is the clip's track;
//   2. a regular file beside the clip, named like the clip less its last extension, with the
//      extension of a format of TrackReaders (".nmea", then ".gpx"), in any letter case: the
//      name as spelt first, then the others in byte order;
//   3. the clip itself, where a reader of GPS inside the clip finds some by its probe (box
//      headers and tables only).
// FindClipTrack gives every file of these that is there, in that order, each the clip's own
// even while one before it is the one read; the files beside are not looked into. logs
// answers for the folders.
std::vector<CClipTrack> FindClipTrack(CGpsLogLookup& logs, const std::string& clipPath,
                                      const std::string& cardLogPath);

// Whether FindClipTrack gives any file; the clip itself is looked into only when nothing lies
// beside it (the scan's Log column).
bool HasClipTrack(CGpsLogLookup& logs, const std::string& clipPath, const std::string& cardLogPath);

// The track of the clip: the first of FindClipTrack that its reader opens. A card's log that is
// not open when none does.
std::unique_ptr<CGPSTrack> OpenClipTrack(const std::string& clipPath, const std::string& cardLogPath);
