#pragma once

#include "logic/gpstrack.h"

#include <functional>
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
//      extension of a format of BesideTrackSources (".nmea", then ".gpx"), in any letter case.
// The regular files beside the clip that may hold its track, in the order they are tried;
// listings answers for the clip's folder.
std::vector<CTrackSource> BesideTrackSources(CFolderListings& listings, const std::string& clipPath);

// Opens the track of one file; the formats this library reads itself by OpenTrackSource.
using CTrackOpener = std::function<std::unique_ptr<CGPSTrack>(const CTrackSource&)>;

// The card's log and NMEA; a GPX file (which needs the XML reader of gpx/gpxreader.h) stays
// closed.
std::unique_ptr<CGPSTrack> OpenTrackSource(const CTrackSource& source);

// The clip's GPS logs: the card's log that GetGpsLogPath names (in the letter case found) when
// it is there, then BesideTrackSources. Each is the clip's own, even while one before it is
// the one read; none is looked into.
std::vector<std::string> ClipTrackFiles(const std::string& clipPath);

// The track of the clip: the card's log at cardLogPath when it opens, else the first file
// beside the clip that openBeside opens. A track that is not open when none does.
std::unique_ptr<CGPSTrack> OpenClipTrack(const std::string& clipPath, const std::string& cardLogPath,
                                         const CTrackOpener& openBeside = OpenTrackSource);
