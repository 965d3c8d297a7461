#pragma once

#include <string>

// Where a clip's GPS log lies: in the folder "GPS" beside the parent of the clip's folder,
// named "GPS" + characters 4..7 of the clip's file name + "." + extension.
// /media/CARD/VIDEO/CLIP0042.MOV with "LOG" -> /media/GPS/GPS0042.LOG.
//
// The clip is opened for reading first; a clip that cannot be opened throws CFileException.
// Returns the empty string (no log) when the clip's folder lies less than two folder levels
// below a root, or when the clip's name is shorter than eight characters.
// The log itself is not looked at.
std::string GetGpsLogPath(const std::string& clipPath, const std::string& extension);

// Cards copied to a Linux disk keep whatever letter case the camcorder wrote, so the log
// may be "gps/gps0042.log" where the rule says "GPS/GPS0042.LOG".
// Returns logPath itself when it exists (or is empty, or nothing matches); otherwise the
// existing path whose last folder and file name equal those of logPath ignoring ASCII case.
// Only those two components are matched loosely; the rest of the path must be exact.
std::string FindGpsLogNoCase(const std::string& logPath);

// Whether the status of the log at logPath can be read, looked up without regard to case
// as FindGpsLogNoCase does. False for the empty path.
bool GpsLogExists(const std::string& logPath);
