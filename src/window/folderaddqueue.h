#pragma once

#include "window/folderscanjob.h"

#include <QObject>

#include <string>
#include <vector>

// Folders waiting to be added to the play list, scanned one after another off the window's
// thread, and whether the list's first entry is to be selected once they are all in.
class CFolderAddQueue : public QObject
{
    Q_OBJECT
public:
    explicit CFolderAddQueue(QObject* pParent = nullptr);

    // Takes effect with the next scan (tests hand in a slow one).
    void SetScanner(FolderScanner fnScan) { m_scanJob.SetScanner(std::move(fnScan)); }
    // Starts the folder's scan, or queues it behind the one that runs; true when it started.
    bool Add(const std::string& strFolder, bool bSelectFirst = false);
    bool IsScanning() const { return m_scanJob.IsRunning(); }
    // After Finished: the scan's result; the next queued folder starts.
    CFolderScanResult TakeResult();
    // Once nothing more is queued: whether a folder asked for the first entry to be selected.
    bool TakeSelectFirst();

Q_SIGNALS:
    void Progress(qulonglong nFound);
    void Finished();

private:
    CFolderScanJob m_scanJob{&ScanFolder};
    std::vector<std::string> m_pending;
    bool m_bSelectFirst = false;
};
