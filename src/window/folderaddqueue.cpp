#include "window/folderaddqueue.h"

#include <utility>

CFolderAddQueue::CFolderAddQueue(QObject* pParent) : QObject(pParent)
{
    connect(&m_scanJob, &CFolderScanJob::Progress, this, &CFolderAddQueue::Progress);
    connect(&m_scanJob, &CFolderScanJob::Finished, this, &CFolderAddQueue::Finished);
}

bool CFolderAddQueue::Add(const std::string& strFolder, bool bSelectFirst)
{
    m_bSelectFirst = m_bSelectFirst || bSelectFirst;
    if (IsScanning()) {
        m_pending.push_back(strFolder);
        return false;
    }
    m_scanJob.Start(strFolder);
    return true;
}

CFolderScanResult CFolderAddQueue::TakeResult()
{
    CFolderScanResult result = m_scanJob.TakeResult();
    if (!m_pending.empty()) {
        const std::string strNext = m_pending.front();
        m_pending.erase(m_pending.begin());
        m_scanJob.Start(strNext);
    }
    return result;
}

bool CFolderAddQueue::TakeSelectFirst()
{
    return !IsScanning() && std::exchange(m_bSelectFirst, false);
}
