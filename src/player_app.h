#pragma once

#include "framework/wintypes.h"

#include <QLoggingCategory>
#include <QString>

#include <memory>

class QApplication;
class CImpIDispatch;

Q_DECLARE_LOGGING_CATEGORY(lcTrace)
// Start-up milestones with wall-clock times, for measuring how fast the window appears.
Q_DECLARE_LOGGING_CATEGORY(lcStartup)

// The application: admits one running copy, owns the page-visible external object for
// the whole run, hands it to the main window and runs that window as a modal dialog.
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

    BOOL InitInstance();
    int ExitInstance();

    // The refusal shown when another copy already runs.
    static void ShowAlreadyRunning();

    std::unique_ptr<CImpIDispatch> m_pExternalDispatch;
};

// Writes a start-up milestone with the wall-clock time (silent unless deruziz.startup is on).
void TraceStartup(const char* pszWhat);

CPlayerApp* AfxGetApp();
// Caption of the program's message boxes.
QString AfxGetAppTitle();
