#include "startwatch.h"

#include "framework/core/fileerror.h"
#include "playerdlgpeer.h"
#include "waitfor.h"

#include <QElapsedTimer>

#include <cstdio>

namespace {

void Mark(double& dStep, bool bReached, const QElapsedTimer& clock)
{
    if (bReached && dStep < 0)
        dStep = double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

bool OpenAndFollow(CPlayerDlg& dlg, const std::string& strClip, CStartSteps& steps, int nTimeoutMs)
{
    steps = CStartSteps();
    QElapsedTimer clock;
    clock.start();
    try {
        dlg.OpenClip(strClip);
    } catch (const CFileException&) {
        std::fprintf(stderr, "%s could not be opened\n", strClip.c_str());
        return false;
    }
    Mark(steps.dOpened, true, clock);
    // Each flag is read off the window as it changes: the page wait runs from the page's load
    // to the tick that starts the video, the position timer from then on.
    const CClipStartState& clip = dlg.ClipState();
    CPlayerDlgPeer peer(dlg);
    const bool bPlaying = WaitFor([&] {
        Mark(steps.dView, peer.m_mapView.GetBrowser() != nullptr, clock);
        Mark(steps.dLoaded, clip.m_bWaitTimer || clip.m_bPositionTimer, clock);
        Mark(steps.dReady, clip.m_bGpsPageReady, clock);
        Mark(steps.dPlay, clip.m_bPositionTimer, clock);
        Mark(steps.dPlaying, clip.m_bPositionTimer && peer.m_player.GetTime() > 0, clock);
        return steps.dPlaying >= 0;
    }, nTimeoutMs);
    if (!bPlaying)
        std::fprintf(stderr, "%s did not play with tracking within %d ms (page %s, ready %d, wait %d)\n",
                     strClip.c_str(), nTimeoutMs, qPrintable(peer.m_mapView.m_strURL), int(clip.m_bGpsPageReady),
                     int(clip.m_bWaitTimer));
    return bPlaying;
}

bool ShowsPage(CPlayerDlg& dlg, const QString& strPage)
{
    return Peer(dlg).m_mapView.m_strURL.endsWith(strPage);
}
