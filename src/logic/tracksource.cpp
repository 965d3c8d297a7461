#include "logic/tracksource.h"

#include "logic/logpath.h"

#include <dirent.h>
#include <sys/stat.h>

namespace {

struct CBesideFormat
{
    const char* m_pszExtension;
    ETrackFormat m_eFormat;
};

// The files beside a clip tried for its track when the card has no log for it, in this
// order. A further format is added here, after those that come before it.
const CBesideFormat kBesideFormats[] = {
    {".nmea", ETrackFormat::Nmea},
    {".gpx", ETrackFormat::Gpx},
};

bool IsRegularFile(const std::string& path, const CFolderItem& item)
{
    if (item.m_nType == DT_REG)
        return true;
    if (item.m_nType != DT_LNK && item.m_nType != DT_UNKNOWN)
        return false;
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

std::vector<CTrackSource> BesideTrackSources(CFolderListings& listings, const std::string& clipPath)
{
    const std::string::size_type slash = clipPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                             : slash == 0                  ? std::string("/")
                                                           : clipPath.substr(0, slash);
    const std::string prefix = slash == std::string::npos ? std::string() : clipPath.substr(0, slash + 1);
    const std::string name = clipPath.substr(slash == std::string::npos ? 0 : slash + 1);
    const std::string stem = name.substr(0, name.rfind('.'));

    std::vector<CTrackSource> sources;
    CFolderListings::CListing& listing = listings.Get(folder);
    if (!listing.m_bReadable)
        return sources;
    for (const CBesideFormat& format : kBesideFormats) {
        const std::string wanted = stem + format.m_pszExtension;
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
            if (IsRegularFile(path, *item))
                sources.push_back(CTrackSource{std::move(path), format.m_eFormat});
        }
    }
    return sources;
}

std::vector<std::string> ClipTrackFiles(const std::string& clipPath)
{
    std::vector<std::string> files;
    CGpsLogLookup logs;
    const std::string cardLog = GpsLogPathOfOpenClip(clipPath, "LOG");
    if (logs.Exists(cardLog))
        files.push_back(logs.Find(cardLog));
    for (CTrackSource& source : BesideTrackSources(logs.Listings(), clipPath))
        files.push_back(std::move(source.m_strPath));
    return files;
}

std::unique_ptr<CGPSTrack> OpenTrackSource(const CTrackSource& source)
{
    return std::make_unique<CGPSTrack>(source.m_strPath, source.m_eFormat);
}

std::unique_ptr<CGPSTrack> OpenClipTrack(const std::string& clipPath, const std::string& cardLogPath,
                                         const CTrackOpener& openBeside)
{
    auto track = std::make_unique<CGPSTrack>(cardLogPath);
    if (track->IsOpen())
        return track;
    CFolderListings listings;
    for (const CTrackSource& source : BesideTrackSources(listings, clipPath)) {
        std::unique_ptr<CGPSTrack> beside = openBeside(source);
        if (beside && beside->IsOpen())
            return beside;
    }
    return track;
}
