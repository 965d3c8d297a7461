#include "logic/mp4file.h"

#include "framework/core/fileerror.h"
#include "logic/filedescriptor.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::uint32_t Be32(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | b[3];
}

std::uint64_t Be64(const char* p)
{
    return std::uint64_t(Be32(p)) << 32 | Be32(p + 4);
}

// ---- Where the bytes come from ----

class CFileSource : public CByteSource
{
public:
    CFileSource(std::unique_ptr<CFd> pFd, std::uint64_t nSize) : m_pFd(std::move(pFd)), m_nSize(nSize) {}
    std::uint64_t Size() const override { return m_nSize; }

    bool Read(std::uint64_t nOffset, std::size_t nSize, std::string& out) const override
    {
        if (nOffset > m_nSize || nSize > m_nSize - nOffset)
            return false;
        out.resize(nSize);
        for (std::size_t nDone = 0; nDone < nSize;) {
            const ssize_t got = ::pread(m_pFd->Get(), &out[nDone], nSize - nDone, off_t(nOffset + nDone));
            if (got < 0 && errno == EINTR)
                continue;
            // The file may have shrunk since it was opened: a short read is a failed one.
            if (got <= 0)
                return false;
            nDone += std::size_t(got);
        }
        return true;
    }

private:
    std::unique_ptr<CFd> m_pFd;
    std::uint64_t m_nSize;
};

class CMemorySource : public CByteSource
{
public:
    explicit CMemorySource(std::string_view bytes) : m_bytes(bytes) {}
    std::uint64_t Size() const override { return m_bytes.size(); }

    bool Read(std::uint64_t nOffset, std::size_t nSize, std::string& out) const override
    {
        if (nOffset > m_bytes.size() || nSize > m_bytes.size() - nOffset)
            return false;
        out.assign(m_bytes.data() + nOffset, nSize);
        return true;
    }

private:
    std::string_view m_bytes;
};

// ---- Box headers ----

struct CHeader
{
    std::string_view m_type;
    std::uint64_t m_nHeader = 0;  // 8, or 16 with a 64-bit size
    std::uint64_t m_nTotal = 0;   // header and payload
};

// The header at the start of bytes (up to 16 of them); nRoom is what the file or the box
// around it has from there on, which a size of 0 takes whole. False for a header that cannot
// be one: too few bytes, or a size smaller than the header itself.
bool ParseHeader(std::string_view bytes, std::uint64_t nRoom, CHeader& header)
{
    if (bytes.size() < 8 || nRoom < 8)
        return false;
    header.m_type = bytes.substr(4, 4);
    const std::uint32_t nSize = Be32(bytes.data());
    header.m_nHeader = 8;
    if (nSize == 1) {
        if (bytes.size() < 16 || nRoom < 16)
            return false;
        header.m_nHeader = 16;
        header.m_nTotal = Be64(bytes.data() + 8);
    } else {
        header.m_nTotal = nSize == 0 ? nRoom : nSize;
    }
    return header.m_nTotal >= header.m_nHeader;
}

// Cameras write letters, digits and spaces (and QuickTime's ©); a text file's first bytes
// mostly fail the size check before they get here.
bool PlausibleType(std::string_view type)
{
    return std::all_of(type.begin(), type.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return (b >= 0x20 && b < 0x7f) || b == 0xa9;
    });
}

// A box inside moov, by its place in the moov held in memory.
struct CChild
{
    std::string_view m_type;
    std::size_t m_nHeaderAt = 0;
    std::size_t m_nPayloadAt = 0;
    std::size_t m_nSize = 0;
};

// What walking moov may still do: boxes left to look at and the deepest level to go.
struct CWalkBudget
{
    std::uint32_t m_nBoxesLeft = 0;
    int m_nMaxDepth = 0;
};

// Calls onChild for each box in moov[nBegin, nBegin + nSize) in order, those being at level
// nDepth (top-level boxes are 1). Stops at a box that does not fit, and walks nothing deeper
// than the budget's depth.
template <class OnChild>
void ForEachChild(std::string_view moov, std::size_t nBegin, std::size_t nSize, int nDepth,
                  CWalkBudget& budget, OnChild onChild)
{
    if (nDepth > budget.m_nMaxDepth)
        return;
    const std::size_t nEnd = nBegin + nSize;
    for (std::size_t nAt = nBegin; nEnd - nAt >= 8 && budget.m_nBoxesLeft > 0;) {
        --budget.m_nBoxesLeft;
        CHeader header;
        if (!ParseHeader(moov.substr(nAt, 16), nEnd - nAt, header) || header.m_nTotal > nEnd - nAt)
            return;
        CChild child;
        child.m_type = header.m_type;
        child.m_nHeaderAt = nAt;
        child.m_nPayloadAt = nAt + std::size_t(header.m_nHeader);
        child.m_nSize = std::size_t(header.m_nTotal - header.m_nHeader);
        onChild(child);
        nAt += std::size_t(header.m_nTotal);
    }
}

// ---- Sample tables ----

struct CSpan
{
    std::size_t m_nAt = 0;
    std::size_t m_nSize = 0;
};

// Where a track's tables lie in the moov held in memory; a table not found is empty.
struct CTableSpans
{
    CSpan m_stts;
    CSpan m_stsz;
    CSpan m_stsc;
    CSpan m_chunks;
    bool m_bCo64 = false;
};

// The entries of a full box's table, as many as both its count and its box hold.
struct CTable
{
    const char* m_p = nullptr;
    std::uint32_t m_nEntries = 0;
    std::size_t m_nEntrySize = 0;

    const char* Entry(std::uint32_t i) const { return m_p + std::size_t(i) * m_nEntrySize; }
};

CTable TableAt(std::string_view payload, std::size_t nCountAt, std::size_t nEntrySize)
{
    CTable table;
    if (payload.size() < nCountAt + 4)
        return table;
    const std::uint64_t nRoom = (payload.size() - nCountAt - 4) / nEntrySize;
    table.m_p = payload.data() + nCountAt + 4;
    table.m_nEntries = std::uint32_t(std::min<std::uint64_t>(Be32(payload.data() + nCountAt), nRoom));
    table.m_nEntrySize = nEntrySize;
    return table;
}

// stts run by run: each sample's start in media time and its duration.
class CTimeCursor
{
public:
    explicit CTimeCursor(const CTable& stts) : m_stts(stts) {}

    // How many samples the runs hold in all.
    std::uint64_t Total() const
    {
        std::uint64_t nTotal = 0;
        for (std::uint32_t i = 0; i < m_stts.m_nEntries; ++i)
            nTotal += Be32(m_stts.Entry(i));
        return nTotal;
    }

    // Passes over nCount samples, run by run.
    void Skip(std::uint64_t nCount)
    {
        while (nCount > 0) {
            if (m_nLeft == 0) {
                if (m_nEntry >= m_stts.m_nEntries)
                    return;
                m_nLeft = Be32(m_stts.Entry(m_nEntry));
                m_nDelta = Be32(m_stts.Entry(m_nEntry) + 4);
                ++m_nEntry;
            }
            const std::uint32_t nStep = std::uint32_t(std::min<std::uint64_t>(nCount, m_nLeft));
            m_nLeft -= nStep;
            m_nTime += std::uint64_t(nStep) * m_nDelta;
            nCount -= nStep;
        }
    }

    // The next sample's start and duration; false past the last run.
    bool Next(std::uint64_t& nStart, std::uint32_t& nDuration)
    {
        while (m_nLeft == 0) {
            if (m_nEntry >= m_stts.m_nEntries)
                return false;
            m_nLeft = Be32(m_stts.Entry(m_nEntry));
            m_nDelta = Be32(m_stts.Entry(m_nEntry) + 4);
            ++m_nEntry;
        }
        --m_nLeft;
        nStart = m_nTime;
        nDuration = m_nDelta;
        m_nTime += m_nDelta;
        return true;
    }

private:
    CTable m_stts;
    std::uint32_t m_nEntry = 0;
    std::uint32_t m_nLeft = 0;
    std::uint32_t m_nDelta = 0;
    std::uint64_t m_nTime = 0;
};

// The tables of one track read for its samples.
struct CSampleTables
{
    CTable m_stts;
    CTable m_sizes;   // empty when all samples have m_nFixedSize
    CTable m_stsc;
    CTable m_chunks;
    std::uint32_t m_nFixedSize = 0;
    std::uint64_t m_nCount = 0;  // what every table and the limit allow

    bool Load(std::string_view moov, const CTableSpans& spans, std::uint32_t nMaxSamples)
    {
        const auto payload = [&](const CSpan& span) { return moov.substr(span.m_nAt, span.m_nSize); };
        const std::string_view stsz = payload(spans.m_stsz);
        if (stsz.size() < 12)
            return false;
        m_nFixedSize = Be32(stsz.data() + 4);
        m_nCount = Be32(stsz.data() + 8);
        if (m_nFixedSize == 0) {
            m_sizes = TableAt(stsz, 8, 4);
            m_nCount = m_sizes.m_nEntries;
        }
        m_stts = TableAt(payload(spans.m_stts), 4, 8);
        m_stsc = TableAt(payload(spans.m_stsc), 4, 12);
        m_chunks = TableAt(payload(spans.m_chunks), 4, spans.m_bCo64 ? 8 : 4);
        m_nCount = std::min({m_nCount, CTimeCursor(m_stts).Total(), ChunkCapacity(nMaxSamples),
                             std::uint64_t(nMaxSamples)});
        return m_nCount > 0;
    }

    std::uint64_t ChunkOffset(std::uint32_t nChunk) const
    {
        const char* p = m_chunks.Entry(nChunk);
        return m_chunks.m_nEntrySize == 8 ? Be64(p) : Be32(p);
    }

    // The chunks of stsc's run nRun, from 1, as [first, last]; false for a run out of order.
    bool Run(std::uint32_t nRun, std::uint32_t& nFirst, std::uint32_t& nLast, std::uint32_t& nPerChunk) const
    {
        nFirst = Be32(m_stsc.Entry(nRun));
        nPerChunk = Be32(m_stsc.Entry(nRun) + 4);
        const std::uint64_t nNext = nRun + 1 < m_stsc.m_nEntries ? Be32(m_stsc.Entry(nRun + 1))
                                                                 : std::uint64_t(m_chunks.m_nEntries) + 1;
        if (nFirst == 0 || nNext <= nFirst)
            return false;
        nLast = std::uint32_t(std::min<std::uint64_t>(nNext - 1, m_chunks.m_nEntries));
        return true;
    }

    // How many samples stsc puts in stco's chunks, counted no further than nCap.
    std::uint64_t ChunkCapacity(std::uint64_t nCap) const
    {
        std::uint64_t nTotal = 0;
        std::uint32_t nFirst = 0, nLast = 0, nPerChunk = 0;
        for (std::uint32_t r = 0; r < m_stsc.m_nEntries && nTotal < nCap; ++r) {
            if (!Run(r, nFirst, nLast, nPerChunk))
                break;
            if (nLast >= nFirst)
                nTotal += std::uint64_t(nLast - nFirst + 1) * nPerChunk;
        }
        return nTotal;
    }

    std::uint32_t SizeOf(std::uint64_t nSample) const
    {
        return m_nFixedSize != 0 ? m_nFixedSize : Be32(m_sizes.Entry(std::uint32_t(nSample)));
    }
};

// Reads mdhd's timescale, hdlr's handler and stsd's first entry type into track, and keeps
// where stbl's tables lie.
void ReadTrak(std::string_view moov, const CChild& trak, CWalkBudget& budget, CMp4Track& track,
              CTableSpans& spans)
{
    const auto span = [](const CChild& box) { return CSpan{box.m_nPayloadAt, box.m_nSize}; };
    const auto onStbl = [&](const CChild& box) {
        const std::string_view payload = moov.substr(box.m_nPayloadAt, box.m_nSize);
        if (box.m_type == "stsd" && track.m_strEntry.empty() && payload.size() >= 16 && Be32(payload.data() + 4) > 0)
            track.m_strEntry.assign(payload.substr(12, 4));
        else if (box.m_type == "stts" && spans.m_stts.m_nSize == 0)
            spans.m_stts = span(box);
        else if (box.m_type == "stsz" && spans.m_stsz.m_nSize == 0) {
            spans.m_stsz = span(box);
            track.m_nSampleCount = payload.size() >= 12 ? Be32(payload.data() + 8) : 0;
        } else if (box.m_type == "stsc" && spans.m_stsc.m_nSize == 0)
            spans.m_stsc = span(box);
        else if ((box.m_type == "stco" || box.m_type == "co64") && spans.m_chunks.m_nSize == 0) {
            spans.m_chunks = span(box);
            spans.m_bCo64 = box.m_type == "co64";
        }
    };
    const auto onMinf = [&](const CChild& box) {
        if (box.m_type == "stbl")
            ForEachChild(moov, box.m_nPayloadAt, box.m_nSize, 6, budget, onStbl);
    };
    const auto onMdia = [&](const CChild& box) {
        const std::string_view payload = moov.substr(box.m_nPayloadAt, box.m_nSize);
        if (box.m_type == "hdlr" && track.m_strHandler.empty() && payload.size() >= 12) {
            track.m_strHandler.assign(payload.substr(8, 4));
        } else if (box.m_type == "mdhd" && payload.size() >= 4) {
            const std::size_t nAt = payload[0] == 1 ? 20 : payload[0] == 0 ? 12 : payload.size();
            if (payload.size() >= nAt + 4)
                track.m_nTimescale = Be32(payload.data() + nAt);
        } else if (box.m_type == "minf") {
            ForEachChild(moov, box.m_nPayloadAt, box.m_nSize, 5, budget, onMinf);
        }
    };
    ForEachChild(moov, trak.m_nPayloadAt, trak.m_nSize, 3, budget, [&](const CChild& box) {
        if (box.m_type == "mdia")
            ForEachChild(moov, box.m_nPayloadAt, box.m_nSize, 4, budget, onMdia);
    });
}

} // namespace

struct CMp4File::CTrackTables : CTableSpans
{
};

std::unique_ptr<CByteSource> OpenFileSource(const std::string& path, std::string& error)
{
    // O_NONBLOCK keeps a FIFO named like a clip from hanging the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = CFileException::FromErrno(errno, path).GetErrorMessage();
        return nullptr;
    }
    auto pFd = std::make_unique<CFd>(fd);
    struct stat st;
    if (::fstat(pFd->Get(), &st) != 0) {
        error = CFileException::FromErrno(errno, path).GetErrorMessage();
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        error = path + " is not a regular file.";
        return nullptr;
    }
    return std::make_unique<CFileSource>(std::move(pFd), std::uint64_t(st.st_size));
}

std::unique_ptr<CByteSource> MemorySource(std::string_view bytes)
{
    return std::make_unique<CMemorySource>(bytes);
}

CMp4File::CMp4File(std::unique_ptr<CByteSource> pSource, const CMp4Limits& limits)
    : m_pSource(std::move(pSource)), m_limits(limits)
{
}

CMp4File::~CMp4File() = default;

bool CMp4File::Open(std::string& error)
{
    m_topLevel.clear();
    m_bHasMoov = false;
    m_moov = CMp4Box();
    m_strMoov.clear();
    m_moovChildren.clear();
    m_tracks.clear();
    m_tables.clear();

    std::uint32_t nBoxesLeft = m_limits.m_nMaxBoxes;
    if (!WalkTopLevel(nBoxesLeft, error))
        return false;
    const auto moov = std::find_if(m_topLevel.begin(), m_topLevel.end(),
                                   [](const CMp4Box& box) { return box.m_strType == "moov"; });
    if (moov != m_topLevel.end() && moov->m_nSize <= m_limits.m_nMaxMoovBytes
        && m_pSource->Read(moov->m_nPayload, std::size_t(moov->m_nSize), m_strMoov)) {
        m_bHasMoov = true;
        m_moov = *moov;
        ReadMoov(nBoxesLeft);
    }
    return true;
}

bool CMp4File::WalkTopLevel(std::uint32_t& nBoxesLeft, std::string& error)
{
    const std::uint64_t nFile = m_pSource->Size();
    std::string head;
    for (std::uint64_t nAt = 0; nFile - nAt >= 8 && nBoxesLeft > 0;) {
        --nBoxesLeft;
        const bool bFirst = nAt == 0;
        const std::uint64_t nRoom = nFile - nAt;
        CHeader header;
        if (!m_pSource->Read(nAt, std::size_t(std::min<std::uint64_t>(16, nRoom)), head)) {
            if (bFirst)
                error = "The file could not be read.";
            return !bFirst;
        }
        const bool bValid = ParseHeader(head, nRoom, header) && PlausibleType(header.m_type);
        const bool bCutMdat = bValid && header.m_nTotal > nRoom && header.m_type == "mdat";
        if (!bValid || (header.m_nTotal > nRoom && !bCutMdat)) {
            if (bFirst)
                error = "The file is not an MP4 or QuickTime file.";
            return !bFirst;
        }
        CMp4Box box;
        box.m_strType.assign(header.m_type);
        box.m_nOffset = nAt;
        box.m_nPayload = nAt + header.m_nHeader;
        box.m_nSize = std::min(header.m_nTotal, nRoom) - header.m_nHeader;
        m_topLevel.push_back(std::move(box));
        if (bCutMdat)
            break;
        nAt += header.m_nTotal;
    }
    if (m_topLevel.empty()) {
        error = "The file is too short to be an MP4 or QuickTime file.";
        return false;
    }
    return true;
}

void CMp4File::ReadMoov(std::uint32_t& nBoxesLeft)
{
    const std::string_view moov = m_strMoov;
    CWalkBudget budget{nBoxesLeft, m_limits.m_nMaxDepth};
    ForEachChild(moov, 0, moov.size(), 2, budget, [&](const CChild& child) {
        CMp4Box box;
        box.m_strType.assign(child.m_type);
        box.m_nOffset = m_moov.m_nPayload + child.m_nHeaderAt;
        box.m_nPayload = m_moov.m_nPayload + child.m_nPayloadAt;
        box.m_nSize = child.m_nSize;
        m_moovChildren.push_back(std::move(box));
        if (child.m_type == "trak") {
            m_tracks.emplace_back();
            m_tables.emplace_back();
            ReadTrak(moov, child, budget, m_tracks.back(), m_tables.back());
        }
    });
    nBoxesLeft = budget.m_nBoxesLeft;
}

std::string_view CMp4File::MoovPayload(const CMp4Box& box) const
{
    const auto it = std::lower_bound(m_moovChildren.begin(), m_moovChildren.end(), box.m_nOffset,
                                     [](const CMp4Box& child, std::uint64_t n) { return child.m_nOffset < n; });
    if (it == m_moovChildren.end() || it->m_nOffset != box.m_nOffset || it->m_nPayload != box.m_nPayload
        || it->m_nSize != box.m_nSize)
        return std::string_view();
    return std::string_view(m_strMoov).substr(std::size_t(box.m_nPayload - m_moov.m_nPayload), std::size_t(box.m_nSize));
}

std::vector<CMp4Sample> CMp4File::Samples(std::size_t nTrack) const
{
    return Samples(nTrack, m_limits.m_nMaxSamples);
}

std::vector<CMp4Sample> CMp4File::Samples(std::size_t nTrack, std::uint32_t nMax) const
{
    std::vector<CMp4Sample> samples;
    CSampleTables tables;
    if (nTrack >= m_tracks.size() || m_tracks[nTrack].m_nTimescale == 0
        || !tables.Load(m_strMoov, m_tables[nTrack], std::min(nMax, m_limits.m_nMaxSamples)))
        return samples;
    const std::uint64_t nFile = m_pSource->Size();
    const double dTimescale = m_tracks[nTrack].m_nTimescale;
    // Chunks may overlap, so a fixed sample size bounds the count only as a guess.
    samples.reserve(std::size_t(tables.m_nFixedSize == 0 ? tables.m_nCount
                                                         : std::min(tables.m_nCount, nFile / tables.m_nFixedSize + 1)));
    CTimeCursor times(tables.m_stts);
    std::uint64_t nSample = 0;
    std::uint32_t nFirst = 0, nLast = 0, nPerChunk = 0;
    for (std::uint32_t r = 0; r < tables.m_stsc.m_nEntries && nSample < tables.m_nCount; ++r) {
        if (!tables.Run(r, nFirst, nLast, nPerChunk))
            break;
        for (std::uint64_t c = nFirst; c <= nLast && nPerChunk > 0 && nSample < tables.m_nCount; ++c) {
            std::uint64_t nOffset = tables.ChunkOffset(std::uint32_t(c - 1));
            for (std::uint32_t k = 0; k < nPerChunk && nSample < tables.m_nCount; ++k, ++nSample) {
                const std::uint32_t nSize = tables.SizeOf(nSample);
                std::uint64_t nStart = 0;
                std::uint32_t nDuration = 0;
                times.Next(nStart, nDuration);
                if (nOffset > nFile) {
                    // The rest of the chunk lies past the end too: a chunk claiming billions
                    // of samples costs no more than one.
                    const std::uint64_t nRest = std::min<std::uint64_t>(nPerChunk - k - 1, tables.m_nCount - nSample - 1);
                    times.Skip(nRest);
                    nSample += nRest;
                    k += std::uint32_t(nRest);
                    continue;
                }
                if (nSize <= nFile - nOffset)
                    samples.push_back(CMp4Sample{nOffset, nSize, double(nStart) / dTimescale, double(nDuration) / dTimescale});
                nOffset += nSize;
            }
        }
    }
    return samples;
}

std::vector<std::pair<std::uint64_t, std::uint64_t>> CMp4File::MediaRanges() const
{
    std::uint64_t nCovered = 0;
    return MediaRanges(m_limits.m_nMaxSamples, nCovered);
}

std::vector<std::pair<std::uint64_t, std::uint64_t>> CMp4File::MediaRanges(std::uint32_t nMaxPerTrack,
                                                                           std::uint64_t& nCovered) const
{
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
    nCovered = m_pSource->Size();
    for (std::size_t t = 0; t < m_tracks.size(); ++t) {
        const std::vector<CMp4Sample> samples = Samples(t, nMaxPerTrack);
        if (!samples.empty() && m_tracks[t].m_nSampleCount > samples.size())
            nCovered = std::min(nCovered, samples.back().m_nOffset + samples.back().m_nSize);
        for (const CMp4Sample& sample : samples) {
            if (sample.m_nSize > 0)
                ranges.emplace_back(sample.m_nOffset, sample.m_nSize);
        }
    }
    std::sort(ranges.begin(), ranges.end());
    std::vector<std::pair<std::uint64_t, std::uint64_t>> merged;
    for (const auto& range : ranges) {
        if (!merged.empty() && range.first <= merged.back().first + merged.back().second) {
            const std::uint64_t nEnd = std::max(merged.back().first + merged.back().second, range.first + range.second);
            merged.back().second = nEnd - merged.back().first;
        } else {
            merged.push_back(range);
        }
    }
    return merged;
}
