#include "logic/folderscan.h"

#include "logic/logpath.h"
#include "logic/tracksource.h"

#include <cerrno>
#include <ctime>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::size_t PROGRESS_STEP = 100;

class CFd
{
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

class CScanner
{
public:
    CScanner(const CScanHooks& hooks, CFolderScanResult& result) : m_hooks(hooks), m_result(result)
    {
    }

    void RunClips(const std::vector<std::string>& clips)
    {
        for (const std::string& clip : clips) {
            const std::size_t nSlash = clip.rfind('/');
            TakeClip(-1, clip, nSlash == std::string::npos ? clip : clip.substr(nSlash + 1));
        }
    }

    void Run(const std::string& folder)
    {
        // "card" and "card/" give the same paths; "/" gives "/name".
        std::string base = folder;
        while (!base.empty() && base.back() == '/')
            base.pop_back();
        if (!folder.empty())
            EnterFolder(base);
        if (m_hooks.m_fnProgress)
            m_hooks.m_fnProgress(m_result.m_clips.size());
    }

private:
    // base is the folder's path without a trailing slash, empty for the root.
    void EnterFolder(const std::string& base)
    {
        const std::string listPath = base.empty() ? std::string("/") : base;
        // Clips are opened relative to the folder, which spares resolving the whole path
        // again for each; without the descriptor (too many open) full paths do.
        const CFd dir(::open(listPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat st;
        const int statResult =
            dir.Get() >= 0 ? ::fstat(dir.Get(), &st) : ::stat(listPath.c_str(), &st);
        if (statResult != 0 || !S_ISDIR(st.st_mode)) {
            RecordError(statResult != 0 ? errno : ENOTDIR, listPath);
            return;
        }
        const CFolderId id{st.st_dev, st.st_ino};
        for (const CFolderId& open : m_chain) {
            if (open.m_dev == id.m_dev && open.m_ino == id.m_ino)
                return;
        }
        const CFolderListings::CListing& listing = m_logs.Listings().Get(listPath);
        if (listing.m_nError != 0)
            RecordError(listing.m_nError, listPath);
        if (!listing.m_bReadable)
            return;

        m_chain.push_back(id);
        for (const CFolderItem& item : listing.m_items) {
            if (m_hooks.m_fnCancel && m_hooks.m_fnCancel()) {
                m_result.m_bCancelled = true;
                break;
            }
            std::string path = base + "/" + item.m_strName;
            if (IsFolderItem(path, item.m_nType))
                EnterFolder(path);
            else if (IsClipName(item.m_strName))
                TakeClip(dir.Get(), std::move(path), item.m_strName);
            if (m_result.m_bCancelled)
                break;
        }
        m_chain.pop_back();
    }

    // Links count as what they point to; a link pointing nowhere is a file.
    static bool IsFolderItem(const std::string& path, unsigned char type)
    {
        if (type == DT_DIR)
            return true;
        if (type != DT_LNK && type != DT_UNKNOWN)
            return false;
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    void TakeClip(int dirFd, std::string path, const std::string& name)
    {
        // Opened as GetGpsLogPath opens it, so that a clip it would refuse is refused here;
        // the open file also gives the last-write time.
        const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
        const CFd clip(dirFd >= 0 ? ::openat(dirFd, name.c_str(), flags)
                                  : ::open(path.c_str(), flags));
        struct stat st;
        if (clip.Get() < 0 || ::fstat(clip.Get(), &st) != 0) {
            RecordError(errno, path);
            return;
        }

        char date[32] = "";
        char time[32] = "";
        std::tm local{};
        if (::localtime_r(&st.st_mtime, &local)) {
            std::strftime(date, sizeof date, "%Y-%m-%d", &local);
            std::strftime(time, sizeof time, "%H:%M:%S", &local);
        }
        // The folder's listing is at hand, so the files beside the clip cost no more reads.
        const bool hasLog = m_logs.Exists(GpsLogPathOfOpenClip(path, "log"))
            || !BesideTrackSources(m_logs.Listings(), path).empty();
        m_result.m_clips.emplace_back(name, date, time, std::move(path), hasLog ? "Y" : "N");

        if (m_hooks.m_fnProgress && m_result.m_clips.size() % PROGRESS_STEP == 0)
            m_hooks.m_fnProgress(m_result.m_clips.size());
    }

    void RecordError(int err, const std::string& path)
    {
        m_result.m_errors.push_back(CFileException::FromErrno(err, path));
    }

    struct CFolderId
    {
        dev_t m_dev;
        ino_t m_ino;
    };

    const CScanHooks& m_hooks;
    CFolderScanResult& m_result;
    CGpsLogLookup m_logs;
    std::vector<CFolderId> m_chain;  // the folders from the scanned one down to the current one
};

} // namespace

bool IsClipName(const std::string& name)
{
    std::string tail = name.size() < 4 ? name : name.substr(name.size() - 4);
    for (char& c : tail) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return tail == ".mov" || tail == ".avi" || tail == ".mp4";
}

CFolderScanResult ScanFolder(const std::string& folder, const CScanHooks& hooks)
{
    CFolderScanResult result;
    CScanner(hooks, result).Run(folder);
    return result;
}

CFolderScanResult ScanClips(const std::vector<std::string>& clips)
{
    CFolderScanResult result;
    const CScanHooks noHooks;
    CScanner(noHooks, result).RunClips(clips);
    return result;
}

CFolderScanResult CVideoList::AddFolder(const std::string& folder)
{
    return AddFolder(folder, CScanHooks());
}

CFolderScanResult CVideoList::AddFolder(const std::string& folder, const CScanHooks& hooks)
{
    CFolderScanResult result = ScanFolder(folder, hooks);
    Append(std::move(result.m_clips));
    return result;
}
