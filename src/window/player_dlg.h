#pragma once

#include "skin/bitmapslider.h"
#include "skin/bkdialog.h"
#include "window/folderaddqueue.h"
#include "framework/windowtimers.h"
#include "logic/gpstrack.h"
#include "logic/trackfollower.h"
#include "logic/clipstart.h"
#include "logic/dropplan.h"
#include "map/googlemapview.h"
#include "skin/meter.h"
#include "desktop/mpris/playercontrol.h"
#include "map/mywebbrowser/mappagehost.h"
#include "skin/skinbutton.h"
#include "logic/playlistnav.h"
#include "skin/transparentstatic.h"
#include "logic/video.h"
#include "skin/videolistctrl.h"
#include "engine/videoplayer.h"

#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QPoint>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QKeyEvent;
class QMenu;
class CSettingsReader;
class CImpIDispatch;

// System commands of the window menu.
constexpr UINT IDM_ABOUTBOX = 0x0010;
constexpr UINT SC_MOVE = 0xF010;
constexpr UINT SC_MINIMIZE = 0xF020;
constexpr UINT SC_CLOSE = 0xF060;

// The About box, built from template 100.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);
    int DoModal() { return exec(); }
};

// The program's only window: a fixed-size, captionless, skinned dialog.
class CPlayerDlg : public CBkDialog, public IMapPageHost, public IPlayerControl, private ITrackDisplay
{
    Q_OBJECT
public:
    explicit CPlayerDlg(QWidget* pParent = nullptr);
    ~CPlayerDlg() override;

    // The object the map pages reach as window.external; set before the window is created.
    void SetExternalDispatch(CImpIDispatch* pExternal);
    // The tile addresses the user set for the map (layer -> address); before the window is created.
    void SetTileServers(const QMap<QString, QString>& tileServers);

    // Creates the controls from the template and initialises the window (once).
    void Create();
    int DoModal();

    // The window menu that a frameless window lacks; built in OnInitDialog.
    QMenu* GetSystemMenu() const { return m_pSystemMenu.get(); }
    // Where the save dialog of "Export Track as GPX..." starts.
    static QString ExportFolder();
    void OnSysCommand(UINT nID);

    // Opens a clip by its full path (UTF-8): reads its GPS log, loads the video without
    // starting it and shows the map page; the page-wait timer starts the video.
    // Throws CFileException, before anything has changed, when the clip cannot be opened.
    void OpenClip(const std::string& strPath);
    void OnLoadFile();
    void OnPlay();
    void OnPauseResume();
    void OnStop();
    void OnTimer(UINT nIDEvent);
    // Moves the video to nTargetMs, clamped to the clip, and shows that second's record at
    // once; nothing while no clip has started. True when it moved.
    bool SeekTo(std::int64_t nTargetMs) override;
    bool SeekBy(std::int64_t nDeltaMs);
    // Where clips play one after another: the file it is kept in, and the user's choice.
    void SetSettings(CSettingsReader* pSettings, const QString& strPath);
    void SetContinuousPlay(bool bOn);
    bool IsContinuousPlay() const override { return m_bContinuous; }
    bool CanGoNext() const override;
    bool CanGoPrevious() const override;
    // Whether the play list has an entry after the clip that plays.
    bool HasNextInList() const;
    // The path as the engine takes it.
    static std::string ToUtf8(const std::string& strPath);

    // The desktop's media controls.
    void PlayPause() override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void Next() override;
    void Previous() override;
    void Raise() override;
    void Quit() override;
    Status GetStatus() const override;
    QString GetClipPath() const override;
    std::int64_t GetLengthMs() const override;
    std::int64_t GetPositionMs() const override;
    int GetVolume() const override;
    void SetVolume(int nVolume) override;

    // Opens what a command line or another copy hands over, as the user would: each folder is
    // added to the play list in the order given (and the list's first entry selected once they
    // are in), and the last clip opens. Paths are UTF-8 and exist.
    void OpenPaths(const std::vector<std::string>& paths);

    // The play list's commands.
    void OnAddFolder();
    void OnRemove();
    void OnPrevPage();
    void OnNextPage();
    void OnPlaySelected();
    void OnPrevClip();
    void OnNextClip();
    void OnDblclkList(CVideoListCtrl& list);
    // Draws page nPage of the play list into both views; both selections are lost.
    void ShowPage(int nPage);
    // Adds a folder's clips as the add-folder command does once its dialog is answered: the
    // scan runs off the window's thread and the list grows when it ends.
    // bSelectFirst: select the list's first entry once every queued folder is in.
    void StartAddFolder(const std::string& strFolder, bool bSelectFirst = false);
    bool IsScanning() const { return m_addQueue.IsScanning(); }
    // What scans a folder (tests hand in a slow one).
    void SetFolderScanner(FolderScanner fnScan);

    void UpdateTimeDisplay();
    // The line shown in the video area while the current clip cannot be played.
    static QString CannotPlayText();

    // The map page's calls (window.external).
    void ShowScriptTestMessage() override;
    void SendStartPoint() override;
    void OnGpsPageInitialized() override;
    // A click on the route: plays from that second; a second outside the clip is ignored.
    void SeekToRouteSecond(double dSecond) override;

    const CClipStartState& ClipState() const { return m_clip; }
    const CGPSPoint& GetStartPoint() const { return m_tracking.StartPoint(); }
    // What follows the clip's track.
    const CTrackFollower& Tracking() const { return m_tracking; }
    const CVideoList& GetPlayList() const { return m_entries; }
    int GetSelectedRow(bool bRightView) const
    {
        return (bRightView ? m_listRight : m_listLeft).GetSelectedRow();
    }

    static QString FormatTimeText(std::int64_t nElapsedMs, std::int64_t nLengthMs);
    static int ProgressPercent(std::int64_t nTimeMs, std::int64_t nLengthMs);

Q_SIGNALS:
    // The video was moved to nPositionMs by a seek.
    void Seeked(qint64 nPositionMs);
    // What the window shows has changed, as GetStatus, GetClipPath and GetVolume tell it.
    void PlayStateChanged(IPlayerControl::Status status);
    void ClipChanged(const QString& strPath);
    void VolumeChanged(int nVolume);
    // Every folder queued for the play list is in, and the list shows them.
    void FoldersAdded();

protected:
    BOOL OnInitDialog();
    void DoDataExchange();
    bool event(QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    // Clips and folders dropped on the window, the map included.
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dragMoveEvent(QDragMoveEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    void OnLButtonDown(QMouseEvent* pEvent);
    void OnSetFocus();
    void OnSliderMoved(quintptr wParam, qintptr lParam);
    qintptr OnMapDocumentComplete();
    qintptr OnMapNavigateComplete();
    qintptr OnMapBeforeNavigate();
    qintptr OnMapLoadComplete();
    void ShowSystemMenu(const QPoint& ptGlobal);
    void SetupButtons();
    static void SetUpSlider(CBitmapSlider& slider, UINT nChannel, UINT nActiveChannel, const QString& strName);
    void ShowIdlePicture();
    void SetUpScanNote();
    // The engine has reported a time of the clip.
    void OnVideoTime();
    // The engine is done with the current clip: it could not play it, or reached its end.
    void OnMediaDone(bool bFailed);
    void ShowCannotPlay();
    // The opened clip waits for its map page to start it.
    bool IsStartWaiting() const;
    // Carries out a seek made while the clip waited, once it can be moved; forgets it when the
    // clip will not start.
    void ApplyHeldSeek();
    // Steps the clip-start rule and carries out what it asks.
    void Dispatch(EClipEvent event);
    // Returns whether the track's cursor should be checked for its end.
    bool Apply(EClipAction action);
    void ShowCurrentRecord();
    // The video's time now: the engine's last report and, while it plays, the time since; -1
    // before one.
    std::int64_t VideoTimeNow() const;
    // The route on the live map: handed over once the page is ready, then its travelled part.
    void SendRoute();
    void ShowTrackStep(const CTrackStep& step) override;
    void ShowRouteSecond(std::int64_t nSecond) override;
    // What a drop brings, as Load File and Add Folder would take it.
    void OpenDrop(const CDropPlan& plan);
    // Right / Left (with Ctrl: a minute) and Space, as the window takes them; true if taken.
    bool OnTransportKey(const QKeyEvent& event);
    // A transport key that reached pControl, which has no use for it, taken by the window.
    bool TakeTransportKey(QObject* pControl, const QKeyEvent& event);
    void OnContinuousToggled(bool bOn);
    // The open clip's track into a GPX file the user names.
    void OnExportGpx();
    void PlayNextInList();
    void ResetDisplays();
    // Where the idle picture draws its "Load a clip" button, in the video area's coordinates.
    QRect IdleLoadButtonRect() const;
    void CreateMapView();
    CListState ListState() const;
    void ApplyListCommand(const CListCommandResult& result);
    void OpenEntry(int nEntry);
    void OnScanFinished();
    void ShowScanProgress(qulonglong nFound);
    std::array<CSkinButton*, 12> Buttons();

    // The tests' one view of the window's insides (tests/support/playerdlgpeer.h).
    friend class CPlayerDlgPeer;

    struct CButtonSetup
    {
        int nId;
        CSkinButton CPlayerDlg::*pButton;
        UINT nImage;  // icon for the close button, bitmap for the others
        const char* pszHint;
    };
    static const std::array<CButtonSetup, 12> s_buttons;

    BOOL m_bFirstFocus = TRUE;
    CVideoListCtrl m_listRight;
    CVideoListCtrl m_listLeft;
    CTransparentStatic m_timeText;
    CTransparentStatic m_northText;
    CTransparentStatic m_eastText;
    CMeter m_meter;
    QLabel m_videoArea;
    CBitmapSlider m_seekSlider;
    CBitmapSlider m_volumeSlider;
    QIcon m_hIcon;
    int m_nActiveList = 1;
    int m_nPage = 0;
    CSkinButton m_btnClose, m_btnPause, m_btnPlay, m_btnStop, m_btnPrevClip, m_btnNextClip, m_btnLoad,
        m_btnAddFolder, m_btnRemove, m_btnPlaySelected, m_btnPrevPage, m_btnNextPage;
    CVideoPlayer m_player;
    std::int64_t m_nLength = 0;
    CVideoList m_entries;
    CGoogleMapView m_mapView;
    // When the clip starts and when its tracking runs; only Dispatch changes it.
    CClipStartState m_clip;
    CTrackFollower m_tracking{*this};
    bool m_bCreated = false;
    bool m_bShownOnce = false;
    bool m_bMapViewPending = false;
    std::unique_ptr<QMenu> m_pSystemMenu;
    CWindowTimers m_timers;
    CFolderAddQueue m_addQueue;
    QString m_strClipPath;
    // Over the play list while a scan runs: the busy cursor and the count found so far; a
    // click on it stops the scans.
    CScanNote m_scanNote{m_addQueue};
    // Where a seek made while the clip waited for its map page moves it once it starts; -1 for none.
    std::int64_t m_nHeldSeekMs = -1;
    bool m_bContinuous = false;
    CSettingsReader* m_pSettings = nullptr;
    QString m_strSettingsPath;
    QAction* m_pContinuousAction = nullptr;
    // Dragging by hand where the window system offers no move of its own.
    bool m_bDragging = false;
    // The drag over the window carries something to open.
    bool m_bDropUsable = false;
    QPoint m_ptDragOffset;
};
