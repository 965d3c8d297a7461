// The main window's ways through a drive: moving the video by key and by the desktop's
// controls, and playing the list's next clip when one ends while clips play one after another.
#include "window/player_dlg.h"

#include "desktop/settingsreader.h"
#include "logic/gpstrack.h"

#include <QAction>
#include <QKeyEvent>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

constexpr std::int64_t kShortJumpMs = 5000;
constexpr std::int64_t kLongJumpMs = 60000;

} // namespace

bool CPlayerDlg::SeekTo(std::int64_t nTargetMs)
{
    if (!CanSeek(m_clip)) {
        // A seek while the clip waits for its map page moves it as soon as it starts.
        if (!IsStartWaiting())
            return false;
        m_nHeldSeekMs = std::max<std::int64_t>(nTargetMs, 0);
        return true;
    }
    // Until libVLC knows the clip's length only its start bounds a seek.
    const std::int64_t nLength = m_player.GetLength();
    const std::int64_t nTime = nLength > 0 ? std::clamp<std::int64_t>(nTargetMs, 0, nLength)
                                           : std::max<std::int64_t>(nTargetMs, 0);
    if (m_player.HasEnded())
        m_player.PlayFrom(nTime, m_clip.m_nPlayState == PLAY_PAUSED);
    else
        m_player.SetTime(nTime);
    m_timeText.setText(FormatTimeText(nTime, std::max<std::int64_t>(nLength, 0)));
    m_seekSlider.SetPos(ProgressPercent(nTime, nLength));
    const std::int64_t nSecond = nTime / 1000;
    if (m_clip.m_bGpsPageReady)
        m_tracking.ShowSecond(nSecond);
    Dispatch(m_tracking.HasSecond(nSecond) ? EClipEvent::SeekedInTrack : EClipEvent::SeekedPastTrack);
    emit Seeked(nTime);
    return true;
}

bool CPlayerDlg::IsStartWaiting() const
{
    // A stop ends the wait: the clip then starts only from the play button.
    return m_clip.m_nPageWait != 0 && (m_clip.m_bStartPending || m_clip.m_bWaitTimer);
}

void CPlayerDlg::ApplyHeldSeek()
{
    if (m_nHeldSeekMs < 0)
        return;
    if (CanSeek(m_clip))
        SeekTo(std::exchange(m_nHeldSeekMs, -1));
    else if (!IsStartWaiting())
        m_nHeldSeekMs = -1;
}

void CPlayerDlg::SeekToRouteSecond(double dSecond)
{
    // The page's message may come from a page of the clip before, or be made up: only a
    // second of this clip's video moves it.
    const std::int64_t nLengthMs = m_player.GetLength();
    if (!m_clip.m_bGpsPageReady || !(dSecond >= 0.0) || nLengthMs <= 0 || dSecond * 1000.0 > double(nLengthMs))
        return;
    SeekTo(std::int64_t(dSecond) * 1000);
}

bool CPlayerDlg::SeekBy(std::int64_t nDeltaMs)
{
    const std::int64_t nNow = VideoTimeNow();
    const std::int64_t nFrom = m_nHeldSeekMs >= 0 ? m_nHeldSeekMs : nNow >= 0 ? nNow : m_player.GetTime();
    return SeekTo(std::max<std::int64_t>(nFrom, 0) + nDeltaMs);
}

bool CPlayerDlg::OnTransportKey(const QKeyEvent& event)
{
    const bool bLong = event.modifiers().testFlag(Qt::ControlModifier);
    switch (event.key()) {
    case Qt::Key_Right: SeekBy(bLong ? kLongJumpMs : kShortJumpMs); return true;
    case Qt::Key_Left: SeekBy(bLong ? -kLongJumpMs : -kShortJumpMs); return true;
    case Qt::Key_Space: OnPauseResume(); return true;
    default: return false;
    }
}

void CPlayerDlg::SetSettings(CSettingsReader* pSettings, const QString& strPath)
{
    m_pSettings = pSettings;
    m_strSettingsPath = strPath;
    SetContinuousPlay(pSettings && pSettings->Settings().m_bContinuous);
}

void CPlayerDlg::SetContinuousPlay(bool bOn)
{
    m_bContinuous = bOn;
    if (m_pContinuousAction)
        m_pContinuousAction->setChecked(bOn);
}

void CPlayerDlg::OnContinuousToggled(bool bOn)
{
    m_bContinuous = bOn;
    if (!m_pSettings)
        return;
    QString strWhy;
    if (!m_pSettings->WriteValue(m_strSettingsPath, QStringLiteral("playback"), QStringLiteral("continuous"),
                                 bOn ? QStringLiteral("true") : QStringLiteral("false"), strWhy))
        std::fprintf(stderr, "deruziz: %s\n", qPrintable(strWhy));
}

bool CPlayerDlg::HasNextInList() const
{
    const int nEntry = m_entries.IndexOf(m_strClipPath.toStdString());
    return nEntry >= 0 && nEntry + 1 < m_entries.GetCount();
}

void CPlayerDlg::PlayNextInList()
{
    const int nEntry = m_entries.IndexOf(m_strClipPath.toStdString());
    if (nEntry >= 0)
        ApplyListCommand(PlayEntry(ListState(), m_entries.GetCount(), nEntry + 1));
}
