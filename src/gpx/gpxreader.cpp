#include "gpx/gpxreader.h"

#include "framework/core/fileerror.h"
#include "logic/logfile.h"
#include "logic/fixseconds.h"
#include "logic/nmea.h"

#include <QByteArray>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// Characters kept of a time or speed element; real ones have at most 35.
constexpr std::size_t kMaxValueText = 64;
// Characters an internal entity may expand to in all.
constexpr int kEntityExpansionLimit = 4096;
// Elements open at once; a GPX file nests some eight deep, and the XML reader keeps every open one.
constexpr int kMaxDepth = 64;
// Bytes fed without a token coming out: the XML reader keeps a token's text whole, and no
// element of a real GPX file comes near this.
constexpr std::size_t kMaxTokenBytes = 1 << 20;
// Bytes of the shortest real track point (lat, lon and time), to make room for the points.
constexpr std::uint64_t kMinPointBytes = 64;

int Digits(std::string_view text, std::size_t pos, std::size_t n)
{
    if (pos + n > text.size())
        return -1;
    int value = 0;
    for (std::size_t i = pos; i < pos + n; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// A decimal number in any locale; QStringView::toDouble costs more than the XML parse itself.
bool ReadNumber(std::string_view text, double& value)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' || text.front() == '\n'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const std::from_chars_result result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && std::isfinite(value);
}

bool ReadNumber(QStringView text, double& value)
{
    char buffer[kMaxValueText];
    if (text.size() >= qsizetype(sizeof buffer))
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 128)
            return false;
        buffer[i] = char(c);
    }
    return ReadNumber(std::string_view(buffer, std::size_t(text.size())), value);
}

std::string Trimmed(const std::string& text)
{
    const std::size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return std::string();
    return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

} // namespace

bool ParseGpxTime(std::string_view text, double& seconds)
{
    const int year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
    const int hour = Digits(text, 11, 2), minute = Digits(text, 14, 2), second = Digits(text, 17, 2);
    if (text.size() < 19 || text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != 't')
        || text[13] != ':' || text[16] != ':' || year < 0 || month < 1 || month > 12 || day < 1
        || day > 31 || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60)
        return false;
    std::size_t pos = 19;
    double fraction = 0.0;
    if (pos < text.size() && text[pos] == '.') {
        double scale = 0.1;
        ++pos;
        const std::size_t first = pos;
        for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos, scale /= 10)
            fraction += (text[pos] - '0') * scale;
        if (pos == first)
            return false;
    }
    int offset = 0;
    if (pos < text.size() && (text[pos] == 'Z' || text[pos] == 'z')) {
        ++pos;
    } else if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        const int hours = Digits(text, pos + 1, 2), minutes = Digits(text, pos + 4, 2);
        if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || text[pos + 3] != ':')
            return false;
        offset = (text[pos] == '+' ? 1 : -1) * (hours * 3600 + minutes * 60);
        pos += 6;
    }
    if (pos != text.size())
        return false;
    seconds = double(DaysSince1980(year, month, day) * 86400 + hour * 3600 + minute * 60 + second - offset)
        + fraction;
    return true;
}

CGpxPointReader::CGpxPointReader(int maxPoints)
    : m_nMaxPoints(static_cast<std::size_t>(std::max(maxPoints, 0)))
{
    m_xml.setNamespaceProcessing(false);
    m_xml.setEntityExpansionLimit(kEntityExpansionLimit);
}

bool CGpxPointReader::Feed(std::string_view bytes)
{
    if (m_bDone)
        return false;
    m_xml.addData(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    m_nBytesSinceToken += bytes.size();
    return Drain();
}

bool CGpxPointReader::Drain()
{
    while (!m_bDone) {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        if (token != QXmlStreamReader::Invalid)
            m_nBytesSinceToken = 0;
        switch (token) {
        case QXmlStreamReader::Invalid:
            if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError && m_nBytesSinceToken <= kMaxTokenBytes)
                return true;
            m_bDone = true;
            break;
        case QXmlStreamReader::EndDocument:
            m_bDone = true;
            break;
        case QXmlStreamReader::DTD:
            // An entity of the document type can be a bomb; real GPX files declare none.
            if (!m_xml.entityDeclarations().isEmpty()) {
                m_points.clear();
                m_bDone = true;
            }
            break;
        case QXmlStreamReader::StartElement:
            StartElement();
            break;
        case QXmlStreamReader::EndElement:
            EndElement();
            break;
        case QXmlStreamReader::Characters:
            if (m_eText != EText::None && m_strText.size() < kMaxValueText) {
                const QByteArray text = m_xml.text().left(qsizetype(kMaxValueText)).toLatin1();
                m_strText.append(text.constData(), std::min<std::size_t>(std::size_t(text.size()),
                                                                          kMaxValueText - m_strText.size()));
            }
            break;
        default:
            break;
        }
    }
    return false;
}

void CGpxPointReader::StartElement()
{
    if (++m_nDepth > kMaxDepth) {
        m_bDone = true;
        return;
    }
    const QStringView name = m_xml.name();
    if (m_nPointDepth != 0) {
        if (name == u"time" && m_nDepth == m_nPointDepth + 1)
            m_eText = EText::Time;
        else if (name == u"speed")
            m_eText = EText::Speed;
        m_strText.clear();
    } else if (name == u"trk" && m_nTrkDepth == 0) {
        m_nTrkDepth = m_nDepth;
    } else if (name == u"trkseg" && m_nTrkDepth != 0 && m_nDepth == m_nTrkDepth + 1) {
        m_nSegDepth = m_nDepth;
    } else if (name == u"trkpt" && m_nSegDepth != 0 && m_nDepth == m_nSegDepth + 1) {
        m_nPointDepth = m_nDepth;
        m_point = CTimedFix();
        const QXmlStreamAttributes attributes = m_xml.attributes();
        double lat = 0.0, lon = 0.0;
        if (ReadNumber(attributes.value(QLatin1String("lat")), lat) && ReadNumber(attributes.value(QLatin1String("lon")), lon)
            && std::fabs(lat) <= 90.0 && std::fabs(lon) <= 180.0) {
            m_point.m_dLatitude = lat;
            m_point.m_dLongitude = lon;
            m_point.m_bValid = true;
        }
    }
}

void CGpxPointReader::EndElement()
{
    if (m_eText == EText::Time) {
        double time = 0.0;
        if (ParseGpxTime(Trimmed(m_strText), time)) {
            m_point.m_dUtcTime = time;
        }
    } else if (m_eText == EText::Speed) {
        double speed = 0.0;
        if (ReadNumber(std::string_view(m_strText), speed) && speed >= 0.0) {
            m_point.m_dSpeed = speed;
        }
    }
    m_eText = EText::None;
    if (m_nDepth == m_nPointDepth) {
        m_nPointDepth = 0;
        if (m_points.size() >= m_nMaxPoints) {
            m_bFull = true;
            m_bDone = true;
        } else {
            m_points.push_back(m_point);
        }
    } else if (m_nDepth == m_nSegDepth) {
        m_nSegDepth = 0;
    } else if (m_nDepth == m_nTrkDepth) {
        m_nTrkDepth = 0;
    }
    --m_nDepth;
}

std::vector<CGPSPoint> MakeGpxRecords(const std::vector<CTimedFix>& points, int maxRecords, bool& bCut)
{
    bCut = false;
    if (points.empty() || maxRecords <= 0)
        return {};
    const bool bTimed = std::all_of(points.begin(), points.end(), [](const CTimedFix& point) {
        return point.m_dUtcTime && std::isfinite(*point.m_dUtcTime);
    });
    const double span = bTimed ? *points.back().m_dUtcTime - *points.front().m_dUtcTime + 2.0 : 0.0;
    const std::size_t expected = span > 0.0 && span < double(maxRecords) ? static_cast<std::size_t>(span) : points.size();
    return MakeTrackRecords(points, bTimed ? ESecondRule::Interpolated : ESecondRule::EachFix, maxRecords, bCut, expected);
}

namespace {

class CGpxReader : public CTrackReader
{
public:
    const char* Name() const override { return "GPX"; }
    std::string BesideExtension() const override { return ".gpx"; }
    bool Probe(const std::string& path) const override { return HasExtensionNoCase(path, BesideExtension()); }
    std::unique_ptr<CTrackReading> Open(const std::string& path, const CTrackLimits& limits,
                                        std::string& error) const override;
};

std::unique_ptr<CTrackReading> CGpxReader::Open(const std::string& path, const CTrackLimits& limits,
                                                std::string& error) const
{
    CLogFile file;
    bool bCut = false;
    std::vector<CGPSPoint> records;
    try {
        if (!file.Open(path, limits.m_nBlockSize, limits.m_nMaxBytes)) {
            error = path + ": not a regular file that can be read";
            return nullptr;
        }
        CGpxPointReader reader(limits.m_nMaxRecords);
        reader.Points().reserve(static_cast<std::size_t>(std::min<std::uint64_t>(
            std::min(file.GetSize(), limits.m_nMaxBytes) / kMinPointBytes + 1, std::uint64_t(std::max(limits.m_nMaxRecords, 0)))));
        std::string_view block;
        // A read error ends the file where it happened: the points before it make the track.
        try {
            while (file.ReadBlock(block) && reader.Feed(block)) {
            }
        } catch (const CFileException&) {
        }
        records = MakeGpxRecords(reader.Points(), limits.m_nMaxRecords, bCut);
        bCut = bCut || reader.IsFull();
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return nullptr;
    }
    if (bCut)
        std::fprintf(stderr, "deruziz: %s: the track is cut after %zu records; its points go on beyond them\n",
                     path.c_str(), records.size());
    return std::make_unique<CRecordsReading>(std::move(records));
}

} // namespace

const CTrackReader& GpxTrackReader()
{
    static const CGpxReader reader;
    return reader;
}

void RegisterGpxTrackReader()
{
    RegisterTrackReader(GpxTrackReader());
}
