#include "logic/clipstart.h"

namespace {

// The page-wait count at which an unready page gives way to the error page: the fourth tick.
constexpr int kPageWaitLimit = 5;

class CStepper
{
public:
    explicit CStepper(const CClipStartState& state) : m_s(state) {}

    CClipStartStep Run(EClipEvent event)
    {
        switch (event) {
        case EClipEvent::ClipOpened: ClipOpened(); break;
        case EClipEvent::PageNavigated:
            if (m_s.m_nPageWait != 0)
                m_s.m_bClipPageShown = true;
            break;
        case EClipEvent::PageComplete: PageComplete(); break;
        case EClipEvent::PageInitialized:
            // A report still on its way from the previous clip's page is not this one's.
            if (m_s.m_nPageWait == 0 || m_s.m_bClipPageShown)
                m_s.m_bGpsPageReady = true;
            break;
        case EClipEvent::WaitTick: WaitTick(); break;
        case EClipEvent::PositionTick: Do(EClipAction::ShowRecord); break;
        case EClipEvent::TrackUsedUp:
            m_s.m_bTrackUsedUp = true;
            StopPositionTimer();
            break;
        case EClipEvent::Play: Play(); break;
        case EClipEvent::PauseResume: PauseResume(); break;
        case EClipEvent::Stop: Stop(); break;
        case EClipEvent::MediaFailed:
            Stop();
            Do(EClipAction::ShowCannotPlay);
            break;
        case EClipEvent::MediaEnded:
            m_s.m_bMediaEnded = true;
            StopPositionTimer();
            break;
        case EClipEvent::SeekedInTrack:
            m_s.m_bMediaEnded = false;
            m_s.m_bTrackUsedUp = false;
            if (m_s.m_nPlayState == PLAY_PLAYING && !m_s.m_bPositionTimer)
                StartTracking();
            break;
        case EClipEvent::SeekedPastTrack:
            m_s.m_bMediaEnded = false;
            m_s.m_bTrackUsedUp = true;
            StopPositionTimer();
            break;
        }
        return {m_s, std::move(m_actions)};
    }

private:
    void Do(EClipAction action) { m_actions.push_back(action); }

    bool IsStartPending() const { return m_s.m_bStartPending || m_s.m_bWaitTimer; }

    void StartPositionTimer()
    {
        m_s.m_bPositionTimer = true;
        Do(EClipAction::StartPositionTimer);
    }

    void StopPositionTimer()
    {
        if (!m_s.m_bPositionTimer)
            return;
        m_s.m_bPositionTimer = false;
        Do(EClipAction::StopPositionTimer);
    }

    void StopWaitTimer()
    {
        if (!m_s.m_bWaitTimer)
            return;
        m_s.m_bWaitTimer = false;
        Do(EClipAction::StopWaitTimer);
    }

    // Tracking runs only where the page is ready and the track has records left.
    void StartTracking()
    {
        if (m_s.m_bGpsPageReady && !m_s.m_bTrackUsedUp)
            StartPositionTimer();
    }

    void StartClip()
    {
        StartTracking();
        Do(EClipAction::PlayVideo);
        m_s.m_nPlayState = PLAY_PLAYING;
    }

    void ClipOpened()
    {
        // Whatever ran for the previous clip belongs to it: the new clip gets its own full
        // wait, and its track is not stepped before its own start.
        StopPositionTimer();
        StopWaitTimer();
        m_s.m_bGpsPageReady = false;
        m_s.m_bClipPageShown = false;
        m_s.m_bStartHeld = false;
        m_s.m_bTrackUsedUp = false;
        m_s.m_bMediaEnded = false;
        m_s.m_nPageWait = 1;
        m_s.m_bStartPending = true;
    }

    void PageComplete()
    {
        if (m_s.m_nPageWait != 1 || m_s.m_bWaitTimer || !m_s.m_bStartPending)
            return;
        m_s.m_bStartPending = false;
        m_s.m_nPlayState = m_s.m_bStartHeld ? PLAY_PAUSED : PLAY_PLAYING;
        m_s.m_bWaitTimer = true;
        Do(EClipAction::StartWaitTimer);
    }

    void WaitTick()
    {
        // A tick already on its way when the wait was stopped is not one of the wait's.
        if (m_s.m_nPageWait == 0 || !m_s.m_bWaitTimer)
            return;
        if (m_s.m_bGpsPageReady) {
            // The first position step then shows the record after the start point.
            Do(EClipAction::AdvanceTrack);
            if (m_s.m_bWaitTimer && !m_s.m_bPositionTimer) {
                StopWaitTimer();
                if (!m_s.m_bStartHeld)
                    StartClip();
            }
            return;
        }
        ++m_s.m_nPageWait;
        if (m_s.m_nPlayState == PLAY_IDLE || m_s.m_nPageWait < kPageWaitLimit)
            return;
        // The page never got ready: the clip plays without tracking.
        Do(EClipAction::ShowErrorPage);
        StopWaitTimer();
        if (!m_s.m_bStartHeld) {
            Do(EClipAction::PlayVideo);
            m_s.m_nPlayState = PLAY_PLAYING;
        }
    }

    void Play()
    {
        if (m_s.m_nPlayState == PLAY_IDLE)
            return;
        // While the start is pending the page wait starts the clip; play only lets go of a hold.
        if (IsStartPending()) {
            if (m_s.m_bStartHeld)
                PauseResume();
            return;
        }
        // Playing needs the current clip's map page to have reported itself ready.
        if (!m_s.m_bGpsPageReady)
            return;
        if ((m_s.m_nPlayState == PLAY_PAUSED || m_s.m_nPlayState == PLAY_STOPPED) && !m_s.m_bPositionTimer)
            StartTracking();
        m_s.m_bStartHeld = false;
        m_s.m_bMediaEnded = false;
        m_s.m_nPlayState = PLAY_PLAYING;
        Do(EClipAction::PlayVideo);
    }

    void PauseResume()
    {
        // Paused while the start is pending, the clip holds at its start point; the page wait
        // goes on and leaves it paused.
        if (IsStartPending()) {
            m_s.m_bStartHeld = !m_s.m_bStartHeld;
            m_s.m_nPlayState = m_s.m_bStartHeld ? PLAY_PAUSED : PLAY_PLAYING;
            return;
        }
        if (m_s.m_nPlayState == PLAY_PLAYING) {
            StopPositionTimer();
            m_s.m_nPlayState = PLAY_PAUSED;
            Do(EClipAction::PauseVideo);
        } else if (m_s.m_bStartHeld) {
            // Released after the wait: video and tracking start together, as the wait would have.
            m_s.m_bStartHeld = false;
            StartClip();
        } else if (m_s.m_nPlayState == PLAY_PAUSED) {
            StartTracking();
            m_s.m_nPlayState = PLAY_PLAYING;
            Do(EClipAction::PauseVideo);
        }
    }

    void Stop()
    {
        if (m_s.m_nPlayState != PLAY_PLAYING && m_s.m_nPlayState != PLAY_PAUSED)
            return;
        StopPositionTimer();
        // A stopped clip does not start by itself when its page wait ends.
        StopWaitTimer();
        m_s.m_bStartPending = false;
        m_s.m_bStartHeld = false;
        m_s.m_bMediaEnded = false;
        m_s.m_nPlayState = PLAY_STOPPED;
        Do(EClipAction::StopVideo);
        Do(EClipAction::RewindTrack);
        m_s.m_bTrackUsedUp = false;
        Do(EClipAction::ResetDisplays);
        m_s.m_nPageWait = 1;
    }

    CClipStartState m_s;
    std::vector<EClipAction> m_actions;
};

} // namespace

CClipStartStep ClipStartStep(const CClipStartState& state, EClipEvent event)
{
    return CStepper(state).Run(event);
}

bool CanSeek(const CClipStartState& state)
{
    return state.m_nPageWait != 0 && !state.m_bStartPending && !state.m_bWaitTimer &&
           (state.m_nPlayState == PLAY_PLAYING || state.m_nPlayState == PLAY_PAUSED);
}
