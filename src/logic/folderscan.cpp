#include "logic/folderscan.h"

#include "logic/filedescriptor.h"
#include "logic/logpath.h"
#include "logic/tracksource.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <set>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

const std::size_t PROGRESS_STEP = 100;

// Kernels name these in their own sources, not in <linux/magic.h>.
constexpr std::uint32_t CONFIGFS_MAGIC = 0x62656570;
constexpr std::uint32_t FUSECTL_SUPER_MAGIC = 0x65735543;
constexpr std::uint32_t MQUEUE_MAGIC = 0x19800202;
constexpr std::uint32_t RPC_PIPEFS_MAGIC = 0x67596969;

// devtmpfs is not among them: it reports itself as tmpfs or ramfs, as /tmp does; its own
// pseudo file systems (devpts, mqueue, hugetlbfs) and /dev/fd (proc) are.
constexpr std::uint32_t s_pseudoFileSystems[] = {
    PROC_SUPER_MAGIC, SYSFS_MAGIC, DEVPTS_SUPER_MAGIC, CGROUP_SUPER_MAGIC, CGROUP2_SUPER_MAGIC,
    DEBUGFS_MAGIC, TRACEFS_MAGIC, SECURITYFS_MAGIC, PSTOREFS_MAGIC, BPF_FS_MAGIC, CONFIGFS_MAGIC,
    FUSECTL_SUPER_MAGIC, MQUEUE_MAGIC, HUGETLBFS_MAGIC, EFIVARFS_MAGIC, BINFMTFS_MAGIC,
    SELINUX_MAGIC, SMACK_MAGIC, AAFS_MAGIC, NSFS_MAGIC, RDTGROUP_SUPER_MAGIC, USBDEVICE_SUPER_MAGIC,
    OPENPROM_SUPER_MAGIC, RPC_PIPEFS_MAGIC,
};

class CScanner
{
public:
    CScanner(const CScanHooks& hooks, const CScanBounds& bounds, CFolderScanResult& result)
        : m_hooks(hooks), m_bounds(bounds), m_result(result)
    {
        m_result.m_bounds = bounds;
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
            EnterFolder(base, 0);
        if (m_hooks.m_fnProgress)
            m_hooks.m_fnProgress(m_result.m_clips.size());
    }

private:
    // base is the folder's path without a trailing slash, empty for the root; nDepth its
    // level below the scanned folder.
    void EnterFolder(const std::string& base, std::size_t nDepth)
    {
        if (nDepth > m_bounds.m_nMaxDepth) {
            ++m_result.m_nTooDeep;
            return;
        }
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
        if (OnPseudoFileSystem(dir.Get(), listPath) || !m_entered.insert({st.st_dev, st.st_ino}).second)
            return;
        if (m_result.m_nFolders == m_bounds.m_nMaxFolders) {
            Stop(EScanStop::Folders);
            return;
        }
        ++m_result.m_nFolders;
        const CFolderListings::CListing& listing = m_logs.Listings().Get(listPath);
        if (listing.m_nError != 0)
            RecordError(listing.m_nError, listPath);
        if (!listing.m_bReadable)
            return;

        for (const CFolderItem& item : listing.m_items) {
            if (m_hooks.m_fnCancel && m_hooks.m_fnCancel()) {
                m_result.m_bCancelled = true;
                m_bStopped = true;
            }
            if (m_bStopped)
                break;
            std::string path = base + "/" + item.m_strName;
            if (IsFolderItem(path, item.m_nType))
                EnterFolder(path, nDepth + 1);
            else if (IsClipName(item.m_strName))
                TakeClip(dir.Get(), std::move(path), item.m_strName);
        }
    }

    static bool OnPseudoFileSystem(int dirFd, const std::string& path)
    {
        struct statfs fs;
        const int result = dirFd >= 0 ? ::fstatfs(dirFd, &fs) : ::statfs(path.c_str(), &fs);
        return result == 0 && IsPseudoFileSystem(static_cast<std::uint32_t>(fs.f_type));
    }

    void Stop(EScanStop eStop)
    {
        m_result.m_eStop = eStop;
        m_bStopped = true;
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
        if (m_result.m_clips.size() >= m_bounds.m_nMaxClips) {
            Stop(EScanStop::Clips);
            return;
        }
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

        // The folder's listing is at hand, so the files beside the clip cost no more reads; the
        // clip itself is opened only when nothing lies beside it.
        const bool hasLog = HasClipTrack(m_logs, path, GpsLogPathOfOpenClip(path, "log"));
        m_result.m_clips.emplace_back(name, st.st_mtime, std::move(path), hasLog);

        if (m_hooks.m_fnProgress && m_result.m_clips.size() % PROGRESS_STEP == 0)
            m_hooks.m_fnProgress(m_result.m_clips.size());
    }

    void RecordError(int err, const std::string& path)
    {
        m_result.m_errors.push_back(CFileException::FromErrno(err, path));
    }

    const CScanHooks& m_hooks;
    const CScanBounds m_bounds;
    CFolderScanResult& m_result;
    CGpsLogLookup m_logs;
    // Every folder entered so far, by device and inode.
    std::set<std::pair<dev_t, ino_t>> m_entered;
    bool m_bStopped = false;
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

bool IsPseudoFileSystem(std::uint32_t nType)
{
    return std::find(std::begin(s_pseudoFileSystems), std::end(s_pseudoFileSystems), nType)
        != std::end(s_pseudoFileSystems);
}

CFolderScanResult ScanFolder(const std::string& folder, const CScanHooks& hooks, const CScanBounds& bounds)
{
    CFolderScanResult result;
    CScanner(hooks, bounds, result).Run(folder);
    return result;
}

CFolderScanResult ScanClips(const std::vector<std::string>& clips)
{
    CFolderScanResult result;
    const CScanHooks noHooks;
    CScanner(noHooks, CScanBounds(), result).RunClips(clips);
    return result;
}

std::vector<std::string> ScanCutNotes(const CFolderScanResult& result, const std::string& folder)
{
    std::vector<std::string> notes;
    const std::string depth = std::to_string(result.m_bounds.m_nMaxDepth);
    if (result.m_nTooDeep == 1)
        notes.push_back("1 folder deeper than " + depth + " levels below " + folder + " was not read.");
    else if (result.m_nTooDeep > 1)
        notes.push_back(std::to_string(result.m_nTooDeep) + " folders deeper than " + depth
                        + " levels below " + folder + " were not read.");
    if (result.m_eStop == EScanStop::Clips)
        notes.push_back("The scan of " + folder + " ended at its bound of "
                        + std::to_string(result.m_bounds.m_nMaxClips) + " clips; the rest was not read.");
    else if (result.m_eStop == EScanStop::Folders)
        notes.push_back("The scan of " + folder + " ended at its bound of "
                        + std::to_string(result.m_bounds.m_nMaxFolders) + " folders; the rest was not read.");
    return notes;
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
