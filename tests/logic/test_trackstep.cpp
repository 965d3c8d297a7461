#include <gtest/gtest.h>

#include "logic/gpspoint.h"
#include "logic/gpstrack.h"
#include "logic/trackfollower.h"
#include "logic/trackstep.h"
#include "scratchdir.h"

#include <clocale>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

struct StepCase
{
    double dLat, dLng, dSpeed;
    const char* pszPageLat;
    const char* pszPageLng;
    const char* pszEast;
    const char* pszNorth;
    int nGauge;
};

// Expected texts written out from the formats: "%f" for the page, "E:%09f" / "N:%09f" for the
// labels, and one gauge position per 2 units of speed, truncated.
const StepCase kCases[] = {
    {5.25, 120.5, 57.9, "5.250000", "120.500000", "E:120.500000", "N:05.250000", 28},
    {47.1234564, 8.5, 0.0, "47.123456", "8.500000", "E:08.500000", "N:47.123456", 0},
    {0.0, 0.0, 1.99, "0.000000", "0.000000", "E:00.000000", "N:00.000000", 0},
    {89.9999999, 179.9999999, 2.0, "90.000000", "180.000000", "E:180.000000", "N:90.000000", 1},
    {12.0000004, 7.0000006, 182.49, "12.000000", "7.000001", "E:07.000001", "N:12.000000", 91},
    {1.5, 2.5, 240.0, "1.500000", "2.500000", "E:02.500000", "N:01.500000", 120},
    {1.5, 2.5, 241.9, "1.500000", "2.500000", "E:02.500000", "N:01.500000", 120},
    // South and west: the page gets signed degrees, the texts the distance with S: / W:.
    {-5.25, -0.5, 0.0, "-5.250000", "-0.500000", "W:00.500000", "S:05.250000", 0},
    {-33.8567844, -151.2152967, 3.65, "-33.856784", "-151.215297", "W:151.215297", "S:33.856784", 1},
    {-89.9999999, -179.9999999, 0.0, "-90.000000", "-180.000000", "W:180.000000", "S:90.000000", 0},
    {-0.0, 0.0, 0.0, "-0.000000", "0.000000", "E:00.000000", "N:00.000000", 0},
};

// Switches the numeric locale of the process for the life of the object.
class CNumericLocale
{
public:
    explicit CNumericLocale(const char* pszName) : m_strSaved(std::setlocale(LC_NUMERIC, nullptr))
    {
        m_bSet = std::setlocale(LC_NUMERIC, pszName) != nullptr;
    }
    ~CNumericLocale() { std::setlocale(LC_NUMERIC, m_strSaved.c_str()); }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;
    bool IsSet() const { return m_bSet; }

private:
    std::string m_strSaved;
    bool m_bSet = false;
};

} // namespace

// The program runs with the user's numeric locale (Qt sets it); a decimal comma must reach
// neither the texts nor the page calls.
TEST(TrackStep, TextsGaugeAndPageArgumentsUnderADecimalCommaLocale)
{
    const CNumericLocale locale("de_DE.UTF-8");
    ASSERT_TRUE(locale.IsSet()) << "the locale de_DE.UTF-8 is missing (scripts/test generates it)";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    for (const StepCase& c : kCases) {
        CGPSPoint point;
        point.m_dLatitude = c.dLat;
        point.m_dLongitude = c.dLng;
        point.m_dSpeed = c.dSpeed;
        point.m_bValid = true;
        const CTrackStep step = TrackStepOf(point);
        EXPECT_EQ(step.m_strPageLat, c.pszPageLat) << c.dLat;
        EXPECT_EQ(step.m_strPageLng, c.pszPageLng) << c.dLng;
        EXPECT_EQ(step.m_strEast, c.pszEast) << c.dLng;
        EXPECT_EQ(step.m_strNorth, c.pszNorth) << c.dLat;
        EXPECT_EQ(step.m_nGaugePos, c.nGauge) << c.dSpeed;
    }
}

TEST(TrackStep, SpeedsNoLogCanHoldDoNotOverflowTheGauge)
{
    // A record built in memory may carry anything; converting it must stay defined.
    EXPECT_EQ(GaugePosition(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_GT(GaugePosition(1e300), 120);
    EXPECT_LT(GaugePosition(-1e300), 0);
    EXPECT_GT(GaugePosition(std::numeric_limits<double>::infinity()), 120);
    EXPECT_EQ(GaugePosition(-3.9), -1);
    // Huge coordinates still format whole.
    EXPECT_EQ(FormatNorthText(1e20).rfind("N:100000000000000000000.000000", 0), 0u);
}

TEST(RecordForSecond, RecordOfTheSecondOrTheLastValidBeforeIt)
{
    // Seconds 0..5: invalid, valid, valid, invalid, invalid, valid.
    CGPSTrack track("/nonexistent/GPS/GPS0001.LOG");
    for (const char* pszLine : {"V,120000,0304100000,,,", "A,120001,0304100000,1030.0000,02015.0000,10.00",
                                "A,120002,0304100000,1030.6000,02015.6000,20.00", "V,120003,0304100000,,,",
                                "V,120004,0304100000,,,", "A,120005,0304100000,1031.2000,02016.2000,31.73"})
        track.ParseRecord(pszLine);
    const struct
    {
        std::int64_t nSecond;
        int nRecord;
    } kCases[] = {{-1, -1}, {0, -1}, {1, 1}, {2, 2}, {3, 2}, {4, 2}, {5, 5}, {6, 5}, {86400, 5}};
    for (const auto& c : kCases)
        EXPECT_EQ(RecordForSecond(track, c.nSecond), c.nRecord) << "second " << c.nSecond;

    const CGPSTrack empty("/nonexistent/GPS/GPS0002.LOG");
    EXPECT_EQ(RecordForSecond(empty, 3), -1);
}

namespace {

// What the follower put on screen: "r<latitude>" for a record, "s<second>" for the route.
class CShownSteps : public ITrackDisplay
{
public:
    void ShowTrackStep(const CTrackStep& step) override { m_shown.push_back("r" + step.m_strPageLat); }
    void ShowRouteSecond(std::int64_t nSecond) override { m_shown.push_back("s" + std::to_string(nSecond)); }
    std::vector<std::string> m_shown;
};

} // namespace

TEST(TrackFollower, StartPointShownRecordsAndCursor)
{
    CScratchDir dir;
    // Seconds 0..3: invalid, valid at 10.5, invalid, valid at 10.51.
    const std::string log = dir.Write("GPS/GPS0001.LOG", "V,120000,0304100000,,,\n"
                                                         "A,120001,0304100000,1030.0000,02015.0000,10.00\n"
                                                         "V,120002,0304100000,,,\n"
                                                         "A,120003,0304100000,1030.6000,02015.6000,20.00\n");
    CShownSteps display;
    CTrackFollower follower(display);
    follower.SetTrack(std::make_unique<CGPSTrack>(log));
    follower.ReadTrack();
    EXPECT_NEAR(follower.StartPoint().m_dLatitude, 10.5, 1e-9);
    EXPECT_EQ(follower.Track()->GetCursor(), 0) << "the cursor is back at the start";

    // A record already on show is not shown again; a second past the track shows its last.
    for (std::int64_t nSecond : {1, 2, 0, 9})
        follower.ShowSecond(nSecond);
    EXPECT_EQ(display.m_shown, (std::vector<std::string>{"r10.500000", "s1", "s2", "s0", "r10.510000", "s9"}));
    EXPECT_TRUE(follower.AtEnd());
    EXPECT_TRUE(follower.HasSecond(3));
    EXPECT_FALSE(follower.HasSecond(4));

    // Without the video's time: one record a tick, the invalid ones only on the route.
    display.m_shown.clear();
    follower.Rewind();
    follower.ForgetShown();
    follower.ShowNext();
    follower.ShowNext();
    EXPECT_EQ(display.m_shown, (std::vector<std::string>{"s0", "r10.500000", "s1"}));

    // A track without a valid record keeps no start point and leaves its cursor at the end.
    follower.SetTrack(std::make_unique<CGPSTrack>(dir.Write("GPS/GPS0002.LOG", "V,120000,0304100000,,,\n")));
    follower.ReadTrack();
    EXPECT_FALSE(follower.StartPoint().m_bValid);
    EXPECT_TRUE(follower.AtEnd());
}
