#include "logic/mp4file.h"

#include "scratchdir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

const std::uint32_t kAll = 0xffffffffu;

std::string U32(std::uint64_t n)
{
    return {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
}

std::string U64(std::uint64_t n)
{
    return U32(n >> 32) + U32(n & 0xffffffffu);
}

std::string Box(const std::string& type, const std::string& payload)
{
    return U32(8 + payload.size()) + type + payload;
}

std::string Box64(const std::string& type, const std::string& payload)
{
    return U32(1) + type + U64(16 + payload.size()) + payload;
}

// A version 0 box with a table: its count, then its rows.
template <std::size_t N>
std::string Table(const std::string& type, const std::vector<std::array<std::uint64_t, N>>& rows, bool b64 = false)
{
    std::string body = U32(0) + U32(rows.size());
    for (const auto& row : rows)
        for (std::uint64_t n : row)
            body += b64 ? U64(n) : U32(n);
    return Box(type, body);
}

struct CTrakSpec
{
    std::string strHandler = "vide";
    std::string strEntry = "avc1";
    std::uint32_t nTimescale = 1000;
    bool bMdhd64 = false;
    std::vector<std::array<std::uint64_t, 2>> stts = {{3, 100}};
    std::uint32_t nFixedSize = 0;
    std::vector<std::array<std::uint64_t, 1>> sizes = {{10}, {20}, {30}};
    std::vector<std::array<std::uint64_t, 3>> stsc = {{1, 3, 1}};
    std::vector<std::array<std::uint64_t, 1>> chunks = {{28}};
    bool bCo64 = false;
    bool bNoChunks = false;
};

std::string Trak(const CTrakSpec& t)
{
    const std::string mdhd = t.bMdhd64 ? U32(1u << 24) + U64(0) + U64(0) + U32(t.nTimescale) + U64(0)
                                       : U32(0) + U32(0) + U32(0) + U32(t.nTimescale) + U32(0);
    const std::string stsd = U32(0) + U32(1) + Box(t.strEntry, std::string(8, '\0'));
    std::string stsz = U32(0) + U32(t.nFixedSize) + U32(t.nFixedSize ? 3 : t.sizes.size());
    for (const auto& size : t.sizes)
        stsz += t.nFixedSize ? "" : U32(size[0]);
    const std::string stbl = Box("stsd", stsd) + Table("stts", t.stts) + Box("stsz", stsz) + Table("stsc", t.stsc)
        + (t.bNoChunks ? "" : Table(t.bCo64 ? "co64" : "stco", t.chunks, t.bCo64));
    const std::string hdlr = U32(0) + U32(0) + t.strHandler + std::string(12, '\0');
    return Box("trak", Box("mdia", Box("mdhd", mdhd) + Box("hdlr", hdlr) + Box("minf", Box("stbl", stbl))));
}

// ftyp (20 bytes), an mdat whose payload starts at 28, then moov.
std::string Clip(const std::string& moov, std::size_t nMedia = 100)
{
    return Box("ftyp", "isom" + U32(0) + "isom") + Box("mdat", std::string(nMedia, 'x')) + Box("moov", moov);
}

// Overwrites the u32 at nAt into the payload of the first box of type.
std::string Claim(std::string file, const std::string& type, std::size_t nAt, std::uint32_t n)
{
    file.replace(file.find(type) + 4 + nAt, 4, U32(n));
    return file;
}

std::string Listed(const std::vector<CMp4Box>& boxes)
{
    std::string out;
    for (const CMp4Box& box : boxes)
        out += (out.empty() ? "" : " ") + box.m_strType + "@" + std::to_string(box.m_nOffset) + "+"
            + std::to_string(box.m_nPayload - box.m_nOffset) + ":" + std::to_string(box.m_nSize);
    return out;
}

std::string Listed(const std::vector<CMp4Sample>& samples)
{
    std::string out;
    for (const CMp4Sample& s : samples) {
        char text[96];
        std::snprintf(text, sizeof text, "%s%llu:%u@%g+%g", out.empty() ? "" : " ",
                      static_cast<unsigned long long>(s.m_nOffset), s.m_nSize, s.m_dTime, s.m_dDuration);
        out += text;
    }
    return out;
}

struct COpened
{
    std::string m_strBytes;
    CMp4File m_file;
    std::string m_strError;
    bool m_bOpen;

    explicit COpened(std::string bytes, const CMp4Limits& limits = CMp4Limits())
        : m_strBytes(std::move(bytes)), m_file(MemorySource(m_strBytes), limits), m_strError(), m_bOpen(m_file.Open(m_strError))
    {
    }
};

} // namespace

TEST(Mp4File, TopLevelBoxes)
{
    const std::string ftyp = Box("ftyp", "isom" + U32(0));
    const std::string mdat = Box("mdat", std::string(20, 'x'));
    const struct
    {
        const char* pszCase;
        std::string strBytes;
        bool bOpens;
        std::string strBoxes;
    } kCases[] = {
        {"plain boxes one after the other", ftyp + mdat + Box("moov", ""), true, "ftyp@0+8:8 mdat@16+8:20 moov@44+8:0"},
        {"a 64-bit size", ftyp + Box64("mdat", "abcd") + Box("free", ""), true, "ftyp@0+8:8 mdat@16+16:4 free@36+8:0"},
        {"size 0 runs to the end", ftyp + U32(0) + "mdat" + "xyz" + mdat, true, "ftyp@0+8:8 mdat@16+8:31"},
        {"a cut mdat is kept to the end", ftyp + U32(1000) + "mdat" + "xyz", true, "ftyp@0+8:8 mdat@16+8:3"},
        {"a cut 64-bit mdat too", ftyp + U32(1) + "mdat" + U64(1000), true, "ftyp@0+8:8 mdat@16+16:0"},
        {"another cut box ends the walk", ftyp + mdat + U32(1000) + "moov" + "xyz", true, "ftyp@0+8:8 mdat@16+8:20"},
        {"a size below the header ends the walk", ftyp + U32(4) + "free" + mdat, true, "ftyp@0+8:8"},
        {"a 64-bit size below its header too", ftyp + U32(1) + "free" + U64(8) + mdat, true, "ftyp@0+8:8"},
        {"a uuid keeps its usertype in the payload", Box("uuid", std::string(16, 'u') + "ab"), true, "uuid@0+8:18"},
        {"bytes too few for a header after the last box", ftyp + "abc", true, "ftyp@0+8:8"},
        {"a text file", "This is not a clip, only a line of text.\n", false, ""},
        {"a first box below its header", U32(7) + "ftyp" + ftyp, false, ""},
        {"a first type that is not letters", U32(8) + std::string("\x01\x02\x03\x04", 4), false, ""},
        {"an empty file", "", false, ""},
        {"fewer bytes than a header", U32(8) + "ft", false, ""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.pszCase);
        const COpened opened(c.strBytes);
        EXPECT_EQ(opened.m_bOpen, c.bOpens);
        EXPECT_EQ(opened.m_strError.empty(), c.bOpens);
        EXPECT_EQ(Listed(opened.m_file.TopLevel()), c.strBoxes);
        EXPECT_EQ(opened.m_file.HasMoov(), c.strBoxes.find("moov@") != std::string::npos);
    }
}

TEST(Mp4File, MoovTracksNextToEachOther)
{
    CTrakSpec gpmd;
    gpmd.strHandler = "meta";
    gpmd.strEntry = "gpmd";
    gpmd.nTimescale = 1000;
    gpmd.bMdhd64 = true;
    const std::string moov = Box("mvhd", std::string(100, '\0')) + Trak(CTrakSpec()) + Box("gps ", "where") + Trak(gpmd);
    const COpened opened(Clip(moov));
    ASSERT_TRUE(opened.m_bOpen);
    ASSERT_TRUE(opened.m_file.HasMoov());
    std::string types;
    for (const CMp4Box& box : opened.m_file.MoovChildren())
        types += box.m_strType + ",";
    EXPECT_EQ(types, "mvhd,trak,gps ,trak,");
    EXPECT_EQ(opened.m_file.MoovPayload(opened.m_file.MoovChildren()[2]), "where");
    EXPECT_EQ(opened.m_file.MoovPayload(opened.m_file.TopLevel()[1]), "");
    const CMp4Box& gps = opened.m_file.MoovChildren()[2];
    EXPECT_EQ(opened.m_strBytes.substr(gps.m_nPayload, gps.m_nSize), "where");

    ASSERT_EQ(opened.m_file.Tracks().size(), 2u);
    std::string tracks;
    for (const CMp4Track& t : opened.m_file.Tracks())
        tracks += t.m_strHandler + "/" + t.m_strEntry + "/" + std::to_string(t.m_nTimescale) + "/"
            + std::to_string(t.m_nSampleCount) + " ";
    EXPECT_EQ(tracks, "vide/avc1/1000/3 meta/gpmd/1000/3 ");
    EXPECT_EQ(Listed(opened.m_file.Samples(1)), "28:10@0+0.1 38:20@0.1+0.1 58:30@0.2+0.1");
    EXPECT_TRUE(opened.m_file.Samples(2).empty());
}

TEST(Mp4File, SampleTables)
{
    const auto spec = [](auto change) {
        CTrakSpec t;
        change(t);
        return Clip(Trak(t));
    };
    const struct
    {
        const char* pszCase;
        std::string strClip;
        std::string strSamples;
        std::uint32_t nMaxSamples;
    } kCases[] = {
        {"stsc runs spread samples over chunks", spec([](CTrakSpec& t) {
             t.stts = {{3, 100}, {2, 50}};
             t.sizes = {{10}, {20}, {30}, {5}, {5}};
             t.stsc = {{1, 2, 1}, {3, 1, 1}};
             t.chunks = {{28}, {60}, {100}, {110}};
         }), "28:10@0+0.1 38:20@0.1+0.1 60:30@0.2+0.1 90:5@0.3+0.05 100:5@0.35+0.05", 0},
        {"co64 offsets, one size for all, 64-bit mdhd", spec([](CTrakSpec& t) {
             t.nFixedSize = 8;
             t.stsc = {{1, 1, 1}};
             t.chunks = {{28}, {50}, {70}};
             t.bCo64 = true;
             t.bMdhd64 = true;
             t.nTimescale = 90000;
             t.stts = {{3, 3003}};
         }), "28:8@0+0.0333667 50:8@0.0333667+0.0333667 70:8@0.0667333+0.0333667", 0},
        {"chunks past and across the end are left out", spec([](CTrakSpec& t) {
             t.stsc = {{1, 1, 1}};
             t.chunks = {{1ull << 40}, {~0ull - 8}, {28}};
             t.bCo64 = true;
         }), "28:30@0.2+0.1", 0},
        {"a sample running past the end is left out", spec([](CTrakSpec& t) { t.sizes = {{10}, {100000}, {5}}; }),
         "28:10@0+0.1", 0},
        {"stts running short ends the samples", spec([](CTrakSpec& t) { t.stts = {{2, 100}}; }),
         "28:10@0+0.1 38:20@0.1+0.1", 0},
        {"stsc out of order ends the samples", spec([](CTrakSpec& t) {
             t.stsc = {{1, 1, 1}, {3, 1, 1}, {2, 1, 1}};
             t.chunks = {{28}, {40}, {60}};
         }), "28:10@0+0.1 40:20@0.1+0.1", 0},
        {"stsc from chunk 0 gives none", spec([](CTrakSpec& t) { t.stsc = {{0, 3, 1}}; }), "", 0},
        {"timescale 0 gives none", spec([](CTrakSpec& t) { t.nTimescale = 0; }), "", 0},
        {"no chunk offsets give none", spec([](CTrakSpec& t) { t.bNoChunks = true; }), "", 0},
        {"the sample limit", Clip(Trak(CTrakSpec())), "28:10@0+0.1 38:20@0.1+0.1", 2},
        {"stsz claiming 2^32 sizes", Claim(Clip(Trak(CTrakSpec())), "stsz", 8, kAll),
         "28:10@0+0.1 38:20@0.1+0.1 58:30@0.2+0.1", 0},
        {"stts claiming 2^32 runs", Claim(Clip(Trak(CTrakSpec())), "stts", 4, kAll),
         "28:10@0+0.1 38:20@0.1+0.1 58:30@0.2+0.1", 0},
        {"stco claiming 2^32 chunks", Claim(spec([](CTrakSpec& t) { t.stsc = {{1, 1, 1}}; t.chunks = {{28}, {40}}; }),
                                            "stco", 4, kAll), "28:10@0+0.1 40:20@0.1+0.1", 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.pszCase);
        CMp4Limits limits;
        if (c.nMaxSamples)
            limits.m_nMaxSamples = c.nMaxSamples;
        const COpened opened(c.strClip, limits);
        ASSERT_EQ(opened.m_file.Tracks().size(), 1u);
        const std::vector<CMp4Sample> samples = opened.m_file.Samples(0);
        EXPECT_EQ(Listed(samples), c.strSamples);
        EXPECT_LE(samples.capacity(), 5u);
    }
}

TEST(Mp4File, TablesClaimingMoreThanTheFileHoldsStayBounded)
{
    CTrakSpec t;
    t.nFixedSize = 8;
    t.stts = {{kAll, 1}};
    t.stsc = {{1, kAll, 1}};
    const COpened opened(Claim(Clip(Trak(t), 80), "stsz", 8, kAll));
    const std::vector<CMp4Sample> samples = opened.m_file.Samples(0);
    // The moov behind the media is part of the file, so samples go on into it.
    const std::size_t nInside = (opened.m_strBytes.size() - 28) / 8;
    EXPECT_EQ(samples.size(), nInside);
    EXPECT_LE(samples.capacity(), opened.m_strBytes.size() / 8 + 1) << "room kept for samples the file cannot hold";
    EXPECT_EQ(opened.m_file.MediaRanges(), (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{28, nInside * 8}}));
}

TEST(Mp4File, LimitsOnBoxes)
{
    const std::string clip = Clip(Trak(CTrakSpec()));
    std::string deep = "end";
    for (int i = 0; i < 1000; ++i)
        deep = Box("udta", deep);
    const auto limited = [](auto change) {
        CMp4Limits limits;
        change(limits);
        return limits;
    };
    const struct
    {
        const char* pszCase;
        std::string strClip;
        CMp4Limits limits;
        bool bMoov;
        std::string strHandler;
        std::size_t nSamples;
    } kCases[] = {
        {"stbl's tables at depth 6", clip, limited([](CMp4Limits& l) { l.m_nMaxDepth = 6; }), true, "vide", 3},
        {"stbl not entered at depth 5", clip, limited([](CMp4Limits& l) { l.m_nMaxDepth = 5; }), true, "vide", 0},
        {"mdia not entered at depth 2", clip, limited([](CMp4Limits& l) { l.m_nMaxDepth = 2; }), true, "", 0},
        {"the 14th box is stco", clip, limited([](CMp4Limits& l) { l.m_nMaxBoxes = 14; }), true, "vide", 3},
        {"13 boxes end before stco", clip, limited([](CMp4Limits& l) { l.m_nMaxBoxes = 13; }), true, "vide", 0},
        {"moov up to the limit is read", clip,
         limited([&](CMp4Limits& l) { l.m_nMaxMoovBytes = clip.size() - 128 - 8; }), true, "vide", 3},
        {"moov past the limit is not", clip,
         limited([&](CMp4Limits& l) { l.m_nMaxMoovBytes = clip.size() - 128 - 9; }), false, "", 0},
        {"udta 1000 deep before the track", Clip(deep + Trak(CTrakSpec())), CMp4Limits(), true, "vide", 3},
        {"udta 1000 deep inside the track", Clip(Box("trak", deep + Trak(CTrakSpec()).substr(8))), CMp4Limits(), true, "vide", 3},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.pszCase);
        const COpened opened(c.strClip, c.limits);
        EXPECT_TRUE(opened.m_bOpen);
        EXPECT_EQ(opened.m_file.HasMoov(), c.bMoov);
        ASSERT_EQ(opened.m_file.Tracks().size(), c.bMoov ? 1u : 0u);
        if (c.bMoov) {
            EXPECT_EQ(opened.m_file.Tracks()[0].m_strHandler, c.strHandler);
        }
        EXPECT_EQ(opened.m_file.Samples(0).size(), c.nSamples);
    }
}

TEST(Mp4File, MediaRangesOfAllTracksMerged)
{
    CTrakSpec video;
    video.sizes = {{10}, {10}, {0}};
    video.stsc = {{1, 2, 1}, {2, 1, 1}};
    video.chunks = {{28}, {60}};
    CTrakSpec meta;
    meta.stsc = {{1, 1, 1}};
    meta.sizes = {{4}, {2}, {5}};
    meta.chunks = {{48}, {70}, {62}};
    const COpened opened(Clip(Trak(video) + Trak(meta)));
    EXPECT_EQ(opened.m_file.MediaRanges(),
              (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{28, 24}, {62, 5}, {70, 2}}));
}

TEST(Mp4File, FileSources)
{
    const CScratchDir dir;
    const std::string path = dir.Write("clip.mp4", "0123456789");
    const std::string fifo = dir.Path() + "/fifo.mp4";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string error, bytes;
    const auto source = OpenFileSource(path, error);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->Size(), 10u);
    EXPECT_TRUE(source->Read(6, 4, bytes));
    EXPECT_EQ(bytes, "6789");
    EXPECT_FALSE(source->Read(7, 4, bytes));
    EXPECT_FALSE(source->Read(~0ull, 2, bytes));
    for (const std::string& bad : {fifo, dir.Path(), dir.Path() + "/none.mp4"}) {
        error.clear();
        EXPECT_FALSE(OpenFileSource(bad, error)) << bad;
        EXPECT_NE(error.find(bad), std::string::npos) << error;
    }
}

TEST(Mp4File, GoProClipHasItsGpmfTrack)
{
    std::string error;
    CMp4File file(OpenFileSource(DERUZIZ_TEST_DATA_DIR "/embedded/gopro/max-heromode.mp4", error));
    ASSERT_TRUE(file.Open(error)) << error;
    ASSERT_TRUE(file.HasMoov());
    EXPECT_EQ(Listed(file.TopLevel()), "ftyp@0+8:12 mdat@20+8:3638582 moov@3638610+8:42142");
    std::size_t nGpmd = file.Tracks().size();
    for (std::size_t t = 0; t < file.Tracks().size(); ++t)
        if (file.Tracks()[t].m_strHandler == "meta" && file.Tracks()[t].m_strEntry == "gpmd")
            nGpmd = t;
    ASSERT_LT(nGpmd, file.Tracks().size());
    const std::vector<CMp4Sample> samples = file.Samples(nGpmd);
    // As ffprobe -show_packets lists them, and the last one's duration as ExifTool gives it
    // (ffprobe cuts it to the edit list's end).
    ASSERT_EQ(samples.size(), 11u);
    EXPECT_EQ(Listed({samples.front(), samples.back()}), "417048:6188@0+1.001 3634470:4140@10.01+0.533");
    for (std::size_t i = 1; i < samples.size(); ++i)
        EXPECT_NEAR(samples[i].m_dTime - samples[i - 1].m_dTime, 1.001, 1e-9);
    for (const auto& range : file.MediaRanges())
        EXPECT_LE(range.first + range.second, file.Source().Size());
}
