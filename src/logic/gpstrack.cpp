#include "logic/gpstrack.h"

#include "logic/logpath.h"

#include <algorithm>

namespace {

// Room for the whole log at once: a valid card line takes 46 bytes with its LF, and a log is
// nearly all valid lines; an RMC sentence takes about 70, and most NMEA logs hold other
// sentences too. Never less than the step of 1024 records.
std::size_t ExpectedRecords(std::uint64_t fileSize, ETrackFormat format,
                            const CGPSTrack::Limits& limits)
{
    const std::uint64_t bytesPerRecord = format == ETrackFormat::CardLog ? 44 : 64;
    const std::uint64_t lines = std::min(fileSize, limits.m_nMaxBytes) / bytesPerRecord + 1;
    const std::uint64_t cap = static_cast<std::uint64_t>(std::max(limits.m_nMaxRecords, 0));
    return static_cast<std::size_t>(std::max<std::uint64_t>(1024, std::min(lines, cap)));
}

} // namespace

CGPSTrack::CGPSTrack(const std::string& logPath)
    : CGPSTrack(logPath, Limits())
{
}

CGPSTrack::CGPSTrack(const std::string& logPath, const Limits& limits)
    : CGPSTrack(logPath, ETrackFormat::CardLog, limits)
{
}

CGPSTrack::CGPSTrack(const std::string& logPath, ETrackFormat format)
    : CGPSTrack(logPath, format, Limits())
{
}

CGPSTrack::CGPSTrack(const std::string& logPath, ETrackFormat format, const Limits& limits)
    : m_limits(limits), m_eFormat(format)
{
    try {
        const std::string path = format == ETrackFormat::CardLog ? FindGpsLogNoCase(logPath) : logPath;
        m_bOpen = m_file.Open(path, m_limits.m_nBlockSize, m_limits.m_nMaxBytes);
        if (m_bOpen)
            m_points.reserve(ExpectedRecords(m_file.GetSize(), format, m_limits));
    } catch (const std::exception&) {
        // Out of memory for the read buffer or the path: the track stays closed.
        m_bOpen = false;
    }
}

CGPSTrack::~CGPSTrack() = default;

int CGPSTrack::ReadNextRecord()
{
    if (!m_bOpen || m_bAtEof)
        return 0;
    if (m_nCount >= m_limits.m_nMaxRecords) {
        m_bAtEof = true;
        return 0;
    }
    if (m_eFormat == ETrackFormat::Nmea) {
        CGPSPoint point;
        if (!ReadNmeaSecond(point)) {
            m_bAtEof = true;
            return 0;
        }
        Append(point);
        return 1;
    }
    if (!m_file.ReadLine(m_strLine, m_limits.m_nMaxLineLength)) {
        m_bAtEof = true;
        return 0;
    }
    return ParseRecord(m_strLine);
}

bool CGPSTrack::ReadNmeaSecond(CGPSPoint& point)
{
    CRmcFix fix;
    while (!m_nmea.Take(point)) {
        if (!m_file.ReadLine(m_strLine, m_limits.m_nMaxLineLength)) {
            m_nmea.Finish();
            return m_nmea.Take(point);
        }
        if (ParseRmcSentence(m_strLine, fix))
            m_nmea.Add(fix);
    }
    return true;
}

int CGPSTrack::ParseRecord(std::string line)
{
    Append(ParseCardLine(line));
    return 1;
}

void CGPSTrack::Append(const CGPSPoint& point)
{
    m_points.push_back(point);
    ++m_nCount;
}

CGPSPoint* CGPSTrack::GetCurrent()
{
    return m_nCursor < m_nCount ? &m_points[static_cast<std::size_t>(m_nCursor)] : nullptr;
}

const CGPSPoint* CGPSTrack::GetCurrent() const
{
    return m_nCursor < m_nCount ? &m_points[static_cast<std::size_t>(m_nCursor)] : nullptr;
}

void CGPSTrack::Advance()
{
    if (m_nCursor < m_nCount)
        ++m_nCursor;
}

void CGPSTrack::Rewind()
{
    m_nCursor = 0;
}

void CGPSTrack::SetCursor(int nIndex)
{
    m_nCursor = std::clamp(nIndex, 0, m_nCount);
}

bool CGPSTrack::AtEnd() const
{
    return m_nCursor >= m_nCount;
}

const CGPSPoint* CGPSTrack::GetAt(int index) const
{
    return (index >= 0 && index < m_nCount) ? &m_points[static_cast<std::size_t>(index)] : nullptr;
}
