#include <gtest/gtest.h>

#include "logic/dropplan.h"
#include "logic/gpstrack.h"
#include "logic/routetext.h"
#include "scratchdir.h"

#include <clocale>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

std::string RouteOf(const std::vector<std::string>& lines, std::size_t nMaxPoints = kMaxRoutePoints)
{
    CGPSTrack track("/nonexistent/GPS/GPS0001.LOG");
    for (const std::string& line : lines)
        track.ParseRecord(line);
    return RouteText(track, nMaxPoints);
}

} // namespace

// Written out by hand: the second is the record's place in the log, invalid records are left
// out but still count, and numbers keep their decimal point under a decimal-comma locale.
TEST(RouteText, ValidRecordsWithTheirSecond)
{
    const char* pszLocale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    ASSERT_NE(pszLocale, nullptr) << "de_DE.UTF-8 is missing (scripts/test makes it)";
    const struct
    {
        std::vector<std::string> lines;
        const char* pszRoute;
    } cases[] = {
        {{}, "[]"},
        {{"V,120000,0304100000,,,"}, "[]"},
        {{"A,120001,0304100000,1030.0000,02015.0000,10.00"}, "[[10.500000,20.250000,0]]"},
        {{"V,120000,0304100000,,,", "A,120001,0304100000,1030.0000,02015.0000,10.00", "garbage",
          "A,120003,0304100000,0000.0600,17959.9940,0.00"},
         "[[10.500000,20.250000,1],[0.001000,179.999900,3]]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RouteOf(c.lines), c.pszRoute);
    std::setlocale(LC_NUMERIC, "C");
}

// A long log is thinned to the limit: every k-th record from the first, the last always.
TEST(RouteText, LongLogsAreThinnedWithinTheLimit)
{
    const struct
    {
        int nRecords;
        std::size_t nMax;
        std::vector<int> seconds;
    } cases[] = {
        {5, 5, {0, 1, 2, 3, 4}},
        {6, 5, {0, 2, 4, 5}},
        {10, 5, {0, 3, 6, 9}},
        {11, 5, {0, 4, 8, 10}},
        {7, 3, {0, 6}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines(std::size_t(c.nRecords), "A,120001,0304100000,1030.0000,02015.0000,10.00");
        std::string expected = "[";
        for (int s : c.seconds)
            expected += (expected.size() > 1 ? ",[" : "[") + std::string("10.500000,20.250000,") + std::to_string(s) + "]";
        EXPECT_EQ(RouteOf(lines, c.nMax), expected + "]") << c.nRecords << " records, at most " << c.nMax;
    }
}

TEST(DropPlan, FoldersAndClipsInTheOrderDropped)
{
    CScratchDir dir;
    const std::string clip = dir.Write("a #1 100%/行车.MOV", "x");
    const std::string other = dir.Write("-b.mp4", "x");
    const std::string notes = dir.Write("notes.txt", "x");
    const std::string folder = dir.Path() + "/a #1 100%";
    ASSERT_EQ(::symlink(folder.c_str(), (dir.Path() + "/link").c_str()), 0);
    ASSERT_EQ(::symlink((dir.Path() + "/gone.MOV").c_str(), (dir.Path() + "/dangling.MOV").c_str()), 0);

    const CDropPlan plan =
        PlanDrop({notes, clip, "", folder, dir.Path() + "/dangling.MOV", dir.Path() + "/link", other, dir.Path() + "/gone"});
    EXPECT_EQ(plan.m_folders, (std::vector<std::string>{folder, dir.Path() + "/link"}));
    EXPECT_EQ(plan.m_clips,
              (std::vector<std::string>{clip, dir.Path() + "/dangling.MOV", other, dir.Path() + "/gone"}));
    EXPECT_TRUE(PlanDrop({notes, ""}).IsEmpty());
}
