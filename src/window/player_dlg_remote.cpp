// The window as the desktop's media controls see it: the transport buttons, the window, and
// what it shows.
#include "window/player_dlg.h"

#include "resource.h"

#include <algorithm>

void CPlayerDlg::PlayPause()
{
    OnPauseResume();
}

void CPlayerDlg::Play()
{
    OnPlay();
}

void CPlayerDlg::Pause()
{
    if (m_clip.m_nPlayState == PLAY_PLAYING)
        OnPauseResume();
}

void CPlayerDlg::Stop()
{
    OnStop();
}

void CPlayerDlg::Next()
{
    OnNextClip();
}

void CPlayerDlg::Previous()
{
    OnPrevClip();
}

void CPlayerDlg::Raise()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void CPlayerDlg::Quit()
{
    reject();
}

IPlayerControl::Status CPlayerDlg::GetStatus() const
{
    switch (m_clip.m_nPlayState) {
    case PLAY_PLAYING: return m_clip.m_bMediaEnded ? Status::Stopped : Status::Playing;
    case PLAY_PAUSED: return Status::Paused;
    default: return Status::Stopped;
    }
}

QString CPlayerDlg::GetClipPath() const
{
    return m_strClipPath;
}

std::int64_t CPlayerDlg::GetLengthMs() const
{
    return std::max<std::int64_t>(m_player.GetLength(), 0);
}

std::int64_t CPlayerDlg::GetPositionMs() const
{
    if (m_nHeldSeekMs >= 0)
        return m_nHeldSeekMs;
    return std::max<std::int64_t>(m_player.GetTime(), 0);
}

int CPlayerDlg::GetVolume() const
{
    return m_volumeSlider.GetPos();
}

void CPlayerDlg::SetVolume(int nVolume)
{
    m_volumeSlider.SetPos(nVolume);
    OnSliderMoved(IDC_VOLUME, m_volumeSlider.GetPos());
}

bool CPlayerDlg::CanGoNext() const
{
    return NextClip(ListState(), m_entries.GetCount(), m_clip.m_nPlayState != PLAY_IDLE).m_nOpen >= 0;
}

bool CPlayerDlg::CanGoPrevious() const
{
    return PrevClip(ListState(), m_entries.GetCount(), m_clip.m_nPlayState != PLAY_IDLE).m_nOpen >= 0;
}
