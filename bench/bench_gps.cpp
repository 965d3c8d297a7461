// Loading a clip's GPS log happens on the UI thread before the map is chosen, so it has to
// be quick even for a long log: parse throughput in MB/s and the time for a 24-hour log, of
// the card's format, of NMEA and of GPX; and the track of clips with GPS inside.
#include "gpsclipwriter.h"
#include "logic/gpstrack.h"
#include "scratchdir.h"
#ifdef DERUZIZ_BENCH_GPX
#include "gpx/gpxreader.h"
#endif

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// One line a second for a day, as a receiver on the move writes it (about 4 MB).
std::string MakeDayLog()
{
    std::string text;
    text.reserve(86400 * 48);
    char line[96];
    for (int s = 0; s < 86400; ++s) {
        const int minutes = 190000 + (s * 7) % 600000;
        const int lonMinutes = 490000 + (s * 11) % 600000;
        std::snprintf(line, sizeof line, "%c,%02d%02d%02d,0304100000,47%02d.%04d,007%02d.%04d,%d.%02d\n",
                      s % 900 == 899 ? 'V' : 'A', s / 3600, s / 60 % 60, s % 60,
                      minutes / 10000, minutes % 10000, lonMinutes / 10000, lonMinutes % 10000,
                      (s / 37) % 70, s % 100);
        text += line;
    }
    return text;
}

// "$" + body + "*hh\r\n".
void AppendSentence(std::string& text, const char* body)
{
    unsigned sum = 0;
    for (const char* c = body; *c; ++c)
        sum ^= static_cast<unsigned char>(*c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    text += '$';
    text += body;
    text += tail;
}

// A receiver's day at one fix a second: RMC, GGA, GSA and VTG each second (about 21 MB).
std::string MakeDayNmea()
{
    std::string text;
    text.reserve(86400 * 260);
    char body[128];
    for (int s = 0; s < 86400; ++s) {
        const int hh = s / 3600, mm = s / 60 % 60, ss = s % 60;
        const int lat = 190000 + (s * 7) % 600000, lon = 490000 + (s * 11) % 600000;
        const double knots = (s / 37) % 70 + (s % 100) / 100.0;
        std::snprintf(body, sizeof body, "GPRMC,%02d%02d%02d.00,%c,33%02d.%05d,S,070%02d.%05d,W,%.3f,%d.%02d,040321,,,A",
                      hh, mm, ss, s % 900 == 899 ? 'V' : 'A', lat / 10000, lat % 10000 * 10, lon / 10000,
                      lon % 10000 * 10, knots, s % 360, s % 100);
        AppendSentence(text, body);
        std::snprintf(body, sizeof body, "GPGGA,%02d%02d%02d.00,33%02d.%05d,S,070%02d.%05d,W,1,08,0.9,%d.%d,M,31.4,M,,",
                      hh, mm, ss, lat / 10000, lat % 10000 * 10, lon / 10000, lon % 10000 * 10, 500 + s % 200, s % 10);
        AppendSentence(text, body);
        AppendSentence(text, "GPGSA,A,3,04,05,09,12,,,24,25,29,31,,,1.8,1.0,1.5");
        std::snprintf(body, sizeof body, "GPVTG,%d.%02d,T,,M,%.3f,N,%.3f,K,A", s % 360, s % 100, knots, knots * 1.852);
        AppendSentence(text, body);
    }
    return text;
}

class CTempLog
{
public:
    explicit CTempLog(const std::string& content)
    {
        const char* tmp = std::getenv("TMPDIR");
        m_strPath = std::string(tmp && *tmp ? tmp : "/tmp") + "/deruziz-bench-XXXXXX";
        const int fd = ::mkstemp(m_strPath.data());
        if (fd >= 0)
            ::close(fd);
        std::ofstream(m_strPath, std::ios::binary).write(content.data(),
                                                         static_cast<std::streamsize>(content.size()));
    }
    ~CTempLog() { ::unlink(m_strPath.c_str()); }
    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
};

const std::string& DayLog()
{
    static const std::string text = MakeDayLog();
    return text;
}

// The parse alone, over lines already in memory.
void BM_ParseRecord(benchmark::State& state)
{
    std::vector<std::string> lines;
    const std::string& text = DayLog();
    for (std::size_t begin = 0; begin < text.size();) {
        const std::size_t end = text.find('\n', begin);
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    for (auto _ : state) {
        CGPSTrack track("");
        for (const std::string& line : lines)
            track.ParseRecord(line);
        benchmark::DoNotOptimize(track.GetAt(0));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseRecord)->Unit(benchmark::kMillisecond);

// What opening a clip costs: open the log, read and split it, parse every line, and find the
// start point the way the main window does. The file is warm in the page cache.
void LoadTrack(benchmark::State& state, const std::string& path, std::size_t bytes,
               const CTrackReader& format = CardLogReader())
{
    for (auto _ : state) {
        CGPSTrack track(path, format);
        bool started = false;
        while (track.ReadNextRecord()) {
            if (!started) {
                const CGPSPoint* p = track.GetCurrent();
                started = p && p->m_bValid;
                track.Advance();
            }
        }
        benchmark::DoNotOptimize(track.GetCount());
        if (track.GetCount() == 0)
            state.SkipWithError("log not read");
    }
    if (bytes > 0)
        state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_LoadDayLog(benchmark::State& state)
{
    static const CTempLog log(DayLog());
    LoadTrack(state, log.Path(), DayLog().size());
    state.counters["lines"] = 86400;
}
BENCHMARK(BM_LoadDayLog)->Unit(benchmark::kMillisecond);

void BM_LoadDayNmea(benchmark::State& state)
{
    static const std::string text = MakeDayNmea();
    static const CTempLog log(text);
    LoadTrack(state, log.Path(), text.size(), NmeaReader());
    state.counters["seconds"] = 86400;
    state.counters["MB"] = double(text.size()) / 1e6;
}
BENCHMARK(BM_LoadDayNmea)->Unit(benchmark::kMillisecond);

#ifdef DERUZIZ_BENCH_GPX
// A phone logger's day at one point a second with elevation (about 8 MB); the speed comes from
// the distance between the points.
std::string MakeDayGpx()
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\"bench\" "
                       "xmlns=\"http://www.topografix.com/GPX/1/1\">\n<trk><name>day</name><trkseg>\n";
    text.reserve(86400 * 110);
    char point[256];
    for (int s = 0; s < 86400; ++s) {
        std::snprintf(point, sizeof point,
                      "<trkpt lat=\"%.7f\" lon=\"%.7f\"><ele>%d.%d</ele><time>2021-03-04T%02d:%02d:%02dZ</time>"
                      "</trkpt>\n",
                      -33.1 - (s * 7) % 600000 * 1e-6, -70.2 - (s * 11) % 600000 * 1e-6, 500 + s % 200, s % 10,
                      s / 3600, s / 60 % 60, s % 60);
        text += point;
    }
    return text + "</trkseg></trk></gpx>\n";
}

void BM_LoadDayGpx(benchmark::State& state)
{
    static const std::string text = MakeDayGpx();
    static const CTempLog log(text);
    for (auto _ : state) {
        const std::unique_ptr<CGPSTrack> track = std::make_unique<CGPSTrack>(log.Path(), GpxTrackReader());
        while (track->ReadNextRecord()) {
        }
        benchmark::DoNotOptimize(track->GetCount());
        if (track->GetCount() != 86400)
            state.SkipWithError("GPX not read whole");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["seconds"] = 86400;
    state.counters["MB"] = double(text.size()) / 1e6;
}
BENCHMARK(BM_LoadDayGpx)->Unit(benchmark::kMillisecond);
#endif

void BM_LoadRealLog(benchmark::State& state)
{
    const std::string path = std::string(DERUZIZ_TEST_DATA_DIR) + "/gps/switzerland-car-1hz.log";
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    LoadTrack(state, path, static_cast<std::size_t>(in.tellg()));
}
BENCHMARK(BM_LoadRealLog)->Unit(benchmark::kMillisecond);

// Clips with GPS inside, made once in a scratch folder: a 3-minute 1080p clip (10 s ffmpeg
// encoded at 12 Mbit/s, looped by stream copy) with 180 freeGPS blocks after its media, with
// moov's index and without; and ten minutes of the GoPro clip of the tests, looped the same way.
class CInsideClips
{
public:
    CInsideClips()
    {
        const std::string dir = m_dir.Path();
        const std::string tenSeconds = dir + "/ten.mp4";
        const std::string threeMinutes = dir + "/three.mp4";
        const std::string quiet = " -nostdin -v error -y ";
        Run("ffmpeg" + quiet + "-f lavfi -i testsrc2=size=1920x1080:rate=30 -f lavfi -i sine=frequency=440 -t 10 "
            "-c:v libx264 -preset ultrafast -b:v 12M -pix_fmt yuv420p -c:a aac '" + tenSeconds + "'");
        Run("ffmpeg" + quiet + "-stream_loop 17 -i '" + tenSeconds + "' -c copy '" + threeMinutes + "'");
        Run("ffmpeg" + quiet + "-stream_loop 57 -i '" DERUZIZ_TEST_DATA_DIR "/embedded/gopro/max-heromode.mp4' "
            "-map 0:0 -map 0:3 -c copy -copy_unknown -tag:d:0 gpmd '" + dir + "/gopro.mp4'");
        const std::string clip = GpsClips::ReadFile(threeMinutes);
        std::vector<std::string> blocks;
        for (int s = 0; s < 180; ++s) {
            GpsClips::CBlockFix fix;
            fix.m_nMinute = 15 + s / 60;
            fix.m_nSecond = s % 60;
            fix.m_dLatitude = 48.1 + s * 1e-4;
            fix.m_dLongitude = 11.5 + s * 1e-4;
            blocks.push_back(GpsClips::Block(GpsClips::ELayout::Type17, fix));
        }
        GpsClips::WriteFile(dir + "/index.mp4", GpsClips::WithFreeGps(clip, blocks, true));
        GpsClips::WriteFile(dir + "/noindex.mp4", GpsClips::WithFreeGps(clip, blocks, false));

        // The same three minutes as BlackVue, a text track and Garmin write them: RMC and GGA a second.
        const std::uint64_t sttm = 1764583200000;
        std::string lines, srt;
        std::vector<GpsClips::CGarminFix> garmin;
        char body[160], cue[96];
        for (int s = 0; s < 180; ++s) {
            std::snprintf(body, sizeof body, "GPRMC,10%02d%02d.00,A,4806.%04d,N,01130.%04d,E,20.5,90.0,011226,,,A", 15 + s / 60,
                          s % 60, s, s);
            const std::string rmc = GpsClips::Sentence(body);
            const std::string gga = GpsClips::Sentence("GPGGA,101500.00,4806.0000,N,01130.0000,E,1,08,0.9,520.0,M,47.0,M,,");
            lines += "[" + std::to_string(sttm + 1000 * std::uint64_t(s) + 300) + "]" + rmc + "\n";
            lines += "[" + std::to_string(sttm + 1000 * std::uint64_t(s) + 300) + "]" + gga + "\n";
            std::snprintf(cue, sizeof cue, "%d\n%02d:%02d:%02d,300 --> %02d:%02d:%02d,900\n", s + 1, s / 3600, s / 60 % 60, s % 60,
                          s / 3600, s / 60 % 60, s % 60);
            srt += cue + rmc + "\n" + gga + "\n\n";
            garmin.push_back(GpsClips::CGarminFix{48.1 + s * 1e-4, 11.5 + s * 1e-4, 40});
        }
        GpsClips::WriteFile(dir + "/blackvue.mp4", GpsClips::WithBlackVue(clip, "BlackVue DR900X-2CH", sttm, lines));
        GpsClips::WriteFile(dir + "/garmin.mp4", GpsClips::WithMoovChild(clip, GpsClips::GarminBox(1764583200, garmin)));
        GpsClips::WriteFile(dir + "/nmea.srt", srt);
        Run("ffmpeg" + quiet + "-i '" + threeMinutes + "' -i '" + dir + "/nmea.srt' -map 0 -map 1 -c copy -c:s mov_text '" + dir
            + "/text.mp4'");
    }
    std::string Path(const char* pszName) const { return m_dir.Path() + "/" + pszName; }

private:
    static void Run(const std::string& command)
    {
        if (std::system(command.c_str()) != 0)
            std::abort();
    }
    CScratchDir m_dir;
};

const CInsideClips& InsideClips()
{
    static const CInsideClips clips;
    return clips;
}

void LoadInsideTrack(benchmark::State& state, const char* pszClip, int nRecords)
{
    const std::string path = InsideClips().Path(pszClip);
    LoadTrack(state, path, 0, ClipGpsReader());
    CGPSTrack track(path, ClipGpsReader());
    while (track.ReadNextRecord()) {
    }
    if (track.GetCount() < nRecords)
        state.SkipWithError("records missing");
    state.counters["records"] = track.GetCount();
}

void BM_ClipGpsFreeGpsWithIndex(benchmark::State& state)
{
    LoadInsideTrack(state, "index.mp4", 180);
}
BENCHMARK(BM_ClipGpsFreeGpsWithIndex)->Unit(benchmark::kMillisecond);

void BM_ClipGpsFreeGpsWithoutIndex(benchmark::State& state)
{
    LoadInsideTrack(state, "noindex.mp4", 180);
}
BENCHMARK(BM_ClipGpsFreeGpsWithoutIndex)->Unit(benchmark::kMillisecond);

void BM_ClipGpsBlackVue(benchmark::State& state)
{
    LoadInsideTrack(state, "blackvue.mp4", 180);
}
BENCHMARK(BM_ClipGpsBlackVue)->Unit(benchmark::kMillisecond);

void BM_ClipGpsTextTrack(benchmark::State& state)
{
    LoadInsideTrack(state, "text.mp4", 180);
}
BENCHMARK(BM_ClipGpsTextTrack)->Unit(benchmark::kMillisecond);

void BM_ClipGpsGarmin(benchmark::State& state)
{
    LoadInsideTrack(state, "garmin.mp4", 180);
}
BENCHMARK(BM_ClipGpsGarmin)->Unit(benchmark::kMillisecond);

void BM_ClipGpsGoProTenMinutes(benchmark::State& state)
{
    LoadInsideTrack(state, "gopro.mp4", 600);
}
BENCHMARK(BM_ClipGpsGoProTenMinutes)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
