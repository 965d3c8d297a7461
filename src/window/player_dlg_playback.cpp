// The main window's playback and position tracking: opening a clip, the page wait that
// starts it, the one-second position steps, the transport buttons and the time display.
#include "window/player_dlg.h"

#include "framework/core/fileerror.h"
#include "framework/filereport.h"
#include "framework/messages.h"
#include "framework/resources.h"
#include "framework/trace.h"
#include "logic/logpath.h"
#include "logic/routetext.h"
#include "resource.h"
#include "logic/tracksource.h"
#include "logic/trackstep.h"

#include <QFile>
#include <QFileDialog>
#include <QSortFilterProxyModel>
#include <QFileSystemModel>
#include <QTimerEvent>

#include <algorithm>
#include <filesystem>
#include <optional>

namespace {

constexpr int kPageWaitPeriodMs = 500;
constexpr int kPositionPeriodMs = 1000;
constexpr int kTickAfterSecondMs = 50;

const QString kLiveMapPage = QStringLiteral("GPS_VIEW.HTML");
const QString kErrorPage = QStringLiteral("ERROR.HTML");

// The load dialog lists folders and the clips whose names end in .MOV, .AVI or .MP4 in any
// letter case; a name filter alone would be case-sensitive here.
class CClipFilter : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int nRow, const QModelIndex& parent) const override
    {
        const auto* pModel = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!pModel)
            return true;
        const QModelIndex index = pModel->index(nRow, 0, parent);
        if (pModel->isDir(index))
            return true;
        const QString name = pModel->fileName(index);
        for (const char* pszExtension : {".mov", ".avi", ".mp4"}) {
            if (name.endsWith(QLatin1String(pszExtension), Qt::CaseInsensitive))
                return true;
        }
        return false;
    }
};

} // namespace

std::string CPlayerDlg::ToUtf8(const std::string& strPath)
{
    // Paths are UTF-8 already. libVLC turns a path into a URL itself, so nothing is escaped
    // here; a relative path is made absolute so that its URL names the same file.
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(strPath, ec);
    return ec ? strPath : absolute.string();
}

void CPlayerDlg::OpenClip(const std::string& strPath)
{
    const std::string strLogPath = GetGpsLogPath(strPath, "LOG");

    m_tracking.SetTrack(nullptr);
    m_nHeldSeekMs = -1;
    Dispatch(EClipEvent::ClipOpened);
    m_tracking.SetTrack(OpenClipTrack(strPath, strLogPath));

    const std::string strUtf8 = ToUtf8(strPath);
    m_player.OpenMedia(strUtf8.c_str());
    // Nothing of the clip before may stay in the time text, also for a clip that never plays.
    m_nLength = 0;
    m_timeText.setText(FormatTimeText(0, 0));
    m_seekSlider.SetPos(0);
    ShowIdlePicture();
    m_videoArea.unsetCursor();

    m_strClipPath = QString::fromStdString(strPath);
    Q_EMIT ClipChanged(m_strClipPath);

    std::optional<CFileException> readError;
    try {
        m_tracking.ReadTrack();
    } catch (const CFileException& error) {
        // The records read so far make the track; the user hears of the rest below.
        readError = error;
    }
    const CGPSPoint& start = m_tracking.StartPoint();
    if (start.m_bValid) {
        m_eastText.setText(QString::fromStdString(FormatEastText(start.m_dLongitude)));
        m_northText.setText(QString::fromStdString(FormatNorthText(start.m_dLatitude)));
        m_mapView.NavigateResource(kLiveMapPage);
    } else {
        m_mapView.NavigateResource(kErrorPage);
        // Nothing of the previous clip's position may stay on screen for a clip without one.
        m_eastText.setText(QString());
        m_northText.setText(QString());
        m_meter.SetPos(0);
    }
    if (readError)
        throw *readError;
}

void CPlayerDlg::OnLoadFile()
{
    QFileDialog dialog(this, QStringLiteral("Load Video File"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(Resources::LoadString(AFX_IDS_ALLFILTER));
    dialog.setProxyModel(new CClipFilter(&dialog));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const std::string strPath = QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
    RunReportingFileErrors(this, [&] { OpenClip(strPath); });
}

void CPlayerDlg::OnPlay()
{
    // Played to its end, the clip plays again from its start, and its tracking with it.
    if (m_clip.m_bMediaEnded && m_clip.m_bGpsPageReady && m_clip.m_nPlayState == PLAY_PLAYING && SeekTo(0))
        return;
    Dispatch(EClipEvent::Play);
}

void CPlayerDlg::OnPauseResume()
{
    Dispatch(EClipEvent::PauseResume);
}

void CPlayerDlg::OnStop()
{
    Dispatch(EClipEvent::Stop);
}

void CPlayerDlg::Dispatch(EClipEvent event)
{
    const CClipStartState before = m_clip;
    CClipStartStep step = ClipStartStep(m_clip, event);
    m_clip = step.m_state;
    bool bCheckTrackEnd = false;
    for (EClipAction action : step.m_actions)
        bCheckTrackEnd |= Apply(action);
    if (before.m_nPlayState != m_clip.m_nPlayState || before.m_bMediaEnded != m_clip.m_bMediaEnded)
        Q_EMIT PlayStateChanged(GetStatus());
    if (bCheckTrackEnd && !m_clip.m_bTrackUsedUp && m_tracking.AtEnd())
        Dispatch(EClipEvent::TrackUsedUp);
    ApplyHeldSeek();
}

bool CPlayerDlg::Apply(EClipAction action)
{
    switch (action) {
    case EClipAction::StartWaitTimer: m_timers.SetTimer(TIMER_PAGE_WAIT, kPageWaitPeriodMs, this); break;
    case EClipAction::StopWaitTimer: m_timers.KillTimer(TIMER_PAGE_WAIT); break;
    case EClipAction::StartPositionTimer: m_timers.SetTimer(TIMER_POSITION, kPositionPeriodMs, this); break;
    case EClipAction::StopPositionTimer: m_timers.KillTimer(TIMER_POSITION); break;
    case EClipAction::PlayVideo: m_player.Play(); break;
    case EClipAction::PauseVideo: m_player.Pause(); break;
    case EClipAction::StopVideo:
        m_player.Stop();
        m_tracking.ForgetShown();
        break;
    case EClipAction::ShowErrorPage: m_mapView.NavigateResource(kErrorPage); break;
    case EClipAction::AdvanceTrack:
        m_tracking.Advance();
        return true;
    case EClipAction::ShowRecord: ShowCurrentRecord(); return true;
    case EClipAction::RewindTrack: m_tracking.Rewind(); break;
    case EClipAction::ResetDisplays: ResetDisplays(); break;
    case EClipAction::ShowCannotPlay: ShowCannotPlay(); break;
    }
    return false;
}

void CPlayerDlg::ShowCurrentRecord()
{
    if (!m_tracking.HasTrack())
        return;
    // The record of the second the picture shows, once the engine has told one; until then
    // one record a tick.
    const std::int64_t nTime = VideoTimeNow();
    if (nTime >= 0) {
        m_tracking.ShowSecond(nTime / 1000);
        // The next tick just after the picture's next whole second, so that no second is
        // shown twice or skipped.
        if (m_clip.m_bPositionTimer)
            m_timers.SetTimer(TIMER_POSITION, int(kPositionPeriodMs - nTime % 1000 + kTickAfterSecondMs), this);
        return;
    }
    m_tracking.ShowNext();
}

std::int64_t CPlayerDlg::VideoTimeNow() const
{
    return m_player.TimeNow(m_clip.m_nPlayState == PLAY_PLAYING);
}

void CPlayerDlg::ShowTrackStep(const CTrackStep& step)
{
    m_mapView.CallPageFunction(QStringLiteral("PanToNewPoint"), QString::fromStdString(step.m_strPageLat),
                               QString::fromStdString(step.m_strPageLng));
    m_meter.SetPos(step.m_nGaugePos);
    m_eastText.setText(QString::fromStdString(step.m_strEast));
    m_northText.setText(QString::fromStdString(step.m_strNorth));
}

void CPlayerDlg::ResetDisplays()
{
    m_nLength = 0;
    m_timeText.setText(QStringLiteral("00:00:00") + m_timeText.text().mid(8));
    m_eastText.setText(QString());
    m_northText.setText(QString());
    m_seekSlider.SetPos(0);
}

void CPlayerDlg::timerEvent(QTimerEvent* pEvent)
{
    const unsigned nId = m_timers.IdOf(pEvent);
    if (nId == 0) {
        CBkDialog::timerEvent(pEvent);
        return;
    }
    OnTimer(nId);
}

void CPlayerDlg::OnTimer(UINT nIDEvent)
{
    if (nIDEvent == TIMER_PAGE_WAIT)
        Dispatch(EClipEvent::WaitTick);
    else if (nIDEvent == TIMER_POSITION)
        Dispatch(EClipEvent::PositionTick);
}

qintptr CPlayerDlg::OnMapDocumentComplete()
{
    Dispatch(EClipEvent::PageComplete);
    return 1;
}

qintptr CPlayerDlg::OnMapNavigateComplete()
{
    Dispatch(EClipEvent::PageNavigated);
    return 1;
}

qintptr CPlayerDlg::OnMapBeforeNavigate()
{
    return 1;
}

qintptr CPlayerDlg::OnMapLoadComplete()
{
    return 1;
}

void CPlayerDlg::SendStartPoint()
{
    const CGPSPoint& start = m_tracking.StartPoint();
    if (!start.m_bValid)
        return;
    const QString strLat = QString::fromStdString(FormatPageCoordinate(start.m_dLatitude));
    const QString strLng = QString::fromStdString(FormatPageCoordinate(start.m_dLongitude));
    m_mapView.CallPageFunction(QStringLiteral("SetStartupCenterPoint"), strLat, strLng);
}

void CPlayerDlg::OnGpsPageInitialized()
{
    const bool bWasReady = m_clip.m_bGpsPageReady;
    Dispatch(EClipEvent::PageInitialized);
    if (!bWasReady && m_clip.m_bGpsPageReady)
        SendRoute();
}

void CPlayerDlg::SendRoute()
{
    if (m_tracking.HasTrack())
        m_mapView.CallPageFunction(QStringLiteral("SetRoute"), QString::fromStdString(m_tracking.Route()));
}

void CPlayerDlg::ShowRouteSecond(std::int64_t nSecond)
{
    m_mapView.CallPageFunction(QStringLiteral("SetRouteSecond"), QString::number(nSecond));
}

void CPlayerDlg::OnSliderMoved(quintptr wParam, qintptr)
{
    if (wParam != IDC_VOLUME)
        return;
    m_player.SetVolume(m_volumeSlider.GetPos());
    Q_EMIT VolumeChanged(GetVolume());
}

void CPlayerDlg::OnVideoTime()
{
    // A late report must not undo what Stop has reset.
    if (m_clip.m_nPlayState != PLAY_STOPPED)
        UpdateTimeDisplay();
}

void CPlayerDlg::OnMediaDone(bool bFailed)
{
    Dispatch(bFailed ? EClipEvent::MediaFailed : EClipEvent::MediaEnded);
    // Opening the next clip starts the engine's reports afresh: a second one on this clip is
    // not heard.
    if (m_bContinuous)
        PlayNextInList();
}

QString CPlayerDlg::CannotPlayText()
{
    return QStringLiteral("This clip cannot be played");
}

void CPlayerDlg::ShowCannotPlay()
{
    m_videoArea.setPixmap(QPixmap());
    m_videoArea.setText(CannotPlayText());
}

QString CPlayerDlg::FormatTimeText(std::int64_t nElapsedMs, std::int64_t nLengthMs)
{
    // libVLC reports -1 for "no media"; show that as zero.
    const std::int64_t nElapsed = nElapsedMs > 0 ? nElapsedMs / 1000 : 0;
    const std::int64_t nTotal = nLengthMs > 0 ? nLengthMs / 1000 : 0;
    return QString::asprintf("%02d:%02d:%02d/%02d:%02d:%02d",
                             int(nElapsed / 3600 % 24), int(nElapsed / 60 % 60), int(nElapsed % 60),
                             int(nTotal / 3600 % 24), int(nTotal / 60 % 60), int(nTotal % 60));
}

int CPlayerDlg::ProgressPercent(std::int64_t nTimeMs, std::int64_t nLengthMs)
{
    if (nLengthMs <= 0 || nTimeMs <= 0)
        return 0;
    return int(double(nTimeMs) / double(nLengthMs) * 100.0);
}

void CPlayerDlg::UpdateTimeDisplay()
{
    m_nLength = m_player.GetLength();
    const std::int64_t nTime = m_player.GetTime();
    m_timeText.setText(FormatTimeText(nTime, m_nLength));
    m_seekSlider.SetPos(ProgressPercent(nTime, m_nLength));
}
