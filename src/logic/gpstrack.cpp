#include "logic/gpstrack.h"

#include <algorithm>

CGPSTrack::CGPSTrack(const std::string& logPath)
    : CGPSTrack(logPath, Limits())
{
}

CGPSTrack::CGPSTrack(const std::string& logPath, const Limits& limits)
    : CGPSTrack(logPath, CardLogReader(), limits)
{
}

CGPSTrack::CGPSTrack(const std::string& path, const CTrackReader& reader)
    : CGPSTrack(path, reader, Limits())
{
}

CGPSTrack::CGPSTrack(const std::string& path, const CTrackReader& reader, const Limits& limits)
    : m_limits(limits), m_pReader(&reader)
{
    try {
        m_pReading = reader.Open(path, m_limits, m_strError);
        m_bOpen = m_pReading != nullptr;
        if (m_bOpen)
            m_points.reserve(m_pReading->ExpectedRecords());
    } catch (const std::exception&) {
        // Out of memory for the read buffer or the path: the track stays closed.
        m_pReading.reset();
        m_bOpen = false;
        m_strError = "out of memory";
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
    CGPSPoint point;
    if (!m_pReading->ReadRecord(point)) {
        m_bAtEof = true;
        return 0;
    }
    Append(point);
    return 1;
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
