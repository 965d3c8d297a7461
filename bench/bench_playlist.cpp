// Adding a camcorder card to the play list: 10,000 clips in one folder and their logs in
// upper case (GPS0042.LOG, as the camera writes them), so that the scan's lookup of "log"
// has to match without regard to case for every clip. The figures to compare are the bare
// scan (read each folder once, stat each clip) and the two AddFolder runs: into an empty
// list, and the same folder again into the full list (every clip a duplicate). Then cards
// whose clips have nothing beside them, and are looked into for GPS of their own.
#include "logic/folderscan.h"
#include "logic/video.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "gpsclipwriter.h"
#include "scratchdir.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const int CLIPS = 10000;

class CBenchCard
{
public:
    CBenchCard()
    {
        m_strCard = m_dir.Path() + "/card";
        std::filesystem::create_directories(m_strCard + "/DCIM/100MEDIA");
        std::filesystem::create_directories(m_strCard + "/GPS");
        char name[64];
        for (int n = 0; n < CLIPS; ++n) {
            std::snprintf(name, sizeof name, "/DCIM/100MEDIA/CLIP%04d.MOV", n);
            Touch(m_strCard + name);
            std::snprintf(name, sizeof name, "/GPS/GPS%04d.LOG", n);
            Touch(m_strCard + name);
        }
    }
    const std::string& Path() const { return m_strCard; }

private:
    static void Touch(const std::string& path)
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            std::abort();
        ::close(fd);
    }

    CScratchDir m_dir;
    std::string m_strCard;
};

const CBenchCard& Card()
{
    static const CBenchCard card;
    return card;
}

// The floor: every folder read once, every clip stat-ed once, nothing remembered.
int BareScan(const std::string& folder)
{
    int nClips = 0;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    while (const dirent* item = ::readdir(dir)) {
        const std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + "/" + name;
        if (item->d_type == DT_DIR) {
            nClips += BareScan(path);
        } else if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".MOV") == 0) {
            struct stat st;
            if (::stat(path.c_str(), &st) == 0)
                ++nClips;
        }
    }
    ::closedir(dir);
    return nClips;
}

void BM_BareScan(benchmark::State& state)
{
    BareScan(Card().Path());
    for (auto _ : state) {
        if (BareScan(Card().Path()) != CLIPS)
            state.SkipWithError("clips missing");
    }
}
BENCHMARK(BM_BareScan)->Unit(benchmark::kMillisecond);

void BM_AddFolderToEmptyList(benchmark::State& state)
{
    CVideoList().AddFolder(Card().Path());
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<CVideoList>();
        state.ResumeTiming();
        list->AddFolder(Card().Path());
        state.PauseTiming();
        if (list->GetCount() != CLIPS || !list->GetAt(CLIPS - 1).m_bHasTrack)
            state.SkipWithError("clips or logs missing");
        list.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddFolderToEmptyList)->Unit(benchmark::kMillisecond);

void BM_AddSameFolderToFullList(benchmark::State& state)
{
    CVideoList list;
    list.AddFolder(Card().Path());
    for (auto _ : state) {
        list.AddFolder(Card().Path());
        if (list.GetCount() != CLIPS)
            state.SkipWithError("duplicates appended");
    }
}
BENCHMARK(BM_AddSameFolderToFullList)->Unit(benchmark::kMillisecond);

// A card of clips with no log nor file beside them: each clip is looked into for GPS of its
// own. Real clips (a minute of 5 fps video ffmpeg wrote, hard links of one file), every
// second one with freeGPS inside, against the same card whose clips hold none.
class CInsideCard
{
public:
    explicit CInsideCard(bool bHalfWithGps)
    {
        m_strCard = m_dir.Path() + "/card";
        std::filesystem::create_directories(m_strCard + "/DCIM");
        const std::string plain = GpsClips::MakeBaseClip(m_dir.Path() + "/plain.mp4", 60);
        if (plain.empty())
            std::abort();
        std::vector<std::string> blocks;
        for (int s = 0; s < 60; ++s) {
            GpsClips::CBlockFix fix;
            fix.m_nSecond = s;
            fix.m_dLatitude = 48.1 + s * 1e-4;
            fix.m_dLongitude = 11.5;
            blocks.push_back(GpsClips::Block(GpsClips::ELayout::Type17, fix));
        }
        GpsClips::WriteFile(m_dir.Path() + "/gps.mp4", GpsClips::WithFreeGps(plain, blocks, true));
        char name[64];
        for (int n = 0; n < CLIPS; ++n) {
            std::snprintf(name, sizeof name, "/DCIM/CLIP%04d.MP4", n);
            const char* pszSource = bHalfWithGps && n % 2 == 0 ? "/gps.mp4" : "/plain.mp4";
            if (::link((m_dir.Path() + pszSource).c_str(), (m_strCard + name).c_str()) != 0)
                std::abort();
        }
    }
    const std::string& Path() const { return m_strCard; }

private:
    CScratchDir m_dir;
    std::string m_strCard;
};

void AddInsideCard(benchmark::State& state, const CInsideCard& card, int nWithTrack)
{
    CVideoList().AddFolder(card.Path());
    for (auto _ : state) {
        CVideoList list;
        list.AddFolder(card.Path());
        int nTracks = 0;
        for (int i = 0; i < list.GetCount(); ++i)
            nTracks += list.GetAt(i).m_bHasTrack ? 1 : 0;
        if (list.GetCount() != CLIPS || nTracks != nWithTrack)
            state.SkipWithError("clips or tracks missing");
    }
}

void BM_AddCardOfClipsWithoutGps(benchmark::State& state)
{
    static const CInsideCard card(false);
    AddInsideCard(state, card, 0);
}
BENCHMARK(BM_AddCardOfClipsWithoutGps)->Unit(benchmark::kMillisecond);

void BM_AddCardHalfWithGpsInside(benchmark::State& state)
{
    static const CInsideCard card(true);
    AddInsideCard(state, card, CLIPS / 2);
}
BENCHMARK(BM_AddCardHalfWithGpsInside)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
