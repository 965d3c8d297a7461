#include "logic/logpath.h"

#include "framework/core/fileerror.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string::size_type npos = std::string::npos;

// Holds the clip open while its log path is built; closed on every way out.
class CClipHandle
{
public:
    explicit CClipHandle(const std::string& path)
    {
        // Non-blocking so that a FIFO named like a clip cannot hang the caller.
        m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            throw CFileException::FromErrno(errno, path);
    }
    ~CClipHandle() { ::close(m_fd); }
    CClipHandle(const CClipHandle&) = delete;
    CClipHandle& operator=(const CClipHandle&) = delete;

private:
    int m_fd = -1;
};

std::string LowerAscii(const std::string& text)
{
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

bool StatusReadable(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    return folder == "/" ? folder + name : folder + "/" + name;
}

unsigned char UpperAscii(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

// A camcorder's card lists a folder in this order: its disks compare names with the letters
// folded to upper case.
bool NameOrderLess(const CFolderItem& a, const CFolderItem& b)
{
    const std::string& x = a.m_strName;
    const std::string& y = b.m_strName;
    const std::size_t common = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char cx = UpperAscii(x[i]);
        const unsigned char cy = UpperAscii(y[i]);
        if (cx != cy)
            return cx < cy;
    }
    if (x.size() != y.size())
        return x.size() < y.size();
    return x < y;
}

} // namespace

std::string GetGpsLogPath(const std::string& clipPath, const std::string& extension)
{
    CClipHandle clip(clipPath);
    return GpsLogPathOfOpenClip(clipPath, extension);
}

std::string AbsoluteCleanPath(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec)
        return path;
    std::string clean = absolute.lexically_normal().native();
    while (clean.size() > 1 && clean.back() == '/')
        clean.pop_back();
    return clean;
}

std::string GpsLogPathOfOpenClip(const std::string& clipPath, const std::string& extension)
{
    // name = after the last slash; folder = before it; parent = folder without its last
    // component; root = parent without its last component.
    const std::string::size_type nameSlash = clipPath.rfind('/');
    const std::string::size_type nameStart = nameSlash == npos ? 0 : nameSlash + 1;
    if (clipPath.size() - nameStart < 8 || nameSlash == npos || nameSlash == 0)
        return std::string();
    const std::string::size_type folderSlash = clipPath.rfind('/', nameSlash - 1);
    if (folderSlash == npos || folderSlash == 0)
        return std::string();
    const std::string::size_type parentSlash = clipPath.rfind('/', folderSlash - 1);
    if (parentSlash == npos)
        return std::string();

    std::string result;
    result.reserve(parentSlash + 14 + extension.size());
    result.append(clipPath, 0, parentSlash);
    result += "/GPS/GPS";
    result.append(clipPath, nameStart + 4, 4);
    result += '.';
    result += extension;
    return result;
}

// ---------------------------------------------------------------------------------------

CFolderListings::CListing& CFolderListings::Get(const std::string& folder)
{
    const auto found = m_listings.find(folder);
    if (found != m_listings.end())
        return found->second;

    CListing& listing = m_listings[folder];
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        listing.m_nError = errno;
        return listing;
    }
    listing.m_bReadable = true;
    // A read error part way keeps what was read before it.
    for (;;) {
        errno = 0;
        const dirent* item = ::readdir(dir);
        if (!item) {
            listing.m_nError = errno;
            listing.m_bComplete = errno == 0;
            break;
        }
        const char* name = item->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        listing.m_items.push_back(CFolderItem{name, item->d_type});
    }
    ::closedir(dir);
    std::sort(listing.m_items.begin(), listing.m_items.end(), NameOrderLess);
    return listing;
}

CFolderListings::CListing* CFolderListings::Known(const std::string& folder)
{
    const auto found = m_listings.find(folder);
    if (found == m_listings.end() || !found->second.m_bReadable || !found->second.m_bComplete)
        return nullptr;
    return &found->second;
}

const std::vector<const CFolderItem*>& CFolderListings::MatchesNoCase(CListing& listing,
                                                                     const std::string& name)
{
    static const std::vector<const CFolderItem*> none;
    if (!listing.m_bIndexed) {
        listing.m_bIndexed = true;
        listing.m_byLowerName.reserve(listing.m_items.size());
        for (const CFolderItem& item : listing.m_items)
            listing.m_byLowerName[LowerAscii(item.m_strName)].push_back(&item);
        // Byte order, so that the choice between several spellings is always the same.
        for (auto& spellings : listing.m_byLowerName) {
            std::sort(spellings.second.begin(), spellings.second.end(),
                      [](const CFolderItem* a, const CFolderItem* b) {
                          return a->m_strName < b->m_strName;
                      });
        }
    }
    const auto found = listing.m_byLowerName.find(LowerAscii(name));
    return found == listing.m_byLowerName.end() ? none : found->second;
}

const CFolderItem* CFolderListings::FindExact(CListing& listing, const std::string& name)
{
    for (const CFolderItem* item : MatchesNoCase(listing, name)) {
        if (item->m_strName == name)
            return item;
    }
    return nullptr;
}

bool CFolderListings::ItemReadable(CListing& listing, const std::string& folderPath,
                                   const CFolderItem& item)
{
    if (item.m_nType != DT_LNK && item.m_nType != DT_UNKNOWN && listing.m_bSearchable)
        return true;
    const bool readable = ::StatusReadable(JoinPath(folderPath, item.m_strName));
    // A folder may be readable but not searchable; the first status read through it tells.
    if (readable)
        listing.m_bSearchable = true;
    return readable;
}

bool CFolderListings::StatusReadable(const std::string& path)
{
    const std::string::size_type slash = path.rfind('/');
    if (slash == npos || slash + 1 == path.size())
        return ::StatusReadable(path);
    const std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
    const std::string name = path.substr(slash + 1);
    if (name == "." || name == "..")
        return ::StatusReadable(path);

    if (CListing* listing = Known(folder)) {
        const CFolderItem* item = FindExact(*listing, name);
        return item && ItemReadable(*listing, folder, *item);
    }
    // A folder that the listing of its own folder does not hold cannot be gone through.
    const std::string::size_type parentSlash = folder.rfind('/');
    if (parentSlash != npos && parentSlash + 1 < folder.size()) {
        const std::string folderName = folder.substr(parentSlash + 1);
        CListing* parent = Known(parentSlash == 0 ? std::string("/") : folder.substr(0, parentSlash));
        if (parent && folderName != "." && folderName != ".." && !FindExact(*parent, folderName))
            return false;
    }
    return ::StatusReadable(path);
}

// ---------------------------------------------------------------------------------------

const CGpsLogLookup::CCandidates& CGpsLogLookup::Candidates(const std::string& folderPath)
{
    const auto known = m_candidates.find(folderPath);
    if (known != m_candidates.end())
        return known->second;
    CCandidates& candidates = m_candidates[folderPath];

    const std::string::size_type folderSlash = folderPath.rfind('/');
    const std::string folderName =
        folderSlash == npos ? folderPath : folderPath.substr(folderSlash + 1);
    if (folderName.empty())
        return candidates;

    // prefix + folder + "/" + file rebuilds a path spelt like the input up to the folder.
    std::string prefix, searchIn;
    if (folderSlash == npos) {
        searchIn = ".";
    } else {
        prefix = folderPath.substr(0, folderSlash + 1);
        searchIn = folderSlash == 0 ? std::string("/") : folderPath.substr(0, folderSlash);
    }
    CFolderListings::CListing& parent = m_listings.Get(searchIn);
    for (const CFolderItem* folder : CFolderListings::MatchesNoCase(parent, folderName)) {
        std::string folderFull = prefix + folder->m_strName;
        struct stat st;
        if (::stat(folderFull.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;
        CFolderListings::CListing& listing = m_listings.Get(folderFull);
        candidates.push_back(CCandidate{std::move(folderFull), &listing});
    }
    return candidates;
}

bool CGpsLogLookup::FindOtherSpelling(const std::string& logPath, const CCandidate*& pFolder,
                                      const CFolderItem*& pItem)
{
    const std::string::size_type fileSlash = logPath.rfind('/');
    if (fileSlash == npos || fileSlash == 0 || fileSlash + 1 == logPath.size())
        return false;

    if (!m_pLastCandidates || m_strLastFolder.size() != fileSlash
        || logPath.compare(0, fileSlash, m_strLastFolder) != 0) {
        m_strLastFolder.assign(logPath, 0, fileSlash);
        m_pLastCandidates = &Candidates(m_strLastFolder);
    }

    const std::string fileName = logPath.substr(fileSlash + 1);
    for (const CCandidate& folder : *m_pLastCandidates) {
        const std::vector<const CFolderItem*>& files =
            CFolderListings::MatchesNoCase(*folder.m_pListing, fileName);
        if (!files.empty()) {
            pFolder = &folder;
            pItem = files.front();
            return true;
        }
    }
    return false;
}

std::string CGpsLogLookup::Find(const std::string& logPath)
{
    if (logPath.empty() || m_listings.StatusReadable(logPath))
        return logPath;
    const CCandidate* pFolder = nullptr;
    const CFolderItem* pItem = nullptr;
    if (!FindOtherSpelling(logPath, pFolder, pItem))
        return logPath;
    return JoinPath(pFolder->m_strPath, pItem->m_strName);
}

bool CGpsLogLookup::Exists(const std::string& logPath)
{
    if (logPath.empty())
        return false;
    if (m_listings.StatusReadable(logPath))
        return true;
    const CCandidate* pFolder = nullptr;
    const CFolderItem* pItem = nullptr;
    return FindOtherSpelling(logPath, pFolder, pItem)
        && CFolderListings::ItemReadable(*pFolder->m_pListing, pFolder->m_strPath, *pItem);
}

std::string FindGpsLogNoCase(const std::string& logPath)
{
    return CGpsLogLookup().Find(logPath);
}

bool GpsLogExists(const std::string& logPath)
{
    return CGpsLogLookup().Exists(logPath);
}
