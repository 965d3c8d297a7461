#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct libvlc_instance_t;
struct libvlc_media_player_t;
struct libvlc_media_t;
struct libvlc_event_manager_t;
struct libvlc_event_t;

using VideoEventCallback = void (*)(const libvlc_event_t* pEvent, void* pUser);

// One libVLC instance with one media player; every operation is one libVLC call.
// When libVLC could not start, operations do nothing and queries return 0.
class CVideoPlayerImpl
{
public:
    // With the pre-started instance if there is one, else with the program's arguments.
    CVideoPlayerImpl();
    // With other start arguments than the program's own (for diagnosis and tests).
    explicit CVideoPlayerImpl(const std::vector<std::string>& args);
    ~CVideoPlayerImpl();
    CVideoPlayerImpl(const CVideoPlayerImpl&) = delete;
    CVideoPlayerImpl& operator=(const CVideoPlayerImpl&) = delete;

    bool IsStarted() const { return m_pMediaPlayer != nullptr; }
    // The arguments libVLC was started with.
    const std::vector<std::string>& Arguments() const { return m_args; }

    // The program's start arguments, with libVLC's video output module strVideoOutput
    // (empty: libVLC chooses).
    static std::vector<std::string> ProgramArgs(const std::string& strVideoOutput);
    // Starts libVLC with these arguments on a thread of its own, so that it loads its plug-ins
    // while the window system is still being set up; the next engine object made without
    // arguments of its own takes that instance over.
    static void PreStart(const std::vector<std::string>& args);
    // Releases a pre-started instance that no engine took over.
    static void DiscardPreStart();

    // The X window the video is drawn into; 0 once it is gone. Without one libVLC would open a
    // window of its own: playback stops, and Play does nothing until a window is handed again.
    void SetOutputWindow(unsigned long nXWindow);
    void SetTimeChangedHandler(VideoEventCallback pfnCallback, void* pUser);
    // Told when the player fails on its media (a file it cannot open or decode).
    void SetErrorHandler(VideoEventCallback pfnCallback, void* pUser);
    // Told when the player reaches the end of its media (also of one it could not play at all).
    void SetEndHandler(VideoEventCallback pfnCallback, void* pUser);
    // Detaches every handler; a handler running on the event thread has returned when this does.
    void DetachHandlers();
    // Loads the clip without starting it: given an output window, libVLC opens it and decodes
    // its first picture now, held paused, so that Play only has to let it run.
    void OpenMedia(const char* pszUtf8Path);
    // Lets the clip run; one that has played to its end starts again from its beginning.
    void Play();
    void Pause();
    void Stop();
    // Whether the clip has played to its end: it shows nothing more until it is started again.
    bool HasEnded() const;
    // Starts the clip again at nTime (ms), held there when bPaused: for a clip that has ended,
    // whose player takes neither a position nor a play.
    void PlayFrom(std::int64_t nTime, bool bPaused);
    std::int64_t GetLength() const;
    // The position, or where a seek still held for the opening clip will put it.
    std::int64_t GetTime() const;
    // Moves the clip to nTime (ms). While the clip is still opening libVLC would drop the
    // position: it is held, and set by ApplyHeldSeek once the clip can seek.
    void SetTime(std::int64_t nTime);
    // Sets a held position once the clip can take it; for the owner's thread, each time the
    // player reports a time.
    void ApplyHeldSeek();
    void SetMute(bool bMute);
    bool GetMute() const;
    int GetVolume() const;
    void SetVolume(int nVolume);

private:
    void Start(const std::vector<std::string>& args);
    void StartPlayer();
    // Replaces the handler held in the two slots for one event type.
    void Reattach(int nEventType, VideoEventCallback& pfnSlot, void*& pUserSlot, VideoEventCallback pfnCallback,
                  void* pUser);
    // Gives the player a new media of the clip, held at its first picture when bPaused, and
    // starting at nStartMs when that is above zero.
    void SetMedia(const std::string& strUtf8Path, bool bPaused, std::int64_t nStartMs = 0);

    std::vector<std::string> m_args;
    // The video output the arguments name; empty: libVLC's choice.
    std::string m_strVideoOutput;
    libvlc_instance_t* m_pInstance = nullptr;
    libvlc_media_player_t* m_pMediaPlayer = nullptr;
    libvlc_media_t* m_pMedia = nullptr;
    libvlc_event_manager_t* m_pEventManager = nullptr;
    unsigned long m_nOutputWindow = 0;
    VideoEventCallback m_pfnCallback = nullptr;
    void* m_pCallbackUser = nullptr;
    VideoEventCallback m_pfnErrorCallback = nullptr;
    void* m_pErrorUser = nullptr;
    VideoEventCallback m_pfnEndCallback = nullptr;
    void* m_pEndUser = nullptr;
    std::string m_strPath;
    // The media holds the player at its first picture or starts it later than the clip's
    // beginning: once the clip has been stopped, playing it again needs a plain media.
    bool m_bMediaHasStart = false;
    // Where a seek made while the clip could not yet take it puts the clip; -1 for none.
    std::int64_t m_nHeldTimeMs = -1;
};

// The handle through which the main window drives its one engine.
class CVideoPlayer
{
public:
    CVideoPlayer();
    explicit CVideoPlayer(const std::vector<std::string>& args);
    ~CVideoPlayer();
    CVideoPlayer(const CVideoPlayer&) = delete;
    CVideoPlayer& operator=(const CVideoPlayer&) = delete;

    bool IsStarted() const { return m_pImpl && m_pImpl->IsStarted(); }
    const std::vector<std::string>& Arguments() const { return m_pImpl->Arguments(); }

    void SetOutputWindow(unsigned long nXWindow) { m_pImpl->SetOutputWindow(nXWindow); }
    void SetTimeChangedHandler(VideoEventCallback pfn, void* pUser) { m_pImpl->SetTimeChangedHandler(pfn, pUser); }
    void SetErrorHandler(VideoEventCallback pfn, void* pUser) { m_pImpl->SetErrorHandler(pfn, pUser); }
    void SetEndHandler(VideoEventCallback pfn, void* pUser) { m_pImpl->SetEndHandler(pfn, pUser); }
    void DetachHandlers() { m_pImpl->DetachHandlers(); }
    void OpenMedia(const char* pszUtf8Path) { m_pImpl->OpenMedia(pszUtf8Path); }
    void Play() { m_pImpl->Play(); }
    void Pause() { m_pImpl->Pause(); }
    void Stop() { m_pImpl->Stop(); }
    bool HasEnded() const { return m_pImpl->HasEnded(); }
    void PlayFrom(std::int64_t nTime, bool bPaused) { m_pImpl->PlayFrom(nTime, bPaused); }
    std::int64_t GetLength() const { return m_pImpl->GetLength(); }
    std::int64_t GetTime() const { return m_pImpl->GetTime(); }
    void SetTime(std::int64_t nTime) { m_pImpl->SetTime(nTime); }
    void ApplyHeldSeek() { m_pImpl->ApplyHeldSeek(); }
    void SetMute(bool bMute) { m_pImpl->SetMute(bMute); }
    bool GetMute() const { return m_pImpl->GetMute(); }
    int GetVolume() const { return m_pImpl->GetVolume(); }
    void SetVolume(int nVolume) { m_pImpl->SetVolume(nVolume); }

private:
    std::unique_ptr<CVideoPlayerImpl> m_pImpl;
};
