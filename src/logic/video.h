#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <unordered_set>
#include <vector>

struct CFolderScanResult;  // folderscan.h
struct CScanHooks;

// One play-list entry: the clip as the folder scan found it and the path that playback opens.
// The list views show it through the FormatEntry functions below.
class CVideoEntry
{
public:
    static constexpr std::int64_t DURATION_UNKNOWN = -1;

    CVideoEntry() = default;
    CVideoEntry(std::string strName, std::time_t tWritten, std::string strPath, bool bHasTrack)
        : m_strName(std::move(strName)), m_strPath(std::move(strPath)), m_tWritten(tWritten),
          m_bHasTrack(bHasTrack)
    {
    }
    virtual ~CVideoEntry() = default;
    CVideoEntry(const CVideoEntry&) = default;
    CVideoEntry& operator=(const CVideoEntry&) = default;

    std::string m_strName;
    std::string m_strPath;
    // The clip file's last-write time.
    std::time_t m_tWritten = 0;
    bool m_bHasTrack = false;
    std::int64_t m_nDurationMs = DURATION_UNKNOWN;
};

// The texts of the list views' Date, Time and Log columns. Date and time are the last-write
// time in the local time zone as it is when called; both are empty for a time the C library
// cannot convert.
std::string FormatEntryDate(const CVideoEntry& entry);
std::string FormatEntryTime(const CVideoEntry& entry);
std::string FormatEntryLog(const CVideoEntry& entry);

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
