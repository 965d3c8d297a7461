#pragma once

#include <string>

class CPlayerDlg;

// The steps from OpenClip to the video playing with tracking, in milliseconds from OpenClip
// (-1: not seen), as a user would see them: the map view exists, the clip's page has loaded,
// the page has reported ready, the page wait has started the video with tracking, and the
// engine reports a time above 0.
struct CStartSteps
{
    double dView = -1;
    double dLoaded = -1;
    double dReady = -1;
    double dPlay = -1;
    double dPlaying = -1;
};

// Opens the clip in the window and follows it, spinning the event loop, until the engine
// reports a time above 0 with tracking running. False (and the reason on stderr) when that
// did not come within nTimeoutMs.
bool OpenAndFollow(CPlayerDlg& dlg, const std::string& strClip, CStartSteps& steps, int nTimeoutMs = 20000);
