#pragma once

#include "map/mywebbrowser/impidispatch.h"
#include "window/player_dlg.h"

#include <string>

// The window as the program wires it: the object the map pages reach as window.external, then
// the window, created and shown (not waited for, as the program does not wait).
struct CBenchWindow
{
    CBenchWindow()
    {
        m_dlg.SetExternalDispatch(&m_external);
        m_external.SetHost(&m_dlg);
        m_dlg.Create();
        m_dlg.show();
    }
    ~CBenchWindow() { m_external.SetHost(nullptr); }
    CBenchWindow(const CBenchWindow&) = delete;
    CBenchWindow& operator=(const CBenchWindow&) = delete;

    CImpIDispatch m_external;
    CPlayerDlg m_dlg;
};

// The steps from OpenClip to the video playing with tracking, in milliseconds from OpenClip
// (-1: not seen): OpenClip has returned, the map view exists, the clip's page has loaded,
// the page has reported ready, the page wait has started the video with tracking, and the
// engine reports a time above 0.
struct CStartSteps
{
    double dOpened = -1;
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

// The page the map view shows ends with strPage ("/StartUpPage.HTML").
bool ShowsPage(CPlayerDlg& dlg, const QString& strPage);
