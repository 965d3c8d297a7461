#include "logic/gpstrack.h"

#include "logic/logpath.h"

#include <algorithm>

namespace {

// Room for the whole log at once: a valid line takes 46 bytes with its LF, and a log is
// nearly all valid lines. Never less than the step of 1024 records.
std::size_t ExpectedRecords(std::uint64_t fileSize, const CGPSTrack::Limits& limits)
{
    const std::uint64_t lines = std::min(fileSize, limits.m_nMaxBytes) / 44 + 1;
    const std::uint64_t cap = static_cast<std::uint64_t>(std::max(limits.m_nMaxRecords, 0));
    return static_cast<std::size_t>(std::max<std::uint64_t>(1024, std::min(lines, cap)));
}

} // namespace

CGPSTrack::CGPSTrack(const std::string& logPath)
    : CGPSTrack(logPath, Limits())
{
}

CGPSTrack::CGPSTrack(const std::string& logPath, const Limits& limits)
    : m_limits(limits)
{
    try {
        m_bOpen = m_file.Open(FindGpsLogNoCase(logPath), m_limits.m_nBlockSize,
                              m_limits.m_nMaxBytes);
        if (m_bOpen)
            m_points.reserve(ExpectedRecords(m_file.GetSize(), m_limits));
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
    if (m_nCount >= m_limits.m_nMaxRecords
        || !m_file.ReadLine(m_strLine, m_limits.m_nMaxLineLength)) {
        m_bAtEof = true;
        return 0;
    }
    return ParseRecord(m_strLine);
}

int CGPSTrack::ParseRecord(std::string line)
{
    m_points.push_back(ParseCardLine(line));
    ++m_nCount;
    return 1;
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
