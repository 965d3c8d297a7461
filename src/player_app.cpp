#include "player_app.h"

#include "framework/instancelock.h"
#include "mywebbrowser/impidispatch.h"
#include "player_dlg.h"
#include "videoplayer.h"

#include <QApplication>
#include <QMessageBox>

#include <X11/Xlib.h>
#include <chrono>
#include <string>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcTrace, "deruziz.trace", QtWarningMsg)
Q_LOGGING_CATEGORY(lcStartup, "deruziz.startup", QtWarningMsg)

namespace {

CPlayerApp theApp;

// Held from the moment this copy admits itself until the process ends.
CInstanceLock g_hInstanceMutex;

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

} // namespace

void TraceStartup(const char* pszWhat)
{
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    if (!lcStartup().isInfoEnabled())
        return;
    qCInfo(lcStartup, "%s at %lld ns", pszWhat, static_cast<long long>(ns.count()));
}

CPlayerApp* AfxGetApp()
{
    return &theApp;
}

QString AfxGetAppTitle()
{
    return QStringLiteral("Deruziz");
}

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
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

void CPlayerApp::PrepareApplication(QApplication& app)
{
    app.setApplicationName(AfxGetAppTitle());
    app.setOrganizationName(QStringLiteral("Orvane"));
    app.setQuitOnLastWindowClosed(false);
    TraceStartup("application ready");
}

void CPlayerApp::ShowAlreadyRunning()
{
    qCInfo(lcTrace, "refused: The Program alreay running!!");
    QMessageBox box(QMessageBox::NoIcon, AfxGetAppTitle(), QStringLiteral("The Program alreay running!!"),
                    QMessageBox::Ok);
    box.exec();
}

BOOL CPlayerApp::InitInstance()
{
    const QString strName = QStringLiteral("VideriRedir");
    if (!g_hInstanceMutex.Acquire(strName)) {
        ShowAlreadyRunning();
        return FALSE;
    }

    m_pExternalDispatch = std::make_unique<CImpIDispatch>();

    {
        CPlayerDlg dlg;
        TraceStartup("main window constructed");
        dlg.SetExternalDispatch(m_pExternalDispatch.get());
        m_pExternalDispatch->SetHost(&dlg);
        dlg.DoModal();
        m_pExternalDispatch->SetHost(nullptr);
    }
    return FALSE;
}

int CPlayerApp::ExitInstance()
{
    CVideoPlayerImpl::DiscardPreStart();
    m_pExternalDispatch.reset();
    return 0;
}
