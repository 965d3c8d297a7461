#include "logic/gpstrack.h"
#include "recordcheck.h"

#include "framework/core/fileerror.h"
#include "scratchdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kValid = "A,123456,1805110000,1030.0000,02015.0000,12.50";
const std::string kValid2 = "A,123457,1805110000,1030.0060,02015.0060,13.00";
const std::string kVoid = "V,123455,1805110000,,,";

// The main window's loading loop: read everything, and until the first valid record has
// been seen take it as the start point and advance.
std::optional<CGPSPoint> LoadLikeTheOwner(CGPSTrack& track)
{
    std::optional<CGPSPoint> start;
    while (track.ReadNextRecord()) {
        if (!start) {
            const CGPSPoint* p = track.GetCurrent();
            if (p && p->m_bValid)
                start = *p;
            track.Advance();
        }
    }
    return start;
}

int LoadAll(CGPSTrack& track)
{
    int n = 0;
    while (track.ReadNextRecord())
        ++n;
    return n;
}

int OpenDescriptors()
{
    int n = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd");
         it != std::filesystem::directory_iterator(); ++it)
        ++n;
    return n;
}

void ExpectEmptyAndStill(CGPSTrack& track)
{
    EXPECT_EQ(track.GetCount(), 0);
    EXPECT_TRUE(track.AtEnd());
    EXPECT_EQ(track.GetCurrent(), nullptr);
    track.Advance();
    track.Rewind();
    EXPECT_EQ(track.GetCursor(), 0);
    EXPECT_EQ(track.GetCurrent(), nullptr);
    EXPECT_EQ(track.ReadNextRecord(), 0);
}

class Track : public ::testing::Test
{
protected:
    std::string Log(const std::string& content, const std::string& name = "GPS/GPS0042.LOG")
    {
        return m_dir.Write(name, content);
    }
    CScratchDir m_dir;
};

} // namespace

TEST_F(Track, VoidThenTwoValidLines)
{
    CGPSTrack track(Log(kVoid + "\n" + kValid + "\n" + kValid2 + "\n"));
    ASSERT_TRUE(track.IsOpen());
    const std::optional<CGPSPoint> start = LoadLikeTheOwner(track);
    EXPECT_EQ(track.GetCount(), 3);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->m_dLatitude, 10.5);
    EXPECT_EQ(start->m_nSecond, 56);
    EXPECT_EQ(track.GetCursor(), 2);

    track.Rewind();
    ASSERT_NE(track.GetCurrent(), nullptr);
    EXPECT_FALSE(track.GetCurrent()->m_bValid);

    // The per-second steps: records 1 and 2, then the end.
    track.Advance();
    EXPECT_EQ(track.GetCurrent()->m_nSecond, 56);
    track.Advance();
    EXPECT_EQ(track.GetCurrent()->m_nSecond, 57);
    EXPECT_FALSE(track.AtEnd());
    track.Advance();
    EXPECT_TRUE(track.AtEnd());
    EXPECT_EQ(track.GetCurrent(), nullptr);
    track.Advance();
    EXPECT_EQ(track.GetCursor(), 3);
    EXPECT_TRUE(track.AtEnd());
    EXPECT_EQ(track.GetCurrent(), nullptr);
}

TEST_F(Track, FirstLineValidStartsAtRecordZero)
{
    CGPSTrack track(Log(kValid + "\n" + kVoid + "\n" + kValid2 + "\n"));
    const std::optional<CGPSPoint> start = LoadLikeTheOwner(track);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->m_nSecond, 56);
    EXPECT_EQ(track.GetCursor(), 1);
    EXPECT_EQ(track.GetCount(), 3);
}

TEST_F(Track, AllVoidLogHasRecordsButNoStartPoint)
{
    CGPSTrack track(Log(kVoid + "\n" + kVoid + "\n"));
    EXPECT_FALSE(LoadLikeTheOwner(track));
    EXPECT_EQ(track.GetCount(), 2);
    EXPECT_TRUE(track.AtEnd());
}

TEST_F(Track, EmptyLogIsOpenWithoutRecords)
{
    CGPSTrack track(Log(""));
    EXPECT_TRUE(track.IsOpen());
    EXPECT_FALSE(LoadLikeTheOwner(track));
    ExpectEmptyAndStill(track);
}

TEST_F(Track, LogThatCannotBeOpenedIsAnEmptyTrack)
{
    for (const std::string& path : {std::string(), m_dir.Path() + "/GPS/GPS0042.LOG",
                                    m_dir.MakeDir("GPS/GPS0043.LOG"), std::string("/dev/zero"),
                                    std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        CGPSTrack track(path);
        EXPECT_FALSE(track.IsOpen());
        ExpectEmptyAndStill(track);
    }

    // A FIFO would block a reader; it is refused at once.
    const std::string fifo = m_dir.Path() + "/GPS/GPS0044.LOG";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    CGPSTrack track(fifo);
    EXPECT_FALSE(track.IsOpen());
}

TEST_F(Track, LogIsFoundWhateverTheLetterCase)
{
    Log(kVoid + "\n" + kValid + "\n", "gps/gps0042.log");
    CGPSTrack track(m_dir.Path() + "/GPS/GPS0042.LOG");
    ASSERT_TRUE(track.IsOpen());
    EXPECT_TRUE(LoadLikeTheOwner(track));
    EXPECT_EQ(track.GetCount(), 2);
}

TEST_F(Track, LineEnds)
{
    struct Case { std::string content; int records; };
    const Case cases[] = {
        {kValid + "\n" + kValid2 + "\n", 2},      // final LF: no extra record
        {kValid + "\n" + kValid2, 2},             // last line without LF
        {kValid + "\r\n" + kValid2 + "\r\n", 2},  // CR LF is one line end
        {"\r\n", 1},
        {"\n", 1},
        {"\n\n\n", 3},
        {"\r\r\n", 1},
        {"\r", 1},
        {"x", 1},
        {kValid + "\r" + kValid2 + "\n", 1},      // a lone CR does not end a line
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.content));
        CGPSTrack track(Log(c.content));
        EXPECT_EQ(LoadAll(track), c.records);
        EXPECT_EQ(track.GetCount(), c.records);
    }

    CGPSTrack crlf(Log(kVoid + "\r\n" + kValid + "\r\n"));
    LoadAll(crlf);
    ASSERT_EQ(crlf.GetCount(), 2);
    EXPECT_FALSE(crlf.GetAt(0)->m_bValid);
    EXPECT_TRUE(crlf.GetAt(1)->m_bValid);
}

TEST_F(Track, SmallReadBlocksGiveTheSameRecords)
{
    std::string content;
    for (int i = 0; i < 40; ++i)
        content += (i % 3 ? kValid : kVoid) + (i % 2 ? "\r\n" : "\n");
    content += kValid2;  // no final LF
    CGPSTrack reference(Log(content));
    LoadAll(reference);
    ASSERT_EQ(reference.GetCount(), 41);

    for (std::size_t block : {1, 2, 3, 7, 47, 48, 49, 64}) {
        SCOPED_TRACE(block);
        CGPSTrack::Limits limits;
        limits.m_nBlockSize = block;
        CGPSTrack track(Log(content), limits);
        LoadAll(track);
        ASSERT_EQ(track.GetCount(), reference.GetCount());
        for (int i = 0; i < track.GetCount(); ++i)
            ExpectSameRecord(*track.GetAt(i), *reference.GetAt(i));
    }
}

TEST_F(Track, GiganticLinesAreOneRecordEachAndKeepTheirFields)
{
    std::string content = kValid + "," + std::string(3 << 20, 'z') + "\n";  // 3 MiB of trailing text
    content += std::string(1 << 20, 'x') + "\n";                           // 1 MiB of nothing
    content += kValid2 + "\n";
    CGPSTrack track(Log(content));
    LoadAll(track);
    ASSERT_EQ(track.GetCount(), 3);
    EXPECT_TRUE(track.GetAt(0)->m_bValid);
    EXPECT_EQ(track.GetAt(0)->m_dLatitude, 10.5);
    EXPECT_FALSE(track.GetAt(1)->m_bValid);
    EXPECT_TRUE(track.GetAt(2)->m_bValid);
    EXPECT_EQ(track.GetAt(2)->m_nSecond, 57);
}

TEST_F(Track, LineLengthLimitNeverChangesARecord)
{
    // A valid record is decided within its first 47 characters.
    const std::string justValid = kValid + ",";
    const std::string tooFast = "A,123456,1805110000,1030.0000,02015.0000,12.507";
    CGPSTrack::Limits limits;
    limits.m_nMaxLineLength = 47;
    CGPSTrack track(Log(justValid + "tail\n" + tooFast + "\r\n" + kValid + "\r\n"), limits);
    LoadAll(track);
    ASSERT_EQ(track.GetCount(), 3);
    EXPECT_TRUE(track.GetAt(0)->m_bValid);
    EXPECT_FALSE(track.GetAt(1)->m_bValid);
    EXPECT_TRUE(track.GetAt(2)->m_bValid);
}

TEST_F(Track, BinaryGarbageAndNulBytes)
{
    std::mt19937 random(42);
    std::string content(2 << 20, '\0');
    for (char& c : content)
        c = static_cast<char>(random());
    // The LF appended below ends the last piece of garbage, even an empty one.
    const int lines = static_cast<int>(std::count(content.begin(), content.end(), '\n')) + 1;

    std::string withNul = kValid;
    withNul[3] = '\0';  // a digit position: still valid, it counts as -48

    CGPSTrack track(Log(content + "\n" + withNul + "\n" + std::string(5000, '\0')));
    LoadAll(track);
    ASSERT_EQ(track.GetCount(), lines + 2);
    const CGPSPoint* nul = track.GetAt(lines);
    EXPECT_TRUE(nul->m_bValid);
    EXPECT_EQ(nul->m_nHour, static_cast<std::uint8_t>(10 * 1 + (0 - 48)));
    EXPECT_FALSE(track.GetAt(lines + 1)->m_bValid);
}

TEST_F(Track, RecordLimit)
{
    CGPSTrack::Limits limits;
    limits.m_nMaxRecords = 5;
    std::string content;
    for (int i = 0; i < 10; ++i)
        content += kValid + "\n";
    CGPSTrack track(Log(content), limits);
    EXPECT_EQ(LoadAll(track), 5);
    EXPECT_EQ(track.ReadNextRecord(), 0);
    EXPECT_EQ(track.GetCount(), 5);

    // The default stops a card full of empty lines at 2^20 records.
    CGPSTrack big(Log(std::string((1 << 20) + 100, '\n'), "GPS/GPS0043.LOG"));
    EXPECT_EQ(LoadAll(big), 1 << 20);
    EXPECT_EQ(big.GetCount(), CGPSTrack::Limits().m_nMaxRecords);
}

TEST_F(Track, ByteLimit)
{
    CGPSTrack::Limits limits;
    limits.m_nMaxBytes = kValid.size() + 1 + 10;
    CGPSTrack track(Log(kValid + "\n" + kValid2 + "\n" + kValid2 + "\n"), limits);
    EXPECT_EQ(LoadAll(track), 2);  // the second line is cut at the limit and read as a last line
    EXPECT_TRUE(track.GetAt(0)->m_bValid);
    EXPECT_FALSE(track.GetAt(1)->m_bValid);
}

TEST_F(Track, CorruptCardFarLargerThanAnyLog)
{
    // 4 GiB of NUL bytes without a line end, as a sparse file.
    const std::string path = Log("");
    ASSERT_EQ(::truncate(path.c_str(), off_t(4) << 30), 0);
    CGPSTrack track(path);
    ASSERT_TRUE(track.IsOpen());
    EXPECT_EQ(LoadAll(track), 1);
    EXPECT_FALSE(track.GetAt(0)->m_bValid);
}

TEST_F(Track, LinesAppendedWhileOpenAreNotRead)
{
    const std::string path = Log(kValid + "\n" + kValid2 + "\n");
    CGPSTrack track(path);
    LoadLikeTheOwner(track);
    ASSERT_EQ(track.GetCount(), 2);

    {
        std::ofstream more(path, std::ios::app);
        more << kValid << "\n" << kValid << "\n";
    }
    EXPECT_EQ(track.ReadNextRecord(), 0);
    EXPECT_EQ(track.GetCount(), 2);
    track.Rewind();
    track.Advance();
    track.Advance();
    EXPECT_TRUE(track.AtEnd());
}

TEST_F(Track, LogStaysOpenForTheLifeOfTheTrack)
{
    const int before = OpenDescriptors();
    const std::string path = Log(kVoid + "\n" + kValid + "\n");
    {
        CGPSTrack track(path);
        ASSERT_TRUE(track.IsOpen());
        EXPECT_EQ(OpenDescriptors(), before + 1);

        // Opened at construction: removing the name afterwards changes nothing.
        ASSERT_TRUE(std::filesystem::remove(path));
        EXPECT_TRUE(LoadLikeTheOwner(track));
        EXPECT_EQ(track.GetCount(), 2);
        EXPECT_EQ(OpenDescriptors(), before + 1);
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(Track, ReadErrorThrowsFileError)
{
    // Reading this process's memory at address 0 fails with EIO.
    CGPSTrack track("/proc/self/mem");
    ASSERT_TRUE(track.IsOpen());
    try {
        track.ReadNextRecord();
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_strFileName, "/proc/self/mem");
        EXPECT_EQ(e.m_lOsError, EIO);
    }
}

// ---------------------------------------------------------------------------------------

namespace {

struct RealLog
{
    const char* m_name;
    double m_dFirstLatitude;
    double m_dFirstLongitude;
    double m_dMaxKnots;
};

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

class RealLogs : public ::testing::TestWithParam<RealLog>
{
};

TEST_P(RealLogs, LoadAsRecordedByTheReceiver)
{
    const RealLog& log = GetParam();
    const std::string path = std::string(DERUZIZ_TEST_DATA_DIR) + "/gps/" + log.m_name;
    const std::string text = ReadWhole(path);
    ASSERT_FALSE(text.empty()) << path;

    int lines = 0, statusA = 0;
    for (std::size_t begin = 0; begin < text.size();) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        ++lines;
        statusA += text.compare(begin, 2, "A,") == 0;
        begin = end + 1;
    }

    CGPSTrack track(path);
    ASSERT_TRUE(track.IsOpen());
    const std::optional<CGPSPoint> start = LoadLikeTheOwner(track);
    EXPECT_EQ(track.GetCount(), lines);
    ASSERT_TRUE(start);
    EXPECT_NEAR(start->m_dLatitude, log.m_dFirstLatitude, 1e-9);
    EXPECT_NEAR(start->m_dLongitude, log.m_dFirstLongitude, 1e-9);

    int valid = 0;
    double maxSpeed = 0.0;
    for (int i = 0; i < track.GetCount(); ++i) {
        const CGPSPoint* p = track.GetAt(i);
        if (!p->m_bValid)
            continue;
        ++valid;
        EXPECT_GE(p->m_dSpeed, 0.0);
        EXPECT_LT(p->m_dSpeed, 240.0);  // the dial's scale
        EXPECT_LE(p->m_nHour, 23);
        EXPECT_LE(p->m_nMinute, 59);
        EXPECT_LE(p->m_nSecond, 59);
        maxSpeed = std::max(maxSpeed, p->m_dSpeed);
    }
    EXPECT_EQ(valid, statusA);  // every fix the receiver had is usable
    EXPECT_NEAR(maxSpeed, log.m_dMaxKnots * 1.825, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    SharedData, RealLogs,
    ::testing::Values(RealLog{"switzerland-car-1hz.log", 47 + 199737 / 600000.0,
                              7 + 492639 / 600000.0, 70.07},
                      RealLog{"regensburg-car-2s.log", 49 + 15940 / 600000.0,
                              12 + 39163 / 600000.0, 56.4},
                      RealLog{"stationary-receiver-mixed.log", 45 + 526555 / 600000.0,
                              170 + 300076 / 600000.0, 0.58}),
    [](const ::testing::TestParamInfo<RealLog>& info) {
        std::string name = info.param.m_name;
        name = name.substr(0, name.find('.'));
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });
