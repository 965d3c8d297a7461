#pragma once

#include "window/player_dlg.h"

// The tests' view of the main window's insides: its controls (to click and read as a user
// would), its engine and map view, and what it holds. Nothing here writes a field but the
// start point, which the map tests set without opening a clip.
class CPlayerDlgPeer
{
public:
    explicit CPlayerDlgPeer(CPlayerDlg& dlg)
        : m_player(dlg.m_player), m_mapView(dlg.m_mapView), m_videoArea(dlg.m_videoArea),
          m_timeText(dlg.m_timeText), m_northText(dlg.m_northText), m_eastText(dlg.m_eastText),
          m_meter(dlg.m_meter), m_seekSlider(dlg.m_seekSlider), m_volumeSlider(dlg.m_volumeSlider),
          m_listLeft(dlg.m_listLeft), m_listRight(dlg.m_listRight), m_btnClose(dlg.m_btnClose),
          m_btnPause(dlg.m_btnPause), m_btnPlay(dlg.m_btnPlay), m_btnStop(dlg.m_btnStop),
          m_btnNextClip(dlg.m_btnNextClip), m_btnLoad(dlg.m_btnLoad), m_btnAddFolder(dlg.m_btnAddFolder),
          m_btnRemove(dlg.m_btnRemove), m_entries(dlg.m_entries), m_nLength(dlg.m_nLength), m_nActiveList(dlg.m_nActiveList),
          m_nPage(dlg.m_nPage), m_dlg(dlg)
    {
    }

    void SetStartPoint(double dLatitude, double dLongitude, bool bValid)
    {
        CGPSPoint start;
        start.m_dLatitude = dLatitude;
        start.m_dLongitude = dLongitude;
        start.m_bValid = bValid;
        m_dlg.m_tracking.SetStartPoint(start);
    }

    CVideoPlayer& m_player;
    CGoogleMapView& m_mapView;
    QLabel& m_videoArea;
    CTransparentStatic& m_timeText;
    const CTransparentStatic& m_northText;
    const CTransparentStatic& m_eastText;
    const CMeter& m_meter;
    CBitmapSlider& m_seekSlider;
    CBitmapSlider& m_volumeSlider;
    CVideoListCtrl& m_listLeft;
    CVideoListCtrl& m_listRight;
    CSkinButton& m_btnClose;
    CSkinButton& m_btnPause;
    CSkinButton& m_btnPlay;
    CSkinButton& m_btnStop;
    CSkinButton& m_btnNextClip;
    CSkinButton& m_btnLoad;
    CSkinButton& m_btnAddFolder;
    CSkinButton& m_btnRemove;
    const CVideoList& m_entries;
    const std::int64_t& m_nLength;
    const int& m_nActiveList;
    const int& m_nPage;

private:
    CPlayerDlg& m_dlg;
};

inline CPlayerDlgPeer Peer(CPlayerDlg& dlg)
{
    return CPlayerDlgPeer(dlg);
}
