#pragma once

#include <vector>

enum { PLAY_IDLE = 0, PLAY_PLAYING = 1, PLAY_PAUSED = 2, PLAY_STOPPED = 3 };

// When an opened clip starts and when its tracking runs. The video starts once the clip's map
// page has finished loading and then reported itself ready (or a wait for that ran out); the
// position timer runs while a tracked clip plays.
struct CClipStartState
{
    int m_nPlayState = PLAY_IDLE;
    // 0 until a clip is opened; counts the wait's ticks while the page is not ready.
    int m_nPageWait = 0;
    bool m_bWaitTimer = false;
    bool m_bPositionTimer = false;
    bool m_bGpsPageReady = false;
    // From opening a clip until its page has finished loading: the page starts the clip once,
    // and a stopped clip never starts by itself.
    bool m_bStartPending = false;
    // The current clip's page has committed; page reports that arrive before come from the
    // previous page.
    bool m_bClipPageShown = false;
    // Paused while the start was pending: the start waits for resume, the start point shown.
    bool m_bStartHeld = false;
    // The track's cursor has passed its last record.
    bool m_bTrackUsedUp = false;
    // The video has played to its end (the window plays on; the desktop hears Stopped).
    bool m_bMediaEnded = false;
};

enum class EClipEvent {
    ClipOpened,       // a clip was opened: track read, video loaded, its page on the way
    PageNavigated,    // a page has committed
    PageComplete,     // a page has finished loading
    PageInitialized,  // the live page reported itself ready
    WaitTick,         // the page-wait timer
    PositionTick,     // the position timer
    TrackUsedUp,      // the track's cursor reached its end
    Play,             // the play button
    PauseResume,      // the pause / resume button
    Stop,             // the stop button
    MediaFailed,      // the engine cannot play the clip
    MediaEnded,       // the engine played the clip to its end
    SeekedInTrack,    // the video was moved to a second the track has a record for
    SeekedPastTrack,  // the video was moved past the track's last record
};

enum class EClipAction {
    StartWaitTimer,
    StopWaitTimer,
    StartPositionTimer,
    StopPositionTimer,
    PlayVideo,
    PauseVideo,  // pauses, or resumes a paused video
    StopVideo,
    ShowErrorPage,
    AdvanceTrack,    // the cursor one record on, nothing shown
    ShowRecord,      // the record at the cursor onto map, texts and gauge; then the cursor on
    RewindTrack,
    ResetDisplays,   // time, progress and coordinates back to their stopped look
    ShowCannotPlay,
};

struct CClipStartStep
{
    CClipStartState m_state;
    std::vector<EClipAction> m_actions;
};

// The new state and what to do, in order, for one event.
CClipStartStep ClipStartStep(const CClipStartState& state, EClipEvent event);

// Whether the video may be moved: a clip has started and plays or is paused.
bool CanSeek(const CClipStartState& state);
