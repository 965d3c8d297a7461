#pragma once
// Clips with GPS inside, made from a clip ffmpeg wrote: freeGPS blocks put at the end of its
// mdat (after the last media chunk, where no sample covers them), with or without moov's index.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace GpsClips {

// One fix of a block, as the camera would write it.
struct CBlockFix
{
    int m_nYear = 2026, m_nMonth = 12, m_nDay = 1, m_nHour = 10, m_nMinute = 15, m_nSecond = 0;
    double m_dLatitude = 0.0;   // signed degrees
    double m_dLongitude = 0.0;
    double m_dKnots = 0.0;
    char m_cStatus = 'A';
};

// Type3Kenwood: 48 bytes of model text before the type-3 record, and the year in full (the
// camera's local time).
// Type17Transcend: type 17 and the position again as decimal doubles.
enum class ELayout { Type3, Type3Kenwood, Type17, Type17Iqs, Type17Transcend, Type2, Type20 };

inline void PutLE32(std::string& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(v >> (8 * i));
}
inline void PutBE32(std::string& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(v >> (24 - 8 * i));
}
inline void PutBE16(std::string& b, std::size_t at, std::uint16_t v)
{
    b[at] = char(v >> 8);
    b[at + 1] = char(v);
}
template <typename T>
void PutRaw(std::string& b, std::size_t at, T v)
{
    std::memcpy(&b[at], &v, sizeof v);  // the test machine is little-endian, as the layouts
}

// DDMM.MMMM of the distance from the equator or the meridian.
inline double Ddmm(double degrees)
{
    const double a = std::fabs(degrees);
    return std::floor(a) * 100.0 + (a - std::floor(a)) * 60.0;
}

inline std::string Block(ELayout layout, const CBlockFix& fix, std::uint32_t nSize = 0x8000)
{
    std::string b(nSize, '\0');
    PutBE32(b, 0, nSize);
    std::memcpy(&b[4], "freeGPS ", 8);
    const char ns = fix.m_dLatitude < 0 ? 'S' : 'N', ew = fix.m_dLongitude < 0 ? 'W' : 'E';
    switch (layout) {
    case ELayout::Type3:
    case ELayout::Type3Kenwood:
    case ELayout::Type17:
    case ELayout::Type17Transcend:
    case ELayout::Type17Iqs: {
        const bool bKenwood = layout == ELayout::Type3Kenwood;
        const std::size_t o = layout == ELayout::Type3 ? 0x10 : bKenwood ? 0x40 : 0x30;
        if (bKenwood)
            std::memcpy(&b[0x10], "MN:DRV-A510W", 12);
        const std::uint32_t fields[] = {std::uint32_t(fix.m_nHour), std::uint32_t(fix.m_nMinute), std::uint32_t(fix.m_nSecond),
                                        std::uint32_t(bKenwood ? fix.m_nYear : fix.m_nYear - 2000), std::uint32_t(fix.m_nMonth),
                                        std::uint32_t(fix.m_nDay)};
        for (int i = 0; i < 6; ++i)
            PutLE32(b, o + 4 * i, fields[i]);
        b[o + 0x18] = fix.m_cStatus;
        b[o + 0x19] = ns;
        b[o + 0x1A] = ew;
        if (layout == ELayout::Type17Iqs) {
            std::memcpy(&b[0x10], "IQS", 3);
            PutRaw<std::int32_t>(b, o + 0x1C, std::int32_t(std::lround(std::fabs(fix.m_dLatitude) * 1e7)));
            PutRaw<std::int32_t>(b, o + 0x20, std::int32_t(std::lround(std::fabs(fix.m_dLongitude) * 1e7)));
            PutRaw<std::int32_t>(b, o + 0x24, std::int32_t(std::lround(fix.m_dKnots * 1852.0 / 3600.0 * 100.0)));
        } else {
            PutRaw<float>(b, o + 0x1C, float(Ddmm(fix.m_dLatitude)));
            PutRaw<float>(b, o + 0x20, float(Ddmm(fix.m_dLongitude)));
            PutRaw<float>(b, o + 0x24, float(fix.m_dKnots));
        }
        if (layout == ELayout::Type17Transcend) {
            PutRaw<double>(b, 0x70, fix.m_dLatitude);
            PutRaw<double>(b, 0x80, fix.m_dLongitude);
        }
        break;
    }
    case ELayout::Type2:
        PutLE32(b, 0x30, fix.m_nHour);
        PutLE32(b, 0x34, fix.m_nMinute);
        PutLE32(b, 0x38, fix.m_nSecond);
        b[0x3C] = fix.m_cStatus;
        PutRaw<double>(b, 0x40, Ddmm(fix.m_dLatitude));
        b[0x48] = ns;
        PutRaw<double>(b, 0x50, Ddmm(fix.m_dLongitude));
        b[0x58] = ew;
        PutRaw<double>(b, 0x60, fix.m_dKnots);
        PutLE32(b, 0x70, fix.m_nYear - 2000);
        PutLE32(b, 0x74, fix.m_nMonth);
        PutLE32(b, 0x78, fix.m_nDay);
        break;
    case ELayout::Type20: {
        const std::size_t o = 0x30;
        PutBE16(b, o + 2, std::uint16_t(std::lround(fix.m_dKnots * 1852.0 / 3600.0 * 100.0)));
        PutBE16(b, o + 6, std::uint16_t(fix.m_nYear));
        b[o + 8] = char(fix.m_nMonth);
        b[o + 9] = char(fix.m_nDay);
        b[o + 10] = char(fix.m_nHour);
        b[o + 11] = char(fix.m_nMinute);
        PutBE16(b, o + 12, std::uint16_t(fix.m_nSecond * 10));
        PutBE32(b, o + 15, std::uint32_t(std::int32_t(std::lround(fix.m_dLatitude * 1e7))));
        PutBE32(b, o + 19, std::uint32_t(std::int32_t(std::lround(fix.m_dLongitude * 1e7))));
        break;
    }
    }
    return b;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// A short H.264 clip as ffmpeg writes it: ftyp, free, mdat, then moov. Empty when ffmpeg fails.
inline std::string MakeBaseClip(const std::string& path, int nSeconds)
{
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i testsrc=size=160x120:rate=5 -t "
                              + std::to_string(nSeconds) + " -c:v libx264 -pix_fmt yuv420p -y '" + path + "'";
    return std::system(command.c_str()) == 0 ? ReadFile(path) : std::string();
}

inline std::uint32_t GetBE32(const std::string& b, std::size_t at)
{
    return std::uint32_t(std::uint8_t(b[at])) << 24 | std::uint32_t(std::uint8_t(b[at + 1])) << 16
         | std::uint32_t(std::uint8_t(b[at + 2])) << 8 | std::uint8_t(b[at + 3]);
}

// clip with blocks appended to its mdat and, with bIndex, moov's "gps " index of them. The
// mdat must come before moov, as ffmpeg writes it, so that no chunk offset moves.
inline std::string WithFreeGps(const std::string& clip, const std::vector<std::string>& blocks, bool bIndex)
{
    std::size_t mdat = 0, moov = 0;
    for (std::size_t at = 0; at + 8 <= clip.size(); at += GetBE32(clip, at)) {
        if (clip.compare(at + 4, 4, "mdat") == 0)
            mdat = at;
        if (clip.compare(at + 4, 4, "moov") == 0)
            moov = at;
        if (GetBE32(clip, at) < 8)
            break;
    }
    std::string all;
    for (const std::string& block : blocks)
        all += block;
    std::string out = clip.substr(0, moov) + all;
    PutBE32(out, mdat, std::uint32_t(moov - mdat + all.size()));
    std::string index(16 + 8 * blocks.size(), '\0');
    PutBE32(index, 0, std::uint32_t(index.size()));
    std::memcpy(&index[4], "gps ", 4);
    PutBE32(index, 8, 0x101);
    PutBE32(index, 12, std::uint32_t(blocks.size()));
    std::size_t offset = moov;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        PutBE32(index, 16 + 8 * i, std::uint32_t(offset));
        PutBE32(index, 20 + 8 * i, std::uint32_t(blocks[i].size()));
        offset += blocks[i].size();
    }
    std::string movie = clip.substr(moov);
    if (bIndex) {
        movie += index;
        PutBE32(movie, 0, std::uint32_t(movie.size()));
    }
    return out + movie;
}

inline std::string BoxOf(const char* pszType, const std::string& payload)
{
    std::string box(8, '\0');
    PutBE32(box, 0, std::uint32_t(8 + payload.size()));
    std::memcpy(&box[4], pszType, 4);
    return box + payload;
}

// "$" + body + "*hh" with its checksum, or a wrong one.
inline std::string Sentence(const std::string& body, bool bRightSum = true)
{
    unsigned sum = 0;
    for (const char c : body)
        sum ^= static_cast<unsigned char>(c);
    char star[4];
    std::snprintf(star, sizeof star, "*%02X", (sum ^ (bRightSum ? 0u : 0x55u)) & 0xFF);
    return "$" + body + star;
}

// clip with BlackVue's top-level "free" box after it: the model, the clock at the start (ms)
// and the lines of NMEA text, NUL-padded as the camera writes them.
inline std::string WithBlackVue(const std::string& clip, const std::string& model, std::uint64_t sttm,
                                const std::string& lines)
{
    std::string clock(8, '\0');
    for (int i = 0; i < 8; ++i)
        clock[i] = char(sttm >> (56 - 8 * i));
    const std::string boxes = BoxOf("cprt", " " + model + " ") + BoxOf("sttm", clock)
                            + BoxOf("gps ", lines + std::string(32, '\0')) + BoxOf("3gf ", std::string(10, '\xff'));
    return clip + BoxOf("free", boxes);
}

// clip (moov last, as ffmpeg writes it) with box added at the end of moov.
inline std::string WithMoovChild(const std::string& clip, const std::string& box)
{
    const std::size_t moov = clip.rfind("moov") - 4;
    std::string movie = clip.substr(moov) + box;
    PutBE32(movie, 0, std::uint32_t(movie.size()));
    return clip.substr(0, moov) + movie;
}

// Garmin's moov/uuid box of records one a second from UTC second utc (seconds since 1970):
// latitude, longitude in degrees (NaN: no fix) and speed in mph.
struct CGarminFix
{
    double m_dLatitude, m_dLongitude;
    int m_nMph;
};

inline std::string GarminBox(std::int64_t utc, const std::vector<CGarminFix>& fixes)
{
    std::string payload("\x9b\x63\x0f\x8d\x63\x74\x40\xec\x82\x04\xbc\x5f\xf5\x09\x17\x28", 16);
    payload += std::string(17, '\0');
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        std::string record(20, '\0');
        PutBE32(record, 0, std::uint32_t(utc + 2082844800 + std::int64_t(i)));
        PutBE16(record, 4, std::uint16_t(fixes[i].m_nMph));
        const auto semicircles = [](double d) { return std::isnan(d) ? 0x80000000u : std::uint32_t(std::int32_t(std::lround(d * 2147483648.0 / 180.0))); };
        PutBE32(record, 12, semicircles(fixes[i].m_dLatitude));
        PutBE32(record, 16, semicircles(fixes[i].m_dLongitude));
        payload += record;
    }
    return BoxOf("uuid", payload);
}

} // namespace GpsClips
