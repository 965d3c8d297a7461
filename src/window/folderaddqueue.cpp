#include "window/folderaddqueue.h"

#include <QMouseEvent>

#include <algorithm>
#include <utility>

CFolderAddQueue::CFolderAddQueue(QObject* pParent) : QObject(pParent)
{
}

CFolderAddQueue::~CFolderAddQueue()
{
    for (CFolder& folder : m_folders) {
        if (folder.m_pJob)
            folder.m_pJob->Cancel();
    }
}

bool CFolderAddQueue::Add(const std::string& strFolder, bool bSelectFirst)
{
    const bool bWasIdle = !IsScanning();
    m_bSelectFirst = m_bSelectFirst || bSelectFirst;
    m_folders.push_back({strFolder, nullptr, 0, false});
    StartWaiting();
    return bWasIdle;
}

void CFolderAddQueue::StartWaiting()
{
    std::size_t nRunning = 0;
    for (const CFolder& folder : m_folders)
        nRunning += folder.m_pJob && !folder.m_bDone ? 1 : 0;
    for (CFolder& folder : m_folders) {
        if (nRunning >= MAX_PARALLEL_SCANS)
            break;
        if (folder.m_pJob || folder.m_bDone)
            continue;
        folder.m_pJob = std::make_unique<CFolderScanJob>(m_fnScan);
        CFolderScanJob* pJob = folder.m_pJob.get();
        connect(pJob, &CFolderScanJob::Progress, this, [this, pJob](qulonglong nFound) {
            if (CFolder* pFolder = FolderOf(pJob)) {
                pFolder->m_nFound = nFound;
                Q_EMIT Progress(FoundSoFar());
            }
        });
        connect(pJob, &CFolderScanJob::Finished, this, [this, pJob] { OnJobFinished(pJob); });
        pJob->Start(folder.m_strFolder);
        ++nRunning;
    }
}

void CFolderAddQueue::OnJobFinished(CFolderScanJob* pJob)
{
    if (CFolder* pFolder = FolderOf(pJob))
        pFolder->m_bDone = true;
    StartWaiting();
    AnnounceLater();
}

CFolderAddQueue::CFolder* CFolderAddQueue::FolderOf(const CFolderScanJob* pJob)
{
    const auto it = std::find_if(m_folders.begin(), m_folders.end(),
                                 [pJob](const CFolder& folder) { return folder.m_pJob.get() == pJob; });
    return it == m_folders.end() ? nullptr : &*it;
}

void CFolderAddQueue::StopAll()
{
    for (CFolder& folder : m_folders) {
        if (folder.m_pJob)
            folder.m_pJob->Cancel();
        else
            folder.m_bDone = true;
    }
    AnnounceLater();
}

qulonglong CFolderAddQueue::FoundSoFar() const
{
    qulonglong nFound = 0;
    for (const CFolder& folder : m_folders)
        nFound += folder.m_nFound;
    return nFound;
}

void CFolderAddQueue::AnnounceLater()
{
    QMetaObject::invokeMethod(this, &CFolderAddQueue::Announce, Qt::QueuedConnection);
}

void CFolderAddQueue::Announce()
{
    if (m_bAnnounced || m_folders.empty() || !m_folders.front().m_bDone)
        return;
    m_bAnnounced = true;
    Q_EMIT Finished();
}

CAddedFolder CFolderAddQueue::TakeResult()
{
    CAddedFolder added;
    if (m_folders.empty() || !m_folders.front().m_bDone)
        return added;
    CFolder& front = m_folders.front();
    added.m_strFolder = front.m_strFolder;
    if (front.m_pJob) {
        added.m_result = front.m_pJob->TakeResult();
    } else {
        added.m_result.m_bCancelled = true;
    }
    m_folders.pop_front();
    m_bAnnounced = false;
    StartWaiting();
    AnnounceLater();
    Q_EMIT Progress(FoundSoFar());
    return added;
}

bool CFolderAddQueue::TakeSelectFirst()
{
    return !IsScanning() && std::exchange(m_bSelectFirst, false);
}

CScanNote::CScanNote(CFolderAddQueue& queue) : m_queue(queue)
{
    setToolTip(QStringLiteral("Click to stop the scan"));
}

// The click is the note's own, not the window's under it.
void CScanNote::mousePressEvent(QMouseEvent* pEvent)
{
    pEvent->accept();
}

void CScanNote::mouseReleaseEvent(QMouseEvent* pEvent)
{
    pEvent->accept();
    if (pEvent->button() == Qt::LeftButton && rect().contains(pEvent->position().toPoint()))
        m_queue.StopAll();
}
