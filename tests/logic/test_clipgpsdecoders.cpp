// The decoders of GPS that cameras write inside their clips: Novatek's freeGPS blocks and
// GoPro's GPMF samples.
#include "gpsclipwriter.h"
#include "logic/clipgpsdecoders.h"
#include "logic/nmea.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace GpsClips;

namespace {

double Utc(int year, int month, int day, int hour, int minute, int second)
{
    return double(DaysSince1980(year, month, day) * 86400 + hour * 3600 + minute * 60 + second);
}

// The zone of the moment, set for one test and put back.
class CZone
{
public:
    explicit CZone(const char* pszZone) : m_strSaved(std::getenv("TZ") ? std::getenv("TZ") : ""), m_bSet(std::getenv("TZ"))
    {
        ::setenv("TZ", pszZone, 1);
        ::tzset();
    }
    ~CZone()
    {
        m_bSet ? ::setenv("TZ", m_strSaved.c_str(), 1) : ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::string m_strSaved;
    bool m_bSet;
};

} // namespace

TEST(FreeGps, EachLayoutGivesItsFixAndBadBlocksGiveNone)
{
    const CZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    CBlockFix south;
    south.m_nSecond = 30;
    south.m_dLatitude = -33.8687215;
    south.m_dLongitude = -151.2094563;
    south.m_dKnots = 12.5;
    CBlockFix north = south;
    north.m_dLatitude = 48.1371;
    north.m_dLongitude = 11.5754;
    CBlockFix noFix = south;
    noFix.m_cStatus = 'V';
    const double kUtc = Utc(2026, 12, 1, 10, 15, 30);

    struct Case
    {
        const char* m_pszName;
        std::string m_strBlock;
        EFreeGpsType m_eType;
        bool m_bValid;
        double m_dLat, m_dLon, m_dUtc;
        double m_dTolerance;  // float32 fields hold DDMM.MMMM to about 4e-6 degree
    };
    const std::string type3 = Block(ELayout::Type3, south);
    const Case cases[] = {
        {"type 3", type3, EFreeGpsType::Type3, true, south.m_dLatitude, south.m_dLongitude, kUtc, 1e-5},
        {"type 3 north and east", Block(ELayout::Type3, north), EFreeGpsType::Type3, true, north.m_dLatitude, north.m_dLongitude, kUtc, 1e-5},
        // 10:15:30 in Berlin in December is 09:15:30 UTC.
        {"Kenwood, local time", Block(ELayout::Type3Kenwood, south), EFreeGpsType::Type3Kenwood, true, south.m_dLatitude, south.m_dLongitude, kUtc - 3600, 1e-5},
        {"type 17", Block(ELayout::Type17, south), EFreeGpsType::Type17, true, south.m_dLatitude, south.m_dLongitude, kUtc, 1e-5},
        {"IQS", Block(ELayout::Type17Iqs, south), EFreeGpsType::Type17Iqs, true, south.m_dLatitude, south.m_dLongitude, kUtc, 1e-7},
        {"Transcend", Block(ELayout::Type17Transcend, south), EFreeGpsType::Type17Transcend, true, south.m_dLatitude, south.m_dLongitude, kUtc, 1e-9},
        {"type 2", Block(ELayout::Type2, south), EFreeGpsType::Type2, true, south.m_dLatitude, south.m_dLongitude, kUtc, 1e-9},
        {"type 20", Block(ELayout::Type20, south), EFreeGpsType::Type20, true, south.m_dLatitude, south.m_dLongitude, kUtc, 1e-7},
        {"status V", Block(ELayout::Type3, noFix), EFreeGpsType::Type3, false, 0, 0, kUtc, 0},
        {"cut before its position", type3.substr(0, 0x2E), EFreeGpsType::Type3, false, 0, 0, kUtc, 0},
        {"a tag and nothing else", type3.substr(0, 12), EFreeGpsType::None, false, 0, 0, NAN, 0},
        {"no freeGPS tag", std::string(256, 'x'), EFreeGpsType::None, false, 0, 0, NAN, 0},
        {"zeros after the tag", type3.substr(0, 12) + std::string(500, '\0'), EFreeGpsType::None, false, 0, 0, NAN, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_pszName);
        CTimedFix fix;
        EXPECT_EQ(DecodeFreeGpsBlock(c.m_strBlock, fix), c.m_eType);
        ASSERT_EQ(fix.m_bValid, c.m_bValid);
        if (c.m_bValid) {
            EXPECT_NEAR(fix.m_dLatitude, c.m_dLat, c.m_dTolerance);
            EXPECT_NEAR(fix.m_dLongitude, c.m_dLon, c.m_dTolerance);
            ASSERT_TRUE(fix.m_dSpeed.has_value());
            EXPECT_NEAR(GaugeSpeed(*fix.m_dSpeed, fix.m_eSpeedUnit), 12.5 * kGaugeUnitsPerKnot, 0.05);
        }
        EXPECT_EQ(fix.m_dUtcTime.has_value(), !std::isnan(c.m_dUtc));
        if (fix.m_dUtcTime && !std::isnan(c.m_dUtc)) {
            EXPECT_NEAR(*fix.m_dUtcTime, c.m_dUtc, 1e-6);
        }
    }
}

TEST(FreeGps, ImpossibleValuesGiveNoPosition)
{
    CBlockFix fix;
    fix.m_dLatitude = 48.1;
    fix.m_dLongitude = 11.5;
    std::string minutes = Block(ELayout::Type2, fix);
    PutRaw<double>(minutes, 0x40, 4875.0);  // 75 minutes
    std::string latitude = Block(ELayout::Type2, fix);
    PutRaw<double>(latitude, 0x40, 9512.0);
    std::string notANumber = Block(ELayout::Type2, fix);
    PutRaw<double>(notANumber, 0x50, std::nan(""));
    std::string month = Block(ELayout::Type3, fix);
    PutLE32(month, 0x20, 13);
    int nCase = 0;
    for (const std::string& block : {minutes, latitude, notANumber, month}) {
        SCOPED_TRACE(nCase++);
        CTimedFix decoded;
        DecodeFreeGpsBlock(block, decoded);
        EXPECT_FALSE(decoded.m_bValid);
    }
}

TEST(Gpmf, RawPayloadsOfThreeCamerasGiveFixesAndOtherMakesNone)
{
    struct Case
    {
        const char* m_pszFile;
        double m_dLat, m_dLon;  // where the camera was, to a few km
    };
    for (const Case& c : {Case{"hero5.raw", 33.1, -117.3}, Case{"hero6.raw", 33.1, -117.3}, Case{"Fusion.raw", 33.1, -117.3}}) {
        SCOPED_TRACE(c.m_pszFile);
        const std::string payload = ReadFile(std::string(DERUZIZ_TEST_DATA_DIR "/embedded/gopro/") + c.m_pszFile);
        ASSERT_FALSE(payload.empty());
        std::vector<CTimedFix> fixes;
        ASSERT_TRUE(DecodeGpmfSample(payload, 5.0, 1.0, fixes));
        ASSERT_GE(fixes.size(), 10u);
        double dLastClip = 0.0;
        for (const CTimedFix& fix : fixes) {
            ASSERT_TRUE(fix.m_dClipTime.has_value());
            EXPECT_GE(*fix.m_dClipTime, 5.0);
            EXPECT_LT(*fix.m_dClipTime, 6.0);
            EXPECT_GE(*fix.m_dClipTime, dLastClip);
            dLastClip = *fix.m_dClipTime;
            if (!fix.m_bValid)
                continue;
            EXPECT_NEAR(fix.m_dLatitude, c.m_dLat, 0.5);
            EXPECT_NEAR(fix.m_dLongitude, c.m_dLon, 0.5);
            ASSERT_TRUE(fix.m_dUtcTime.has_value());
            EXPECT_GT(*fix.m_dUtcTime, Utc(2016, 1, 1, 0, 0, 0));
        }
        // Cut anywhere, a payload gives fewer fixes or none, never a crash.
        for (std::size_t n = 0; n < payload.size(); n += 97) {
            std::vector<CTimedFix> cut;
            DecodeGpmfSample(payload.substr(0, n), 5.0, 1.0, cut);
            EXPECT_LE(cut.size(), fixes.size());
        }
    }
    std::vector<CTimedFix> none;
    EXPECT_FALSE(DecodeGpmfSample("FMAS" + std::string(60, '\x01'), 0.0, 1.0, none));
    EXPECT_FALSE(DecodeGpmfSample(std::string(24, ' ') + "ANE" + std::string(40, '0'), 0.0, 1.0, none));
    EXPECT_FALSE(DecodeGpmfSample(std::string(64, '\0'), 0.0, 1.0, none));
    EXPECT_TRUE(none.empty());
}

namespace {

// A KLV: key, type, structure size, repeat, then the data padded to four bytes.
std::string Klv(const char* pszKey, char type, int nSize, int nRepeat, const std::string& data)
{
    std::string klv = std::string(pszKey, 4) + type + char(nSize) + char(nRepeat >> 8) + char(nRepeat & 0xFF) + data;
    return klv + std::string((4 - data.size() % 4) % 4, '\0');
}

std::string BE32(std::int32_t v)
{
    std::string b(4, '\0');
    PutBE32(b, 0, std::uint32_t(v));
    return b;
}

// A GPS stream of two fixes a second apart in the sample, GPSF telling the fix.
std::string GpsSample(int nFix, int nRepeat = 2)
{
    std::string gps5;
    for (int i = 0; i < 2; ++i)
        for (std::int32_t v : {331267000 + i * 1000, -1173273000 - i * 1000, 10000, 5000 + i * 1000, 6000})
            gps5 += BE32(v);
    const std::string stream = Klv("GPSF", 'L', 4, 1, BE32(nFix)) + Klv("GPSU", 'U', 16, 1, "191118234514.000")
        + Klv("SCAL", 'l', 4, 5, BE32(10000000) + BE32(10000000) + BE32(1000) + BE32(1000) + BE32(1000))
        + Klv("GPS5", 'l', 20, nRepeat, gps5);
    const std::string strm = Klv("STRM", '\0', 1, int(stream.size()), stream);
    return Klv("DEVC", '\0', 1, int(strm.size()), strm);
}

} // namespace

TEST(Gpmf, FixesOfAGpsStreamWithTheirScaleTimesAndFix)
{
    std::vector<CTimedFix> fixes;
    ASSERT_TRUE(DecodeGpmfSample(GpsSample(3), 7.0, 1.0, fixes));
    ASSERT_EQ(fixes.size(), 2u);
    EXPECT_TRUE(fixes[0].m_bValid && fixes[1].m_bValid);
    EXPECT_NEAR(fixes[1].m_dLatitude, 33.1268, 1e-9);
    EXPECT_NEAR(fixes[1].m_dLongitude, -117.3274, 1e-9);
    EXPECT_NEAR(*fixes[1].m_dSpeed, 6.0, 1e-9) << "the 2D speed, in m/s";
    EXPECT_EQ(fixes[1].m_eSpeedUnit, ESpeedUnit::MetresPerSecond);
    EXPECT_NEAR(*fixes[0].m_dClipTime, 7.0, 1e-9);
    EXPECT_NEAR(*fixes[1].m_dClipTime, 7.5, 1e-9);
    EXPECT_NEAR(*fixes[0].m_dUtcTime, Utc(2019, 11, 18, 23, 45, 14), 1e-3);
    EXPECT_NEAR(*fixes[1].m_dUtcTime, Utc(2019, 11, 18, 23, 45, 14) + 0.5, 1e-3);

    // No fix: the fixes are there, invalid. A repeat past the payload: no fix out of it.
    fixes.clear();
    ASSERT_TRUE(DecodeGpmfSample(GpsSample(0), 7.0, 1.0, fixes));
    for (const CTimedFix& fix : fixes)
        EXPECT_FALSE(fix.m_bValid);
    for (int nRepeat : {3, 0xFFFF}) {
        fixes.clear();
        DecodeGpmfSample(GpsSample(3, nRepeat), 7.0, 1.0, fixes);
        EXPECT_LE(fixes.size(), 2u) << nRepeat;
    }
}
