#pragma once

#include "desktop/settingsreader.h"
#include "framework/wintypes.h"

#include <memory>
#include <string>
#include <vector>

class QApplication;
class CCommandLine;
class CImpIDispatch;
class CInstanceBus;

// The application: admits one running copy (later copies hand their paths to it), reads the
// user's settings once and hands them to the engine and the window, owns the page-visible
// external object for the whole run, hands it to the main window and runs that window as a
// modal dialog.
class CPlayerApp
{
public:
    CPlayerApp();
    ~CPlayerApp();
    CPlayerApp(const CPlayerApp&) = delete;
    CPlayerApp& operator=(const CPlayerApp&) = delete;

    // Process-wide settings that must be made before the QApplication exists.
    static void PrepareEnvironment();
    // Settings of the QApplication once it exists.
    static void PrepareApplication(QApplication& app);

    enum class Admission { Run, Refuse, HandedOver, NothingToHandOver };
    // Whether this copy runs, settled before any application object exists: by the lock file,
    // and by the program's name where there is a session bus. A copy that does not run hands
    // the command line's paths to the one that does if it was given any.
    Admission Admit(const CCommandLine& commandLine);
    // False, after one line on standard error, when the X display cannot be reached: Qt's
    // plug-in would abort there.
    static bool CheckDisplay();

    // Reads deruziz.conf, once, for the copy that runs: before the engine starts and the window
    // is made, which it hands the settings to. What it could not take goes to standard error.
    void ReadSettings();
    // Starts the engine ahead of the window, with the video output of the settings.
    void PreStartEngine();

    // After Admit and with the application object: the refusal, or the window opening the
    // command line's paths.
    BOOL InitInstance();
    // The exit status: that of a failure for a copy that was refused or had nothing usable to
    // hand over, so that a script sees no window came of it.
    int ExitInstance();

    // The refusal shown when another copy already runs.
    static void ShowAlreadyRunning();

    std::unique_ptr<CImpIDispatch> m_pExternalDispatch;

private:
    Admission m_admission = Admission::Refuse;
    std::vector<std::string> m_startPaths;
    std::unique_ptr<CInstanceBus> m_pBus;
    CSettingsReader m_settingsReader;
    bool m_bSettingsRead = false;
};
