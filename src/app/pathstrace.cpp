#include "app/pathstrace.h"

#include "desktop/commandline.h"
#include "window/player_dlg.h"

#include <algorithm>
#include <sys/stat.h>

namespace {

void TracePlayList(const CPlayerDlg& dlg)
{
    qCInfo(lcCli, "play list: %d clips, row %d of the left list selected", dlg.GetPlayList().GetCount(),
           dlg.GetSelectedRow(false));
}

void TracePlaying(const CPlayerDlg& dlg)
{
    qCInfo(lcCli, "playing: %s", qUtf8Printable(dlg.GetClipPath()));
}

// Tells once when the clip opened last starts playing; another clip ends the wait.
void FollowClip(CPlayerDlg& dlg)
{
    if (dlg.GetStatus() == IPlayerControl::Status::Playing) {
        TracePlaying(dlg);
        return;
    }
    // The connections go with it.
    auto* pWait = new QObject(&dlg);
    QObject::connect(&dlg, &CPlayerDlg::PlayStateChanged, pWait, [&dlg, pWait](IPlayerControl::Status status) {
        if (status != IPlayerControl::Status::Playing)
            return;
        TracePlaying(dlg);
        pWait->deleteLater();
    });
    QObject::connect(&dlg, &CPlayerDlg::ClipChanged, pWait, &QObject::deleteLater);
}

} // namespace

void CPathsTrace::Follow(CPlayerDlg& dlg, const std::vector<std::string>& paths)
{
    if (!lcCli().isInfoEnabled() || paths.empty())
        return;
    const auto isFolder = [](const std::string& strPath) {
        struct stat st;
        return ::stat(strPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    };
    if (std::any_of(paths.begin(), paths.end(), isFolder))
        QObject::connect(&dlg, &CPlayerDlg::FoldersAdded, &dlg, [&dlg] { TracePlayList(dlg); }, Qt::SingleShotConnection);
    if (std::all_of(paths.begin(), paths.end(), isFolder))
        return;
    qCInfo(lcCli, "clip opened: %s (GPS track: %s)", qUtf8Printable(dlg.GetClipPath()),
           dlg.GetStartPoint().m_bValid ? "yes" : "no");
    FollowClip(dlg);
}
