#pragma once

#include "framework/core/fileerror.h"
#include "logic/video.h"

#include <cstddef>
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
};

// The clips (".mov", ".avi", ".mp4" in any letter case) in folder and all its subfolders,
// each with its name, last-write date and time in local time, full path and log flag (a
// card's log or a file beside the clip, tracksource.h).
// Needs no window and may run on any thread.
//
// A folder that cannot be read (the scanned one included) and a clip that cannot be opened
// are recorded in m_errors, and the scan goes on. A folder already being scanned further up
// (a link back up the tree) is not entered again.
CFolderScanResult ScanFolder(const std::string& folder, const CScanHooks& hooks = {});

// The entries of single clips, as the scan makes them, in the order given; a clip that cannot
// be opened is named in m_errors instead.
CFolderScanResult ScanClips(const std::vector<std::string>& clips);

// A clip's name ends in ".mov", ".avi" or ".mp4", in any letter case.
bool IsClipName(const std::string& name);
