// libFuzzer target for GPS inside a clip: the box walk and sample tables of the container, and
// the freeGPS and GPMF decoders, on the input as a clip, as a block and as a sample. Nothing
// may be read outside the input, and a valid fix lies on the earth.
#include "fuzzcheck.h"
#include "logic/clipgpsdecoders.h"
#include "logic/clipgpsreader.h"
#include "logic/mp4file.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

void CheckFix(const CTimedFix& fix)
{
    if (!fix.m_bValid)
        return;
    Check(std::fabs(fix.m_dLatitude) <= 90.0 && std::fabs(fix.m_dLongitude) <= 180.0, "position off the earth");
    Check(!fix.m_dSpeed || (std::isfinite(*fix.m_dSpeed) && *fix.m_dSpeed >= 0.0), "speed");
    Check(!fix.m_dUtcTime || std::isfinite(*fix.m_dUtcTime), "time");
}

void CheckPayload(std::string_view payload, double dTime, double dDuration)
{
    std::vector<CTimedFix> fixes;
    DecodeGpmfSample(payload, dTime, dDuration, fixes);
    for (const CTimedFix& fix : fixes)
        CheckFix(fix);
    CTimedFix block;
    DecodeFreeGpsBlock(payload, block);
    CheckFix(block);
}

void CheckContainer(const std::string& input)
{
    CMp4Limits limits;
    limits.m_nMaxSamples = 4096;
    limits.m_nMaxBoxes = 4096;
    CMp4File file(MemorySource(input), limits);
    std::string error;
    if (!file.Open(error))
        return;
    for (const CMp4Box& box : file.TopLevel())
        Check(box.m_nPayload >= box.m_nOffset && box.m_nPayload + box.m_nSize <= input.size(), "box outside the input");
    for (const CMp4Box& box : file.MoovChildren())
        Check(file.MoovPayload(box).size() == box.m_nSize, "moov child outside moov");
    std::string payload;
    for (std::size_t t = 0; t < file.Tracks().size(); ++t) {
        const std::vector<CMp4Sample> samples = file.Samples(t);
        Check(samples.size() <= limits.m_nMaxSamples, "sample bound");
        for (std::size_t i = 0; i < samples.size(); ++i) {
            Check(samples[i].m_nOffset + samples[i].m_nSize <= input.size(), "sample outside the input");
            if (i < 64 && file.Source().Read(samples[i].m_nOffset, samples[i].m_nSize, payload))
                CheckPayload(payload, samples[i].m_dTime, samples[i].m_dDuration);
        }
    }
    std::uint64_t nEnd = 0;
    for (const auto& [offset, size] : file.MediaRanges()) {
        Check(offset >= nEnd && offset + size <= input.size(), "media ranges unsorted or outside the input");
        nEnd = offset + size;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    CheckPayload(input, 0.0, 1.0);
    CheckContainer(input);
    const CClipGps found = ReadClipGps(InputAsFile("clip.mp4", input), 4096);
    Check(found.m_records.size() <= 4096, "record bound");
    for (const CGPSPoint& record : found.m_records)
        Check(!record.m_bValid || (std::fabs(record.m_dLatitude) <= 90.0 && std::fabs(record.m_dLongitude) <= 180.0),
              "record off the earth");
    HasClipGps(InputAsFile("clip.mp4", input));
    return 0;
}
