#include "logic/folderscan.h"
#include "logic/logpath.h"
#include "logic/video.h"

#include "scratchdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include <grp.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::vector<std::string> Paths(const std::vector<CVideoEntry>& clips)
{
    std::vector<std::string> paths;
    for (const CVideoEntry& clip : clips)
        paths.push_back(clip.m_strPath);
    return paths;
}

// Runs body as the user "nobody" in a child process, for modes that root reads through;
// its text comes back through a pipe.
bool RunAsNobody(const std::function<std::string()>& body, std::string& out)
{
    if (::geteuid() != 0) {
        out = body();
        return true;
    }
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        const std::string text = body();
        ::_exit(::write(fds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 3);
    }
    ::close(fds[1]);
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

TEST(FolderScan, DepthFirstInNameOrderWithLettersComparedAsUpperCase)
{
    // Created neither in name order nor in its reverse: a memory file system lists a folder
    // in reverse creation order, a disk in the order of its names' hashes.
    CScratchDir dir;
    for (const char* file : {"D.MOV", "a1.MOV", "E.MOV", "c/sub/x.MOV", "B_1.MOV", "e.MOV",
                             "c/W.MOV", "A2.MOV", "行车/F.MOV", "Ba.MOV", "c/w.MOV", "c/v.MOV"})
        dir.Write(file, "");
    std::vector<std::string> expected;
    for (const char* file : {"a1.MOV", "A2.MOV", "Ba.MOV", "B_1.MOV", "c/sub/x.MOV", "c/v.MOV",
                             "c/W.MOV", "c/w.MOV", "D.MOV", "E.MOV", "e.MOV", "行车/F.MOV"})
        expected.push_back(dir.Path() + "/" + file);

    // With and without a trailing slash: the same entry paths, no doubled slash.
    for (const std::string& folder : {dir.Path(), dir.Path() + "/", dir.Path() + "//"})
        EXPECT_EQ(Paths(ScanFolder(folder).m_clips), expected) << folder;
}

TEST(FolderScan, ClipsByTheirLastFourCharactersWithTheirLocalWriteTime)
{
    CScratchDir dir;
    std::vector<std::string> expected = {"CLIP.MOV", "clip.Avi", "a.mp4", ".mov", "行车 记录.MP4"};
    for (const std::string& name : expected)
        dir.Write(name, "");
    for (const char* name : {"clip.mpg", "clip.mov.bak", "mov", "clipmov", "clip.mp4 "})
        dir.Write(name, "");
    dir.MakeDir("folder.mov");  // a folder is entered, never taken
    // 2011-05-28 20:30:05 UTC is the next day east of Greenwich.
    const timeval times[2] = {{1306614605, 0}, {1306614605, 0}};
    ASSERT_EQ(::utimes((dir.Path() + "/CLIP.MOV").c_str(), times), 0);
    const std::string savedTz = std::getenv("TZ") ? std::getenv("TZ") : "";
    ::setenv("TZ", "CST-8", 1);
    ::tzset();
    const CFolderScanResult result = ScanFolder(dir.Path());
    std::vector<std::string> names;
    for (const CVideoEntry& clip : result.m_clips) {
        names.push_back(clip.m_strName);
        if (clip.m_strName == "CLIP.MOV") {
            EXPECT_EQ(FormatEntryDate(clip) + " " + FormatEntryTime(clip), "2011-05-29 04:30:05");
        }
    }
    ::setenv("TZ", savedTz.c_str(), 1);
    ::tzset();
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
}

TEST(VideoEntry, ColumnTextsAreTheWriteTimeInTheZoneOfTheMomentAndTheTrackFlag)
{
    const struct
    {
        std::time_t tWritten;
        const char* zone;
        const char* date;
        const char* time;
        bool bHasTrack;
    } rows[] = {
        {1306614605, "UTC0", "2011-05-28", "20:30:05", true},
        {1306614605, "CST-8", "2011-05-29", "04:30:05", false},  // the next day east of Greenwich
        {std::numeric_limits<std::time_t>::max(), "UTC0", "", "", true},  // no year holds it
    };
    const std::string savedTz = std::getenv("TZ") ? std::getenv("TZ") : "";
    for (const auto& row : rows) {
        ::setenv("TZ", row.zone, 1);
        ::tzset();
        const CVideoEntry entry("CLIP.MOV", row.tWritten, "/card/CLIP.MOV", row.bHasTrack);
        EXPECT_EQ(FormatEntryDate(entry), row.date) << row.tWritten << " " << row.zone;
        EXPECT_EQ(FormatEntryTime(entry), row.time) << row.tWritten << " " << row.zone;
        EXPECT_EQ(FormatEntryLog(entry), row.bHasTrack ? "Y" : "N");
    }
    ::setenv("TZ", savedTz.c_str(), 1);
    ::tzset();
}

TEST(FolderScan, LogFlagFoundWithoutRegardToCase)
{
    // Each row is a card of its own, all in one scan; "->x" makes a link to nothing.
    const struct
    {
        const char* card;
        std::vector<const char*> logs;
        const char* flags;  // of CLIP0001, CLIP0002, CLIP0003
    } rows[] = {
        {"upper", {"GPS/GPS0001.LOG", "GPS/GPS0003.LOG"}, "YNY"},
        {"lower", {"gps/gps0001.log", "gps/gps0002.log", "gps/gps0003.log"}, "YYY"},
        {"mixed", {"Gps/GPS0002.Log"}, "NYN"},
        {"exact", {"GPS/GPS0001.log", "GPS/gps0002.LOG"}, "YYN"},
        {"卡 空格", {"GPS/GPS0003.LOG"}, "NNY"},
        {"fileNamedGps", {"GPS", "gPs/gps0001.log"}, "YNN"},
        // Byte order chooses "Gps0001.LOG" over "gps0001.LOG", and it leads nowhere.
        {"choice", {"gps/Gps0001.LOG->x", "gps/gps0001.LOG", "gps/GPS0002.LOG->x"}, "NNN"},
        {"nameOnly", {"GPS/GPS0001.LOG.bak", "GPS/GPS000.LOG", "GPSX/GPS0002.LOG"}, "NNN"},
    };
    CScratchDir dir;
    for (const auto& row : rows) {
        for (const char* clip : {"CLIP0001.MOV", "CLIP0002.MOV", "CLIP0003.MOV"})
            dir.Write(std::string(row.card) + "/DCIM/100MEDIA/" + clip, "");
        for (const std::string log : row.logs) {
            const std::string::size_type arrow = log.find("->");
            if (arrow == std::string::npos) {
                dir.Write(std::string(row.card) + "/" + log, "A");
                continue;
            }
            const std::string path = dir.Path() + "/" + row.card + "/" + log.substr(0, arrow);
            std::filesystem::create_directories(path.substr(0, path.rfind('/')));
            ASSERT_EQ(::symlink(log.substr(arrow + 2).c_str(), path.c_str()), 0);
        }
    }

    const CFolderScanResult result = ScanFolder(dir.Path());
    ASSERT_EQ(result.m_clips.size(), 3 * std::size(rows));
    for (const CVideoEntry& clip : result.m_clips) {
        const std::string card = clip.m_strPath.substr(dir.Path().size() + 1);
        const auto row = std::find_if(std::begin(rows), std::end(rows), [&](const auto& r) {
            return card.compare(0, card.find('/'), r.card) == 0;
        });
        ASSERT_NE(row, std::end(rows));
        const char flag = row->flags[clip.m_strName[7] - '1'];
        EXPECT_EQ(FormatEntryLog(clip), std::string(1, flag)) << clip.m_strPath;
        // The lookup on its own, without what the scan remembered, agrees.
        EXPECT_EQ(GpsLogExists(GetGpsLogPath(clip.m_strPath, "log")), flag == 'Y') << clip.m_strPath;
    }
}

TEST(FolderScan, LinksAreFollowedButNeverBackUpTheTree)
{
    CScratchDir dir;
    for (const char* file : {"a.MOV", "sub/b.MOV", "other/c.MOV", "store/clip.bin"})
        dir.Write(file, "");
    dir.MakeDir("sub/deeper");
    // "sub/toOther" leads to a sibling the scan has been through already: it is not entered.
    for (const auto& [link, target] : {std::pair{"sub/up", ".."}, {"sub/self", "."},
                                       {"sub/deeper/upup", "../.."}, {"sub/toOther", "../other"},
                                       {"linked.MOV", "store/clip.bin"}, {"notAClip.txt", "a.MOV"}})
        ASSERT_EQ(::symlink(target, (dir.Path() + "/" + link).c_str()), 0) << link;

    std::vector<std::string> paths = Paths(ScanFolder(dir.Path()).m_clips);
    std::sort(paths.begin(), paths.end());
    std::vector<std::string> expected;
    for (const char* clip : {"/a.MOV", "/linked.MOV", "/other/c.MOV", "/sub/b.MOV"})
        expected.push_back(dir.Path() + clip);
    EXPECT_EQ(paths, expected);
}

TEST(FolderScan, LinksToTheKernelsFileSystemsToRootAndTwiceToOneFolderEndWithEachClipOnce)
{
    // Links beside the folder's own clips a.MOV and sub/b.MOV; an entry is one of them when its
    // path leads there, as "again/b.MOV" does.
    const struct
    {
        std::vector<std::pair<const char*, const char*>> links;
        std::size_t nFolders;  // entered, when the row knows it
    } rows[] = {
        {{{"proc", "/proc"}, {"sys", "/sys"}}, 2},
        {{{"sub/up", ".."}, {"sub/self", "."}}, 2},
        {{{"again", "sub"}, {"zagain", "sub"}, {"sub/twice", "../again"}}, 2},
        {{{"root", "/"}, {"proc", "/proc"}, {"sub/up", ".."}}, 0},
    };
    for (const auto& row : rows) {
        CScratchDir dir;
        const std::string own[] = {dir.Write("a.MOV", ""), dir.Write("sub/b.MOV", "")};
        for (const auto& [link, target] : row.links)
            ASSERT_EQ(::symlink(target, (dir.Path() + "/" + link).c_str()), 0) << link;

        const CFolderScanResult result = ScanFolder(dir.Path());
        for (const std::string& clip : own) {
            EXPECT_EQ(std::count_if(result.m_clips.begin(), result.m_clips.end(),
                                    [&](const CVideoEntry& entry) {
                                        std::error_code ec;
                                        return std::filesystem::equivalent(entry.m_strPath, clip, ec);
                                    }),
                      1)
                << clip << " with " << row.links.front().first;
        }
        if (row.nFolders != 0) {
            EXPECT_EQ(result.m_nFolders, row.nFolders) << row.links.front().first;
            EXPECT_EQ(result.m_clips.size(), 2u) << row.links.front().first;
        }
        EXPECT_EQ(result.m_eStop, EScanStop::None) << row.links.front().first;
    }
}

TEST(FolderScan, BoundsOfDepthClipsAndFoldersSayWhatTheyCut)
{
    struct CRow
    {
        const char* name;
        std::vector<std::string> clips;
        CScanBounds bounds;
        std::size_t nListed;
        std::vector<std::string> notes;  // "@" stands for the scanned folder
    };
    std::string deep;
    std::vector<std::string> levels;
    for (int n = 0; n <= 34; ++n) {  // a clip on each level 0..34
        levels.push_back(deep + "L" + std::to_string(n) + ".MOV");
        deep += "d/";
    }
    const CRow rows[] = {
        {"depth", levels, {}, 33, {"1 folder deeper than 32 levels below @ was not read."}},
        {"depth 2", {"a/b/c/A.MOV", "a/b/B.MOV", "x/y/z/C.MOV", "E.MOV"}, {2, 100, 100}, 2,
         {"2 folders deeper than 2 levels below @ were not read."}},
        {"clips", {"A.MOV", "B.MOV", "s/C.MOV", "s/D.MOV", "E.MOV"}, {32, 3, 100}, 3,
         {"The scan of @ ended at its bound of 3 clips; the rest was not read."}},
        {"clips exactly", {"A.MOV", "B.MOV", "s/C.MOV"}, {32, 3, 100}, 3, {}},
        {"folders", {"A.MOV", "s/B.MOV", "t/C.MOV", "u/D.MOV"}, {32, 100, 3}, 3,
         {"The scan of @ ended at its bound of 3 folders; the rest was not read."}},
        {"folders exactly", {"A.MOV", "s/B.MOV", "t/C.MOV"}, {32, 100, 3}, 3, {}},
    };
    for (const CRow& row : rows) {
        CScratchDir dir;
        for (const std::string& clip : row.clips)
            dir.Write(clip, "");
        const CFolderScanResult result = ScanFolder(dir.Path(), {}, row.bounds);
        EXPECT_EQ(result.m_clips.size(), row.nListed) << row.name;
        std::vector<std::string> notes;
        for (std::string note : row.notes)
            notes.push_back(note.replace(note.find('@'), 1, dir.Path()));
        EXPECT_EQ(ScanCutNotes(result, dir.Path()), notes) << row.name;
    }
}

TEST(FolderScan, UnreadableClipsAndFoldersAreReportedAndTheScanGoesOn)
{
    CScratchDir dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    for (const char* clip : {"CLIP0001.MOV", "CLIP0003.MOV", "CLIP0005.MOV", "closed/CLIP0006.MOV",
                             "blind/inner/CLIP0007.MOV"})
        dir.Write(std::string("card/DCIM/") + clip, "");
    const std::string locked = dir.Write("card/DCIM/CLIP0002.MOV", "");
    const std::string dangling = dir.Path() + "/card/DCIM/CLIP0004.MOV";
    const std::string closed = dir.Path() + "/card/DCIM/closed";
    const std::string blind = dir.Path() + "/card/DCIM/blind";  // listed, but not gone through
    ASSERT_EQ(::symlink("gone", dangling.c_str()), 0);
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    ASSERT_EQ(::chmod(closed.c_str(), 0), 0);
    ASSERT_EQ(::chmod(blind.c_str(), 0444), 0);

    std::string out;
    const bool ran = RunAsNobody(
        [&] {
            CVideoList list;
            const CFolderScanResult result = list.AddFolder(dir.Path() + "/card");
            std::vector<std::string> lines;
            for (int i = 0; i < list.GetCount(); ++i)
                lines.push_back(list.GetAt(i).m_strName);
            for (const CFileException& error : result.m_errors)
                lines.push_back(std::to_string(error.m_cause) + " " + error.m_strFileName);
            // The scanned folder itself.
            for (const CFileException& error : ScanFolder(closed).m_errors)
                lines.push_back("alone " + std::to_string(error.m_cause) + " "
                                + error.m_strFileName);
            std::sort(lines.begin(), lines.end());
            std::string text;
            for (const std::string& line : lines)
                text += line + "\n";
            return text;
        },
        out);
    ::chmod(closed.c_str(), 0755);
    ::chmod(blind.c_str(), 0755);
    if (!ran)
        GTEST_SKIP() << "cannot run as an ordinary user here";
    const std::string denied = std::to_string(CFileException::accessDenied) + " ";
    EXPECT_EQ(out, std::to_string(CFileException::fileNotFound) + " " + dangling + "\n" + denied
                       + locked + "\n" + denied + blind + "/inner\n" + denied + closed + "\n"
                       + "CLIP0001.MOV\nCLIP0003.MOV\nCLIP0005.MOV\n" + "alone " + denied + closed
                       + "\n");
}

TEST(FolderScan, ProgressAndCancel)
{
    CScratchDir dir;
    for (int n = 0; n < 250; ++n)
        dir.Write("CLIP" + std::to_string(1000 + n) + ".MOV", "");
    std::vector<std::size_t> told = {0};
    int asked = 0;
    CScanHooks hooks{[&](std::size_t nFound) { told.push_back(nFound); }, nullptr};
    EXPECT_EQ(ScanFolder(dir.Path(), hooks).m_clips.size(), 250u);
    EXPECT_EQ(told.back(), 250u);
    for (std::size_t i = 1; i < told.size(); ++i)
        EXPECT_TRUE(told[i] >= told[i - 1] && told[i] - told[i - 1] <= 100) << told[i];

    hooks.m_fnCancel = [&] { return ++asked > 30; };
    const CFolderScanResult cancelled = ScanFolder(dir.Path(), hooks);
    EXPECT_TRUE(cancelled.m_bCancelled);
    EXPECT_EQ(cancelled.m_clips.size(), 30u);
}

TEST(VideoList, NoPathTwice)
{
    CScratchDir dir;
    const std::string a = dir.Write("card/DCIM/A.MOV", "");
    const std::string b = dir.Write("card/DCIM/B.MOV", "");
    CVideoList list;
    for (const char* folder : {"/card", "/card/", "/card/DCIM"})
        list.AddFolder(dir.Path() + folder);
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_FALSE(list.IsInPlayList(dir.Path() + "/card/DCIM/a.MOV"));  // case counts
    EXPECT_FALSE(list.IsInPlayList(dir.Path() + "/card/DCIM/A.MO"));   // the whole string

    // Removing frees the path for a later add, and only that path.
    list.RemoveAt(list.GetAt(0).m_strPath == a ? 0 : 1);
    EXPECT_TRUE(!list.IsInPlayList(a) && list.IsInPlayList(b));
    list.AddFolder(dir.Path() + "/card");
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetAt(1).m_strPath, a);

    // A batch is checked against itself too; the first of two equal paths stays.
    EXPECT_EQ(list.Append({{"C.MOV", 0, "/x/C.MOV", false}, {"C.MOV", 0, "/x/C.MOV", true},
                           {"A.MOV", 0, a, false}, {"D.MOV", 0, "/x/D.MOV", false}}),
              2);
    ASSERT_EQ(list.GetCount(), 4);
    EXPECT_FALSE(list.GetAt(2).m_bHasTrack);
    EXPECT_FALSE(list.Append(CVideoEntry("D.MOV", 0, "/x/D.MOV", false)));
}
