#pragma once

#include "logic/folderscan.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

// What scans a folder; the program's is ScanFolder.
using FolderScanner = std::function<CFolderScanResult(const std::string& folder, const CScanHooks& hooks)>;

// Runs one folder scan on a thread of its own, so that a slow card does not hold up the window.
// Progress and the end reach the object's thread as queued signals.
class CFolderScanJob : public QObject
{
    Q_OBJECT
public:
    explicit CFolderScanJob(FolderScanner fnScan, QObject* pParent = nullptr);
    // Cancels a scan that still runs and waits for its thread.
    ~CFolderScanJob() override;
    CFolderScanJob(const CFolderScanJob&) = delete;
    CFolderScanJob& operator=(const CFolderScanJob&) = delete;

    // Takes effect with the next Start.
    void SetScanner(FolderScanner fnScan) { m_fnScan = std::move(fnScan); }
    void Start(const std::string& strFolder);
    bool IsRunning() const { return m_thread.joinable(); }
    // Asks the scan that runs to end at its next item; it still ends with Finished and what it
    // found until then.
    void Cancel() { m_bCancel = true; }
    // After Finished: the scan's result; the job can then start again.
    CFolderScanResult TakeResult();

Q_SIGNALS:
    void Progress(qulonglong nFound);
    void Finished();

private:
    void Join();

    FolderScanner m_fnScan;
    std::thread m_thread;
    std::atomic<bool> m_bCancel{false};
    // Set while a progress report waits for the object's thread, so that reports never pile up.
    std::atomic<bool> m_bProgressQueued{false};
    std::atomic<std::size_t> m_nFound{0};
    CFolderScanResult m_result;
};
