#include "logic/blackvue.h"

#include "logic/bytefields.h"
#include "logic/nmea.h"

#include <optional>

namespace {

constexpr std::size_t kHeader = 8;
constexpr double kMaxClipSeconds = 86400.0;

bool IsBlackVueType(std::string_view type)
{
    return type == "cprt" || type == "sttm" || type == "gps " || type == "3gf ";
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\0'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.remove_suffix(1);
    return text;
}

// "[1764583200500]$GPRMC,..." into the ms and the sentence.
bool SplitLine(std::string_view line, std::uint64_t& ms, std::string_view& sentence)
{
    const std::size_t close = line.find(']');
    if (line.size() < 3 || line[0] != '[' || close == std::string_view::npos || close < 2 || close > 21)
        return false;
    ms = 0;
    for (std::size_t i = 1; i < close; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return false;
        ms = ms * 10 + std::uint64_t(line[i] - '0');
    }
    sentence = line.substr(close + 1);
    return true;
}

void ReadLines(std::string_view text, std::optional<std::uint64_t> sttm, CBlackVueGps& gps)
{
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        std::uint64_t ms = 0;
        std::string_view sentence;
        CTimedFix fix;
        if (!SplitLine(line, ms, sentence) || !ParseRmcSentence(sentence, fix, false))
            continue;
        ++gps.m_nSentences;
        if (!sttm || ms < *sttm || double(ms - *sttm) / 1000.0 > kMaxClipSeconds)
            continue;
        fix.m_dClipTime = double(ms - *sttm) / 1000.0;
        gps.m_fixes.push_back(fix);
    }
}

} // namespace

bool IsBlackVueBox(std::string_view head)
{
    std::uint32_t nSize = 0;
    return CByteFields(head, CByteFields::EOrder::Big).Get(0, nSize) && nSize >= kHeader && head.size() >= kHeader
        && IsBlackVueType(head.substr(4, 4));
}

bool ReadBlackVueBox(std::string_view payload, CBlackVueGps& gps)
{
    std::optional<std::uint64_t> sttm;
    std::optional<std::string_view> text;
    const CByteFields fields(payload, CByteFields::EOrder::Big);
    for (std::size_t at = 0; fields.Has(at, kHeader);) {
        std::uint32_t nSize = 0;
        fields.Get(at, nSize);
        if (nSize < kHeader || !fields.Has(at, nSize))
            break;
        const std::string_view type = payload.substr(at + 4, 4);
        const std::string_view body = payload.substr(at + kHeader, nSize - kHeader);
        std::uint64_t value = 0;
        if (type == "cprt")
            gps.m_strModel = std::string(Trimmed(body));
        else if (type == "sttm" && CByteFields(body, CByteFields::EOrder::Big).Get(0, value))
            sttm = value;
        else if (type == "gps ")
            text = body;
        at += nSize;
    }
    if (!text)
        return false;
    ReadLines(*text, sttm, gps);
    return true;
}
