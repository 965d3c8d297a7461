#include "gpx/gpsinfo.h"

#include "framework/core/fileerror.h"
#include "gpx/gpxreader.h"
#include "logic/clipgpsreader.h"
#include "logic/logpath.h"
#include "logic/trackstep.h"
#include "logic/tracksource.h"

#include <cstdio>
#include <ctime>
#include <string>
#include <sys/stat.h>

namespace {

constexpr long long kUnixTimeOf1980 = 315532800;

std::string TimeText(const CGPSPoint& point)
{
    char text[64];
    if (point.m_nUtcSecond) {
        const std::time_t t = std::time_t(*point.m_nUtcSecond + kUnixTimeOf1980);
        std::tm tm = {};
        if (::gmtime_r(&t, &tm) && std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &tm) > 0)
            return text;
    }
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", point.m_nHour, point.m_nMinute, point.m_nSecond);
    return text;
}

void PrintFix(const char* pszWhich, const CGPSTrack& track, int nRecord)
{
    const CGPSPoint& point = *track.GetAt(nRecord);
    std::printf("%s fix: record %d (second %d of the clip), %s, %s %s\n", pszWhich, nRecord, nRecord, TimeText(point).c_str(),
                FormatNorthText(point.m_dLatitude).c_str(), FormatEastText(point.m_dLongitude).c_str());
}

void PrintTrack(const CClipTrack& file, const CGPSTrack& track)
{
    const std::string description = track.GetDescription();
    std::printf("track: %s: %s%s%s\n", file.m_pReader->Name(), file.m_strPath.c_str(), description.empty() ? "" : ", ",
                description.c_str());
    int nFirst = -1, nLast = -1, nValid = 0;
    for (int i = 0; i < track.GetCount(); ++i) {
        if (!track.GetAt(i)->m_bValid)
            continue;
        ++nValid;
        nLast = i;
        if (nFirst < 0)
            nFirst = i;
    }
    std::printf("records: %d, valid: %d\n", track.GetCount(), nValid);
    if (nFirst >= 0) {
        PrintFix("first", track, nFirst);
        PrintFix("last", track, nLast);
    }
}

void PrintNothingFound(const std::string& clipPath)
{
    std::printf("no GPS track. Looked for: the card's log %s", GetGpsLogPath(clipPath, "LOG").c_str());
    const std::string stem = clipPath.substr(0, clipPath.rfind('.'));
    for (const CTrackReader* reader : TrackReaders()) {
        if (!reader->BesideExtension().empty())
            std::printf(", %s%s", stem.c_str(), reader->BesideExtension().c_str());
    }
    std::printf(" (any letter case), and GPS inside the clip: %s\n", ReadClipGps(clipPath, 1).m_strSeen.c_str());
}

} // namespace

int RunGpsInfo(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "deruziz: %s takes a clip: deruziz %s CLIP\n", kGpsInfoOption, kGpsInfoOption);
        return 1;
    }
    const std::string clipPath = AbsoluteCleanPath(argv[2]);
    struct stat st;
    if (::stat(clipPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fprintf(stderr, "deruziz: %s: no such clip\n", clipPath.c_str());
        return 1;
    }
    RegisterGpxTrackReader();
    std::printf("clip: %s\n", clipPath.c_str());
    CGpsLogLookup logs;
    for (const CClipTrack& file : FindClipTrack(logs, clipPath, GetGpsLogPath(clipPath, "LOG"))) {
        CGPSTrack track(file.m_strPath, *file.m_pReader);
        if (!track.IsOpen())
            continue;
        try {
            while (track.ReadNextRecord()) {
            }
        } catch (const CFileException& error) {
            std::printf("reading stopped: %s\n", error.what());
        }
        PrintTrack(file, track);
        return 0;
    }
    PrintNothingFound(clipPath);
    return 1;
}
