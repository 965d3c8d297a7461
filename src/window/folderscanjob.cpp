#include "window/folderscanjob.h"

#include <utility>

CFolderScanJob::CFolderScanJob(FolderScanner fnScan, QObject* pParent)
    : QObject(pParent), m_fnScan(std::move(fnScan))
{
}

CFolderScanJob::~CFolderScanJob()
{
    m_bCancel = true;
    Join();
}

void CFolderScanJob::Start(const std::string& strFolder)
{
    Join();
    m_bCancel = false;
    m_nFound = 0;
    m_result = CFolderScanResult();
    m_thread = std::thread([this, strFolder] {
        CScanHooks hooks;
        hooks.m_fnCancel = [this] { return m_bCancel.load(); };
        hooks.m_fnProgress = [this](std::size_t nFound) {
            m_nFound = nFound;
            if (m_bProgressQueued.exchange(true))
                return;
            QMetaObject::invokeMethod(this, [this] {
                m_bProgressQueued = false;
                Q_EMIT Progress(m_nFound.load());
            }, Qt::QueuedConnection);
        };
        m_result = m_fnScan(strFolder, hooks);
        QMetaObject::invokeMethod(this, [this] {
            Join();
            Q_EMIT Finished();
        }, Qt::QueuedConnection);
    });
}

CFolderScanResult CFolderScanJob::TakeResult()
{
    Join();
    return std::exchange(m_result, CFolderScanResult());
}

void CFolderScanJob::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}
