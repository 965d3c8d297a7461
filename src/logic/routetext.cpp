#include "logic/routetext.h"

#include "logic/gpspoint.h"
#include "logic/gpstrack.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace {

bool IsRoutePoint(const CGPSPoint& point)
{
    return point.m_bValid && std::isfinite(point.m_dLatitude) && std::isfinite(point.m_dLongitude);
}

// Appends to_chars' text; the buffer holds any double with six decimals.
template <class... Format>
void AppendNumber(std::string& text, Format... format)
{
    char buffer[352];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, format...);
    if (result.ec == std::errc())
        text.append(buffer, result.ptr);
    else
        text += '0';
}

} // namespace

std::string RouteText(const CGPSTrack& track, std::size_t nMaxPoints)
{
    std::vector<int> records;
    records.reserve(std::size_t(track.GetCount()));
    for (int i = 0; i < track.GetCount(); ++i) {
        if (IsRoutePoint(*track.GetAt(i)))
            records.push_back(i);
    }
    // Every k-th record from the first takes at most nMaxPoints - 1 places, the last one the
    // place left.
    const std::size_t nSteps = std::max<std::size_t>(nMaxPoints, 3) - 2;
    const std::size_t nStride = records.size() <= nMaxPoints ? 1 : (records.size() - 1 + nSteps - 1) / nSteps;

    std::string text;
    // "[12.345678,123.456789,86399]," is 29 characters.
    text.reserve(std::min(records.size(), nMaxPoints) * 32 + 2);
    text += '[';
    for (std::size_t j = 0; j < records.size(); ++j) {
        if (j % nStride != 0 && j + 1 != records.size())
            continue;
        const CGPSPoint& point = *track.GetAt(records[j]);
        if (text.size() > 1)
            text += ',';
        text += '[';
        AppendNumber(text, point.m_dLatitude, std::chars_format::fixed, 6);
        text += ',';
        AppendNumber(text, point.m_dLongitude, std::chars_format::fixed, 6);
        text += ',';
        AppendNumber(text, records[j]);
        text += ']';
    }
    text += ']';
    return text;
}
