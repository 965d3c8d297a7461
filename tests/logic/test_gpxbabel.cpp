// What deruziz --export-gpx writes, read by GPSBabel, and GPSBabel's GPX read by the player.
#include "gpx/gpxreader.h"
#include "logic/gpstrack.h"
#include "scratchdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct CFix
{
    double m_dLat;
    double m_dLon;
    std::string m_strTime;  // "YYYY/MM/DD hh:mm:ss", empty without one
};

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

std::string NextField(std::string& line)
{
    const std::size_t comma = line.find(',');
    std::string field = line.substr(0, comma);
    line.erase(0, comma == std::string::npos ? line.size() : comma + 1);
    while (!field.empty() && field.back() == '\r')
        field.pop_back();
    return field;
}

// The track points GPSBabel reads from a file, in order.
std::vector<CFix> BabelPoints(const std::string& format, const std::string& path)
{
    const std::string csv = path + ".csv";
    const std::string command =
        "gpsbabel -t -i " + format + " -f " + Quoted(path) + " -o unicsv -F " + Quoted(csv) + " >/dev/null 2>&1";
    std::vector<CFix> fixes;
    if (std::system(command.c_str()) != 0)
        return fixes;
    std::ifstream in(csv);
    std::string line;
    std::vector<std::string> columns;
    for (std::getline(in, line); !line.empty();) {
        std::string field = NextField(line);
        columns.push_back(field);
    }
    auto column = [&](const char* name) { return std::find(columns.begin(), columns.end(), name) - columns.begin(); };
    const auto lat = column("Latitude"), lon = column("Longitude"), date = column("Date"), time = column("Time");
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        while (!line.empty())
            fields.push_back(NextField(line));
        fields.resize(columns.size());
        fixes.push_back(CFix{std::stod(fields[lat]), std::stod(fields[lon]),
                             fields[date].empty() ? std::string() : fields[date] + " " + fields[time].substr(0, 8)});
    }
    return fixes;
}

std::string RecordTime(const CGPSPoint& p)
{
    char text[32];
    std::snprintf(text, sizeof text, "20%02d/%02d/%02d %02d:%02d:%02d", p.m_nDate3, p.m_nDate2, p.m_nDate1, p.m_nHour,
                  p.m_nMinute, p.m_nSecond);
    return text;
}

// The program's export of the clip: exit status.
int Export(const std::string& clip, const std::string& out)
{
    const std::string exe = std::string(DERUZIZ_BINARY_DIR) + "/src/deruziz";
    // No display and a decimal-comma locale: neither may matter.
    return std::system(("env -u DISPLAY -u WAYLAND_DISPLAY LC_ALL=de_DE.UTF-8 " + Quoted(exe) + " --export-gpx "
                        + Quoted(clip) + " " + Quoted(out) + " 2>/dev/null").c_str());
}

bool HaveBabel()
{
    return std::system("command -v gpsbabel >/dev/null 2>&1") == 0;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(GpxBabel, CardLogExportReadsBackWithItsValidRecords)
{
    if (!HaveBabel())
        GTEST_SKIP() << "gpsbabel is not installed (Debian package gpsbabel, in scripts/lib/setup.sh's test packages)";
    CScratchDir dir;
    // The real log's first 40 lines hold void lines and a repeated second.
    std::string log = ReadAll(std::string(DERUZIZ_TEST_DATA_DIR) + "/gps/switzerland-car-1hz.log");
    log.resize(log.find('\n', 40 * 46) + 1);
    const std::string logPath = dir.Write("GPS/GPS0001.LOG", log);
    const std::string clip = dir.Write("CARD/DCIM/CLIP0001.MOV", "x");
    ASSERT_EQ(Export(clip, dir.Path() + "/out.gpx"), 0);

    CGPSTrack track(logPath);
    std::vector<CGPSPoint> valid;
    while (track.ReadNextRecord())
        if (track.GetAt(track.GetCount() - 1)->m_bValid)
            valid.push_back(*track.GetAt(track.GetCount() - 1));
    ASSERT_LT(valid.size(), std::size_t(track.GetCount()));
    const std::vector<CFix> fixes = BabelPoints("gpx", dir.Path() + "/out.gpx");
    ASSERT_EQ(fixes.size(), valid.size());
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(fixes[i].m_dLat, valid[i].m_dLatitude, 1e-6);
        EXPECT_NEAR(fixes[i].m_dLon, valid[i].m_dLongitude, 1e-6);
        EXPECT_EQ(fixes[i].m_strTime, RecordTime(valid[i]));
    }
}

TEST(GpxBabel, NmeaExportHoldsGpsBabelsOwnPoints)
{
    if (!HaveBabel())
        GTEST_SKIP() << "gpsbabel is not installed";
    // A log whose every sentence GPSBabel pairs with its RMC (the Navisys log's GGA comes a
    // second after, which GPSBabel's track follows).
    CScratchDir dir;
    const std::string nmea = dir.Write("C.nmea", ReadAll(std::string(DERUZIZ_TEST_DATA_DIR) + "/nmea/sirf-trig-gn-1hz.nmea"));
    ASSERT_EQ(Export(dir.Write("C.MOV", "x"), dir.Path() + "/out.gpx"), 0);
    const std::vector<CFix> exported = BabelPoints("gpx", dir.Path() + "/out.gpx");
    const std::vector<CFix> babel = BabelPoints("nmea", nmea);
    ASSERT_EQ(exported.size(), babel.size());
    ASSERT_FALSE(exported.empty());
    for (std::size_t i = 0; i < exported.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(exported[i].m_dLat, babel[i].m_dLat, 1e-6);
        EXPECT_NEAR(exported[i].m_dLon, babel[i].m_dLon, 1e-6);
        EXPECT_EQ(exported[i].m_strTime, babel[i].m_strTime);
    }
}

TEST(GpxBabel, GpsBabelsGpxReadsAsItsNmea)
{
    if (!HaveBabel())
        GTEST_SKIP() << "gpsbabel is not installed";
    CScratchDir dir;
    const std::string nmea = dir.Write("C.nmea", ReadAll(std::string(DERUZIZ_TEST_DATA_DIR) + "/nmea/sirf-trig-gn-1hz.nmea"));
    const std::string gpx = dir.Path() + "/C.gpx";
    ASSERT_EQ(std::system(("gpsbabel -i nmea -f " + Quoted(nmea) + " -o gpx -F " + Quoted(gpx)).c_str()), 0);
    CGPSTrack fromNmea(nmea, NmeaReader());
    while (fromNmea.ReadNextRecord()) {}
    const std::unique_ptr<CGPSTrack> fromGpx = std::make_unique<CGPSTrack>(gpx, GpxTrackReader());
    while (fromGpx->ReadNextRecord()) {}
    // The NMEA log starts with void fixes that GPSBabel leaves out.
    int first = 0;
    while (first < fromNmea.GetCount() && !fromNmea.GetAt(first)->m_bValid)
        ++first;
    ASSERT_EQ(fromGpx->GetCount(), fromNmea.GetCount() - first);
    ASSERT_GT(fromGpx->GetCount(), 1);
    for (int i = 0; i < fromGpx->GetCount(); ++i) {
        SCOPED_TRACE(i);
        const CGPSPoint& a = *fromGpx->GetAt(i);
        const CGPSPoint& b = *fromNmea.GetAt(first + i);
        EXPECT_EQ(a.m_bValid, b.m_bValid);
        EXPECT_NEAR(a.m_dLatitude, b.m_dLatitude, 1e-6);
        EXPECT_NEAR(a.m_dLongitude, b.m_dLongitude, 1e-6);
        EXPECT_NEAR(a.m_dSpeed, b.m_dSpeed, 0.01);
        EXPECT_EQ(RecordTime(a), RecordTime(b));
    }
}
