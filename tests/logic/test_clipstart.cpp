#include "logic/clipstart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using E = EClipEvent;

const char* NameOf(EClipAction action)
{
    switch (action) {
    case EClipAction::StartWaitTimer: return "StartWait";
    case EClipAction::StopWaitTimer: return "StopWait";
    case EClipAction::StartPositionTimer: return "StartPos";
    case EClipAction::StopPositionTimer: return "StopPos";
    case EClipAction::PlayVideo: return "Play";
    case EClipAction::PauseVideo: return "Pause";
    case EClipAction::StopVideo: return "Stop";
    case EClipAction::ShowErrorPage: return "ErrorPage";
    case EClipAction::AdvanceTrack: return "Advance";
    case EClipAction::ShowRecord: return "Show";
    case EClipAction::RewindTrack: return "Rewind";
    case EClipAction::ResetDisplays: return "Reset";
    case EClipAction::ShowCannotPlay: return "CannotPlay";
    }
    return "?";
}

// The actions of each event, events parted by " | ".
std::string RunEvents(const std::vector<E>& events, CClipStartState& state)
{
    std::string trace;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const CClipStartStep step = ClipStartStep(state, events[i]);
        state = step.m_state;
        trace += i == 0 ? "" : " |";
        for (EClipAction action : step.m_actions)
            trace += std::string(" ") + NameOf(action);
    }
    return trace.empty() || trace[0] != ' ' ? trace : trace.substr(1);
}

// Opening a tracked clip until it plays with tracking.
const std::vector<E> kStart = {E::ClipOpened, E::PageNavigated, E::PageComplete, E::PageInitialized, E::WaitTick};
const std::string kStartTrace = "| | StartWait | | Advance StopWait StartPos Play";

std::vector<E> After(std::vector<E> first, const std::vector<E>& then)
{
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

} // namespace

TEST(ClipStart, SequencesOfTheWindowsHandlers)
{
    const E kTick = E::WaitTick;
    const struct
    {
        const char* pszCase;
        std::vector<E> events;
        std::string strTrace;
        int nPlayState;
        bool bPositionTimer;
    } kCases[] = {
        {"a tracked clip starts on the tick after its page is ready", kStart, kStartTrace, PLAY_PLAYING, true},
        {"the start page at window start starts nothing", {E::PageComplete, kTick, E::Play}, "| |", PLAY_IDLE, false},
        {"an unready page gives way to the error page on the fourth tick, untracked",
         {E::ClipOpened, E::PageNavigated, E::PageComplete, kTick, kTick, kTick, kTick},
         "| | StartWait | | | | ErrorPage StopWait Play", PLAY_PLAYING, false},
        {"a ready report from the previous page does not count",
         {E::ClipOpened, E::PageInitialized, E::PageNavigated, E::PageComplete, kTick},
         "| | | StartWait |", PLAY_PLAYING, false},
        {"pause, resume, stop and play move tracking with the video",
         After(kStart, {E::PauseResume, E::PauseResume, E::Stop, E::Play}),
         kStartTrace + " | StopPos Pause | StartPos Pause | StopPos Stop Rewind Reset | StartPos Play", PLAY_PLAYING, true},
        {"pause then play continues like resume", After(kStart, {E::PauseResume, E::Play}),
         kStartTrace + " | StopPos Pause | StartPos Play", PLAY_PLAYING, true},
        {"the position tick shows a record; a used-up track stops the timer and stays stopped on resume",
         After(kStart, {E::PositionTick, E::TrackUsedUp, E::PauseResume, E::PauseResume}),
         kStartTrace + " | Show | StopPos | Pause | Pause", PLAY_PLAYING, false},
        {"pause during the start holds the clip at its start point until resumed",
         {E::ClipOpened, E::PauseResume, E::PageNavigated, E::PageComplete, E::PageInitialized, kTick, kTick, E::PauseResume},
         "| | | StartWait | | Advance StopWait | | StartPos Play", PLAY_PLAYING, true},
        {"a held clip whose page never gets ready stays paused on the error page, then plays untracked",
         {E::ClipOpened, E::PageComplete, E::PauseResume, kTick, kTick, kTick, kTick, E::PauseResume},
         "| StartWait | | | | | ErrorPage StopWait | Play", PLAY_PLAYING, false},
        {"a second press during the start lets the wait start the clip",
         {E::ClipOpened, E::PageNavigated, E::PageComplete, E::PauseResume, E::PauseResume, E::PageInitialized, kTick},
         "| | StartWait | | | | Advance StopWait StartPos Play", PLAY_PLAYING, true},
        {"play during the start leaves it to the wait",
         {E::ClipOpened, E::PageNavigated, E::PageComplete, E::PageInitialized, E::Play, kTick},
         "| | StartWait | | | Advance StopWait StartPos Play", PLAY_PLAYING, true},
        {"stop during the start cancels it", {E::ClipOpened, E::PageComplete, E::Stop, E::PageComplete},
         "| StartWait | StopWait Stop Rewind Reset |", PLAY_STOPPED, false},
        {"after stopping a clip that played without its page, play does nothing",
         {E::ClipOpened, E::PageComplete, kTick, kTick, kTick, kTick, E::Stop, E::Play},
         "| StartWait | | | | ErrorPage StopWait Play | Stop Rewind Reset |", PLAY_STOPPED, false},
        {"a clip the engine cannot play stops and says so", After(kStart, {E::MediaFailed}),
         kStartTrace + " | StopPos Stop Rewind Reset CannotPlay", PLAY_STOPPED, false},
        {"the end of the video leaves the window playing, its tracking stopped", After(kStart, {E::MediaEnded}),
         kStartTrace + " | StopPos", PLAY_PLAYING, false},
        {"a seek back after the track was used up tracks again while playing",
         After(kStart, {E::TrackUsedUp, E::SeekedInTrack, E::SeekedPastTrack}),
         kStartTrace + " | StopPos | StartPos | StopPos", PLAY_PLAYING, false},
        {"a seek while paused stays paused", After(kStart, {E::PauseResume, E::SeekedPastTrack, E::SeekedInTrack}),
         kStartTrace + " | StopPos Pause | |", PLAY_PAUSED, false},
        {"opening another clip stops the playing clip's tracking", After(kStart, {E::ClipOpened}),
         kStartTrace + " | StopPos", PLAY_PLAYING, false},
        {"before any clip the transport buttons do nothing", {E::Play, E::PauseResume, E::Stop}, "| |", PLAY_IDLE,
         false},
    };
    for (const auto& c : kCases) {
        CClipStartState state;
        EXPECT_EQ(RunEvents(c.events, state), c.strTrace) << c.pszCase;
        EXPECT_EQ(state.m_nPlayState, c.nPlayState) << c.pszCase;
        EXPECT_EQ(state.m_bPositionTimer, c.bPositionTimer) << c.pszCase;
    }
}

TEST(ClipStart, SeekingNeedsAStartedClip)
{
    const struct
    {
        std::vector<E> events;
        bool bCanSeek;
    } kCases[] = {{{}, false},
                  {{E::ClipOpened, E::PageComplete}, false},
                  {kStart, true},
                  {After(kStart, {E::PauseResume}), true},
                  {After(kStart, {E::Stop}), false},
                  {After(kStart, {E::ClipOpened}), false}};
    for (const auto& c : kCases) {
        CClipStartState state;
        RunEvents(c.events, state);
        EXPECT_EQ(CanSeek(state), c.bCanSeek) << c.events.size() << " events";
    }
}

TEST(ClipStart, TheEndOfTheVideoIsToldUntilPlayOrStop)
{
    for (const E then : {E::Play, E::Stop, E::ClipOpened, E::SeekedInTrack}) {
        CClipStartState state;
        RunEvents(After(kStart, {E::MediaEnded}), state);
        EXPECT_TRUE(state.m_bMediaEnded);
        RunEvents({then}, state);
        EXPECT_FALSE(state.m_bMediaEnded) << int(then);
    }
}
