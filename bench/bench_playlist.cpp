// Adding a camcorder card to the play list: 10,000 clips in one folder and their logs in
// upper case (GPS0042.LOG, as the camera writes them), so that the scan's lookup of "log"
// has to match without regard to case for every clip. The figures to compare are the bare
// scan (read each folder once, stat each clip) and the two AddFolder runs: into an empty
// list, and the same folder again into the full list (every clip a duplicate).
#include "logic/folderscan.h"
#include "logic/video.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

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

} // namespace

BENCHMARK_MAIN();
