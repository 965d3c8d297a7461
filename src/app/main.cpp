#include "app/player_app.h"
#include "desktop/commandline.h"
#include "framework/trace.h"

#include <QApplication>

int main(int argc, char** argv)
{
    TraceStartup("main entered");
    CCommandLine commandLine;
    if (!commandLine.Parse(argc, argv))
        return commandLine.ExitCode();
    CPlayerApp::PrepareEnvironment();
    CPlayerApp* pApp = AfxGetApp();
    // Settled before anything slow starts: a copy that hands its paths over or is refused
    // never starts the video engine.
    const CPlayerApp::Admission admission = pApp->Admit(commandLine);
    if (admission == CPlayerApp::Admission::HandedOver || admission == CPlayerApp::Admission::NothingToHandOver) {
        pApp->ExitInstance();
        return admission == CPlayerApp::Admission::HandedOver ? 0 : 1;
    }
    if (!CPlayerApp::CheckDisplay()) {
        pApp->ExitInstance();
        return 1;
    }
    // libVLC loads its plug-ins while the window system connection is made.
    if (admission == CPlayerApp::Admission::Run) {
        pApp->ReadSettings();
        pApp->PreStartEngine();
    }
    TraceStartup("environment prepared");
    QApplication app(argc, argv);
    CPlayerApp::PrepareApplication(app);
    pApp->InitInstance();
    return pApp->ExitInstance();
}
