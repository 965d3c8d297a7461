#include "engine/videoplayer.h"

#include <vlc/vlc.h>

#include <cstdint>
#include <cstdio>
#include <dlfcn.h>
#include <future>
#include <malloc.h>

namespace {

const char* const kProgramArgs[] = {"-I", "dumy", "--ignore-config"};

struct CPreStarted
{
    std::vector<std::string> m_args;
    std::future<libvlc_instance_t*> m_instance;
};

CPreStarted& PreStarted()
{
    static CPreStarted preStarted;
    return preStarted;
}

constexpr char kVideoOutputArg[] = "--vout=";

// A clip's decoder and picture buffers (3 MB a picture at 1080p) are freed by libVLC's
// threads when the clip is closed. malloc keeps freed pages in its arenas, one per thread that
// found the others busy, and clip after clip the program's resident size grew by gigabytes of
// free memory. Buffers of a megabyte and more are therefore mapped each on its own, as malloc
// does until the first of them is freed, and whatever else was freed is handed back once a
// clip has been closed.
constexpr int kOwnMappingBytes = 1024 * 1024;

void MapPicturesOnTheirOwn()
{
    static const bool bSet = mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes) == 1;
    (void)bSet;
}

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

std::string VideoOutputOf(const std::vector<std::string>& args)
{
    std::string strOutput;
    for (const std::string& arg : args) {
        if (arg.compare(0, std::size(kVideoOutputArg) - 1, kVideoOutputArg) == 0)
            strOutput = arg.substr(std::size(kVideoOutputArg) - 1);
    }
    return strOutput;
}

// libVLC reads the option's seconds with a decimal point whatever the locale.
std::string StartTimeOption(std::int64_t nStartMs)
{
    char szOption[48];
    std::snprintf(szOption, sizeof szOption, ":start-time=%lld.%03lld", static_cast<long long>(nStartMs / 1000),
                  static_cast<long long>(nStartMs % 1000));
    return szOption;
}

libvlc_instance_t* NewInstance(const std::vector<std::string>& args)
{
    std::vector<const char*> argv;
    argv.reserve(args.size());
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    return libvlc_new(int(argv.size()), argv.data());
}

} // namespace

std::vector<std::string> CVideoPlayerImpl::ProgramArgs(const std::string& strVideoOutput)
{
    std::vector<std::string> args(std::begin(kProgramArgs), std::end(kProgramArgs));
    if (!strVideoOutput.empty())
        args.push_back(kVideoOutputArg + strVideoOutput);
    return args;
}

void CVideoPlayerImpl::PreStart(const std::vector<std::string>& args)
{
    CPreStarted& preStarted = PreStarted();
    if (preStarted.m_instance.valid())
        return;
    MapPicturesOnTheirOwn();
    preStarted.m_args = args;
    preStarted.m_instance =
        std::async(std::launch::async, [&preStarted] { return NewInstance(preStarted.m_args); });
}

void CVideoPlayerImpl::DiscardPreStart()
{
    if (!PreStarted().m_instance.valid())
        return;
    if (libvlc_instance_t* pInstance = PreStarted().m_instance.get())
        libvlc_release(pInstance);
}

CVideoPlayerImpl::CVideoPlayerImpl()
{
    CPreStarted& preStarted = PreStarted();
    if (preStarted.m_instance.valid()) {
        m_args = preStarted.m_args;
        m_strVideoOutput = VideoOutputOf(m_args);
        m_pInstance = preStarted.m_instance.get();
        StartPlayer();
        return;
    }
    Start(ProgramArgs(std::string()));
}

CVideoPlayerImpl::CVideoPlayerImpl(const std::vector<std::string>& args)
{
    Start(args);
}

void CVideoPlayerImpl::Start(const std::vector<std::string>& args)
{
    MapPicturesOnTheirOwn();
    m_args = args;
    m_strVideoOutput = VideoOutputOf(m_args);
    m_pInstance = NewInstance(args);
    StartPlayer();
}

void CVideoPlayerImpl::StartPlayer()
{
    if (!m_pInstance)
        return;
    m_pMediaPlayer = libvlc_media_player_new(m_pInstance);
    if (!m_pMediaPlayer)
        return;
    m_pEventManager = libvlc_media_player_event_manager(m_pMediaPlayer);
    // The window's own key and mouse handling must keep working over the video.
    libvlc_video_set_key_input(m_pMediaPlayer, 0);
    libvlc_video_set_mouse_input(m_pMediaPlayer, 0);
}

CVideoPlayerImpl::~CVideoPlayerImpl()
{
    // Nothing may call back into the owner once it starts to go.
    DetachHandlers();
    if (m_pMediaPlayer) {
        libvlc_media_player_stop(m_pMediaPlayer);
        libvlc_media_player_release(m_pMediaPlayer);
    }
    if (m_pMedia)
        libvlc_media_release(m_pMedia);
    if (m_pInstance)
        libvlc_release(m_pInstance);
}

void CVideoPlayerImpl::SetOutputWindow(unsigned long nXWindow)
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
    if (!m_strVideoOutput.empty() && !SetPlayerVideoOutput(m_pMediaPlayer, m_strVideoOutput))
        std::fprintf(stderr, "deruziz: libVLC did not take the video output %s; it chooses its own\n",
                     m_strVideoOutput.c_str());
}

void CVideoPlayerImpl::Reattach(int nEventType, VideoEventCallback& pfnSlot, void*& pUserSlot,
                                VideoEventCallback pfnCallback, void* pUser)
{
    if (m_pEventManager && pfnSlot)
        libvlc_event_detach(m_pEventManager, nEventType, pfnSlot, pUserSlot);
    pfnSlot = pfnCallback;
    pUserSlot = pUser;
    if (m_pEventManager && pfnCallback)
        libvlc_event_attach(m_pEventManager, nEventType, pfnCallback, pUser);
}

void CVideoPlayerImpl::SetTimeChangedHandler(VideoEventCallback pfnCallback, void* pUser)
{
    Reattach(libvlc_MediaPlayerTimeChanged, m_pfnCallback, m_pCallbackUser, pfnCallback, pUser);
}

void CVideoPlayerImpl::SetErrorHandler(VideoEventCallback pfnCallback, void* pUser)
{
    Reattach(libvlc_MediaPlayerEncounteredError, m_pfnErrorCallback, m_pErrorUser, pfnCallback, pUser);
}

void CVideoPlayerImpl::SetEndHandler(VideoEventCallback pfnCallback, void* pUser)
{
    Reattach(libvlc_MediaPlayerEndReached, m_pfnEndCallback, m_pEndUser, pfnCallback, pUser);
}

void CVideoPlayerImpl::DetachHandlers()
{
    SetTimeChangedHandler(nullptr, nullptr);
    SetErrorHandler(nullptr, nullptr);
    SetEndHandler(nullptr, nullptr);
}

void CVideoPlayerImpl::SetMedia(const std::string& strUtf8Path, bool bPaused, std::int64_t nStartMs)
{
    libvlc_media_t* pMedia = libvlc_media_new_path(m_pInstance, strUtf8Path.c_str());
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

void CVideoPlayerImpl::OpenMedia(const char* pszUtf8Path)
{
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

void CVideoPlayerImpl::Play()
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

void CVideoPlayerImpl::PlayFrom(std::int64_t nTime, bool bPaused)
{
    if (!m_pMediaPlayer || !m_nOutputWindow || m_strPath.empty())
        return;
    libvlc_media_player_stop(m_pMediaPlayer);
    SetMedia(m_strPath, bPaused, nTime);
    libvlc_media_player_play(m_pMediaPlayer);
}

bool CVideoPlayerImpl::HasEnded() const
{
    return m_pMediaPlayer && libvlc_media_player_get_state(m_pMediaPlayer) == libvlc_Ended;
}

void CVideoPlayerImpl::Pause()
{
    if (m_pMediaPlayer)
        libvlc_media_player_pause(m_pMediaPlayer);
}

void CVideoPlayerImpl::Stop()
{
    if (!m_pMediaPlayer)
        return;
    m_nHeldTimeMs = -1;
    libvlc_media_player_stop(m_pMediaPlayer);
    ReleaseFreedMemory();
}

std::int64_t CVideoPlayerImpl::GetLength() const
{
    return m_pMediaPlayer ? libvlc_media_player_get_length(m_pMediaPlayer) : 0;
}

std::int64_t CVideoPlayerImpl::GetTime() const
{
    if (!m_pMediaPlayer)
        return 0;
    return m_nHeldTimeMs >= 0 ? m_nHeldTimeMs : libvlc_media_player_get_time(m_pMediaPlayer);
}

void CVideoPlayerImpl::SetTime(std::int64_t nTime)
{
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

void CVideoPlayerImpl::ApplyHeldSeek()
{
    if (m_nHeldTimeMs >= 0 && m_pMediaPlayer && libvlc_media_player_is_seekable(m_pMediaPlayer))
        SetTime(m_nHeldTimeMs);
}

void CVideoPlayerImpl::SetMute(bool bMute)
{
    if (m_pMediaPlayer)
        libvlc_audio_set_mute(m_pMediaPlayer, bMute ? 1 : 0);
}

bool CVideoPlayerImpl::GetMute() const
{
    return m_pMediaPlayer && libvlc_audio_get_mute(m_pMediaPlayer) > 0;
}

int CVideoPlayerImpl::GetVolume() const
{
    return m_pMediaPlayer ? libvlc_audio_get_volume(m_pMediaPlayer) : 0;
}

void CVideoPlayerImpl::SetVolume(int nVolume)
{
    if (m_pMediaPlayer)
        libvlc_audio_set_volume(m_pMediaPlayer, nVolume);
}

CVideoPlayer::CVideoPlayer() : m_pImpl(std::make_unique<CVideoPlayerImpl>())
{
}

CVideoPlayer::CVideoPlayer(const std::vector<std::string>& args)
    : m_pImpl(std::make_unique<CVideoPlayerImpl>(args))
{
}

CVideoPlayer::~CVideoPlayer() = default;
