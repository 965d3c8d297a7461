// Loading a clip's GPS log happens on the UI thread before the map is chosen, so it has to
// be quick even for a long log: parse throughput in MB/s and the time for a 24-hour log, of
// the card's format, of NMEA and of GPX.
#include "logic/gpstrack.h"
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

} // namespace

BENCHMARK_MAIN();
