#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CVlcInstance;
struct libvlc_media_player_t;
struct libvlc_media_t;
struct libvlc_event_manager_t;
struct libvlc_event_t;

// One media player over a libVLC instance; every operation is one libVLC call. It tells what
// the player reports by its signals, on the thread it was made on.
// When libVLC could not start, operations do nothing and queries return 0.
class CVideoPlayer : public QObject
{
    Q_OBJECT
public:
    // On the program's shared instance.
    CVideoPlayer();
    // On an instance of its own, with other start arguments than the program's (for diagnosis
    // and tests).
    explicit CVideoPlayer(const std::vector<std::string>& args);
    ~CVideoPlayer() override;

    bool IsStarted() const { return m_pMediaPlayer != nullptr; }
    // The arguments libVLC was started with.
    const std::vector<std::string>& Arguments() const;
    const CVlcInstance& Instance() const { return *m_pInstance; }

    // The X window the video is drawn into; 0 once it is gone. Without one libVLC would open a
    // window of its own: playback stops, and Play does nothing until a window is handed again.
    void SetOutputWindow(unsigned long nXWindow);
    // Loads the clip without starting it: given an output window, libVLC opens it and decodes
    // its first picture now, held paused, so that Play only has to let it run. What the player
    // still reports of the clip before is not told from here on.
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
    // position: it is held, and set once the clip can seek, when the player next reports a time.
    void SetTime(std::int64_t nTime);
    void SetMute(bool bMute);
    bool GetMute() const;
    int GetVolume() const;
    void SetVolume(int nVolume);

    // The time the picture shows: the player's last report, or the last seek's target; -1
    // before either for this clip. libVLC reports about every 250 ms; when bRunning (the clip
    // plays) the picture has run on since, counted up to a bound so that a stalled video is not
    // run ahead of.
    std::int64_t TimeNow(bool bRunning) const;

Q_SIGNALS:
    // The player reported the time nTimeMs; a burst of reports is told once.
    void TimeChanged(qint64 nTimeMs);
    // The current clip played to its end.
    void Ended();
    // The current clip could not be played: the player failed on it, or reached its end
    // without having shown a time past its start.
    void Failed();

private:
    // Runs on libVLC's event thread: hands the event over to the player's own thread and
    // returns. No libVLC call may be made here.
    static void OnEvent(const libvlc_event_t* pEvent, void* pUser);
    void StartPlayer();
    void AttachEvents(bool bAttach);
    void OnTimeReported();
    void OnMediaDone(unsigned nMediaSerial, bool bFailed);
    // Sets a held position once the clip can take it.
    void ApplyHeldSeek();
    void NoteTime(std::int64_t nTimeMs);
    // Gives the player a new media of the clip, held at its first picture when bPaused, and
    // starting at nStartMs when that is above zero.
    void SetMedia(const std::string& strUtf8Path, bool bPaused, std::int64_t nStartMs = 0);

    // The tests' way to report as libVLC's event thread would (tests/support/videoplayerpeer.h).
    friend class CVideoPlayerPeer;

    std::shared_ptr<CVlcInstance> m_pInstance;
    libvlc_media_player_t* m_pMediaPlayer = nullptr;
    libvlc_media_t* m_pMedia = nullptr;
    libvlc_event_manager_t* m_pEventManager = nullptr;
    unsigned long m_nOutputWindow = 0;
    std::string m_strPath;
    // The media holds the player at its first picture or starts it later than the clip's
    // beginning: once the clip has been stopped, playing it again needs a plain media.
    bool m_bMediaHasStart = false;
    // Where a seek made while the clip could not yet take it puts the clip; -1 for none.
    std::int64_t m_nHeldTimeMs = -1;

    // Written on libVLC's event thread too.
    // Counts the clips opened, so that a report on an earlier one is not told for the current one.
    std::atomic<unsigned> m_nMediaSerial{0};
    // Set once the player has shown a time above zero of the current clip.
    std::atomic<bool> m_bMediaPlayed{false};
    // The time of the current clip reported last (ms), -1 before one.
    std::atomic<std::int64_t> m_nReportedTimeMs{-1};
    // When it was reported, on the monotonic clock (ms).
    std::atomic<std::int64_t> m_nReportedAtMs{0};
    // Set while a time report waits for the player's thread.
    std::atomic<bool> m_bTimeQueued{false};
};
