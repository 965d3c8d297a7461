// GPX beside the clip: its points into records one a second, what the reader refuses, and the
// track written as GPX.
#include "gpx/gpxreader.h"
#include "gpx/gpxwriter.h"
#include "logic/nmea.h"
#include "logic/tracksource.h"
#include "scratchdir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

std::string Point(const std::string& attributes, const std::string& inside)
{
    return "<trkpt " + attributes + ">" + inside + "</trkpt>\n";
}

std::string Gpx(const std::string& points, const std::string& prolog = {})
{
    return "<?xml version=\"1.0\"?>\n" + prolog + "<gpx version=\"1.0\" xmlns=\"http://www.topografix.com/GPX/1/0\">"
        "<wpt lat=\"1\" lon=\"1\"><time>2024-05-01T00:00:00Z</time></wpt><trk><trkseg>\n" + points
        + "</trkseg></trk></gpx>\n";
}

std::string At(int second, double lat, double lon, const std::string& extra = {})
{
    char text[200];
    std::snprintf(text, sizeof text, "lat=\"%.6f\" lon=\"%.6f\"", lat, lon);
    char time[64];
    std::snprintf(time, sizeof time, "<time>2024-05-01T12:%02d:%02dZ</time>", second / 60, second % 60);
    return Point(text, time + extra);
}

std::vector<CGPSPoint> Read(const std::string& gpx, const CGPSTrack::Limits& limits = CGPSTrack::Limits())
{
    CScratchDir dir;
    const std::unique_ptr<CGPSTrack> track = std::make_unique<CGPSTrack>(dir.Write("C.gpx", gpx), GpxTrackReader(), limits);
    std::vector<CGPSPoint> records;
    while (track->IsOpen() && track->ReadNextRecord())
        records.push_back(*track->GetAt(track->GetCount() - 1));
    return records;
}

// Validity of each record, 'v' valid and '-' invalid.
std::string Pattern(const std::vector<CGPSPoint>& records)
{
    std::string pattern;
    for (const CGPSPoint& record : records)
        pattern += record.m_bValid ? 'v' : '-';
    return pattern;
}

constexpr double kGaugePerMetrePerSecond = 1.825 * 3600.0 / 1852.0;

} // namespace

TEST(Gpx, RecordsOneASecond)
{
    struct Case
    {
        const char* name;
        std::string points;
        std::string pattern;
    };
    const Case cases[] = {
        {"interpolated up to 5 s", At(0, 10, 20) + At(5, 10.5, 20.5) + At(6, 11, 21), "vvvvvvv"},
        {"a longer gap is invalid", At(0, 10, 20) + At(6, 10, 20), "v-----v"},
        {"backwards skipped", At(0, 10, 20) + At(2, 10, 20) + At(1, 50, 50) + At(2, 50, 50) + At(3, 10, 20),
         "vvvv"},
        {"NaN and out of range", At(0, 10, 20) + Point("lat=\"nan\" lon=\"1\"", "<time>2024-05-01T12:00:01Z</time>")
             + Point("lat=\"91\" lon=\"1\"", "<time>2024-05-01T12:00:02Z</time>") + At(3, 10, 20),
         "v--v"},
        {"untimed: one a point", At(0, 10, 20) + Point("lat=\"1\" lon=\"2\"", "") + At(9, 10, 20), "vvv"},
        {"only trkseg's own trkpt", "<extensions><trkpt lat=\"5\" lon=\"5\"/></extensions>" + At(0, 10, 20), "v"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Pattern(Read(Gpx(c.points))), c.pattern);
    }
}

TEST(Gpx, InterpolatesPositionsAndTakesTheirSpeed)
{
    const std::vector<CGPSPoint> records =
        Read(Gpx(At(0, 10, 179, "<speed>2</speed>") + At(4, 10.4, -179, "<extensions><x:speed>6</x:speed></extensions>")
                 + At(5, 10.4, -179) + At(6, 10.4 + 0.001, -179)));
    ASSERT_EQ(records.size(), 7u);
    // Across the date line the short way.
    EXPECT_NEAR(records[1].m_dLatitude, 10.1, 1e-9);
    EXPECT_NEAR(records[1].m_dLongitude, 179.5, 1e-9);
    EXPECT_NEAR(records[3].m_dLongitude, -179.5, 1e-9);
    EXPECT_NEAR(records[1].m_dSpeed, 3 * kGaugePerMetrePerSecond, 1e-9);
    // Without a speed element: 0.001 degree of latitude in a second.
    EXPECT_NEAR(records[5].m_dSpeed, 111.195 * kGaugePerMetrePerSecond, 0.01);
    EXPECT_EQ(records[6].m_nDate1, 1);
    EXPECT_EQ(records[6].m_nDate2, 5);
    EXPECT_EQ(records[6].m_nDate3, 24);
    EXPECT_EQ(records[6].m_nSecond, 6);
}

TEST(Gpx, TimesWithFractionsAndOffsets)
{
    double a = 0, b = 0;
    ASSERT_TRUE(ParseGpxTime("2024-05-01T14:00:00.5+02:00", a));
    ASSERT_TRUE(ParseGpxTime("2024-05-01T12:00:00Z", b));
    EXPECT_DOUBLE_EQ(a - b, 0.5);
    for (const char* bad : {"2024-05-01 12:00:00Z", "2024-13-01T12:00:00Z", "2024-05-01T12:00:00.Z", "2024-05-01T12:00"})
        EXPECT_FALSE(ParseGpxTime(bad, a)) << bad;
}

TEST(Gpx, BadInputIsBounded)
{
    // Entities are refused whole; an external one is never fetched.
    const std::string bomb = "<!DOCTYPE gpx [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]>";
    EXPECT_EQ(Pattern(Read(Gpx(At(0, 10, 20, "<name>&b;</name>"), bomb))), "");
    const std::string external = "<!DOCTYPE gpx [<!ENTITY e SYSTEM \"/etc/passwd\">]>";
    EXPECT_EQ(Pattern(Read(Gpx(At(0, 10, 20, "<name>&e;</name>"), external))), "");

    // A text of 2 MiB ends the file: the XML reader would keep a GiB of it whole.
    EXPECT_EQ(Pattern(Read(Gpx(At(0, 10, 20) + "<x>" + std::string(2 << 20, 'a') + "</x>" + At(1, 10, 20)))), "v");

    CGPSTrack::Limits limits;
    limits.m_nMaxRecords = 5;
    EXPECT_EQ(Pattern(Read(Gpx(At(0, 10, 20) + At(59, 10, 20)), limits)), "v----");
    limits.m_nMaxBytes = 300;
    EXPECT_LE(Read(Gpx(At(0, 10, 20) + At(1, 10, 20) + At(2, 10, 20) + At(3, 10, 20)), limits).size(), 2u);

    CScratchDir dir;
    const std::string fifo = dir.Path() + "/F.gpx";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(std::make_unique<CGPSTrack>(fifo, GpxTrackReader())->IsOpen());
    EXPECT_FALSE(std::make_unique<CGPSTrack>(dir.MakeDir("D.gpx"), GpxTrackReader())->IsOpen());
}

TEST(Gpx, ExportedTimesKeepTheirCentury)
{
    struct Case
    {
        const char* name;
        const CTrackReader* format;
        std::string content;
        const char* exported;  // the trkpt's time, empty for none
    };
    const std::string rmc = "$GPRMC,120000,A,4730.0000,N,00830.0000,E,0.0,0.0,";
    const auto gpxAt = [](const std::string& time) {
        return Gpx(Point("lat=\"10\" lon=\"20\"", "<time>" + time + "</time>"));
    };
    const Case cases[] = {
        {"NMEA of 1994", &NmeaReader(), rmc + "230394,,,A\n", "1994-03-23T12:00:00Z"},
        {"GPX of 1980", &GpxTrackReader(), gpxAt("1980-01-01T00:00:00Z"), "1980-01-01T00:00:00Z"},
        {"GPX of 2079", &GpxTrackReader(), gpxAt("2079-12-31T23:59:59Z"), "2079-12-31T23:59:59Z"},
        {"GPX of 2085, no century of its own", &GpxTrackReader(), gpxAt("2085-06-01T00:00:00Z"), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CScratchDir dir;
        const std::unique_ptr<CGPSTrack> track = std::make_unique<CGPSTrack>(dir.Write("C.log", c.content), *c.format);
        while (track->ReadNextRecord()) {
        }
        const QByteArray gpx = GpxDocument(*track);
        ASSERT_TRUE(gpx.contains("<trkpt ")) << gpx.constData();
        const std::string time = *c.exported ? std::string("<time>") + c.exported + "</time>" : "<time>";
        EXPECT_EQ(gpx.contains(time.c_str()), *c.exported != 0) << gpx.constData();
    }
}

TEST(Gpx, RecordsKnowTheirUtcSecondWhateverTheFormat)
{
    // 2024-05-01 12:00:00 UTC; the GPX gap's seconds are blank records of their own second.
    const std::int64_t noon = DaysSince1980(2024, 5, 1) * 86400 + 12 * 3600;
    CScratchDir dir;
    CGPSTrack nmea(dir.Write("C.nmea", "$GPRMC,120000,A,4730.0000,N,00830.0000,E,0.0,0.0,010524,,,A\n"
                                        "$GPRMC,120001,V,,,,,,,010524,,,N\n"), NmeaReader());
    CGPSTrack gpx(dir.Write("C.gpx", Gpx(At(0, 10, 20) + At(9, 10, 20))), GpxTrackReader());
    const struct
    {
        CGPSTrack& track;
        std::vector<int> offsets;
    } cases[] = {{nmea, {0, 1}}, {gpx, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.track.GetReader().Name());
        while (c.track.ReadNextRecord()) {
        }
        ASSERT_EQ(c.track.GetCount(), int(c.offsets.size()));
        for (int i = 0; i < c.track.GetCount(); ++i)
            EXPECT_EQ(c.track.GetAt(i)->m_nUtcSecond, noon + c.offsets[std::size_t(i)]) << i;
    }
    EXPECT_FALSE(ParseCardLine("A,120000,0105240000,1030.0000,02015.0000,12.50").m_nUtcSecond);
}

TEST(Gpx, TheNmeaBesideTheClipComesBeforeItsGpx)
{
    CScratchDir dir;
    const std::string clip = dir.Write("C/V/CLIP0001.MOV", "x");
    dir.Write("C/V/CLIP0001.gpx", Gpx(At(0, 10, 20)));
    dir.Write("C/V/CLIP0001.nmea", "$GPRMC,120000,A,4730.0000,N,00830.0000,E,0.0,0.0,010524,,,A\n");
    RegisterGpxTrackReader();
    const std::unique_ptr<CGPSTrack> track = OpenClipTrack(clip, "");
    ASSERT_EQ(track->ReadNextRecord(), 1);
    EXPECT_EQ(&track->GetReader(), &NmeaReader());
    EXPECT_DOUBLE_EQ(track->GetAt(0)->m_dLatitude, 47.5);
}
