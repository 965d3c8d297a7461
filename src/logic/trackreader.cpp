#include "logic/trackreader.h"

#include <algorithm>
#include <mutex>

namespace {

struct CRegistry
{
    std::mutex m_mutex;
    std::vector<const CTrackReader*> m_readers{&CardLogReader(), &NmeaReader(), &ClipGpsReader()};
};

CRegistry& Registry()
{
    static CRegistry registry;
    return registry;
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

CLineReading::CLineReading(const CTrackLimits& limits, std::uint64_t bytesPerRecord)
    : m_limits(limits), m_nBytesPerRecord(bytesPerRecord)
{
}

bool CLineReading::Open(const std::string& path, std::string& error)
{
    if (m_file.Open(path, m_limits.m_nBlockSize, m_limits.m_nMaxBytes))
        return true;
    error = path + ": not a regular file that can be read";
    return false;
}

// Room for the whole log at once: never less than the step of 1024 records.
std::size_t CLineReading::ExpectedRecords() const
{
    const std::uint64_t lines = std::min(m_file.GetSize(), m_limits.m_nMaxBytes) / m_nBytesPerRecord + 1;
    const std::uint64_t cap = static_cast<std::uint64_t>(std::max(m_limits.m_nMaxRecords, 0));
    return static_cast<std::size_t>(std::max<std::uint64_t>(1024, std::min(lines, cap)));
}

bool CRecordsReading::ReadRecord(CGPSPoint& record)
{
    if (m_nNext >= m_records.size())
        return false;
    record = m_records[m_nNext++];
    return true;
}

std::vector<const CTrackReader*> TrackReaders()
{
    CRegistry& registry = Registry();
    // The scan asks from its own thread.
    const std::lock_guard<std::mutex> lock(registry.m_mutex);
    return registry.m_readers;
}

void RegisterTrackReader(const CTrackReader& reader)
{
    CRegistry& registry = Registry();
    const std::lock_guard<std::mutex> lock(registry.m_mutex);
    if (std::find(registry.m_readers.begin(), registry.m_readers.end(), &reader) == registry.m_readers.end())
        registry.m_readers.push_back(&reader);
}

bool HasExtensionNoCase(const std::string& path, const std::string& extension)
{
    if (extension.empty() || path.size() < extension.size())
        return false;
    const std::size_t start = path.size() - extension.size();
    for (std::size_t i = 0; i < extension.size(); ++i) {
        if (Lower(path[start + i]) != Lower(extension[i]))
            return false;
    }
    return true;
}
