// GPS inside the clip, held against ExifTool's reading of the same file: freeGPS clips made
// here from a clip ffmpeg wrote, and a real GoPro clip.
#include "gpsclipwriter.h"
#include "logic/clipgpsreader.h"
#include "logic/fixseconds.h"
#include "logic/tracksource.h"
#include "logic/logpath.h"
#include "logic/nmea.h"
#include "scratchdir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <sstream>

using namespace GpsClips;

namespace {

// One fix as ExifTool prints it: the document it is in and the fields it gave.
struct CExifFix
{
    int m_nDoc = 0;
    double m_dSampleTime = 0.0, m_dSampleDuration = 0.0;
    double m_dLatitude = NAN, m_dLongitude = NAN;
    std::string m_strTime;  // "2026:12:01 10:15:05Z", "2019:11:18 23:45:14.000"
};

std::string Output(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

bool HaveExifTool()
{
    return std::system("command -v exiftool >/dev/null 2>&1") == 0;
}

// `exiftool -ee -n -a -G3 -s`: lines "[DocN] Tag : value" in file order, a fix per latitude.
std::vector<CExifFix> ExifFixes(const std::string& path)
{
    std::vector<CExifFix> fixes;
    std::istringstream lines(Output("exiftool -ee -n -a -G3 -s '" + path + "' 2>/dev/null"));
    std::map<int, CExifFix> docs;
    for (std::string line; std::getline(lines, line);) {
        int doc = 0;
        char tag[64] = {0};
        if (std::sscanf(line.c_str(), "[Doc%d] %63s", &doc, tag) != 2)
            continue;
        const std::string value = line.substr(line.find(": ") + 2);
        CExifFix& now = docs[doc];
        now.m_nDoc = doc;
        const std::string name = tag;
        if (name == "SampleTime")
            now.m_dSampleTime = std::stod(value);
        else if (name == "SampleDuration")
            now.m_dSampleDuration = std::stod(value);
        else if (name == "GPSDateTime")
            now.m_strTime = value;
        else if (name == "GPSLatitude") {
            if (!std::isnan(now.m_dLatitude))
                fixes.push_back(now);
            now.m_dLatitude = std::stod(value);
        } else if (name == "GPSLongitude") {
            now.m_dLongitude = std::stod(value);
        }
    }
    for (const auto& [doc, fix] : docs)
        if (!std::isnan(fix.m_dLatitude))
            fixes.push_back(fix);
    std::stable_sort(fixes.begin(), fixes.end(), [](const CExifFix& a, const CExifFix& b) { return a.m_nDoc < b.m_nDoc; });
    return fixes;
}

// "2026:12:01 10:15:05Z" (fraction and zone letter optional) into seconds since 1980 UTC.
double ExifUtc(const std::string& text)
{
    std::tm tm = {};
    double second = 0.0;
    if (std::sscanf(text.c_str(), "%d:%d:%d %d:%d:%lf", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour, &tm.tm_min, &second) != 6)
        return NAN;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return double(::timegm(&tm)) - 315532800.0 + second;
}

CBlockFix FixAt(int i, bool bSouthWest)
{
    CBlockFix fix;
    fix.m_nSecond = 50 + i;  // over a minute's end
    if (fix.m_nSecond >= 60) {
        fix.m_nSecond -= 60;
        fix.m_nMinute += 1;
    }
    const double sign = bSouthWest ? -1.0 : 1.0;
    fix.m_dLatitude = sign * (33.8687215 + 0.00031 * i);
    fix.m_dLongitude = sign * (151.2094563 + 0.00047 * i);
    fix.m_dKnots = 10.0 + i;
    return fix;
}

} // namespace

// Tests held against ExifTool, skipped (and shown so) where it is missing; each has a folder
// of its own and a clip ffmpeg wrote to add boxes to.
class AgainstExifTool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!HaveExifTool())
            GTEST_SKIP() << "exiftool is not installed (Debian package libimage-exiftool-perl, in scripts/lib/setup.sh)";
    }
    std::string Base(int nSeconds)
    {
        const std::string base = MakeBaseClip(m_dir.Path() + "/base.mp4", nSeconds);
        EXPECT_FALSE(base.empty()) << "ffmpeg wrote no clip";
        return base;
    }
    CScratchDir m_dir;
};

struct FreeGpsCase
{
    ELayout m_eLayout;
    bool m_bIndex;
    bool m_bSouthWest;
    const char* m_pszSource;
};

class FreeGpsAgainstExifTool : public AgainstExifTool, public ::testing::WithParamInterface<FreeGpsCase>
{
};

TEST_P(FreeGpsAgainstExifTool, RecordsArePositionsAndTimesOfExifTool)
{
    const FreeGpsCase& c = GetParam();
    const std::string base = Base(2);
    ASSERT_FALSE(base.empty());
    constexpr int kBlocks = 14;
    std::vector<std::string> blocks;
    for (int i = 0; i < kBlocks; ++i)
        blocks.push_back(Block(c.m_eLayout, FixAt(i, c.m_bSouthWest)));
    const std::string clip = m_dir.Path() + "/CLIP0001.MP4";
    WriteFile(clip, WithFreeGps(base, blocks, c.m_bIndex));

    const CClipGps found = ReadClipGps(clip, 1 << 20);
    EXPECT_EQ(found.m_strSource, c.m_pszSource);
    EXPECT_TRUE(HasClipGps(clip));
    const std::vector<CExifFix> oracle = ExifFixes(clip);
    ASSERT_EQ(oracle.size(), std::size_t(kBlocks)) << "ExifTool's fixes";
    ASSERT_EQ(found.m_records.size(), oracle.size());
    for (std::size_t i = 0; i < oracle.size(); ++i) {
        const CGPSPoint& record = found.m_records[i];
        SCOPED_TRACE(i);
        ASSERT_TRUE(record.m_bValid);
        EXPECT_NEAR(record.m_dLatitude, oracle[i].m_dLatitude, 1e-6);
        EXPECT_NEAR(record.m_dLongitude, oracle[i].m_dLongitude, 1e-6);
        ASSERT_TRUE(record.m_nUtcSecond.has_value());
        EXPECT_EQ(*record.m_nUtcSecond, std::int64_t(std::floor(ExifUtc(oracle[i].m_strTime))));
    }
}

// Type 3 as the layout notes give it is held by the decoder's own tests: ExifTool 12.57
// reads no fix from such a block. So is Transcend's: ExifTool takes its float position, not
// the doubles beside it.
INSTANTIATE_TEST_SUITE_P(
    Layouts, FreeGpsAgainstExifTool,
    ::testing::Values(FreeGpsCase{ELayout::Type17, true, true, "Novatek freeGPS type 17, 14 blocks"},
                      FreeGpsCase{ELayout::Type17, false, false, "Novatek freeGPS type 17 without an index, 14 blocks"},
                      FreeGpsCase{ELayout::Type17Iqs, true, true, "Novatek freeGPS type 17 (IQS), 14 blocks"},
                      FreeGpsCase{ELayout::Type17Iqs, false, true, "Novatek freeGPS type 17 (IQS) without an index, 14 blocks"},
                      FreeGpsCase{ELayout::Type2, true, true, "Novatek freeGPS type 2, 14 blocks"},
                      FreeGpsCase{ELayout::Type2, false, false, "Novatek freeGPS type 2 without an index, 14 blocks"},
                      FreeGpsCase{ELayout::Type20, true, true, "Novatek freeGPS type 20, 14 blocks"},
                      FreeGpsCase{ELayout::Type20, false, true, "Novatek freeGPS type 20 without an index, 14 blocks"}),
    [](const ::testing::TestParamInfo<FreeGpsCase>& info) { return "Case" + std::to_string(info.index); });

TEST_F(AgainstExifTool, GoProClipIsTheLastFixOfEachSecondThatExifToolReads)
{
    const std::string clip = DERUZIZ_TEST_DATA_DIR "/embedded/gopro/max-heromode.mp4";
    const CClipGps found = ReadClipGps(clip, 1 << 20);
    EXPECT_EQ(found.m_strSource.rfind("GoPro GPMF, 11 samples, ", 0), 0u) << found.m_strSource;
    EXPECT_TRUE(HasClipGps(clip));

    // ExifTool gives each sample's fixes; their clip time is the sample's and their place in it.
    std::map<int, std::size_t> countInDoc;
    const std::vector<CExifFix> oracle = ExifFixes(clip);
    for (const CExifFix& fix : oracle)
        ++countInDoc[fix.m_nDoc];
    std::map<std::int64_t, CExifFix> lastOfSecond;
    std::map<std::int64_t, double> utcOfSecond;
    std::map<int, std::size_t> placeInDoc;
    for (const CExifFix& fix : oracle) {
        const std::size_t place = placeInDoc[fix.m_nDoc]++;
        const double step = fix.m_dSampleDuration / double(countInDoc[fix.m_nDoc]);
        const std::int64_t second = std::int64_t(std::floor(fix.m_dSampleTime + double(place) * step));
        lastOfSecond[second] = fix;
        utcOfSecond[second] = ExifUtc(fix.m_strTime) + double(place) * step;
    }
    ASSERT_GE(lastOfSecond.size(), 10u);
    ASSERT_EQ(found.m_records.size(), std::size_t(lastOfSecond.rbegin()->first + 1));
    for (const auto& [second, fix] : lastOfSecond) {
        SCOPED_TRACE(second);
        const CGPSPoint& record = found.m_records[std::size_t(second)];
        ASSERT_TRUE(record.m_bValid);
        EXPECT_NEAR(record.m_dLatitude, fix.m_dLatitude, 1e-6);
        EXPECT_NEAR(record.m_dLongitude, fix.m_dLongitude, 1e-6);
        EXPECT_NEAR(double(*record.m_nUtcSecond), utcOfSecond[second], 1.0);
    }
}

// BlackVue: NMEA lines on the camera's clock, a wrong checksum among them (BlackVue writes
// them), a skipped second and two sentences in one second.
TEST_F(AgainstExifTool, BlackVueLinesAreTheSecondsOfTheClipThatExifToolReads)
{
    const std::string base = Base(2);
    ASSERT_FALSE(base.empty());
    const std::uint64_t sttm = 1764583200000;
    std::string lines;
    char body[160];
    const int offsets[] = {500, 1500, 2200, 2700, 4500, 5500};  // second 3 is skipped
    for (int i = 0; i < 6; ++i) {
        const int ms = offsets[i];
        std::snprintf(body, sizeof body, "GPRMC,1015%02d.%02d,A,3352.%04d,S,15112.%04d,W,10.5,90.0,011226,,,A", ms / 1000,
                      ms % 1000 / 10, 1234 + 10 * i, 5678 + 10 * i);
        lines += "[" + std::to_string(sttm + std::uint64_t(ms)) + "]" + Sentence(body, i != 1) + "\n";
        lines += "[" + std::to_string(sttm + std::uint64_t(ms)) + "]$GPGGA,101500,3352.1234,S,15112.5678,W,1,08,0.9,5,M,0,M,,*47\n";
    }
    const std::string clip = m_dir.Path() + "/20261201_101500_NF.mp4";
    WriteFile(clip, WithBlackVue(base, "BlackVue DR900X-2CH", sttm, lines));

    const CClipGps found = ReadClipGps(clip, 1 << 20);
    EXPECT_EQ(found.m_strSource, "BlackVue NMEA of \"BlackVue DR900X-2CH\", 6 RMC sentences");
    EXPECT_TRUE(HasClipGps(clip));
    std::map<std::int64_t, CExifFix> lastOfSecond;
    for (const CExifFix& fix : ExifFixes(clip))
        lastOfSecond[std::int64_t(std::floor(fix.m_dSampleTime))] = fix;
    ASSERT_EQ(lastOfSecond.size(), 5u) << "ExifTool's seconds";
    ASSERT_EQ(found.m_records.size(), 6u);
    EXPECT_FALSE(found.m_records[3].m_bValid) << "the skipped second";
    for (const auto& [second, fix] : lastOfSecond) {
        SCOPED_TRACE(second);
        const CGPSPoint& record = found.m_records[std::size_t(second)];
        ASSERT_TRUE(record.m_bValid);
        EXPECT_NEAR(record.m_dLatitude, fix.m_dLatitude, 1e-6);
        EXPECT_NEAR(record.m_dLongitude, fix.m_dLongitude, 1e-6);
        EXPECT_EQ(*record.m_nUtcSecond, std::int64_t(std::floor(ExifUtc(fix.m_strTime))));
    }
}

// NMEA in a timed-text track that ffmpeg made from subtitles; ExifTool gives each sample's text
// and time, and a record is the last sentence of its second.
TEST_F(AgainstExifTool, TextTrackOfNmeaFromSubtitles)
{
    ASSERT_FALSE(Base(6).empty());
    std::string srt;
    char body[160];
    const double starts[] = {0.5, 1.2, 1.6, 3.5, 4.5};  // second 2 is skipped
    for (int i = 0; i < 5; ++i) {
        std::snprintf(body, sizeof body, "GPRMC,1015%02d.00,A,3352.%04d,S,15112.%04d,W,10.5,90.0,011226,,,A", int(starts[i]),
                      1234 + 10 * i, 5678 + 10 * i);
        char cue[64];
        std::snprintf(cue, sizeof cue, "%d\n00:00:0%d,%03d --> 00:00:0%d,%03d\n", i + 1, int(starts[i]),
                      int(starts[i] * 1000) % 1000, int(starts[i] + 0.3), int((starts[i] + 0.3) * 1000) % 1000);
        // Thinkware writes the sentence without its "$" among other records.
        srt += cue + (i == 3 ? "gsensori,1,2,3;" + Sentence(body).substr(1) + ";CAR,0" : Sentence(body)) + "\n\n";
    }
    WriteFile(m_dir.Path() + "/nmea.srt", srt);
    const std::string clip = m_dir.Path() + "/CLIP0001.MP4";
    ASSERT_EQ(std::system(("ffmpeg -nostdin -v error -i '" + m_dir.Path() + "/base.mp4' -i '" + m_dir.Path()
                           + "/nmea.srt' -map 0 -map 1 -c:v copy -c:s mov_text -y '" + clip + "'").c_str()), 0);

    const CClipGps found = ReadClipGps(clip, 1 << 20);
    EXPECT_EQ(found.m_strSource, "NMEA in a tx3g text track, 5 RMC sentences");
    EXPECT_TRUE(HasClipGps(clip));
    // ExifTool's texts at their sample times, the last of each second.
    std::map<int, double> times;
    std::map<int, std::string> texts;
    std::istringstream lines(Output("exiftool -ee -n -a -G3 -s -SampleTime -Text '" + clip + "'"));
    for (std::string line; std::getline(lines, line);) {
        int doc = 0;
        if (std::sscanf(line.c_str(), "[Doc%d]", &doc) != 1)
            continue;
        if (line.find("SampleTime") != std::string::npos)
            times[doc] = std::stod(line.substr(line.find(": ") + 2));
        else if (line.find("RMC,") != std::string::npos)
            texts[doc] = line;
    }
    std::map<std::int64_t, std::string> lastOfSecond;
    for (const auto& [doc, text] : texts)
        lastOfSecond[std::int64_t(std::floor(times[doc]))] = text;
    ASSERT_EQ(lastOfSecond.size(), 4u);
    ASSERT_EQ(found.m_records.size(), 5u);
    EXPECT_FALSE(found.m_records[2].m_bValid) << "the skipped second";
    for (const auto& [second, text] : lastOfSecond) {
        SCOPED_TRACE(text);
        char latitude[16] = {0};
        ASSERT_EQ(std::sscanf(text.c_str() + text.find("RMC,"), "RMC,%*[^,],A,%15[^,]", latitude), 1);
        EXPECT_NEAR(-found.m_records[std::size_t(second)].m_dLatitude, 33.0 + std::stod(latitude + 2) / 60.0, 1e-6);
    }
}

TEST_F(AgainstExifTool, GarminRecordsAreExifToolsFixes)
{
    const std::string base = Base(2);
    ASSERT_FALSE(base.empty());
    std::vector<CGarminFix> fixes;
    for (int i = 0; i < 6; ++i)
        fixes.push_back(CGarminFix{-33.8687215 - 0.0003 * i, i == 2 ? NAN : -151.2094563 - 0.0004 * i, 30 + i});
    const std::string clip = m_dir.Path() + "/GRMN0001.MP4";
    WriteFile(clip, WithMoovChild(base, GarminBox(1764583200, fixes)));

    const CClipGps found = ReadClipGps(clip, 1 << 20);
    EXPECT_EQ(found.m_strSource, "Garmin, 6 records");
    EXPECT_TRUE(HasClipGps(clip));
    ASSERT_EQ(found.m_records.size(), 6u);
    EXPECT_FALSE(found.m_records[2].m_bValid) << "no fix";
    std::vector<CExifFix> oracle = ExifFixes(clip);
    std::size_t nValid = 0;
    for (const CExifFix& fix : oracle) {
        const double utc = ExifUtc(fix.m_strTime);
        const std::size_t second = std::size_t(utc - double(DaysSince1980(2025, 12, 1) * 86400 + 36000));
        ASSERT_LT(second, found.m_records.size()) << fix.m_strTime;
        const CGPSPoint& record = found.m_records[second];
        if (!record.m_bValid)
            continue;
        ++nValid;
        EXPECT_NEAR(record.m_dLatitude, fix.m_dLatitude, 1e-6);
        EXPECT_NEAR(record.m_dLongitude, fix.m_dLongitude, 1e-6);
        EXPECT_NEAR(record.m_dSpeed, (30 + second) * kMetresPerSecondPerMph / kMetresPerSecondPerKnot * kGaugeUnitsPerKnot, 1e-9);
    }
    EXPECT_EQ(nValid, 5u);
}

// A clip that lies: fewer records or none, never a crash, a hang or a wrong position.
TEST(ClipGps, LyingClipsGiveFewerRecords)
{
    CScratchDir dir;
    const std::string base = MakeBaseClip(dir.Path() + "/base.mp4", 1);
    ASSERT_FALSE(base.empty());
    std::vector<std::string> blocks;
    for (int i = 0; i < 3; ++i)
        blocks.push_back(Block(ELayout::Type2, FixAt(i, true)));
    const std::string good = WithFreeGps(base, blocks, true);
    const std::size_t moov = good.rfind("moov") - 4;
    const std::size_t index = good.rfind("gps ") - 4;

    struct LieCase
    {
        const char* m_pszName;
        std::string m_strClip;
        std::size_t m_nRecords;
        bool m_bProbe;
    };
    std::string pastEnd = good;
    PutBE32(pastEnd, index + 16, std::uint32_t(good.size() - 8));  // the first block at the very end
    std::string hugeCount = good;
    PutBE32(hugeCount, index + 12, 0xFFFFFFFFu);
    std::string statusV = WithFreeGps(base, {blocks[0], Block(ELayout::Type2, [] { CBlockFix f = FixAt(1, true); f.m_cStatus = 'V'; return f; }()), blocks[2]}, true);
    const LieCase cases[] = {
        {"no moov (cut by power loss)", good.substr(0, moov), 0, false},
        {"an index entry past the end", pastEnd, 3, true},
        {"an index count of 2^32", hugeCount, 3, true},
        {"status V", statusV, 3, true},
        {"no GPS", base, 0, false},
        {"not a clip", std::string(5000, 'x'), 0, false},
    };
    for (const LieCase& c : cases) {
        SCOPED_TRACE(c.m_pszName);
        const std::string path = dir.Path() + "/lie.mp4";
        WriteFile(path, c.m_strClip);
        const CClipGps found = ReadClipGps(path, 1 << 20);
        EXPECT_EQ(found.m_records.size(), c.m_nRecords);
        EXPECT_EQ(HasClipGps(path), c.m_bProbe);
        for (const CGPSPoint& record : found.m_records) {
            EXPECT_TRUE(!record.m_bValid || record.m_dLatitude < -33.0) << "a position no block holds";
        }
        if (c.m_nRecords == 0) {
            EXPECT_FALSE(found.m_strSeen.empty()) << "says nothing of what it saw";
        }
    }
}

// A file beside the clip is the user's choice and wins over what the clip holds.
TEST(ClipGps, FilesBesideTheClipComeFirst)
{
    CScratchDir dir;
    const std::string base = MakeBaseClip(dir.Path() + "/base.mp4", 1);
    ASSERT_FALSE(base.empty());
    const std::string clip = dir.Path() + "/DCIM/CLIP0001.MP4";
    dir.Write("DCIM/CLIP0001.MP4", WithFreeGps(base, {Block(ELayout::Type2, FixAt(0, true))}, true));
    CGpsLogLookup logs;
    std::vector<CClipTrack> tracks = FindClipTrack(logs, clip, GetGpsLogPath(clip, "LOG"));
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].m_pReader, &ClipGpsReader());
    dir.Write("DCIM/CLIP0001.nmea", "");
    CGpsLogLookup fresh;
    tracks = FindClipTrack(fresh, clip, GetGpsLogPath(clip, "LOG"));
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].m_pReader, &NmeaReader());
    EXPECT_EQ(tracks[1].m_pReader, &ClipGpsReader());
}

// A sparse 5 GiB clip: a 64-bit mdat, then moov with the index of freeGPS blocks near its end.
// Only headers, moov and the blocks are read, so it takes no longer than a small clip.
TEST(ClipGps, FiveGigabyteClipIsReadByItsHeaders)
{
    CScratchDir dir;
    const std::string base = MakeBaseClip(dir.Path() + "/base.mp4", 1);
    ASSERT_FALSE(base.empty());
    const std::size_t moovAt = base.rfind("moov") - 4;
    const std::uint64_t kMoov = std::uint64_t(5) << 30;
    const std::string block = Block(ELayout::Type2, FixAt(0, true));
    std::string head = base.substr(0, 32) + std::string(16, '\0');
    PutBE32(head, 32, 1);
    std::memcpy(&head[36], "mdat", 4);
    for (int i = 0; i < 8; ++i)
        head[40 + i] = char((kMoov - 32) >> (56 - 8 * i));
    std::string moov = base.substr(moovAt);
    std::string index(24, '\0');
    PutBE32(index, 0, 24);
    std::memcpy(&index[4], "gps ", 4);
    PutBE32(index, 12, 1);
    // The offset field is 32 bits: the block's offset is kept below 4 GiB too.
    PutBE32(index, 16, 0xF0000000u);
    PutBE32(index, 20, std::uint32_t(block.size()));
    moov += index;
    PutBE32(moov, 0, std::uint32_t(moov.size()));
    const std::string path = dir.Path() + "/BIG.MP4";
    {
        std::ofstream out(path, std::ios::binary);
        out << head;
        out.seekp(std::streamoff(0xF0000000u));
        out << block;
        out.seekp(std::streamoff(kMoov));
        out << moov;
    }
    const CClipGps found = ReadClipGps(path, 1 << 20);
    ASSERT_EQ(found.m_records.size(), 1u) << found.m_strSeen;
    EXPECT_TRUE(found.m_records[0].m_bValid);
    EXPECT_TRUE(HasClipGps(path));
}
