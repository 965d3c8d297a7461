#include "app/player_app.h"
#include "desktop/commandline.h"
#include "framework/trace.h"
#include "gpx/gpsinfo.h"
#include "gpx/gpxexport.h"

#include <QApplication>

#include <cstring>

int main(int argc, char** argv)
{
    TraceStartup("main entered");
    // Writes a file and ends: no lock, no hand-over to a running copy, no display.
    if (argc > 1 && std::strcmp(argv[1], kExportGpxOption) == 0)
        return RunGpxExport(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], kGpsInfoOption) == 0)
        return RunGpsInfo(argc, argv);
    CCommandLine commandLine;
    if (!commandLine.Parse(argc, argv))
        return commandLine.ExitCode();
    CPlayerApp::PrepareEnvironment();
    CPlayerApp theApp;
    // Settled before anything slow starts: a copy that hands its paths over or is refused
    // never starts the video engine.
    const CPlayerApp::Admission admission = theApp.Admit(commandLine);
    if (admission == CPlayerApp::Admission::HandedOver || admission == CPlayerApp::Admission::NothingToHandOver)
        return theApp.ExitInstance();
    if (!CPlayerApp::CheckDisplay()) {
        theApp.ExitInstance();
        return 1;
    }
    // libVLC loads its plug-ins while the window system connection is made.
    if (admission == CPlayerApp::Admission::Run) {
        theApp.ReadSettings();
        theApp.PreStartEngine();
    }
    TraceStartup("environment prepared");
    QApplication app(argc, argv);
    CPlayerApp::PrepareApplication(app);
    theApp.InitInstance();
    return theApp.ExitInstance();
}
