#pragma once

#include "window/folderscanjob.h"

#include <QLabel>
#include <QObject>

#include <deque>
#include <memory>
#include <string>

// A folder's scan as the queue hands it on.
struct CAddedFolder
{
    std::string m_strFolder;
    CFolderScanResult m_result;
};

// Folders waiting to be added to the play list, scanned off the window's thread, and whether
// the list's first entry is to be selected once they are all in.
// Up to MAX_PARALLEL_SCANS folders are scanned at once, so that a slow or stuck one does not
// keep the folders added after it from being scanned. Their results are still handed on in
// the order the folders were added, each as soon as it and every folder before it are done:
// the list's order (and which of two paths to one clip it keeps) does not depend on which
// disk answers first.
class CFolderAddQueue : public QObject
{
    Q_OBJECT
public:
    static constexpr std::size_t MAX_PARALLEL_SCANS = 4;

    explicit CFolderAddQueue(QObject* pParent = nullptr);
    // Cancels every scan at once, then waits for them.
    ~CFolderAddQueue() override;

    // Takes effect with the next scan that starts (tests hand in a slow one).
    void SetScanner(FolderScanner fnScan) { m_fnScan = std::move(fnScan); }
    // Queues the folder, and starts its scan when a place is free; true when nothing was
    // being scanned before.
    bool Add(const std::string& strFolder, bool bSelectFirst = false);
    bool IsScanning() const { return !m_folders.empty(); }
    // Ends the scans that run at their next item and drops the folders that wait; each is
    // still handed on, with what it found until then.
    void StopAll();
    // The clips found so far by the folders not yet handed on.
    qulonglong FoundSoFar() const;
    // After Finished: the earliest folder's scan, which leaves the queue.
    CAddedFolder TakeResult();
    // Once nothing more is queued: whether a folder asked for the first entry to be selected.
    bool TakeSelectFirst();

Q_SIGNALS:
    void Progress(qulonglong nFound);
    // The earliest folder's scan has ended; each such end is told once, after TakeResult of
    // the one before.
    void Finished();

private:
    struct CFolder
    {
        std::string m_strFolder;
        std::unique_ptr<CFolderScanJob> m_pJob;  // none while it waits for a place
        qulonglong m_nFound = 0;
        bool m_bDone = false;
    };

    void StartWaiting();
    void OnJobFinished(CFolderScanJob* pJob);
    CFolder* FolderOf(const CFolderScanJob* pJob);
    // Tells Finished from the event loop, never from inside a job's signal, so that a
    // TakeResult in reply may delete the job.
    void AnnounceLater();
    void Announce();

    FolderScanner m_fnScan = [](const std::string& strFolder, const CScanHooks& hooks) {
        return ScanFolder(strFolder, hooks);
    };
    std::deque<CFolder> m_folders;
    bool m_bAnnounced = false;
    bool m_bSelectFirst = false;
};

// The note over the play list while folders are scanned: the count found so far; a click on
// it stops the scans.
class CScanNote : public QLabel
{
    Q_OBJECT
public:
    explicit CScanNote(CFolderAddQueue& queue);

protected:
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;

private:
    CFolderAddQueue& m_queue;
};
