// A track that GPSBabel writes as NMEA, read back: the points of the GPX track it came from.
#include "logic/gpstrack.h"
#include "scratchdir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kPoints = 30;
constexpr int kSkipped = 12;  // a second without a point
constexpr int kNoFix = 5;     // a point without a fix: status V
constexpr double kKnotsPerMetrePerSecond = 3600.0 / 1852.0;

// GPSBabel writes minutes with three decimals, so the points lie on that grid: multiples of
// 0.00005 degree. South and west, crossing midnight and a month's end.
double Latitude(int i) { return -33.85 - i * 0.00015; }
double Longitude(int i) { return -70.2 - i * 0.00025; }
double MetresPerSecond(int i) { return 0.5 * i; }

std::string Gpx()
{
    std::string gpx = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"deruziz tests\" "
                      "xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><trkseg>\n";
    char point[400];
    for (int i = 0; i < kPoints; ++i) {
        if (i == kSkipped)
            continue;
        const int second = 59 * 60 + 50 + i;  // from 23:59:50 on 28 February 2021
        std::snprintf(point, sizeof point,
                      "<trkpt lat=\"%.5f\" lon=\"%.5f\"><time>2021-%s:%02d:%02dZ</time>%s"
                      "<speed>%.1f</speed></trkpt>\n",
                      Latitude(i), Longitude(i), second < 3600 ? "02-28T23" : "03-01T00",
                      second % 3600 / 60, second % 60,
                      i == kNoFix ? "" : "<fix>3d</fix><sat>8</sat>", MetresPerSecond(i));
        gpx += point;
    }
    return gpx + "</trkseg></trk></gpx>\n";
}

} // namespace

TEST(GpsBabel, NmeaTrackEqualsTheGpxPoints)
{
    if (std::system("command -v gpsbabel >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "gpsbabel is not installed (Debian package gpsbabel, in scripts/lib/setup.sh's test "
                        "packages): the NMEA that GPSBabel writes is not checked";
    CScratchDir dir;
    const std::string gpx = dir.Write("track.gpx", Gpx());
    const std::string nmea = dir.Path() + "/CLIP0001.nmea";
    ASSERT_EQ(std::system(("gpsbabel -i gpx -f '" + gpx + "' -o nmea -F '" + nmea + "'").c_str()), 0);

    CGPSTrack track(nmea, NmeaReader());
    ASSERT_TRUE(track.IsOpen());
    while (track.ReadNextRecord()) {}
    ASSERT_EQ(track.GetCount(), kPoints);
    for (int i = 0; i < kPoints; ++i) {
        SCOPED_TRACE(i);
        const CGPSPoint& p = *track.GetAt(i);
        ASSERT_EQ(p.m_bValid, i != kSkipped && i != kNoFix);
        if (!p.m_bValid)
            continue;
        EXPECT_NEAR(p.m_dLatitude, Latitude(i), 1e-6);
        EXPECT_NEAR(p.m_dLongitude, Longitude(i), 1e-6);
        // Knots with two decimals.
        EXPECT_NEAR(p.m_dSpeed / 1.825, MetresPerSecond(i) * kKnotsPerMetrePerSecond, 0.005 + 1e-9);
        EXPECT_EQ(p.m_nDate1, i < 10 ? 28 : 1);
        EXPECT_EQ(p.m_nSecond, (50 + i) % 60);
    }
}
