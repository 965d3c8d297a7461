#include <gtest/gtest.h>

#include <QApplication>

#include "app/player_app.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    CPlayerApp::PrepareEnvironment();
    QApplication app(argc, argv);
    CPlayerApp::PrepareApplication(app);
    return RUN_ALL_TESTS();
}
