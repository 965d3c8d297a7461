#include "logic/video.h"

#include <algorithm>
#include <ctime>
#include <stdexcept>
#include <utility>

namespace {

std::string FormatLocal(std::time_t t, const char* pszFormat)
{
    std::tm local{};
    char text[32] = "";
    if (::localtime_r(&t, &local))
        std::strftime(text, sizeof text, pszFormat, &local);
    return text;
}

} // namespace

std::string FormatEntryDate(const CVideoEntry& entry)
{
    return FormatLocal(entry.m_tWritten, "%Y-%m-%d");
}

std::string FormatEntryTime(const CVideoEntry& entry)
{
    return FormatLocal(entry.m_tWritten, "%H:%M:%S");
}

std::string FormatEntryLog(const CVideoEntry& entry)
{
    return entry.m_bHasTrack ? "Y" : "N";
}

const CVideoEntry& CVideoList::GetAt(int i) const
{
    return m_entries.at(static_cast<std::size_t>(i));
}

void CVideoList::RemoveAt(int i)
{
    if (i < 0 || i >= GetCount())
        throw std::out_of_range("CVideoList::RemoveAt");
    m_paths.erase(m_entries[static_cast<std::size_t>(i)].m_strPath);
    m_entries.erase(m_entries.begin() + i);
}

int CVideoList::IndexOf(const std::string& path) const
{
    if (!IsInPlayList(path))
        return -1;
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&](const CVideoEntry& entry) { return entry.m_strPath == path; });
    return int(it - m_entries.begin());
}

bool CVideoList::IsInPlayList(const std::string& path) const
{
    return m_paths.count(path) != 0;
}

bool CVideoList::Append(CVideoEntry entry)
{
    if (!m_paths.insert(entry.m_strPath).second)
        return false;
    m_entries.push_back(std::move(entry));
    return true;
}

int CVideoList::Append(std::vector<CVideoEntry>&& entries)
{
    // Grow geometrically: many small batches must not reallocate each time.
    const std::size_t nNeeded = m_entries.size() + entries.size();
    if (nNeeded > m_entries.capacity())
        m_entries.reserve(std::max(nNeeded, 2 * m_entries.size()));
    if (nNeeded > m_paths.bucket_count() * m_paths.max_load_factor())
        m_paths.reserve(std::max(nNeeded, 2 * m_paths.size()));
    int nAppended = 0;
    for (CVideoEntry& entry : entries) {
        if (Append(std::move(entry)))
            ++nAppended;
    }
    entries.clear();
    return nAppended;
}
