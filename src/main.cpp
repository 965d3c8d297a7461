#include "player_app.h"

#include <QApplication>

int main(int argc, char** argv)
{
    TraceStartup("main entered");
    CPlayerApp::PrepareEnvironment();
    TraceStartup("environment prepared");
    QApplication app(argc, argv);
    CPlayerApp::PrepareApplication(app);
    AfxGetApp()->InitInstance();
    return AfxGetApp()->ExitInstance();
}
