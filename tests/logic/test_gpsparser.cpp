#include "logic/gpstrack.h"
#include "recordcheck.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kSeparators(" \n\r\t,;");
const std::string kExample = "A,123456,1805110000,1030.0000,02015.0000,12.50";

// A closed track is enough to run the parse; it only appends.
CGPSPoint Parse(const std::string& line)
{
    CGPSTrack track("");
    EXPECT_EQ(track.ParseRecord(line), 1);
    EXPECT_EQ(track.GetCount(), 1);
    return *track.GetAt(0);
}

} // namespace

TEST(NextToken, CutsAtTheFirstSeparatorAndDropsOnlyThatOne)
{
    std::string s = "ab,,c;d";
    EXPECT_EQ(NextToken(s, kSeparators), "ab");
    EXPECT_EQ(s, ",c;d");
    EXPECT_EQ(NextToken(s, kSeparators), "");
    EXPECT_EQ(s, "c;d");
    EXPECT_EQ(NextToken(s, kSeparators), "c");
    EXPECT_EQ(NextToken(s, kSeparators), "d");
    EXPECT_EQ(s, "");
    EXPECT_EQ(NextToken(s, kSeparators), "");
    EXPECT_EQ(s, "");
}

TEST(NextToken, LeadingSeparatorGivesEmptyFirstTokenAndNothingIsTrimmed)
{
    std::string s = " x y ";
    EXPECT_EQ(NextToken(s, kSeparators), "");
    EXPECT_EQ(s, "x y ");
    std::string t = "  x";
    EXPECT_EQ(NextToken(t, ","), "  x");
    EXPECT_EQ(t, "");
}

TEST(NextToken, DelimitersAreASetOfSingleCharactersNulIncluded)
{
    std::string s = "a-b+c";
    EXPECT_EQ(NextToken(s, "+-"), "a");
    EXPECT_EQ(NextToken(s, "+-"), "b");
    EXPECT_EQ(s, "c");
    std::string n("a\0b", 3);
    EXPECT_EQ(NextToken(n, std::string("\0", 1)), "a");
    EXPECT_EQ(n, "b");
    std::string none = "abc";
    EXPECT_EQ(NextToken(none, ""), "abc");
    EXPECT_EQ(none, "");
}

TEST(NextToken, ViewFormCutsTheSameTokens)
{
    std::string text = ";a,,b\xe9" "c\xe9";
    std::string_view view = text;
    std::string copy = text;
    for (const std::string& delimiters : {std::string(" \n\r\t,;"), std::string("\xe9,")}) {
        std::string s = copy;
        std::string_view v = view;
        while (!s.empty() || !v.empty()) {
            EXPECT_EQ(NextToken(s, delimiters), NextToken(v, delimiters));
            EXPECT_EQ(s, v);
        }
    }
}

TEST(ParseRecord, WorkedExample)
{
    const CGPSPoint p = Parse(kExample);
    EXPECT_TRUE(p.m_bValid);
    EXPECT_EQ(p.m_nHour, 12);
    EXPECT_EQ(p.m_nMinute, 34);
    EXPECT_EQ(p.m_nSecond, 56);
    EXPECT_EQ(p.m_nDate1, 18);
    EXPECT_EQ(p.m_nDate2, 5);
    EXPECT_EQ(p.m_nDate3, 11);
    EXPECT_EQ(p.m_dLatitude, 10.5);
    EXPECT_EQ(p.m_dLongitude, 20.25);
    EXPECT_DOUBLE_EQ(p.m_dSpeed, 22.8125);
}

TEST(ParseRecord, ArithmeticInTheOrderWritten)
{
    // D + M / 600000.0 with one division: the same double as the expression itself.
    const CGPSPoint p = Parse("A,000000,0000000000,4719.9737,00749.2639,0.00");
    EXPECT_EQ(p.m_dLatitude, 47 + 199737 / 600000.0);
    EXPECT_EQ(p.m_dLongitude, 7 + 492639 / 600000.0);
    EXPECT_EQ(p.m_dSpeed, 0.0);
    // 1.825, not the knot's 1.852.
    EXPECT_EQ(Parse("A,000000,0000000000,0000.0000,00000.0000,01.00").m_dSpeed, 1.825);
    EXPECT_EQ(Parse("A,000000,0000000000,0000.0000,00000.0000,56.40").m_dSpeed,
              (56 + 40 / 100.0) * 1.825);
    // Positions 6-9 of the date and the skipped positions are not read.
    ExpectSameRecord(Parse("A,123456,180511ZZZZ,1030x0000,02015y0000,12z50"), Parse(kExample));
}

TEST(ParseRecord, EverySeparatorAndMixturesGiveTheSameRecord)
{
    const CGPSPoint expected = Parse(kExample);
    for (const char* line : {
             "A 123456 1805110000 1030.0000 02015.0000 12.50",
             "A\t123456\t1805110000\t1030.0000\t02015.0000\t12.50",
             "A;123456;1805110000;1030.0000;02015.0000;12.50",
             "A\r123456\r1805110000\r1030.0000\r02015.0000\r12.50",
             "A\n123456\n1805110000\n1030.0000\n02015.0000\n12.50",
             "A,123456 1805110000\t1030.0000;02015.0000\r12.50",
         }) {
        SCOPED_TRACE(line);
        ExpectSameRecord(Parse(line), expected);
    }
}

TEST(ParseRecord, SpeedFieldLengths)
{
    EXPECT_NEAR(Parse("A,123456,1805110000,1030.0000,02015.0000,9.99").m_dSpeed, 18.23175, 1e-12);
    EXPECT_TRUE(Parse("A,123456,1805110000,1030.0000,02015.0000,99.99").m_bValid);
    EXPECT_FALSE(Parse("A,123456,1805110000,1030.0000,02015.0000,100.00").m_bValid);
    EXPECT_FALSE(Parse("A,123456,1805110000,1030.0000,02015.0000,9.9").m_bValid);
    EXPECT_FALSE(Parse("A,123456,1805110000,1030.0000,02015.0000,").m_bValid);
    EXPECT_FALSE(Parse("A,123456,1805110000,1030.0000,02015.0000").m_bValid);
}

TEST(ParseRecord, StatusMustBeCapitalAAlone)
{
    EXPECT_FALSE(Parse("V,123456,1805110000,1030.0000,02015.0000,12.50").m_bValid);
    EXPECT_FALSE(Parse("a,123456,1805110000,1030.0000,02015.0000,12.50").m_bValid);
    EXPECT_FALSE(Parse("AA,123456,1805110000,1030.0000,02015.0000,12.50").m_bValid);
    EXPECT_FALSE(Parse(",A,123456,1805110000,1030.0000,02015.0000,12.50").m_bValid);
}

TEST(ParseRecord, EmptyFieldsAndWrongLengthsMakeItInvalid)
{
    EXPECT_FALSE(Parse("A, 123456,1805110000,1030.0000,02015.0000,12.50").m_bValid);
    EXPECT_FALSE(Parse("A,,123456,1805110000,1030.0000,02015.0000,12.50").m_bValid);
    EXPECT_FALSE(Parse("").m_bValid);
    EXPECT_FALSE(Parse("A").m_bValid);
    EXPECT_FALSE(Parse("A,12345,1805110000,1030.0000,02015.0000,12.50").m_bValid);
    EXPECT_FALSE(Parse("A,123456,180511000,1030.0000,02015.0000,12.50").m_bValid);
    EXPECT_FALSE(Parse("A,123456,1805110000,1030.000,02015.0000,12.50").m_bValid);
    EXPECT_FALSE(Parse("A,123456,1805110000,1030.0000,2015.0000,12.50").m_bValid);
    EXPECT_FALSE(Parse("V,,1104100000,,,").m_bValid);  // a void line of the real logs
}

TEST(ParseRecord, TrailingFieldsAreIgnored)
{
    const CGPSPoint expected = Parse(kExample);
    ExpectSameRecord(Parse(kExample + ",0,0,xyz"), expected);
    ExpectSameRecord(Parse(kExample + " "), expected);
    ExpectSameRecord(Parse(kExample + ";;;" + std::string(100000, 'q')), expected);
}

TEST(ParseRecord, DigitsAreNotCheckedAnyCharacterCountsAsCodeMinus48)
{
    // 'O' is 79: 10*1 + 31 = 41 degrees, plus 30 minutes.
    const CGPSPoint p = Parse("A,123456,1805110000,1O30.0000,02015.0000,12.50");
    EXPECT_TRUE(p.m_bValid);
    EXPECT_DOUBLE_EQ(p.m_dLatitude, 41.5);

    // Characters below '0' count negative; the 8-bit fields wrap.
    const CGPSPoint q = Parse("A,//////,1805110000,1030.0000,02015.0000,12.50");
    EXPECT_TRUE(q.m_bValid);
    EXPECT_EQ(q.m_nHour, static_cast<std::uint8_t>(-11));
    const CGPSPoint s = Parse("A,123456,1805110000,1030.0000,02015.0000,!.0\x7f");
    EXPECT_DOUBLE_EQ(s.m_dSpeed, (-15 + 79 / 100.0) * 1.825);
    const CGPSPoint t = Parse("A,123456,1805110000,1030.0000,02015.0000,!..00");
    EXPECT_DOUBLE_EQ(t.m_dSpeed, (10 * -15 + -2) * 1.825);

    // Bytes above 127 are unsigned codes: 0xC0 is 192, so 144.
    const CGPSPoint u = Parse("A,\xc0" "00000,1805110000,1030.0000,02015.0000,12.50");
    EXPECT_TRUE(u.m_bValid);
    EXPECT_EQ(u.m_nHour, static_cast<std::uint8_t>(1440));

    // Embedded NUL is a character like any other.
    const CGPSPoint v = Parse(std::string("A,12345\0,1805110000,1030.0000,02015.0000,12.50", 46));
    EXPECT_TRUE(v.m_bValid);
    EXPECT_EQ(v.m_nSecond, static_cast<std::uint8_t>(50 - 48));
}

TEST(ParseRecord, PlacesAndSpeedsThatCannotBeAreInvalid)
{
    const struct
    {
        const char* lat;
        const char* lng;
        const char* speed;
        bool valid;
    } rows[] = {
        {"0000.0000", "00000.0000", "0.00", true},
        {"9000.0000", "18000.0000", "99.99", true},
        {"9000.0001", "00000.0000", "0.00", false},
        {"0000.0000", "18000.0001", "0.00", false},
        {"0000.000/", "00000.0000", "0.00", false},   // -1/600000 degrees
        {"0000.0000", "00000.000/", "0.00", false},
        {":040.0000", "00000.0000", "0.00", false},   // 100.67 degrees
        {"0000.0000", "00000.0000", "0.0/", false},   // -0.01 before the factor
    };
    for (const auto& row : rows) {
        const std::string line = std::string("A,123456,1805110000,") + row.lat + "," + row.lng
            + "," + row.speed;
        EXPECT_EQ(Parse(line).m_bValid, row.valid) << line;
    }
}

TEST(ParseRecord, OnlyNorthAndEastCanBeWritten)
{
    // A receiver south of the equator writes the same digits; they read as north.
    const CGPSPoint p = Parse("A,011903,1204190000,4552.6555,17030.0076,0.21");
    EXPECT_GT(p.m_dLatitude, 45.0);
    EXPECT_GT(p.m_dLongitude, 170.0);
}

TEST(ParseRecord, InvalidRecordsStillTakeTheirPlace)
{
    CGPSTrack track("");
    track.ParseRecord("V,123456,1805110000,1030.0000,02015.0000,12.50");
    track.ParseRecord(kExample);
    track.ParseRecord("");
    ASSERT_EQ(track.GetCount(), 3);
    EXPECT_FALSE(track.GetAt(0)->m_bValid);
    EXPECT_TRUE(track.GetAt(1)->m_bValid);
    EXPECT_FALSE(track.GetAt(2)->m_bValid);
}

TEST(GPSPoint, EmptyRecordIsInvalidAndCopiesCarryTheFlag)
{
    CGPSPoint empty;
    EXPECT_FALSE(empty.m_bValid);
    CGPSPoint copy;
    copy = Parse(kExample);
    EXPECT_TRUE(copy.m_bValid);
    EXPECT_EQ(copy.m_dLongitude, 20.25);
    copy = empty;
    EXPECT_FALSE(copy.m_bValid);
}
