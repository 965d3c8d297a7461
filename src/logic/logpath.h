#pragma once

#include <string>
#include <unordered_map>
#include <vector>

// Where a clip's GPS log lies: in the folder "GPS" beside the parent of the clip's folder,
// named "GPS" + characters 4..7 of the clip's file name + "." + extension.
// /media/CARD/VIDEO/CLIP0042.MOV with "LOG" -> /media/GPS/GPS0042.LOG.
//
// The clip is opened for reading first; a clip that cannot be opened throws CFileException.
// Returns the empty string (no log) when the clip's folder lies less than two folder levels
// below a root, or when the clip's name is shorter than eight characters.
// The log itself is not looked at.
std::string GetGpsLogPath(const std::string& clipPath, const std::string& extension);

// Cards copied to a Linux disk keep whatever letter case the camcorder wrote, so the log
// may be "gps/gps0042.log" where the rule says "GPS/GPS0042.LOG".
// Returns logPath itself when it exists (or is empty, or nothing matches); otherwise the
// existing path whose last folder and file name equal those of logPath ignoring ASCII case.
// Only those two components are matched loosely; the rest of the path must be exact.
std::string FindGpsLogNoCase(const std::string& logPath);

// Whether the status of the log at logPath can be read, looked up without regard to case
// as FindGpsLogNoCase does. False for the empty path.
bool GpsLogExists(const std::string& logPath);

// GetGpsLogPath's rule alone, for a clip the caller has opened itself (and so knows to be
// readable).
std::string GpsLogPathOfOpenClip(const std::string& clipPath, const std::string& extension);

// A path from a command line made absolute against the working folder, with ".", "..", doubled
// and trailing slashes taken out by the letters alone (as QDir::cleanPath does), byte for byte:
// a file's name need not be UTF-8. The log's place is found from the clip's folders, which a
// relative path may not name.
std::string AbsoluteCleanPath(const std::string& path);

// One item of a folder as readdir reports it.
struct CFolderItem
{
    std::string m_strName;
    unsigned char m_nType;  // d_type: DT_DIR, DT_REG, DT_LNK, DT_UNKNOWN, ...
};

// Folders read once and remembered. The play-list scan walks these listings and its log
// lookups are answered from them, so a card of thousands of clips is read once per scan
// instead of once per clip.
class CFolderListings
{
public:
    struct CListing
    {
        bool m_bReadable = false;
        bool m_bComplete = false;  // no read error part way
        int m_nError = 0;          // errno of a failed open or read
        std::vector<CFolderItem> m_items;
        bool m_bIndexed = false;
        std::unordered_map<std::string, std::vector<const CFolderItem*>> m_byLowerName;
        // A status has been read through the folder, so it can be searched: an item of it
        // that is no link has a readable status.
        bool m_bSearchable = false;
    };

    // Reads folder the first time it is asked for. Its items are kept in name order (ASCII
    // letters compared as upper case, then bytes, ties by the exact name), "." and ".."
    // left out.
    CListing& Get(const std::string& folder);
    // The listing of folder when it has been read completely before, else nullptr.
    CListing* Known(const std::string& folder);

    // The items whose names equal name ignoring ASCII case, in byte order of name.
    static const std::vector<const CFolderItem*>& MatchesNoCase(CListing& listing,
                                                                const std::string& name);
    static const CFolderItem* FindExact(CListing& listing, const std::string& name);
    // Whether stat() of the item of listing, which is the folder at folderPath, would
    // succeed.
    static bool ItemReadable(CListing& listing, const std::string& folderPath,
                             const CFolderItem& item);
    // Whether stat() of path would succeed: from the listings already read where they tell,
    // never reading a folder for it.
    bool StatusReadable(const std::string& path);

private:
    std::unordered_map<std::string, CListing> m_listings;
};

// FindGpsLogNoCase and GpsLogExists over listings kept for the lifetime of the object: the
// same answers as long as the folders do not change meanwhile.
class CGpsLogLookup
{
public:
    std::string Find(const std::string& logPath);
    bool Exists(const std::string& logPath);
    CFolderListings& Listings() { return m_listings; }

private:
    // The existing folders that match a log folder ("card/GPS") without regard to the case
    // of its last name, in the order they are tried, each with its listing.
    struct CCandidate
    {
        std::string m_strPath;
        CFolderListings::CListing* m_pListing;
    };
    using CCandidates = std::vector<CCandidate>;

    // The spelling of logPath that FindGpsLogNoCase would choose when logPath itself does
    // not exist; false when there is none.
    bool FindOtherSpelling(const std::string& logPath, const CCandidate*& pFolder,
                           const CFolderItem*& pItem);
    const CCandidates& Candidates(const std::string& folderPath);

    CFolderListings m_listings;
    std::unordered_map<std::string, CCandidates> m_candidates;
    // Clips come folder by folder, so the same log folder is asked for many times in a row.
    std::string m_strLastFolder;
    const CCandidates* m_pLastCandidates = nullptr;
};
