#pragma once

#include "framework/core/fileerror.h"
#include "logic/video.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What a caller running the scan on another thread hears from it. Both are called on the
// scanning thread.
struct CScanHooks
{
    // The number of clips found so far: at least every 100 clips, and once at the end.
    std::function<void(std::size_t nFound)> m_fnProgress;
    // Asked before each item; true ends the scan where it is.
    std::function<bool()> m_fnCancel;
};

// How far one scan goes, so that a link to "/" or a tree of a whole disk ends in reasonable
// time: a folder deeper than m_nMaxDepth levels below the scanned one is not entered, and the
// scan ends before it would take more than m_nMaxClips clips or enter more than m_nMaxFolders
// folders (the scanned one included).
constexpr std::size_t MAX_SCAN_DEPTH = 32;
constexpr std::size_t MAX_SCAN_CLIPS = 100000;
constexpr std::size_t MAX_SCAN_FOLDERS = 100000;

struct CScanBounds
{
    std::size_t m_nMaxDepth = MAX_SCAN_DEPTH;
    std::size_t m_nMaxClips = MAX_SCAN_CLIPS;
    std::size_t m_nMaxFolders = MAX_SCAN_FOLDERS;
};

// Which bound ended a scan before it had gone through everything.
enum class EScanStop
{
    None,
    Clips,
    Folders,
};

struct CFolderScanResult
{
    // In the order they were found: depth first, each folder's items in name order (ASCII
    // letters compared as upper case, then bytes, ties by the exact name), a subfolder's
    // clips where its name falls among the folder's items.
    std::vector<CVideoEntry> m_clips;
    // Clips that could not be opened and folders that could not be read, in the order they
    // were met; such clips are not in m_clips, a folder's clips read before an error are.
    std::vector<CFileException> m_errors;
    bool m_bCancelled = false;
    // The folders entered, the scanned one included.
    std::size_t m_nFolders = 0;
    // What the bounds cut off: the folders not entered for their depth, and the bound that
    // ended the scan early.
    std::size_t m_nTooDeep = 0;
    EScanStop m_eStop = EScanStop::None;
    CScanBounds m_bounds;
};

// The clips (".mov", ".avi", ".mp4" in any letter case) in folder and all its subfolders,
// each with its name, last-write date and time in local time, full path and log flag (a
// card's log or a file beside the clip, tracksource.h).
// Needs no window and may run on any thread.
//
// A folder that cannot be read (the scanned one included) and a clip that cannot be opened
// are recorded in m_errors, and the scan goes on. Links are followed, but a folder is entered
// once only (told by device and inode: a link back up the tree, a link to "/", two links to
// one folder), the first way the scan meets it; a folder on a file system of the kernel's own
// (IsPseudoFileSystem) is never entered.
CFolderScanResult ScanFolder(const std::string& folder, const CScanHooks& hooks = {},
                             const CScanBounds& bounds = {});

// The lines that tell what the bounds cut off the scan of folder, one each; none when nothing
// was cut.
std::vector<std::string> ScanCutNotes(const CFolderScanResult& result, const std::string& folder);

// Whether a statfs() f_type is that of a file system the kernel makes up of its state (proc,
// sysfs, cgroups, devpts, ...), where no clip lies and whose links lead all over the machine.
bool IsPseudoFileSystem(std::uint32_t nType);

// The entries of single clips, as the scan makes them, in the order given; a clip that cannot
// be opened is named in m_errors instead.
CFolderScanResult ScanClips(const std::vector<std::string>& clips);

// A clip's name ends in ".mov", ".avi" or ".mp4", in any letter case.
bool IsClipName(const std::string& name);
