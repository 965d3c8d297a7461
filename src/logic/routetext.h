#pragma once

#include <cstddef>
#include <string>

class CGPSTrack;

// The most route points handed to a map page: a 24-hour log (86,400 records) goes whole; a
// longer one is thinned to every k-th valid record so that the page's data stays within a
// few megabytes.
constexpr std::size_t kMaxRoutePoints = 100000;

// The track's valid records as the page's route: [[latitude,longitude,second],...], second
// being the record's index (record n shows at second n of the clip), coordinates with six
// decimals and a decimal point whatever the process's locale. Over nMaxPoints valid records,
// every k-th is taken, k large enough to keep the count within nMaxPoints (at least 3),
// and the last one always. "[]" for a track without a valid record.
std::string RouteText(const CGPSTrack& track, std::size_t nMaxPoints = kMaxRoutePoints);
