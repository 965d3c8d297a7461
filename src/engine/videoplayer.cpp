#include "engine/videoplayer.h"

#include "engine/vlcinstance.h"
#include "framework/trace.h"

#include <vlc/vlc.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <dlfcn.h>
#include <malloc.h>
#include <utility>

namespace {

const int kReportedEvents[] = {libvlc_MediaPlayerTimeChanged, libvlc_MediaPlayerEncounteredError,
                               libvlc_MediaPlayerEndReached};
// How far the picture is counted to run on past the player's last report.
constexpr std::int64_t kMaxRunOnMs = 300;

std::int64_t MonotonicMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// What a closed clip freed is handed back to the system (see the instance's start).
void ReleaseFreedMemory()
{
    malloc_trim(0);
}

// libVLC 3 takes the video output named at its start only for players without a window of
// their own: set_xwindow puts the player's choice back to automatic, and no public call sets it
// again. The player's variable is set here with the core's own setter, declared as libVLC 3's
// core (libvlccore.so.9, loaded with libVLC) has it; the player is a core object at its start.
union CVlcValue
{
    std::int64_t i_int;
    bool b_bool;
    float f_float;
    char* psz_string;
    void* p_address;
    void* p_list;
    struct
    {
        std::int32_t x;
        std::int32_t y;
    } coords;
};
using PFN_VARSETCHECKED = int (*)(void* pObject, const char* pszName, int nType, CVlcValue value);
constexpr int kVlcVarString = 0x0040;

bool SetPlayerVideoOutput(libvlc_media_player_t* pPlayer, const std::string& strOutput)
{
    static const auto pfnSet =
        reinterpret_cast<PFN_VARSETCHECKED>(::dlsym(RTLD_DEFAULT, "var_SetChecked"));
    if (!pfnSet)
        return false;
    CVlcValue value{};
    value.psz_string = const_cast<char*>(strOutput.c_str());
    return pfnSet(pPlayer, "vout", kVlcVarString, value) == 0;
}

// libVLC reads the option's seconds with a decimal point whatever the locale.
std::string StartTimeOption(std::int64_t nStartMs)
{
    char szOption[48];
    std::snprintf(szOption, sizeof szOption, ":start-time=%lld.%03lld", static_cast<long long>(nStartMs / 1000),
                  static_cast<long long>(nStartMs % 1000));
    return szOption;
}

} // namespace

CVideoPlayer::CVideoPlayer() : m_pInstance(CVlcInstance::Shared())
{
    StartPlayer();
}

CVideoPlayer::CVideoPlayer(const std::vector<std::string>& args) : m_pInstance(CVlcInstance::Start(args))
{
    StartPlayer();
}

void CVideoPlayer::StartPlayer()
{
    if (!m_pInstance->Get())
        return;
    m_pMediaPlayer = libvlc_media_player_new(m_pInstance->Get());
    if (!m_pMediaPlayer)
        return;
    m_pEventManager = libvlc_media_player_event_manager(m_pMediaPlayer);
    // The window's own key and mouse handling must keep working over the video.
    libvlc_video_set_key_input(m_pMediaPlayer, 0);
    libvlc_video_set_mouse_input(m_pMediaPlayer, 0);
    AttachEvents(true);
}

CVideoPlayer::~CVideoPlayer()
{
    // A report running on the event thread has returned once its event is detached; what it
    // queued goes with this object.
    AttachEvents(false);
    if (m_pMediaPlayer) {
        libvlc_media_player_stop(m_pMediaPlayer);
        libvlc_media_player_release(m_pMediaPlayer);
    }
    if (m_pMedia)
        libvlc_media_release(m_pMedia);
}

const std::vector<std::string>& CVideoPlayer::Arguments() const
{
    return m_pInstance->Arguments();
}

void CVideoPlayer::AttachEvents(bool bAttach)
{
    if (!m_pEventManager)
        return;
    for (int nType : kReportedEvents) {
        if (bAttach)
            libvlc_event_attach(m_pEventManager, nType, &CVideoPlayer::OnEvent, this);
        else
            libvlc_event_detach(m_pEventManager, nType, &CVideoPlayer::OnEvent, this);
    }
}

void CVideoPlayer::OnEvent(const libvlc_event_t* pEvent, void* pUser)
{
    auto* pPlayer = static_cast<CVideoPlayer*>(pUser);
    if (!pPlayer)
        return;
    if (pEvent->type == libvlc_MediaPlayerTimeChanged) {
        const std::int64_t nTime = pEvent->u.media_player_time_changed.new_time;
        qCDebug(lcTrace, "VLC_EVT_TIME_CHANGED: new_time %d[ms]\n", int(nTime));
        if (nTime > 0)
            pPlayer->m_bMediaPlayed = true;
        pPlayer->NoteTime(nTime);
        if (pPlayer->m_bTimeQueued.exchange(true))
            return;
        QMetaObject::invokeMethod(pPlayer, [pPlayer] { pPlayer->OnTimeReported(); }, Qt::QueuedConnection);
        return;
    }
    if (pEvent->type != libvlc_MediaPlayerEncounteredError && pEvent->type != libvlc_MediaPlayerEndReached)
        return;
    const bool bFailed = pEvent->type == libvlc_MediaPlayerEncounteredError;
    const unsigned nSerial = pPlayer->m_nMediaSerial.load();
    QMetaObject::invokeMethod(pPlayer, [pPlayer, nSerial, bFailed] { pPlayer->OnMediaDone(nSerial, bFailed); },
                              Qt::QueuedConnection);
}

void CVideoPlayer::OnTimeReported()
{
    m_bTimeQueued = false;
    ApplyHeldSeek();
    Q_EMIT TimeChanged(m_nReportedTimeMs.load());
}

void CVideoPlayer::OnMediaDone(unsigned nMediaSerial, bool bFailed)
{
    if (nMediaSerial != m_nMediaSerial.load() || nMediaSerial == 0)
        return;
    if (bFailed || !m_bMediaPlayed)
        Q_EMIT Failed();
    else
        Q_EMIT Ended();
}

void CVideoPlayer::NoteTime(std::int64_t nTimeMs)
{
    m_nReportedAtMs = MonotonicMs();
    m_nReportedTimeMs = nTimeMs;
}

std::int64_t CVideoPlayer::TimeNow(bool bRunning) const
{
    const std::int64_t nTime = m_nReportedTimeMs.load();
    if (nTime < 0 || !bRunning)
        return nTime;
    return nTime + std::clamp<std::int64_t>(MonotonicMs() - m_nReportedAtMs.load(), 0, kMaxRunOnMs);
}

void CVideoPlayer::SetOutputWindow(unsigned long nXWindow)
{
    m_nOutputWindow = nXWindow;
    if (!m_pMediaPlayer)
        return;
    // libVLC falls back to a window of its own when the one it was given is not there (or is
    // 0), also when it restarts its video output during a clip.
    if (!nXWindow) {
        libvlc_media_player_stop(m_pMediaPlayer);
        return;
    }
    libvlc_media_player_set_xwindow(m_pMediaPlayer, static_cast<uint32_t>(nXWindow));
    const std::string& strOutput = m_pInstance->VideoOutput();
    if (!strOutput.empty() && !SetPlayerVideoOutput(m_pMediaPlayer, strOutput))
        std::fprintf(stderr, "deruziz: libVLC did not take the video output %s; it chooses its own\n",
                     strOutput.c_str());
}

void CVideoPlayer::SetMedia(const std::string& strUtf8Path, bool bPaused, std::int64_t nStartMs)
{
    libvlc_media_t* pMedia = libvlc_media_new_path(m_pInstance->Get(), strUtf8Path.c_str());
    if (pMedia && bPaused)
        libvlc_media_add_option(pMedia, ":start-paused");
    if (pMedia && nStartMs > 0)
        libvlc_media_add_option(pMedia, StartTimeOption(nStartMs).c_str());
    libvlc_media_player_set_media(m_pMediaPlayer, pMedia);
    // The player keeps its own reference to the media it holds.
    if (m_pMedia)
        libvlc_media_release(m_pMedia);
    m_pMedia = pMedia;
    m_strPath = strUtf8Path;
    m_bMediaHasStart = bPaused || nStartMs > 0;
    m_nHeldTimeMs = -1;
}

void CVideoPlayer::OpenMedia(const char* pszUtf8Path)
{
    ++m_nMediaSerial;
    m_bMediaPlayed = false;
    m_nReportedTimeMs = -1;
    if (!m_pMediaPlayer || !pszUtf8Path)
        return;
    // Opening the file, the decoders and the outputs takes libVLC longer than the window's
    // wait for the map page; held at the first picture, the clip is ready when Play comes.
    // Without a window of the program's to draw into, libVLC would open one of its own.
    const bool bHold = m_nOutputWindow != 0;
    SetMedia(pszUtf8Path, bHold);
    if (bHold)
        libvlc_media_player_play(m_pMediaPlayer);
}

void CVideoPlayer::Play()
{
    if (!m_pMediaPlayer || !m_nOutputWindow)
        return;
    // An ended player takes a play as a message to an input that is gone: it is stopped
    // first, and plays from the beginning.
    if (HasEnded())
        libvlc_media_player_stop(m_pMediaPlayer);
    // A stopped player starts its media afresh, and would hold it at the first picture again.
    if (m_bMediaHasStart && libvlc_media_player_get_state(m_pMediaPlayer) == libvlc_Stopped)
        SetMedia(m_strPath, false);
    libvlc_media_player_play(m_pMediaPlayer);
    // The clip before was closed when this one was opened; handing its memory back here, while
    // libVLC lets the new one run, keeps the opening (and the map page waiting for it) quick.
    ReleaseFreedMemory();
}

void CVideoPlayer::PlayFrom(std::int64_t nTime, bool bPaused)
{
    NoteTime(nTime);
    if (!m_pMediaPlayer || !m_nOutputWindow || m_strPath.empty())
        return;
    libvlc_media_player_stop(m_pMediaPlayer);
    SetMedia(m_strPath, bPaused, nTime);
    libvlc_media_player_play(m_pMediaPlayer);
}

bool CVideoPlayer::HasEnded() const
{
    return m_pMediaPlayer && libvlc_media_player_get_state(m_pMediaPlayer) == libvlc_Ended;
}

void CVideoPlayer::Pause()
{
    if (m_pMediaPlayer)
        libvlc_media_player_pause(m_pMediaPlayer);
}

void CVideoPlayer::Stop()
{
    if (!m_pMediaPlayer)
        return;
    m_nHeldTimeMs = -1;
    m_nReportedTimeMs = -1;
    libvlc_media_player_stop(m_pMediaPlayer);
    ReleaseFreedMemory();
}

std::int64_t CVideoPlayer::GetLength() const
{
    return m_pMediaPlayer ? libvlc_media_player_get_length(m_pMediaPlayer) : 0;
}

std::int64_t CVideoPlayer::GetTime() const
{
    if (!m_pMediaPlayer)
        return 0;
    return m_nHeldTimeMs >= 0 ? m_nHeldTimeMs : libvlc_media_player_get_time(m_pMediaPlayer);
}

void CVideoPlayer::SetTime(std::int64_t nTime)
{
    // The picture shows the target from now on, until the player reports again.
    NoteTime(nTime);
    if (!m_pMediaPlayer)
        return;
    // Until its input has opened the media, the player drops a position it is given.
    if (!libvlc_media_player_is_seekable(m_pMediaPlayer) && m_pMedia) {
        m_nHeldTimeMs = nTime;
        return;
    }
    m_nHeldTimeMs = -1;
    libvlc_media_player_set_time(m_pMediaPlayer, nTime);
}

void CVideoPlayer::ApplyHeldSeek()
{
    if (m_nHeldTimeMs < 0 || !m_pMediaPlayer || !libvlc_media_player_is_seekable(m_pMediaPlayer))
        return;
    libvlc_media_player_set_time(m_pMediaPlayer, std::exchange(m_nHeldTimeMs, -1));
}

void CVideoPlayer::SetMute(bool bMute)
{
    if (m_pMediaPlayer)
        libvlc_audio_set_mute(m_pMediaPlayer, bMute ? 1 : 0);
}

bool CVideoPlayer::GetMute() const
{
    return m_pMediaPlayer && libvlc_audio_get_mute(m_pMediaPlayer) > 0;
}

int CVideoPlayer::GetVolume() const
{
    return m_pMediaPlayer ? libvlc_audio_get_volume(m_pMediaPlayer) : 0;
}

void CVideoPlayer::SetVolume(int nVolume)
{
    if (m_pMediaPlayer)
        libvlc_audio_set_volume(m_pMediaPlayer, nVolume);
}

