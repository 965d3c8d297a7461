#pragma once

#include <string>
#include <unordered_set>
#include <vector>

struct CFolderScanResult;  // folderscan.h
struct CScanHooks;

// One play-list entry: what the list views show and the path that playback opens.
class CVideoEntry
{
public:
    CVideoEntry() = default;
    CVideoEntry(std::string strName, std::string strDate, std::string strTime, std::string strPath,
                std::string strLog)
        : m_strName(std::move(strName)), m_strDate(std::move(strDate)), m_strTime(std::move(strTime)),
          m_strPath(std::move(strPath)), m_strLog(std::move(strLog))
    {
    }
    virtual ~CVideoEntry() = default;
    CVideoEntry(const CVideoEntry&) = default;
    CVideoEntry& operator=(const CVideoEntry&) = default;

    std::string m_strName;
    std::string m_strDate;
    std::string m_strTime;
    std::string m_strPath;
    std::string m_strLog;
};

// The play list: entries in the order the folder scans found them, and beside them the set
// of their paths, so that the duplicate test costs the same for 50 entries as for 50,000.
// Paths are unique in the list.
class CVideoList
{
public:
    int GetCount() const { return static_cast<int>(m_entries.size()); }
    // i must lie in 0..GetCount()-1 (std::out_of_range otherwise), as for RemoveAt.
    const CVideoEntry& GetAt(int i) const;
    // Later entries move up by one.
    void RemoveAt(int i);
    // Whether some entry's path equals path exactly (case-sensitive, whole string).
    bool IsInPlayList(const std::string& path) const;
    // The position of the entry with that path, -1 if none has it.
    int IndexOf(const std::string& path) const;

    // Appends entry unless its path is in the list already; false if it was not appended.
    bool Append(CVideoEntry entry);
    // Appends each entry whose path is not in the list yet (nor earlier in entries), in
    // order; returns how many were appended.
    int Append(std::vector<CVideoEntry>&& entries);

    // ScanFolder, then Append of the clips it found. Returns the scan's result, whose m_clips
    // have been moved into the list, for its m_errors. Defined beside the scan (folderscan.cpp),
    // which knows the list; the list does not know the scan.
    CFolderScanResult AddFolder(const std::string& folder);
    CFolderScanResult AddFolder(const std::string& folder, const CScanHooks& hooks);

private:
    std::vector<CVideoEntry> m_entries;
    std::unordered_set<std::string> m_paths;
};
