#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What a clip's boxes can make us read at most. The defaults leave every real clip alone.
struct CMp4Limits
{
    // moov is read whole into memory, up to this size (a 3-minute clip's is about 100 KiB).
    std::uint64_t m_nMaxMoovBytes = std::uint64_t(64) << 20;
    // Boxes nested deeper are not entered.
    int m_nMaxDepth = 16;
    // Boxes looked at, in the file and in moov together.
    std::uint32_t m_nMaxBoxes = 1u << 16;
    // Samples of one track (a day of 30 fps video is 2.6 million).
    std::uint32_t m_nMaxSamples = 1u << 22;
};

// A box: its type and where its payload lies in the file.
struct CMp4Box
{
    std::string m_strType;            // four characters, "mdat", "gps ", ...
    std::uint64_t m_nOffset = 0;      // of the box's header
    std::uint64_t m_nPayload = 0;     // of the payload, after the header (and a uuid's 16 bytes: no)
    std::uint64_t m_nSize = 0;        // of the payload
};

// One sample of a track, checked to lie inside the file.
struct CMp4Sample
{
    std::uint64_t m_nOffset = 0;
    std::uint32_t m_nSize = 0;
    double m_dTime = 0.0;      // seconds of the track's media time from its start
    double m_dDuration = 0.0;  // seconds
};

// A track as its moov/trak describes it.
struct CMp4Track
{
    std::string m_strHandler;     // mdia/hdlr's handler type: "vide", "soun", "meta", "text", ...
    std::string m_strEntry;       // the first stsd sample entry's type: "avc1", "gpmd", "tx3g", ...
    std::uint32_t m_nTimescale = 0;
    std::uint32_t m_nSampleCount = 0;  // as stsz claims it (not checked: Samples checks)
};

// Where the bytes of a clip come from: a file read with pread, or memory (tests, the fuzzer).
class CByteSource
{
public:
    virtual ~CByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads nSize bytes at nOffset into out; false when they are not all inside the source or
    // reading fails.
    virtual bool Read(std::uint64_t nOffset, std::size_t nSize, std::string& out) const = 0;
};

// The regular file at path, opened without blocking on a FIFO; null with error saying why.
std::unique_ptr<CByteSource> OpenFileSource(const std::string& path, std::string& error);
// Bytes held by the caller, who keeps them alive.
std::unique_ptr<CByteSource> MemorySource(std::string_view bytes);

// An ISO BMFF / QuickTime file (MP4, MOV): its top-level boxes, moov's boxes and tracks, and the
// samples of a track. Reads the box headers and moov only, never the media. Every size, offset
// and count is checked against the file and the box around it: a file that lies gives fewer
// boxes or samples, never a read outside it.
class CMp4File
{
public:
    explicit CMp4File(std::unique_ptr<CByteSource> pSource, const CMp4Limits& limits = CMp4Limits());
    ~CMp4File();

    // Walks the top-level boxes and reads moov; false (error saying why) when the bytes are
    // not of this container at all. A file without moov (cut by power loss) opens, with no
    // tracks.
    bool Open(std::string& error);

    const CByteSource& Source() const { return *m_pSource; }
    const std::vector<CMp4Box>& TopLevel() const { return m_topLevel; }
    bool HasMoov() const { return m_bHasMoov; }
    // The boxes directly inside moov ("mvhd", "trak", "gps ", "uuid", "udta", ...).
    const std::vector<CMp4Box>& MoovChildren() const { return m_moovChildren; }
    // The payload of a box of MoovChildren, from the moov held in memory; empty for another.
    std::string_view MoovPayload(const CMp4Box& box) const;
    const std::vector<CMp4Track>& Tracks() const { return m_tracks; }
    // The samples of track nTrack in order, from its stts, stsz, stsc and stco/co64; a table
    // that runs short or past its box ends the samples there, a sample outside the file is
    // left out.
    std::vector<CMp4Sample> Samples(std::size_t nTrack) const;
    // The first nMax samples only (fewer where m_nMaxSamples is less).
    std::vector<CMp4Sample> Samples(std::size_t nTrack, std::uint32_t nMax) const;
    // The byte ranges (offset, size) of every sample of every track, sorted and merged: what
    // of the file is media. Bounded by m_nMaxSamples per track.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> MediaRanges() const;
    // The same of the first nMaxPerTrack samples of each track; nCovered is where that is all of
    // the media: the end of the file, or the end of the last listed sample of a track that has
    // more, whichever is first.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> MediaRanges(std::uint32_t nMaxPerTrack,
                                                                     std::uint64_t& nCovered) const;

private:
    struct CTrackTables;

    // Fills m_topLevel; false when the first box is not one.
    bool WalkTopLevel(std::uint32_t& nBoxesLeft, std::string& error);
    // Fills m_moovChildren, m_tracks and m_tables from m_strMoov.
    void ReadMoov(std::uint32_t& nBoxesLeft);

    std::unique_ptr<CByteSource> m_pSource;
    CMp4Limits m_limits;
    std::vector<CMp4Box> m_topLevel;
    bool m_bHasMoov = false;
    CMp4Box m_moov;
    std::string m_strMoov;  // moov's payload
    std::vector<CMp4Box> m_moovChildren;
    std::vector<CMp4Track> m_tracks;
    std::vector<CTrackTables> m_tables;  // of each track, where its tables lie in m_strMoov
};
