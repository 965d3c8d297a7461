// Opens, plays, pauses, resumes, stops and plays again two clips in turn, many times in quick
// succession, in the real window with the real engine and map pages, and prints the memory of
// the process after each cycle. Run it through scripts/soak (under AddressSanitizer, and the
// release build).
//   soak_playback [--cycles N] [--seconds S] [--size WxH] [--maps] [--profile]
// --maps also prints, at the end, the mappings whose resident size grew most since cycle 20;
// --profile (under AddressSanitizer) the live heap by allocating stack, on standard error, after
// cycle 20 and after the last.
// Exits non-zero when a clip did not play, or when the resident size after the run is more than
// 20 MB above the one after cycle 20; each is the median of ten cycles (up to cycle 20, and the
// last ten), for a single cycle's figure depends on what the playing clip holds at that moment.
#include "benchcard.h"
#include "app/player_app.h"
#include "playerdlgpeer.h"
#include "proctree.h"
#include "startwatch.h"
#include "waitfor.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <malloc.h>
#include <unistd.h>
#if defined(__SANITIZE_ADDRESS__)
#define DERUZIZ_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DERUZIZ_SOAK_ASAN 1
#endif
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#ifdef DERUZIZ_SOAK_ASAN
// The sanitizer's allocator statistics (sanitizer/allocator_interface.h, which GCC does not
// install).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
extern "C" std::size_t __sanitizer_get_heap_size();
extern "C" void __sanitizer_print_memory_profile(std::size_t nTopPercent, std::size_t nMaxContexts);
extern "C" void __asan_print_accumulated_stats();
#endif

namespace {

constexpr int kBaselineCycle = 20;
constexpr int kMedianCycles = 10;
constexpr double kAllowedGrowthMb = 20;

struct CMemory
{
    double dRssMb = 0;
    double dAnonMb = 0;
    double dFileMb = 0;
    double dMallocMb = 0;  // what malloc holds from the system (arenas and its own mappings)
    double dInUseMb = 0;   // what of that is handed out
    double dTreeRssMb = 0;
    int nThreads = 0;
};

double StatusMb(const std::string& status, const char* pszField)
{
    const std::size_t nAt = status.find(std::string("\n") + pszField + ":");
    return nAt == std::string::npos ? 0 : std::atof(status.c_str() + nAt + std::strlen(pszField) + 2) / 1024;
}

CMemory Measure()
{
    std::ifstream file("/proc/self/status");
    std::stringstream text;
    text << file.rdbuf();
    const std::string status = "\n" + text.str();
    CMemory memory;
    memory.dRssMb = StatusMb(status, "VmRSS");
    memory.dAnonMb = StatusMb(status, "RssAnon");
    memory.dFileMb = StatusMb(status, "RssFile");
    memory.nThreads = int(StatusMb(status, "Threads") * 1024);
#ifdef DERUZIZ_SOAK_ASAN
    // AddressSanitizer's allocator replaces malloc's and answers for itself.
    memory.dMallocMb = double(__sanitizer_get_heap_size()) / (1024 * 1024);
    memory.dInUseMb = double(__sanitizer_get_current_allocated_bytes()) / (1024 * 1024);
#else
    const struct mallinfo2 info = mallinfo2();
    memory.dMallocMb = double(info.arena + info.hblkhd) / (1024 * 1024);
    memory.dInUseMb = double(info.uordblks + info.hblkhd) / (1024 * 1024);
#endif
    memory.dTreeRssMb = double(ProcTree::Sample(getpid()).RssKb()) / 1024;
    return memory;
}

// Resident kB of each mapping, by its address range, permissions and name.
std::map<std::string, long long> ResidentByMapping()
{
    std::ifstream smaps("/proc/self/smaps");
    std::map<std::string, long long> resident;
    std::string strCurrent;
    for (std::string line; std::getline(smaps, line);) {
        const std::string strFirst = line.substr(0, line.find(' '));
        if (!strFirst.empty() && strFirst.back() != ':') {
            std::istringstream fields(line);
            std::string range, perms, offset, dev, inode, path;
            fields >> range >> perms >> offset >> dev >> inode;
            std::getline(fields >> std::ws, path);
            strCurrent = range + " " + perms + " " + (path.empty() ? "[anonymous]" : path);
        } else if (line.rfind("Rss:", 0) == 0) {
            resident[strCurrent] = std::atoll(line.c_str() + 4);
        }
    }
    return resident;
}

void PrintGrowth(const std::map<std::string, long long>& before, const std::map<std::string, long long>& after)
{
    std::vector<std::pair<long long, std::string>> growth;
    for (const auto& [mapping, nKb] : after) {
        const auto found = before.find(mapping);
        const long long nGrew = nKb - (found == before.end() ? 0 : found->second);
        if (nGrew > 1024)
            growth.emplace_back(nGrew, mapping + (found == before.end() ? " (new)" : ""));
    }
    std::sort(growth.rbegin(), growth.rend());
    std::printf("mappings grown most since cycle %d (MB):\n", kBaselineCycle);
    for (std::size_t i = 0; i < growth.size() && i < 15; ++i)
        std::printf("  %+7.1f  %s\n", double(growth[i].first) / 1024, growth[i].second.c_str());
}

double Median(std::vector<double>::const_iterator first, std::vector<double>::const_iterator last)
{
    std::vector<double> values(first, last);
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void PrintHeapProfile(int nCycle)
{
#ifdef DERUZIZ_SOAK_ASAN
    std::fprintf(stderr, "== live heap after cycle %d\n", nCycle);
    __sanitizer_print_memory_profile(100, 60);
    std::fprintf(stderr, "== end of live heap after cycle %d\n", nCycle);
#else
    std::fprintf(stderr, "the live heap by stack needs the AddressSanitizer build (cycle %d)\n", nCycle);
#endif
}

// The sanitizer's own memory (its stack depot above all), which its resident size includes and
// the heap figures do not.
void PrintSanitizerStats(int nCycle)
{
#ifdef DERUZIZ_SOAK_ASAN
    std::fprintf(stderr, "== sanitizer statistics after cycle %d\n", nCycle);
    __asan_print_accumulated_stats();
#else
    (void)nCycle;
#endif
}

void WaitMs(int nMs)
{
    WaitFor([] { return false; }, nMs);
}

// One cycle: open and follow to playing with tracking, pause, resume, stop, play again.
bool Cycle(CPlayerDlg& dlg, const std::string& strClip)
{
    CStartSteps steps;
    if (!OpenAndFollow(dlg, strClip, steps))
        return false;
    WaitMs(300);
    dlg.OnPauseResume();
    WaitMs(150);
    dlg.OnPauseResume();
    WaitMs(150);
    dlg.OnStop();
    WaitMs(100);
    dlg.OnPlay();
    if (!WaitFor([&] { return Peer(dlg).m_player.GetTime() > 0; }, 10000)) {
        std::fprintf(stderr, "%s did not play again after stop\n", strClip.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    int nCycles = 300;
    BenchCard::CClipSpec spec;
    spec.nSeconds = 20;
    bool bMaps = false;
    bool bProfile = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--cycles" && i + 1 < argc)
            nCycles = std::max(kBaselineCycle + kMedianCycles, std::atoi(argv[++i]));
        else if (arg == "--seconds" && i + 1 < argc)
            spec.nSeconds = std::max(5, std::atoi(argv[++i]));
        else if (arg == "--maps")
            bMaps = true;
        else if (arg == "--profile")
            bProfile = true;
        else if (arg == "--size" && i + 1 < argc)
            std::sscanf(argv[++i], "%dx%d", &spec.nWidth, &spec.nHeight);

    }
    QTemporaryDir scratch(QStringLiteral(DERUZIZ_BINARY_DIR "/bench/soak-scratch-XXXXXX"));
    if (!scratch.isValid())
        return 1;
    CPlayerApp::PrepareEnvironment();
    // The video output of deruziz.conf, as the program starts its engine.
    CPlayerApp settingsOwner;
    settingsOwner.ReadSettings();
    settingsOwner.PreStartEngine();
    QApplication app(argc, argv);
    CPlayerApp::PrepareApplication(app);
    const QStringList clips = BenchCard::MakeCard(scratch.path(), spec, 2);
    if (clips.isEmpty())
        return 1;

    int nResult = 0;
    {
        CBenchWindow window;
        CPlayerDlg& dlg = window.m_dlg;
        if (!WaitFor([&] { return ShowsPage(dlg, QStringLiteral("/StartUpPage.HTML")); }, 60000)) {
            std::fprintf(stderr, "the start page never loaded\n");
            return 1;
        }
        std::printf("cycle  RSS MB (anon, file; malloc held, in use; threads)  whole tree RSS MB\n");
        std::vector<double> series;
        std::map<std::string, long long> baselineMaps;
        CMemory memory;
        for (int nCycle = 1; nCycle <= nCycles; ++nCycle) {
            if (!Cycle(dlg, QFile::encodeName(clips[nCycle % 2]).toStdString())) {
                std::fprintf(stderr, "cycle %d failed\n", nCycle);
                nResult = 1;
                break;
            }
            memory = Measure();
            series.push_back(memory.dRssMb);
            std::printf("%5d  %6.1f (%6.1f, %5.1f; %6.1f, %6.1f; %3d)  %7.1f\n", nCycle, memory.dRssMb,
                        memory.dAnonMb, memory.dFileMb, memory.dMallocMb, memory.dInUseMb, memory.nThreads,
                        memory.dTreeRssMb);
            std::fflush(stdout);
            if (nCycle == kBaselineCycle && bMaps)
                baselineMaps = ResidentByMapping();
            if (nCycle == kBaselineCycle || nCycle == nCycles) {
                PrintSanitizerStats(nCycle);
                if (bProfile)
                    PrintHeapProfile(nCycle);
            }
        }
        if (nResult == 0) {
            const double dBaseline = Median(series.begin() + kBaselineCycle - kMedianCycles,
                                            series.begin() + kBaselineCycle);
            const double dEnd = Median(series.end() - kMedianCycles, series.end());
            const double dGrowth = dEnd - dBaseline;
            std::printf("RSS, median of %d cycles: %.1f MB to cycle %d, %.1f MB to cycle %d: %+.1f MB (allowed: %+.0f MB)\n",
                        kMedianCycles, dBaseline, kBaselineCycle, dEnd, nCycles, dGrowth, kAllowedGrowthMb);
            if (dGrowth > kAllowedGrowthMb)
                nResult = 1;
            if (bMaps)
                PrintGrowth(baselineMaps, ResidentByMapping());
        }
    }
    return nResult;
}
