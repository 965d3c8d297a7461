#include "logic/tracksource.h"

#include "logic/logpath.h"

#include <dirent.h>
#include <sys/stat.h>

namespace {

bool IsRegularFile(const std::string& path, const CFolderItem& item)
{
    if (item.m_nType == DT_REG)
        return true;
    if (item.m_nType != DT_LNK && item.m_nType != DT_UNKNOWN)
        return false;
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The regular files beside the clip that may hold its track, in the order they are tried.
void AddBesideFiles(CFolderListings& listings, const std::string& clipPath, std::vector<CClipTrack>& files)
{
    const std::string::size_type slash = clipPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                             : slash == 0                  ? std::string("/")
                                                           : clipPath.substr(0, slash);
    const std::string prefix = slash == std::string::npos ? std::string() : clipPath.substr(0, slash + 1);
    const std::string name = clipPath.substr(slash == std::string::npos ? 0 : slash + 1);
    const std::string stem = name.substr(0, name.rfind('.'));

    CFolderListings::CListing& listing = listings.Get(folder);
    if (!listing.m_bReadable)
        return;
    for (const CTrackReader* reader : TrackReaders()) {
        const std::string extension = reader->BesideExtension();
        if (extension.empty())
            continue;
        const std::string wanted = stem + extension;
        const std::vector<const CFolderItem*>& matches = CFolderListings::MatchesNoCase(listing, wanted);
        // The name as the rule spells it first, then the others in byte order.
        std::vector<const CFolderItem*> ordered;
        for (const CFolderItem* item : matches) {
            if (item->m_strName == wanted)
                ordered.insert(ordered.begin(), item);
            else
                ordered.push_back(item);
        }
        for (const CFolderItem* item : ordered) {
            std::string path = prefix + item->m_strName;
            if (IsRegularFile(path, *item) && reader->Probe(path))
                files.push_back(CClipTrack{std::move(path), reader});
        }
    }
}

} // namespace

namespace {

// bFirstOnly: the clip itself is asked only when nothing lies beside it.
std::vector<CClipTrack> ClipTrackFiles(CGpsLogLookup& logs, const std::string& clipPath,
                                       const std::string& cardLogPath, bool bFirstOnly)
{
    std::vector<CClipTrack> files;
    if (logs.Exists(cardLogPath))
        files.push_back(CClipTrack{logs.Find(cardLogPath), &CardLogReader()});
    AddBesideFiles(logs.Listings(), clipPath, files);
    for (const CTrackReader* reader : TrackReaders()) {
        if (bFirstOnly && !files.empty())
            break;
        if (reader->ReadsTheClip() && reader->Probe(clipPath))
            files.push_back(CClipTrack{clipPath, reader});
    }
    return files;
}

} // namespace

std::vector<CClipTrack> FindClipTrack(CGpsLogLookup& logs, const std::string& clipPath,
                                      const std::string& cardLogPath)
{
    return ClipTrackFiles(logs, clipPath, cardLogPath, false);
}

bool HasClipTrack(CGpsLogLookup& logs, const std::string& clipPath, const std::string& cardLogPath)
{
    return !ClipTrackFiles(logs, clipPath, cardLogPath, true).empty();
}

std::unique_ptr<CGPSTrack> OpenClipTrack(const std::string& clipPath, const std::string& cardLogPath)
{
    CGpsLogLookup logs;
    for (const CClipTrack& file : FindClipTrack(logs, clipPath, cardLogPath)) {
        auto track = std::make_unique<CGPSTrack>(file.m_strPath, *file.m_pReader);
        if (track->IsOpen())
            return track;
    }
    return std::make_unique<CGPSTrack>(cardLogPath);
}
