#include "logic/clipgpsreader.h"

#include "logic/blackvue.h"
#include "logic/bytefields.h"
#include "logic/clipgpsdecoders.h"
#include "logic/fixseconds.h"
#include "logic/mp4file.h"
#include "logic/nmea.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <optional>

namespace {

// What a freeGPS record's fields take of its block at most (Transcend's altitude ends at 0xA8).
constexpr std::size_t kBlockFieldBytes = 256;
// BlackVue's box of a minute holds some 10 KiB of NMEA; a day's would be 16 MiB.
constexpr std::uint64_t kMaxBlackVueBytes = std::uint64_t(16) << 20;
// A timed-text sample of NMEA holds a few sentences; 64 KiB is a long line.
constexpr std::uint32_t kMaxTextSampleBytes = 64u << 10;
constexpr std::uint32_t kProbedTextSamples = 8;
// A GPMF sample holds a second of a few sensors: a few KiB; more is not GPMF.
constexpr std::uint32_t kMaxGpmfSampleBytes = 1u << 20;
// Boxes other than GPS blocks walked in one stretch of mdat between media chunks.
constexpr int kMaxBoxesInGap = 16;
// Stretches between media chunks the probe looks at for a block, and the samples of each track
// it lists to find them (a long clip has thousands).
constexpr std::size_t kProbedGaps = 4;
constexpr std::uint32_t kProbedSamples = 256;
constexpr std::size_t kBoxHeaderBytes = 12;

std::uint16_t U16BE(std::string_view bytes, std::size_t at)
{
    std::uint16_t value = 0;
    CByteFields(bytes, CByteFields::EOrder::Big).Get(at, value);
    return value;
}

std::uint32_t U32BE(std::string_view bytes, std::size_t at)
{
    std::uint32_t value = 0;
    CByteFields(bytes, CByteFields::EOrder::Big).Get(at, value);
    return value;
}

struct CIndexEntry
{
    std::uint64_t m_nOffset;
    std::uint32_t m_nSize;
};

// moov's "gps " box: version, count, then (offset, size) a block, one a second.
std::vector<CIndexEntry> FreeGpsIndex(const CMp4File& file)
{
    std::vector<CIndexEntry> entries;
    for (const CMp4Box& box : file.MoovChildren()) {
        if (box.m_strType != "gps ")
            continue;
        const std::string_view payload = file.MoovPayload(box);
        if (payload.size() < 8)
            continue;
        const std::size_t count = std::min<std::size_t>(U32BE(payload, 4), (payload.size() - 8) / 8);
        entries.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            entries.push_back(CIndexEntry{U32BE(payload, 8 + 8 * i), U32BE(payload, 12 + 8 * i)});
        break;
    }
    return entries;
}

std::optional<std::size_t> GpmdTrack(const CMp4File& file)
{
    const std::vector<CMp4Track>& tracks = file.Tracks();
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        if (tracks[i].m_strEntry == "gpmd")
            return i;
    }
    return std::nullopt;
}

// The stretches of mdat that no track's sample covers, in file order, as far as the first
// nSamples samples of each track tell them.
std::vector<std::pair<std::uint64_t, std::uint64_t>> MdatGaps(const CMp4File& file, std::uint32_t nSamples)
{
    std::uint64_t nCovered = 0;
    const std::vector<std::pair<std::uint64_t, std::uint64_t>> media = file.MediaRanges(nSamples, nCovered);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> gaps;
    for (const CMp4Box& box : file.TopLevel()) {
        if (box.m_strType != "mdat" || box.m_nPayload >= nCovered)
            continue;
        std::uint64_t pos = box.m_nPayload;
        const std::uint64_t end = std::min(box.m_nPayload + box.m_nSize, nCovered);
        auto it = std::lower_bound(media.begin(), media.end(), std::make_pair(pos, std::uint64_t(0)));
        if (it != media.begin() && std::prev(it)->first + std::prev(it)->second > pos)
            --it;
        for (; pos < end; ++it) {
            const std::uint64_t next = it == media.end() ? end : std::min(end, it->first);
            if (next > pos)
                gaps.emplace_back(pos, next - pos);
            if (it == media.end())
                break;
            pos = std::max(pos, it->first + it->second);
        }
    }
    return gaps;
}

// The freeGPS blocks of one stretch of mdat: the boxes it holds from its start.
template <typename OnBlock>
void WalkGap(const CByteSource& source, std::uint64_t start, std::uint64_t size, OnBlock onBlock)
{
    std::string head;
    std::uint64_t pos = start;
    const std::uint64_t end = start + size;
    // Blocks follow each other as long as they come; other boxes between them are few.
    for (int nOther = 0; nOther < kMaxBoxesInGap && end - pos >= kBoxHeaderBytes;) {
        if (!source.Read(pos, kBoxHeaderBytes, head))
            return;
        const std::uint64_t boxSize = U32BE(head, 0);
        if (boxSize < 8 || boxSize > end - pos)
            return;
        if (!IsFreeGpsBlock(head))
            ++nOther;
        else if (!onBlock(pos, boxSize))
            return;
        pos += boxSize;
    }
}

class CFreeGpsBlocks
{
public:
    explicit CFreeGpsBlocks(const CByteSource& source) : m_source(source) {}

    void Add(std::uint64_t offset, std::uint64_t size)
    {
        CTimedFix fix;
        const std::uint64_t available = offset < m_source.Size() ? m_source.Size() - offset : 0;
        const std::size_t wanted = std::size_t(std::min<std::uint64_t>({size, kBlockFieldBytes, available}));
        if (wanted >= kBoxHeaderBytes && m_source.Read(offset, wanted, m_strBlock))
            ++m_types[DecodeFreeGpsBlock(m_strBlock, fix)];
        m_fixes.push_back(fix);
    }

    std::size_t Count() const { return m_fixes.size(); }
    const std::vector<CTimedFix>& Fixes() const { return m_fixes; }

    // The layout most blocks were read as.
    EFreeGpsType Layout() const
    {
        EFreeGpsType best = EFreeGpsType::None;
        std::size_t nBest = 0;
        for (const auto& [type, count] : m_types) {
            if (type != EFreeGpsType::None && count > nBest) {
                best = type;
                nBest = count;
            }
        }
        return best;
    }

private:
    const CByteSource& m_source;
    std::vector<CTimedFix> m_fixes;
    std::map<EFreeGpsType, std::size_t> m_types;
    std::string m_strBlock;
};

// The first nMax samples of track nTrack of at most nMaxBytes each, read, to onSample(sample,
// payload) until it returns false.
template <typename OnSample>
void ForEachSample(const CMp4File& file, std::size_t nTrack, std::uint32_t nMaxBytes, std::uint32_t nMax, OnSample onSample)
{
    std::string payload;
    for (const CMp4Sample& sample : file.Samples(nTrack, nMax)) {
        if (sample.m_nSize <= nMaxBytes && file.Source().Read(sample.m_nOffset, sample.m_nSize, payload)
            && !onSample(sample, payload))
            return;
    }
}

std::vector<CGPSPoint> MakeRecords(const std::vector<CTimedFix>& fixes, ESecondRule rule, int nMaxRecords)
{
    bool bCut = false;
    return MakeTrackRecords(fixes, rule, nMaxRecords, bCut, fixes.size());
}

std::string Plural(std::size_t n, const char* pszOne, const char* pszMany)
{
    return std::to_string(n) + " " + (n == 1 ? pszOne : pszMany);
}

bool FreeGpsFound(const CFreeGpsBlocks& blocks, bool bIndexed, int nMaxRecords, CClipGps& found)
{
    if (blocks.Layout() == EFreeGpsType::None)
        return false;
    found.m_records = MakeRecords(blocks.Fixes(), ESecondRule::EachFix, nMaxRecords);
    found.m_strSource = std::string("Novatek freeGPS ") + FreeGpsTypeName(blocks.Layout())
                      + (bIndexed ? ", " : " without an index, ") + Plural(blocks.Count(), "block", "blocks");
    return true;
}

bool ReadIndexedFreeGps(const CMp4File& file, int nMaxRecords, CClipGps& found)
{
    CFreeGpsBlocks blocks(file.Source());
    for (const CIndexEntry& entry : FreeGpsIndex(file)) {
        if (blocks.Count() >= std::size_t(std::max(nMaxRecords, 0)))
            break;
        blocks.Add(entry.m_nOffset, entry.m_nSize);
    }
    return FreeGpsFound(blocks, true, nMaxRecords, found);
}

// The blocks between the media chunks, found from every sample's place: the costliest look,
// so the last one.
bool ReadFreeGpsBetweenChunks(const CMp4File& file, int nMaxRecords, CClipGps& found)
{
    CFreeGpsBlocks blocks(file.Source());
    for (const auto& [start, size] : MdatGaps(file, std::numeric_limits<std::uint32_t>::max())) {
        WalkGap(file.Source(), start, size, [&](std::uint64_t offset, std::uint64_t blockSize) {
            blocks.Add(offset, blockSize);
            return blocks.Count() < std::size_t(std::max(nMaxRecords, 0));
        });
    }
    return FreeGpsFound(blocks, false, nMaxRecords, found);
}

bool ReadGpmf(const CMp4File& file, int nMaxRecords, CClipGps& found)
{
    const std::optional<std::size_t> track = GpmdTrack(file);
    if (!track)
        return false;
    std::vector<CTimedFix> fixes;
    std::size_t nGpmf = 0;
    ForEachSample(file, *track, kMaxGpmfSampleBytes, std::numeric_limits<std::uint32_t>::max(), [&](const CMp4Sample& sample, const std::string& payload) {
        nGpmf += DecodeGpmfSample(payload, sample.m_dTime, sample.m_dDuration, fixes) ? 1 : 0;
        return true;
    });
    if (nGpmf == 0)
        return false;
    found.m_records = MakeRecords(fixes, ESecondRule::LastFixOfSecond, nMaxRecords);
    found.m_strSource = "GoPro GPMF, " + Plural(nGpmf, "sample", "samples") + ", " + Plural(fixes.size(), "fix", "fixes");
    return true;
}

// BlackVue's top-level "free" box, where there is one.
std::optional<CMp4Box> BlackVueBox(const CMp4File& file)
{
    std::string head;
    for (const CMp4Box& box : file.TopLevel()) {
        if (box.m_strType == "free" && box.m_nSize >= kBoxHeaderBytes
            && file.Source().Read(box.m_nPayload, kBoxHeaderBytes, head) && IsBlackVueBox(head))
            return box;
    }
    return std::nullopt;
}

bool ReadBlackVue(const CMp4File& file, int nMaxRecords, CClipGps& found)
{
    const std::optional<CMp4Box> box = BlackVueBox(file);
    std::string payload;
    CBlackVueGps gps;
    if (!box || box->m_nSize > kMaxBlackVueBytes || !file.Source().Read(box->m_nPayload, std::size_t(box->m_nSize), payload)
        || !ReadBlackVueBox(payload, gps) || gps.m_fixes.empty())
        return false;
    found.m_records = MakeRecords(gps.m_fixes, ESecondRule::LastFixOfSecond, nMaxRecords);
    found.m_strSource = "BlackVue NMEA" + (gps.m_strModel.empty() ? std::string() : " of \"" + gps.m_strModel + "\"") + ", "
                      + Plural(gps.m_nSentences, "RMC sentence", "RMC sentences");
    return true;
}

std::optional<std::size_t> TextTrack(const CMp4File& file)
{
    const std::vector<CMp4Track>& tracks = file.Tracks();
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const CMp4Track& t = tracks[i];
        if ((t.m_strHandler == "text" || t.m_strHandler == "sbtl") && (t.m_strEntry == "text" || t.m_strEntry == "tx3g"))
            return i;
    }
    return std::nullopt;
}

// The RMC sentences of one sample's text, "$" or not before them (Thinkware writes
// ";GNRMC,..."), each a fix at the sample's time. Checksums are not trusted either way.
std::size_t AddTextFixes(std::string_view text, double dTime, std::vector<CTimedFix>& fixes)
{
    std::size_t nSentences = 0;
    std::string sentence;
    for (std::size_t at = text.find("RMC,"); at != std::string_view::npos; at = text.find("RMC,", at + 4)) {
        if (at < 2)
            continue;
        const std::size_t end = text.find_first_of("\r\n;$", at);
        sentence = "$";
        sentence += text.substr(at - 2, end == std::string_view::npos ? std::string_view::npos : end - (at - 2));
        CTimedFix fix;
        if (!ParseRmcSentence(sentence, fix, false))
            continue;
        ++nSentences;
        fix.m_dClipTime = dTime;
        fixes.push_back(fix);
    }
    return nSentences;
}

bool ReadTextTrack(const CMp4File& file, int nMaxRecords, CClipGps& found)
{
    const std::optional<std::size_t> track = TextTrack(file);
    if (!track)
        return false;
    std::vector<CTimedFix> fixes;
    std::size_t nSentences = 0;
    ForEachSample(file, *track, kMaxTextSampleBytes, std::numeric_limits<std::uint32_t>::max(), [&](const CMp4Sample& sample, const std::string& payload) {
        // A u16 length, then the text (and style boxes of tx3g after it).
        if (payload.size() >= 2) {
            const std::size_t length = std::min<std::size_t>(U16BE(payload, 0), payload.size() - 2);
            nSentences += AddTextFixes(std::string_view(payload).substr(2, length), sample.m_dTime, fixes);
        }
        return true;
    });
    if (fixes.empty())
        return false;
    found.m_records = MakeRecords(fixes, ESecondRule::LastFixOfSecond, nMaxRecords);
    found.m_strSource = "NMEA in a " + file.Tracks()[*track].m_strEntry + " text track, " + Plural(nSentences, "RMC sentence", "RMC sentences");
    return true;
}

// Garmin's moov/uuid box: its UUID, 17 bytes, then 20-byte records of u32 seconds since 1904,
// u16 speed in mph, 6 bytes, s32 latitude and longitude in semicircles (0x80000000: no fix).
constexpr std::string_view kGarminUuid = "\x9b\x63\x0f\x8d\x63\x74\x40\xec\x82\x04\xbc\x5f\xf5\x09\x17\x28";
constexpr std::size_t kGarminRecords = 33;
constexpr std::size_t kGarminRecordBytes = 20;
constexpr std::int64_t k1904To1980 = 2398377600;
constexpr std::uint32_t kGarminNoFix = 0x80000000u;

bool ReadGarmin(const CMp4File& file, int nMaxRecords, CClipGps& found)
{
    for (const CMp4Box& box : file.MoovChildren()) {
        const std::string_view payload = file.MoovPayload(box);
        if (box.m_strType != "uuid" || payload.substr(0, kGarminUuid.size()) != kGarminUuid || payload.size() < kGarminRecords)
            continue;
        const CByteFields fields(payload, CByteFields::EOrder::Big);
        std::vector<CTimedFix> fixes;
        for (std::size_t at = kGarminRecords; fields.Has(at, kGarminRecordBytes); at += kGarminRecordBytes) {
            std::uint32_t seconds = 0, latitude = 0, longitude = 0;
            std::uint16_t mph = 0;
            fields.Get(at, seconds);
            fields.Get(at + 4, mph);
            fields.Get(at + 12, latitude);
            fields.Get(at + 16, longitude);
            CTimedFix fix;
            fix.m_dUtcTime = double(std::int64_t(seconds) - k1904To1980);
            if (latitude != kGarminNoFix && longitude != kGarminNoFix) {
                fix.m_dLatitude = double(std::int32_t(latitude)) * 180.0 / 2147483648.0;
                fix.m_dLongitude = double(std::int32_t(longitude)) * 180.0 / 2147483648.0;
                fix.m_bValid = std::fabs(fix.m_dLatitude) <= 90.0;
                fix.m_dSpeed = double(mph);
                fix.m_eSpeedUnit = ESpeedUnit::MilesPerHour;
            }
            fixes.push_back(fix);
        }
        if (fixes.empty())
            continue;
        found.m_records = MakeRecords(fixes, ESecondRule::LastFixOfSecond, nMaxRecords);
        found.m_strSource = "Garmin, " + Plural(fixes.size(), "record", "records");
        return true;
    }
    return false;
}

bool HasGarminBox(const CMp4File& file)
{
    for (const CMp4Box& box : file.MoovChildren()) {
        if (box.m_strType == "uuid" && file.MoovPayload(box).substr(0, kGarminUuid.size()) == kGarminUuid)
            return true;
    }
    return false;
}

// "ftyp 32, mdat 3650000, moov 28000 (mvhd, trak, gps ); tracks: vide avc1 5400 samples, ..."
std::string Seen(const CMp4File& file)
{
    std::string seen;
    for (const CMp4Box& box : file.TopLevel()) {
        seen += (seen.empty() ? "" : ", ") + box.m_strType + " " + std::to_string(box.m_nSize);
        if (box.m_strType == "moov") {
            std::string children;
            for (const CMp4Box& child : file.MoovChildren())
                children += (children.empty() ? "" : ", ") + child.m_strType;
            seen += " (" + children + ")";
        }
    }
    std::string tracks;
    for (const CMp4Track& track : file.Tracks())
        tracks += (tracks.empty() ? "" : ", ") + track.m_strHandler + " " + track.m_strEntry + " "
                + Plural(track.m_nSampleCount, "sample", "samples");
    return "boxes: " + seen + "; tracks: " + (tracks.empty() ? "none" : tracks);
}

std::unique_ptr<CMp4File> OpenClip(const std::string& path, std::string& error)
{
    std::unique_ptr<CByteSource> source = OpenFileSource(path, error);
    if (!source)
        return nullptr;
    auto file = std::make_unique<CMp4File>(std::move(source));
    if (!file->Open(error))
        return nullptr;
    return file;
}

class CClipGpsReader : public CTrackReader
{
public:
    const char* Name() const override { return "inside the clip"; }
    std::string BesideExtension() const override { return std::string(); }
    bool Probe(const std::string& path) const override { return HasClipGps(path); }
    bool ReadsTheClip() const override { return true; }

    std::unique_ptr<CTrackReading> Open(const std::string& path, const CTrackLimits& limits,
                                        std::string& error) const override
    {
        try {
            CClipGps found = ReadClipGps(path, limits.m_nMaxRecords);
            if (found.m_strSource.empty()) {
                error = path + ": no GPS inside the clip (" + found.m_strSeen + ")";
                return nullptr;
            }
            return std::make_unique<CRecordsReading>(std::move(found.m_records), std::move(found.m_strSource));
        } catch (const std::bad_alloc&) {
            error = "out of memory";
            return nullptr;
        }
    }
};

} // namespace

CClipGps ReadClipGps(const std::string& path, int nMaxRecords)
{
    CClipGps found;
    std::string error;
    const std::unique_ptr<CMp4File> file = OpenClip(path, error);
    if (!file) {
        found.m_strSeen = error;
        return found;
    }
    using Reader = bool (*)(const CMp4File&, int, CClipGps&);
    const Reader readers[] = {ReadBlackVue, ReadIndexedFreeGps, ReadGpmf, ReadGarmin, ReadTextTrack, ReadFreeGpsBetweenChunks};
    if (std::none_of(std::begin(readers), std::end(readers), [&](Reader read) { return read(*file, nMaxRecords, found); }))
        found.m_strSeen = Seen(*file);
    return found;
}

bool HasClipGps(const std::string& path)
{
    std::string error;
    const std::unique_ptr<CMp4File> file = OpenClip(path, error);
    if (!file || !file->HasMoov())
        return false;
    if (!FreeGpsIndex(*file).empty() || GpmdTrack(*file) || BlackVueBox(*file) || HasGarminBox(*file))
        return true;
    // A text track may be subtitles: its first samples tell.
    bool bFound = false;
    if (const std::optional<std::size_t> track = TextTrack(*file)) {
        ForEachSample(*file, *track, kMaxTextSampleBytes, kProbedTextSamples, [&](const CMp4Sample&, const std::string& payload) {
            bFound = payload.find("RMC,") != std::string::npos;
            return !bFound;
        });
    }
    if (bFound)
        return true;
    const std::vector<std::pair<std::uint64_t, std::uint64_t>> gaps = MdatGaps(*file, kProbedSamples);
    for (std::size_t i = 0; i < gaps.size() && i < kProbedGaps && !bFound; ++i) {
        WalkGap(file->Source(), gaps[i].first, gaps[i].second, [&](std::uint64_t, std::uint64_t) {
            bFound = true;
            return false;
        });
    }
    return bFound;
}

const CTrackReader& ClipGpsReader()
{
    static const CClipGpsReader reader;
    return reader;
}
