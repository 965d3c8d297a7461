// Clips and folders dropped on the main window, as a file manager's user drops them: a clip
// opens as Load File opens it, folders join the play list as Add Folder adds them.
#include "window/player_dlg.h"

#include "framework/core/fileerror.h"
#include "framework/filereport.h"
#include "logic/folderscan.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace {

// The local files a drag carries, as the file system names them; other addresses are left out.
std::vector<std::string> DroppedPaths(const QMimeData* pMime)
{
    std::vector<std::string> paths;
    if (!pMime || !pMime->hasUrls())
        return paths;
    for (const QUrl& url : pMime->urls()) {
        if (url.isLocalFile())
            paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    }
    return paths;
}

} // namespace

void CPlayerDlg::dragEnterEvent(QDragEnterEvent* pEvent)
{
    m_bDropUsable = !PlanDrop(DroppedPaths(pEvent->mimeData())).IsEmpty();
    if (m_bDropUsable)
        pEvent->acceptProposedAction();
    else
        pEvent->ignore();
}

void CPlayerDlg::dragMoveEvent(QDragMoveEvent* pEvent)
{
    if (m_bDropUsable)
        pEvent->acceptProposedAction();
    else
        pEvent->ignore();
}

void CPlayerDlg::dropEvent(QDropEvent* pEvent)
{
    CDropPlan plan = PlanDrop(DroppedPaths(pEvent->mimeData()));
    m_bDropUsable = false;
    if (plan.IsEmpty()) {
        pEvent->ignore();
        return;
    }
    pEvent->acceptProposedAction();
    // The drag's source waits for the drop to end: boxes and the clip's opening come after it.
    QTimer::singleShot(0, this, [this, plan = std::move(plan)] { OpenDrop(plan); });
}

void CPlayerDlg::OpenDrop(const CDropPlan& plan)
{
    for (const std::string& strFolder : plan.m_folders)
        StartAddFolder(strFolder);
    if (plan.m_clips.empty())
        return;
    const std::vector<std::string> others(plan.m_clips.begin(), plan.m_clips.end() - 1);
    CFolderScanResult listed = ScanClips(others);
    if (!listed.m_clips.empty()) {
        m_entries.Append(std::move(listed.m_clips));
        ShowPage(m_nPage);
    }
    RunReportingFileErrors(this, [&] { OpenClip(plan.m_clips.back()); });
    if (!listed.m_errors.empty())
        ReportFileErrors(this, listed.m_errors);
}
