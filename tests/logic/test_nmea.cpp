#include "logic/fixseconds.h"
#include "logic/folderscan.h"
#include "logic/nmea.h"
#include "logic/tracksource.h"
#include "scratchdir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// "$" + body + "*" + its checksum.
std::string Sentence(const std::string& body)
{
    unsigned sum = 0;
    for (const char c : body)
        sum ^= static_cast<unsigned char>(c);
    char star[4];
    std::snprintf(star, sizeof star, "*%02X", sum);
    return "$" + body + star;
}

// An RMC sentence at hhmmss[.fff] on ddmmyy whose speed field tells which one it is.
std::string Rmc(const std::string& time, const std::string& date, int nMark, char status = 'A')
{
    return Sentence("GPRMC," + time + "," + status + ",3351.407,S,07012.919,W," + std::to_string(nMark)
                    + ",,"  + date + ",,,A");
}

// The records of a log: the mark of each valid one, -1 for an invalid one.
std::vector<int> Marks(const std::string& content, const CGPSTrack::Limits& limits = CGPSTrack::Limits())
{
    CScratchDir dir;
    CGPSTrack track(dir.Write("log.nmea", content), NmeaReader(), limits);
    std::vector<int> marks;
    while (track.ReadNextRecord()) {
        const CGPSPoint& p = *track.GetAt(track.GetCount() - 1);
        marks.push_back(p.m_bValid ? int(p.m_dSpeed / kGaugeUnitsPerKnot + 0.5) : -1);
    }
    return marks;
}

struct SentenceCase
{
    std::string m_strLine;
    bool m_bRmc = false, m_bValid = false, m_bTimed = false;
    double m_dLat = 0, m_dLng = 0, m_dKnots = 0;
};

const std::string kBody = "GNRMC,053232.438,A,3114.8789,N,12135.2442,E,0.26,167.42,020315,,,A";
const double kLat = 31 + 14.8789 / 60, kLng = 121 + 35.2442 / 60;

} // namespace

TEST(Nmea, SentenceRules)
{
    std::string nul = "$" + kBody;
    nul[25] = '\0';
    // Text before the '$' is no part of the sentence; the checksum's hex digits in lower case.
    std::string lowerHex = "\x01junk " + Sentence(kBody), wrongSum = Sentence(kBody);
    for (std::size_t i = lowerHex.size() - 2; i < lowerHex.size(); ++i)
        lowerHex[i] = char(std::tolower(lowerHex[i]));
    wrongSum.back() = wrongSum.back() == '0' ? '1' : '0';
    const SentenceCase cases[] = {
        {Sentence(kBody), true, true, true, kLat, kLng, 0.26},
        {"$" + kBody, true, true, true, kLat, kLng, 0.26},                             // no checksum
        {lowerHex + "\r ", true, true, true, kLat, kLng, 0.26},
        {Sentence("GPRMC,123519,A,4807.038,S,01131.000,W,022.4,084.4,230394,003.1,W"), true, true, true,
         -(48 + 7.038 / 60), -(11 + 31.0 / 60), 22.4},
        {Sentence("GARMC,000000,A,0000.0000,S,00000.00,W,0,,010100") + std::string(200 * 2, ','), true,
         false, false, 0, 0, 0},                                                    // text after the checksum
        {Sentence("GARMC,000000,A,9000.00,S,18000.00,W,100,,010100" + std::string(200, ',')), true, true,
         true, -90, -180, 100},                                                     // 200 fields
        {wrongSum, true, false, false, 0, 0, 0},
        {wrongSum.substr(0, wrongSum.size() - 1), true, false, false, 0, 0, 0},
        {Sentence("GNRMC,053232.438,V,3114.8789,N,12135.2442,E,0.26,167.42,020315"), true, false, true, 0, 0, 0},
        {Sentence("GNRMC,053232.438,a,3114.8789,N,12135.2442,E,0.26,167.42,020315"), true, false, true, 0, 0, 0},
        {Sentence("GNRMC,053232.438,A,3114.8789,N,12135.2442,E,0.26,167.42"), true, false, false, 0, 0, 0},
        {Sentence("GNRMC,053232.438,A,3114.8789,N,12135.2442,E,,167.42,020315"), true, false, true, 0, 0, 0},
        {Sentence("GNRMC,053232.438,A,3114.8789,X,12135.2442,E,1,,020315"), true, false, true, 0, 0, 0},
        {Sentence("GNRMC,053232.438,A,31l4.8789,N,12135.2442,E,1,,020315"), true, false, true, 0, 0, 0},
        {Sentence("GNRMC,053232.438,A,3160.0000,N,12135.2442,E,1,,020315"), true, false, true, 0, 0, 0},
        {Sentence("GNRMC,053232.438,A,9100.0000,N,12135.2442,E,1,,020315"), true, false, true, 0, 0, 0},
        {Sentence("GNRMC,053232.438,A,3114.8789,N,18035.2442,E,1,,020315"), true, false, true, 0, 0, 0},
        {Sentence("GNRMC,053232.438,A,314.8789,N,12135.2442,E,1,,020315"), true, false, true, 0, 0, 0},
        {Sentence("GNRMC,053232.438,A,3114.8789,N,12135.2442,E,-1,,020315"), true, false, true, 0, 0, 0},
        {Sentence("GNRMC,253232,A,3114.8789,N,12135.2442,E,1,,020315"), true, false, false, 0, 0, 0},
        {Sentence("GNRMC,053232,A,3114.8789,N,12135.2442,E,1,,021315"), true, false, false, 0, 0, 0},
        {Sentence("GNRMC,0532,A,3114.8789,N,12135.2442,E,1,,020315"), true, false, false, 0, 0, 0},
        {nul, true, false, true, 0, 0, 0},
        {Sentence("GPGGA,053232.438,3114.8789,N,12135.2442,E,1,06,1.2,153.8,M,8.3,M,,0000"), false},
        {Sentence("PGRME,,M,,M,,M"), false},
        {Sentence("gprmc,053232,A,3114.8789,N,12135.2442,E,1,,020315"), false},
        {kBody, false},
        {std::string(64 * 1024, 'x'), false},
    };
    for (const SentenceCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.m_strLine.substr(0, 120)));
        CTimedFix fix;
        ASSERT_EQ(ParseRmcSentence(c.m_strLine, fix), c.m_bRmc);
        EXPECT_EQ(fix.m_bValid, c.m_bValid);
        EXPECT_EQ(fix.m_dUtcTime.has_value(), c.m_bTimed);
        if (c.m_bValid) {
            EXPECT_NEAR(fix.m_dLatitude, c.m_dLat, 1e-12);
            EXPECT_NEAR(fix.m_dLongitude, c.m_dLng, 1e-12);
            EXPECT_DOUBLE_EQ(GaugeSpeed(*fix.m_dSpeed, fix.m_eSpeedUnit), c.m_dKnots * 1.825);
        }
    }

    CTimedFix fix;
    ASSERT_TRUE(ParseRmcSentence(Sentence(kBody), fix));
    EXPECT_NEAR(*fix.m_dUtcTime, double(DaysSince1980(2015, 3, 2) * 86400 + 5 * 3600 + 32 * 60 + 32) + 0.438, 1e-6);
}

TEST(Nmea, OneRecordASecondOfTheSentencesTime)
{
    const std::string d = "020315";
    const std::string untimed = Sentence("GPRMC,,V,,,,,,,020315,,,N");
    struct Case { std::vector<std::string> m_lines; std::vector<int> m_marks; };
    const Case cases[] = {
        {{Rmc("120000", d, 1), Rmc("120001", d, 2, 'V'), Rmc("120002", d, 3)}, {1, -1, 3}},  // 1 Hz
        {{Rmc("120000.0", d, 1), Rmc("120000.4", d, 2), Rmc("120000.8", d, 3, 'V'),
          Rmc("120001.0", d, 4, 'V'), Rmc("120001.2", d, 5)}, {2, 5}},                   // 5 Hz: last valid
        {{Rmc("120000", d, 1), Rmc("120003", d, 2)}, {1, -1, -1, 2}},                    // skipped seconds
        {{untimed, Rmc("120000", d, 1), untimed, untimed}, {-1, 1, -1, -1}},              // no time: 1 Hz
        {{Rmc("120000.0", d, 1), untimed, Rmc("120000.5", d, 2)}, {2}},                   // ... or fast
        {{Rmc("120000", d, 1), "$GPRMC,120001,A,bad*00", Rmc("120002", d, 3)}, {1, -1, 3}},
        {{Rmc("120010", d, 1), Rmc("120005", d, 2), Rmc("120006", d, 3)}, {1, 2, 3}},    // backwards
        {{Rmc("120000", d, 1), Rmc("120000", "020399", 2), Rmc("120001", "020320", 3)}, {1, 2, 3}},  // years
        {{Rmc("235959", "280216", 1), Rmc("000000", "290216", 2), Rmc("235959", "290216", 3),
          Rmc("000000", "010316", 4), Rmc("235959", "311299", 5), Rmc("000000", "010100", 6)}, {1, 2, 3, 4, 5, 6}},
        {{Rmc("120000", d, 1), Sentence("GPGGA,120000,,,,,0"), Rmc("120001", d, 2)}, {1, 2}},
    };
    for (const Case& c : cases) {
        std::string log;
        for (const std::string& line : c.m_lines)
            log += line + "\r\n";
        SCOPED_TRACE(log);
        EXPECT_EQ(Marks(log), c.m_marks);
    }
    // An hour's gap is filled, a longer one starts afresh.
    EXPECT_EQ(Marks(Rmc("120000", d, 1) + "\n" + Rmc("130001", d, 2) + "\n").size(), 3602u);
    EXPECT_EQ(Marks(Rmc("120000", d, 1) + "\n" + Rmc("130002", d, 2) + "\n").size(), 2u);
}

TEST(Nmea, BadInputIsBoundedAndNeverBlocks)
{
    CScratchDir dir;
    const std::string fix = Rmc("120000", "020315", 7) + "\n";
    // A 64 KiB line and NUL bytes cost a record each at most; sentences after them still count.
    EXPECT_EQ(Marks(std::string(64 * 1024, '$') + "\n" + std::string(5000, '\0') + "\n" + fix),
              std::vector<int>{7});
    // A 1 GiB file is read up to the byte limit (256 MiB) and gives no record.
    const std::string big = dir.Write("big.nmea", fix);
    ASSERT_EQ(::truncate(big.c_str(), off_t(1) << 30), 0);
    CGPSTrack bigTrack(big, NmeaReader());
    while (bigTrack.ReadNextRecord()) {}
    EXPECT_EQ(bigTrack.GetCount(), 1);
    // Hour-long gaps reach the record bound with a few sentences.
    std::string gaps;
    for (int day = 1; day <= 13; ++day)
        for (int hour = 0; hour < 24; ++hour)
            gaps += Rmc((hour < 10 ? "0" : "") + std::to_string(hour) + "0000", (day < 10 ? "0" : "") + std::to_string(day) + "0315", 1) + "\n";
    CGPSTrack gapTrack(dir.Write("gaps.nmea", gaps), NmeaReader());
    while (gapTrack.ReadNextRecord()) {}
    EXPECT_EQ(gapTrack.GetCount(), CGPSTrack::Limits().m_nMaxRecords);
    // Neither a FIFO nor a folder is read.
    ASSERT_EQ(::mkfifo((dir.Path() + "/fifo.nmea").c_str(), 0600), 0);
    EXPECT_FALSE(CGPSTrack(dir.Path() + "/fifo.nmea", NmeaReader()).IsOpen());
    EXPECT_FALSE(CGPSTrack(dir.MakeDir("dir.nmea"), NmeaReader()).IsOpen());
}

TEST(Nmea, TrackComesFromTheCardLogThenTheFileBesideTheClip)
{
    CScratchDir dir;
    const std::string clip = dir.Write("card/DCIM/100MEDIA/CLIP0042.MOV", "x");
    const std::string cardLog = dir.Path() + "/card/GPS/GPS0042.LOG";
    const std::string beside = dir.Path() + "/card/DCIM/100MEDIA/";
    const auto formatOf = [&] { return OpenClipTrack(clip, cardLog); };

    EXPECT_FALSE(formatOf()->IsOpen());
    // A folder or a FIFO of the name is passed over for a file in another letter case.
    dir.MakeDir("card/DCIM/100MEDIA/CLIP0042.nmea");
    ASSERT_EQ(::mkfifo((beside + "CLIP0042.NMEA").c_str(), 0600), 0);
    EXPECT_FALSE(formatOf()->IsOpen());
    dir.Write("card/DCIM/100MEDIA/clip0042.Nmea", Rmc("120000", "020315", 1));
    EXPECT_EQ(&formatOf()->GetReader(), &NmeaReader());
    EXPECT_TRUE(formatOf()->IsOpen());
    EXPECT_EQ(FormatEntryLog(ScanFolder(dir.Path() + "/card").m_clips.at(0)), "Y");

    // The card's log comes first, even without a valid record.
    dir.Write("card/gps/gps0042.log", "V,120000,0304100000,,,\n");
    EXPECT_EQ(&formatOf()->GetReader(), &CardLogReader());
    EXPECT_TRUE(formatOf()->IsOpen());

    // The play list says N for a clip with only a folder of the name beside it.
    dir.Write("card/DCIM/100MEDIA/MOVI0043.AVI", "x");
    dir.MakeDir("card/DCIM/100MEDIA/MOVI0043.nmea");
    EXPECT_EQ(FormatEntryLog(ScanFolder(dir.Path() + "/card").m_clips.at(1)), "N");
}

namespace {

struct RealNmea
{
    const char* m_pszName;
    int m_nRecords, m_nFirstValid;
    double m_dLat, m_dLng, m_dKnots;
};

} // namespace

class RealNmeaLogs : public ::testing::TestWithParam<RealNmea>
{
};

TEST_P(RealNmeaLogs, LoadAsRecordedByTheReceiver)
{
    const RealNmea& log = GetParam();
    CGPSTrack track(std::string(DERUZIZ_TEST_DATA_DIR) + "/nmea/" + log.m_pszName, NmeaReader());
    while (track.ReadNextRecord()) {}
    ASSERT_EQ(track.GetCount(), log.m_nRecords);
    for (int i = 0; i < track.GetCount(); ++i)
        EXPECT_EQ(track.GetAt(i)->m_bValid, i >= log.m_nFirstValid) << i;
    const CGPSPoint& first = *track.GetAt(log.m_nFirstValid);
    EXPECT_NEAR(first.m_dLatitude, log.m_dLat, 1e-12);
    EXPECT_NEAR(first.m_dLongitude, log.m_dLng, 1e-12);
    EXPECT_DOUBLE_EQ(first.m_dSpeed, log.m_dKnots * 1.825);
}

INSTANTIATE_TEST_SUITE_P(
    SharedData, RealNmeaLogs,
    ::testing::Values(RealNmea{"navisys-gr601w-1hz.nmea", 9, 0, 40 + 2.10513 / 60, -(75 + 31.20562 / 60), 0.016},
                      RealNmea{"sirf-trig-gn-1hz.nmea", 5, 3, 31 + 14.8789 / 60, 121 + 35.2442 / 60, 0.26}),
    [](const ::testing::TestParamInfo<RealNmea>& info) { return std::string(info.param.m_pszName).substr(0, 4); });

// Fixes with clip times (a track inside the clip) are put at their second of the clip, the
// seconds before the first one invalid; their UTC time gives the records' date.
TEST(FixSeconds, ClipTimesCountFromTheClipsStart)
{
    const auto Fix = [](double clip, double lat, bool bUtc = true) {
        CTimedFix fix;
        fix.m_bValid = true;
        fix.m_dLatitude = lat;
        fix.m_dSpeed = 10.0;
        fix.m_eSpeedUnit = ESpeedUnit::Knots;
        fix.m_dClipTime = clip;
        if (bUtc)
            fix.m_dUtcTime = 1000.0 + clip;
        return fix;
    };
    struct Case { ESecondRule m_eRule; std::vector<CTimedFix> m_fixes; std::vector<double> m_lats; std::vector<std::int64_t> m_utc; };
    const Case cases[] = {
        {ESecondRule::LastFixOfSecond, {Fix(2.3, 1), Fix(2.7, 2), Fix(4.1, 3)}, {0, 0, 2, 0, 3}, {-1, -1, 1002, -1, 1004}},
        {ESecondRule::LastFixOfSecond, {Fix(0.0, 1, false), Fix(1.5, 2, false)}, {1, 2}, {-1, -1}},
    };
    for (const Case& c : cases) {
        CFixSeconds seconds(c.m_eRule);
        std::vector<double> lats;
        std::vector<std::int64_t> utc;
        CGPSPoint record;
        const auto drain = [&] {
            while (seconds.Take(record)) {
                lats.push_back(record.m_bValid ? record.m_dLatitude : 0.0);
                utc.push_back(record.m_nUtcSecond.value_or(-1));
                EXPECT_TRUE(!record.m_bValid || record.m_dSpeed == 10.0 * kGaugeUnitsPerKnot);
            }
        };
        for (const CTimedFix& fix : c.m_fixes) {
            seconds.Add(fix);
            drain();
        }
        seconds.Finish();
        drain();
        EXPECT_EQ(lats, c.m_lats);
        EXPECT_EQ(utc, c.m_utc);
    }
}
