#include "player_app.h"
#include "videoplayer.h"

#include <QApplication>

int main(int argc, char** argv)
{
    TraceStartup("main entered");
    CPlayerApp::PrepareEnvironment();
    // libVLC loads its plug-ins while the window system connection is made.
    CVideoPlayerImpl::PreStart();
    TraceStartup("environment prepared");
    QApplication app(argc, argv);
    CPlayerApp::PrepareApplication(app);
    AfxGetApp()->InitInstance();
    return AfxGetApp()->ExitInstance();
}
