#include "player_app.h"

#include <QApplication>

int main(int argc, char** argv)
{
    CPlayerApp::PrepareEnvironment();
    QApplication app(argc, argv);
    CPlayerApp::PrepareApplication(app);
    AfxGetApp()->InitInstance();
    return AfxGetApp()->ExitInstance();
}
