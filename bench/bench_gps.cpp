// Loading a clip's GPS log happens on the UI thread before the map is chosen, so it has to
// be quick even for a long log: parse throughput in MB/s and the time for a 24-hour log.
#include "logic/gpstrack.h"

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
void LoadTrack(benchmark::State& state, const std::string& path, std::size_t bytes)
{
    for (auto _ : state) {
        CGPSTrack track(path);
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

void BM_LoadRealLog(benchmark::State& state)
{
    const std::string path = std::string(DERUZIZ_TEST_DATA_DIR) + "/gps/switzerland-car-1hz.log";
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    LoadTrack(state, path, static_cast<std::size_t>(in.tellg()));
}
BENCHMARK(BM_LoadRealLog)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
