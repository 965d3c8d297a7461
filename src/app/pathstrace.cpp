#include "app/pathstrace.h"

#include "desktop/commandline.h"
#include "window/player_dlg.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kPollMs = 100;
// A clip that never plays stops the polling after a minute.
constexpr int kMaxPolls = 600;

} // namespace

void CPathsTrace::Follow(CPlayerDlg& dlg, const std::vector<std::string>& paths)
{
    if (!lcCli().isInfoEnabled() || paths.empty())
        return;
    const auto isFolder = [](const std::string& strPath) {
        return QFileInfo(QFile::decodeName(strPath.c_str())).isDir();
    };
    bool bFolders = std::any_of(paths.begin(), paths.end(), isFolder);
    bool bClip = !std::all_of(paths.begin(), paths.end(), isFolder);
    if (bClip)
        qCInfo(lcCli, "clip opened: %s (GPS track: %s)", qUtf8Printable(dlg.GetClipPath()),
               dlg.GetStartPoint().m_bValid ? "yes" : "no");

    auto* pTimer = new QTimer(&dlg);
    int nPolls = 0;
    QObject::connect(pTimer, &QTimer::timeout, &dlg, [pTimer, &dlg, bFolders, bClip, nPolls]() mutable {
        if (bFolders && !dlg.IsScanning()) {
            qCInfo(lcCli, "play list: %d clips, row %d of the left list selected", dlg.GetPlayList().GetCount(),
                   dlg.GetSelectedRow(false));
            bFolders = false;
        }
        if (bClip && dlg.GetStatus() == IPlayerControl::Status::Playing) {
            qCInfo(lcCli, "playing: %s", qUtf8Printable(dlg.GetClipPath()));
            bClip = false;
        }
        if ((!bFolders && !bClip) || ++nPolls >= kMaxPolls)
            pTimer->deleteLater();
    });
    pTimer->start(kPollMs);
}
