#pragma once

#include "logic/gpstrack.h"

#include <memory>
#include <string>
#include <vector>

class CFolderListings;

// A file that may hold a clip's track, and how it is written.
struct CTrackSource
{
    std::string m_strPath;
    ETrackFormat m_eFormat;
};

// Where a clip's track comes from, in this order:
//   1. the card's log that GetGpsLogPath names (found in any letter case), as long as it can
//      be opened: a log without a valid record still is the clip's track;
//   2. a file beside the clip, named like the clip less its last extension, with the
//      extension of a format of BesideTrackSources (".nmea"), in any letter case.
// The regular files beside the clip that may hold its track, in the order they are tried;
// listings answers for the clip's folder.
std::vector<CTrackSource> BesideTrackSources(CFolderListings& listings, const std::string& clipPath);

// The track of the clip: the card's log at cardLogPath when it opens, else the first file
// beside the clip that opens. A track that is not open when none does.
std::unique_ptr<CGPSTrack> OpenClipTrack(const std::string& clipPath, const std::string& cardLogPath);
