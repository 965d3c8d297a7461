#include "app/player_app.h"

#include "desktop/commandline.h"
#include "framework/instancelock.h"
#include "framework/trace.h"
#include "desktop/instancebus.h"
#include "desktop/mpris/mprisservice.h"
#include "map/mywebbrowser/impidispatch.h"
#include "app/pathstrace.h"
#include "window/player_dlg.h"
#include "engine/vlcinstance.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>

#include <X11/Xlib.h>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <utility>

namespace {

// The name Qt holds for the program; the message boxes take their caption from it.
const QString kApplicationName = QStringLiteral("Deruziz");

// Held from the moment this copy admits itself until the process ends.
CInstanceLock g_hInstanceMutex;
const QString kLockName = QStringLiteral("VideriRedir");

// The display check's connection, kept until Qt has made its own: a bare X server (Xvfb, a
// kiosk) resets when its last client leaves, and Qt's connection would wait for that.
Display* g_pCheckedDisplay = nullptr;

void SetEnvDefault(const char* name, const char* value)
{
    if (qEnvironmentVariableIsEmpty(name))
        qputenv(name, value);
}

bool HasGpuRenderNode()
{
    for (int nNode = 128; nNode < 136; ++nNode) {
        const std::string path = "/dev/dri/renderD" + std::to_string(nNode);
        if (::access(path.c_str(), R_OK | W_OK) == 0)
            return true;
    }
    return false;
}

// What another copy handed over, as the window takes it: absolute paths that exist.
std::vector<std::string> UsablePaths(const QStringList& paths)
{
    std::vector<std::string> usable;
    for (const QString& strPath : paths) {
        if (QDir::isAbsolutePath(strPath) && QFileInfo::exists(strPath))
            usable.push_back(QFile::encodeName(strPath).toStdString());
        else
            qCWarning(lcCli) << "handed over, but not there:" << strPath;
    }
    return usable;
}

void OpenPaths(CPlayerDlg& dlg, const std::vector<std::string>& paths)
{
    if (paths.empty())
        return;
    dlg.OpenPaths(paths);
    CPathsTrace::Follow(dlg, paths);
}

} // namespace

CPlayerApp::CPlayerApp() = default;
CPlayerApp::~CPlayerApp() = default;

void CPlayerApp::PrepareEnvironment()
{
    // libVLC's X11 video output draws from its own threads.
    XInitThreads();
    // The video engine needs an X11 window; on Wayland this runs through XWayland.
    SetEnvDefault("QT_QPA_PLATFORM", "xcb");
    // Chromium refuses its sandbox for root.
    if (::geteuid() == 0)
        SetEnvDefault("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // Without a GPU (virtual X servers, most VMs) OpenGL is a slow software renderer that
    // nothing here needs: the web view then draws with Qt Quick's software back end.
    if (!HasGpuRenderNode()) {
        SetEnvDefault("QT_QUICK_BACKEND", "software");
        SetEnvDefault("QT_XCB_GL_INTEGRATION", "none");
    }
    // With no session bus to be found, libdbus would start one by forking dbus-launch from
    // whichever thread asks first (the accessibility bridge, libVLC's screen-saver module): a bus
    // nobody else uses serves nothing, and a fork among running threads can hang the child.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        if (runtime.isEmpty() || ::access((runtime + "/bus").constData(), F_OK) != 0)
            qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/deruziz-no-session-bus");
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

void CPlayerApp::PrepareApplication(QApplication& app)
{
    app.setApplicationName(kApplicationName);
    app.setOrganizationName(QStringLiteral("Orvane"));
    app.setQuitOnLastWindowClosed(false);
    if (g_pCheckedDisplay) {
        XCloseDisplay(g_pCheckedDisplay);
        g_pCheckedDisplay = nullptr;
    }
    TraceStartup("application ready");
}

void CPlayerApp::ShowAlreadyRunning()
{
    qCInfo(lcTrace, "refused: The Program alreay running!!");
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), QStringLiteral("The Program alreay running!!"),
                    QMessageBox::Ok);
    box.exec();
}

CPlayerApp::Admission CPlayerApp::Admit(const CCommandLine& commandLine)
{
    m_startPaths = commandLine.Paths();
    const bool bLockFree = g_hInstanceMutex.Acquire(kLockName);
    for (const QString& strProblem : g_hInstanceMutex.Problems())
        std::fprintf(stderr, "deruziz: %s\n", qPrintable(strProblem));

    bool bOtherRuns = !bLockFree;
    if (!bOtherRuns) {
        m_pBus = std::make_unique<CInstanceBus>();
        const CInstanceBus::Claim claim = m_pBus->ClaimName();
        bOtherRuns = claim == CInstanceBus::Claim::Taken;
        if (!bOtherRuns && !g_hInstanceMutex.IsHeld()) {
            std::fputs(claim == CInstanceBus::Claim::Owned
                           ? "deruziz: no lock file could be kept; the session bus alone keeps a second copy off\n"
                           : "deruziz: no lock file could be kept and there is no session bus: a second copy may start\n",
                       stderr);
        }
    }
    if (!bOtherRuns)
        return m_admission = Admission::Run;

    g_hInstanceMutex.Release();
    if (!commandLine.HasPathArguments())
        return m_admission = Admission::Refuse;
    if (m_startPaths.empty())
        return m_admission = Admission::NothingToHandOver;
    QStringList paths;
    for (const std::string& strPath : m_startPaths)
        paths << QFile::decodeName(strPath.c_str());
    if (!m_pBus)
        m_pBus = std::make_unique<CInstanceBus>();
    QString strError;
    if (m_pBus->HandOver(paths, strError)) {
        qCInfo(lcCli) << "handed over to the running copy:" << paths;
        return m_admission = Admission::HandedOver;
    }
    std::fprintf(stderr, "deruziz: another copy runs, and the paths could not be handed to it (%s)\n",
                 qPrintable(strError));
    return m_admission = Admission::Refuse;
}

void CPlayerApp::ReadSettings()
{
    if (std::exchange(m_bSettingsRead, true))
        return;
    m_settingsReader.Read(CSettingsReader::DefaultPath());
    for (const QString& strProblem : m_settingsReader.Problems())
        std::fprintf(stderr, "deruziz: %s\n", qPrintable(strProblem));
}

void CPlayerApp::PreStartEngine()
{
    CVlcInstance::PreStart(
        CVlcInstance::ProgramArgs(m_settingsReader.Settings().m_strVideoOutput.toStdString()));
}

bool CPlayerApp::CheckDisplay()
{
    // Only Qt's X11 plug-in needs it; any other platform the user chose reports for itself.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform != "xcb" && !platform.startsWith("xcb:"))
        return true;
    g_pCheckedDisplay = XOpenDisplay(nullptr);
    if (g_pCheckedDisplay)
        return true;
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        std::fputs("deruziz: no X display: DISPLAY is not set (the video needs X11, or XWayland under Wayland)\n",
                   stderr);
    else
        std::fprintf(stderr, "deruziz: cannot connect to the X display \"%s\"\n", display.constData());
    return false;
}

BOOL CPlayerApp::InitInstance()
{
    if (m_admission != Admission::Run) {
        ShowAlreadyRunning();
        return FALSE;
    }

    m_pExternalDispatch = std::make_unique<CImpIDispatch>();

    {
        CPlayerDlg dlg;
        TraceStartup("main window constructed");
        dlg.SetExternalDispatch(m_pExternalDispatch.get());
        dlg.SetTileServers(m_settingsReader.Settings().m_mapTileServers);
        dlg.SetSettings(&m_settingsReader, CSettingsReader::DefaultPath());
        m_pExternalDispatch->SetHost(&dlg);
        dlg.Create();
        // On the bus from before the window shows until it goes.
        const std::unique_ptr<CMprisService> pMpris = CMprisService::Attach(dlg);
        if (!pMpris)
            qCInfo(lcTrace, "no media controls: no session bus, or another copy has them");
        // The window's end is the run's: a dialog open over it (Load File's, a message box)
        // runs an event loop above the window's, which would keep the run going with the window
        // hidden. Every loop leaves, and none starts after.
        QObject::connect(&dlg, &QDialog::finished, [] { QCoreApplication::exit(0); });
        OpenPaths(dlg, m_startPaths);
        if (m_pBus) {
            m_pBus->SetPathsHandler([&dlg](const QStringList& paths) {
                OpenPaths(dlg, UsablePaths(paths));
                dlg.Raise();
            });
        }
        dlg.DoModal();
        if (m_pBus)
            m_pBus->SetPathsHandler(nullptr);
        m_pExternalDispatch->SetHost(nullptr);
    }
    return FALSE;
}

int CPlayerApp::ExitInstance()
{
    CVlcInstance::DiscardPreStart();
    m_pExternalDispatch.reset();
    m_pBus.reset();
    return m_admission == Admission::Run || m_admission == Admission::HandedOver ? 0 : 1;
}
