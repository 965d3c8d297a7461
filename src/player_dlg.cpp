#include "player_dlg.h"

#include "framework/controlid.h"
#include "framework/dialogtemplate.h"
#include "framework/messages.h"
#include "framework/resources.h"
#include "player_app.h"
#include "video.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QWindow>

#include <vlc/vlc.h>

namespace {

constexpr int kTitleStripHeight = 26;

struct ButtonSetup
{
    int nId;
    CSkinButton CPlayerDlg::*pButton;
    UINT nImage;  // icon for the close button, bitmap for the others
    const char* pszHint;
};

// In the order the window sets them up.
const ButtonSetup kButtons[] = {
    {2, &CPlayerDlg::m_btnClose, 130, "Close the application"},
    {3, &CPlayerDlg::m_btnPause, 163, "Pause Video"},
    {4, &CPlayerDlg::m_btnPlay, 156, "Play Loaded Video"},
    {5, &CPlayerDlg::m_btnStop, 165, "Stop Video"},
    {6, &CPlayerDlg::m_btnPrevClip, 166, "Prev Clip"},
    {7, &CPlayerDlg::m_btnNextClip, 162, "Next Clip"},
    {8, &CPlayerDlg::m_btnLoad, 161, "Load File"},
    {9, &CPlayerDlg::m_btnAddFolder, 160, "Add File To List"},
    {13, &CPlayerDlg::m_btnRemove, 157, "Remove File from List"},
    {10, &CPlayerDlg::m_btnPrevPage, 159, "File List Previous Page"},
    {12, &CPlayerDlg::m_btnNextPage, 170, "File List Next Page"},
    {11, &CPlayerDlg::m_btnPlaySelected, 156, "Play Selected Video"},
};

} // namespace

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent)
{
    const DlgTemplate& tmpl = AboutDialogTemplate();
    setWindowTitle(tmpl.strCaption);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(tmpl.PixelSize());
    QFont font(tmpl.strFont);
    font.setPixelSize(tmpl.nFontSize * tmpl.nPixelsPerUnit * 6 / 9);
    setFont(font);
    CreateDialogControls(this, tmpl, [this](const DlgItemTemplate& item) -> QWidget* {
        if (item.kind == DlgItemTemplate::IconStatic) {
            auto* pIcon = new QLabel(this);
            const QRect rc = AboutDialogTemplate().ToPixels(item.rcUnits);
            pIcon->setPixmap(Resources::LoadIcon(128).pixmap(rc.size()));
            return pIcon;
        }
        if (item.kind == DlgItemTemplate::DefPushButton) {
            auto* pOk = new QPushButton(this);
            pOk->setDefault(true);
            connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
            return pOk;
        }
        if (item.kind == DlgItemTemplate::Static) {
            auto* pText = new QLabel(this);
            pText->setTextFormat(Qt::PlainText);
            return pText;
        }
        return nullptr;
    });
}

CPlayerDlg::CPlayerDlg(QWidget* pParent) : CBkDialog(131, pParent)
{
    m_hIcon = Resources::LoadIcon(128);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint);
}

CPlayerDlg::~CPlayerDlg() = default;

std::array<CSkinButton*, 12> CPlayerDlg::Buttons()
{
    std::array<CSkinButton*, 12> buttons{};
    static_assert(std::size(kButtons) == buttons.size());
    for (std::size_t i = 0; i < buttons.size(); ++i)
        buttons[i] = &(this->*kButtons[i].pButton);
    return buttons;
}

void CPlayerDlg::Create()
{
    if (m_bCreated)
        return;
    m_bCreated = true;
    DoDataExchange();
    TraceStartup("controls created");
    OnInitDialog();
    TraceStartup("window initialised");
}

int CPlayerDlg::DoModal()
{
    Create();
    return exec();
}

void CPlayerDlg::DoDataExchange()
{
    const DlgTemplate& tmpl = MainDialogTemplate();
    setFixedSize(tmpl.PixelSize());
    CreateDialogControls(this, tmpl, [this](const DlgItemTemplate& item) -> QWidget* {
        for (const ButtonSetup& setup : kButtons) {
            if (setup.nId == item.nId)
                return &(this->*setup.pButton);
        }
        switch (item.nId) {
        case 1002: return &m_videoArea;
        case 1003: return &m_timeText;
        case 1006: return &m_seekSlider;
        case 1007: return &m_volumeSlider;
        case 1009: return &m_meter;
        case 1013: return &m_listLeft;
        case 1014: return &m_listRight;
        case 1024: return &m_eastText;
        case 1025: return &m_northText;
        default: return nullptr;
        }
    });
    for (CSkinButton* pButton : Buttons())
        pButton->setAutoDefault(false);
    connect(&m_btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

BOOL CPlayerDlg::OnInitDialog()
{
    // The window menu with the About item at its end.
    m_pSystemMenu = std::make_unique<QMenu>(this);
    m_pSystemMenu->addAction(QStringLiteral("Move"), this, [this] { OnSysCommand(SC_MOVE); });
    m_pSystemMenu->addAction(QStringLiteral("Minimize"), this, [this] { OnSysCommand(SC_MINIMIZE); });
    m_pSystemMenu->addAction(QStringLiteral("Close"), this, [this] { OnSysCommand(SC_CLOSE); });
    // Alt+Space opens it wherever the focus is, as a window's system menu does.
    auto* pMenuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(pMenuKey, &QShortcut::activated, this,
            [this] { ShowSystemMenu(mapToGlobal(QPoint(0, kTitleStripHeight))); });
    const QString strAboutMenu = Resources::LoadString(101);
    if (!strAboutMenu.isEmpty()) {
        m_pSystemMenu->addSeparator();
        m_pSystemMenu->addAction(strAboutMenu, this, [this] { OnSysCommand(IDM_ABOUTBOX); });
    }

    setWindowIcon(m_hIcon);
    SetBackgroundBitmap(132);
    SetupButtons();

    SetUpSlider(m_seekSlider, 145, 148, QStringLiteral("Playback position"));
    SetUpSlider(m_volumeSlider, 149, 150, QStringLiteral("Volume"));

    m_meter.setAccessibleName(QStringLiteral("Speed"));
    m_meter.SetDialBitmap(154);
    m_meter.SetRange(0, 120, FALSE);
    m_meter.SetPos(0);

    // libVLC draws into the video area's own X11 window.
    m_videoArea.setAttribute(Qt::WA_NativeWindow);
    m_videoArea.setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_videoArea.setLineWidth(1);
    // Opaque, so that repainting it never repaints the dialog beneath it.
    m_videoArea.setAutoFillBackground(true);
    QPalette videoPalette = m_videoArea.palette();
    videoPalette.setColor(QPalette::Window, Qt::black);
    m_videoArea.setPalette(videoPalette);
    m_player.SetOutputWindow(static_cast<unsigned long>(m_videoArea.winId()));
    m_player.SetTimeChangedHandler(&CPlayerDlg::OnVideoEvent, this);
    m_player.SetVolume(50);

    m_nPlayState = PLAY_IDLE;
    m_volumeSlider.SetPos(50);

    m_listLeft.SetUpReportView();
    m_listRight.SetUpReportView();
    m_nPage = 0;
    m_nActiveList = 1;
    for (CVideoListCtrl* pList : {&m_listLeft, &m_listRight}) {
        QPalette palette = pList->palette();
        palette.setColor(QPalette::Base, QColor(235, 235, 255));
        pList->setPalette(palette);
    }
    m_bWaitTimer = FALSE;
    m_bPositionTimer = FALSE;

    ShowIdlePicture();

    // Starting the web engine takes longer than all the rest of the start-up: the map view
    // follows right after the window's first paint, so that the window appears at once.
    m_bMapViewPending = true;

    m_nPageWait = 0;
    return TRUE;
}

void CPlayerDlg::CreateMapView()
{
    m_bMapViewPending = false;
    if (!m_mapView.CreateFromStatic(1004, this))
        qCWarning(lcTrace, "the map view could not be created over its placeholder");
    m_mapView.NavigateResource(QStringLiteral("StartUpPage.HTML"));
    TraceStartup("map view created");
}

void CPlayerDlg::SetupButtons()
{
    for (const ButtonSetup& setup : kButtons) {
        CSkinButton& button = this->*setup.pButton;
        if (&button == &m_btnClose)
            button.LoadIconImages(setup.nImage, CSkinButton::BTNICON_AUTO_GRAY);
        else
            button.LoadBitmapImages(setup.nImage, RGB(0, 0, 0), 0, RGB(0, 0, 0));
        button.ShiftStateColor(CSkinButton::BTNCLR_ACTIVE_BK, 30, TRUE);
        button.SetHintText(QString::fromUtf8(setup.pszHint), TRUE);
    }
}

void CPlayerDlg::SetUpSlider(CBitmapSlider& slider, UINT nChannel, UINT nActiveChannel, const QString& strName)
{
    slider.SetChannelBitmaps(nChannel, nActiveChannel);
    // The key colour of both thumbs is their top-left pixel.
    slider.SetThumbBitmaps(147, 146, TRUE, 0xFF000000, 0, 0);
    slider.SetRange(0, 100, FALSE);
    slider.SetPos(0);
    slider.setAccessibleName(strName);
}

void CPlayerDlg::ShowIdlePicture()
{
    const QImage idle = Resources::LoadBitmap(171);
    if (idle.isNull())
        return;
    const QSize size = m_videoArea.contentsRect().size();
    m_videoArea.setAlignment(Qt::AlignCenter);
    m_videoArea.setPixmap(QPixmap::fromImage(
        idle.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

void CPlayerDlg::OnSysCommand(UINT nID)
{
    switch (nID & 0xFFF0) {
    case IDM_ABOUTBOX: {
        CAboutDlg dlgAbout(this);
        dlgAbout.DoModal();
        break;
    }
    case SC_MOVE:
        if (QWindow* pWindow = windowHandle())
            pWindow->startSystemMove();
        break;
    case SC_MINIMIZE:
        showMinimized();
        break;
    case SC_CLOSE:
        reject();
        break;
    default:
        break;
    }
}

void CPlayerDlg::ShowSystemMenu(const QPoint& ptGlobal)
{
    if (m_pSystemMenu)
        m_pSystemMenu->popup(ptGlobal);
}

bool CPlayerDlg::event(QEvent* pEvent)
{
    switch (int(pEvent->type())) {
    case WM_SLIDER_CHANGED: {
        auto* pMsg = static_cast<CMessageEvent*>(pEvent);
        OnSliderMoved(pMsg->m_wParam, pMsg->m_lParam);
        return true;
    }
    case WM_MAP_DOCUMENT_COMPLETE:
        static_cast<CMessageEvent*>(pEvent)->m_lResult = OnMapDocumentComplete();
        return true;
    case WM_MAP_NAVIGATE_COMPLETE:
        static_cast<CMessageEvent*>(pEvent)->m_lResult = OnMapNavigateComplete();
        return true;
    case WM_MAP_BEFORE_NAVIGATE:
        static_cast<CMessageEvent*>(pEvent)->m_lResult = OnMapBeforeNavigate();
        return true;
    case WM_MAP_LOAD_COMPLETE:
        static_cast<CMessageEvent*>(pEvent)->m_lResult = OnMapLoadComplete();
        return true;
    case QEvent::WindowActivate:
        OnSetFocus();
        break;
    default:
        break;
    }
    return CBkDialog::event(pEvent);
}

void CPlayerDlg::paintEvent(QPaintEvent* pEvent)
{
    CBkDialog::paintEvent(pEvent);
    if (!m_bShownOnce) {
        m_bShownOnce = true;
        TraceStartup("main window shown");
        if (m_bMapViewPending)
            QTimer::singleShot(0, this, [this] {
                if (m_bMapViewPending)
                    CreateMapView();
            });
    }
    for (CSkinButton* pButton : Buttons())
        pButton->UseParentBackground(TRUE);
    m_videoArea.update();
}

void CPlayerDlg::OnSetFocus()
{
    if (!m_bFirstFocus)
        return;
    m_bFirstFocus = FALSE;
    for (CSkinButton* pButton : Buttons())
        pButton->UseParentBackground(TRUE);
}

void CPlayerDlg::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton)
        OnLButtonDown(pEvent);
    else if (pEvent->button() == Qt::RightButton && pEvent->position().y() < kTitleStripHeight)
        ShowSystemMenu(pEvent->globalPosition().toPoint());
    CBkDialog::mousePressEvent(pEvent);
}

void CPlayerDlg::OnLButtonDown(QMouseEvent* pEvent)
{
    if (pEvent->position().y() >= kTitleStripHeight)
        return;
    QWindow* pWindow = windowHandle();
    if (pWindow && pWindow->startSystemMove())
        return;
    // No window manager move available (bare X servers): follow the pointer ourselves.
    m_bDragging = true;
    m_ptDragOffset = pEvent->globalPosition().toPoint() - frameGeometry().topLeft();
}

void CPlayerDlg::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (m_bDragging && (pEvent->buttons() & Qt::LeftButton))
        move(pEvent->globalPosition().toPoint() - m_ptDragOffset);
    CBkDialog::mouseMoveEvent(pEvent);
}

void CPlayerDlg::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton)
        m_bDragging = false;
    CBkDialog::mouseReleaseEvent(pEvent);
}

void CPlayerDlg::keyPressEvent(QKeyEvent* pEvent)
{
    if (pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter) {
        // A focused push button takes Enter as its click, as in any dialog; else it is OK.
        if (auto* pButton = qobject_cast<QPushButton*>(focusWidget())) {
            pButton->click();
            return;
        }
        accept();
        return;
    }
    CBkDialog::keyPressEvent(pEvent);
}

void CPlayerDlg::OnSliderMoved(quintptr wParam, qintptr)
{
    if (wParam == 1007)
        m_player.SetVolume(m_volumeSlider.GetPos());
}

qintptr CPlayerDlg::OnMapDocumentComplete()
{
    TraceNav(QStringLiteral("Doc Complete\r\n"));
    return 1;
}

qintptr CPlayerDlg::OnMapNavigateComplete()
{
    TraceNav(QStringLiteral("Nav Complete\r\n"));
    TraceNav(QStringLiteral("HTML Nav complete\r\n"));
    return 1;
}

qintptr CPlayerDlg::OnMapBeforeNavigate()
{
    TraceNav(QStringLiteral("Before Nav\r\n"));
    return 1;
}

qintptr CPlayerDlg::OnMapLoadComplete()
{
    TraceNav(QStringLiteral("ON Load Complete\r\n"));
    return 1;
}

void CPlayerDlg::TraceNav(const QString&)
{
}

void CPlayerDlg::ShowScriptTestMessage()
{
    QMessageBox box(QMessageBox::NoIcon, AfxGetAppTitle(), QStringLiteral("我是一个调用应用程序的消息框!"),
                    QMessageBox::Ok, this);
    box.exec();
}

void CPlayerDlg::SendStartPoint()
{
    if (!m_startPoint.m_bValid)
        return;
    const QString strLat = QString::asprintf("%f", m_startPoint.m_dLatitude);
    const QString strLng = QString::asprintf("%f", m_startPoint.m_dLongitude);
    TraceNav(QStringLiteral("Call setCen:(%1,%2)\r\n").arg(strLat, strLng));
    m_mapView.CallPageFunction(QStringLiteral("SetStartupCenterPoint"), strLat, strLng);
}

void CPlayerDlg::OnGpsPageInitialized()
{
    m_bGpsPageReady = true;
}

void CPlayerDlg::OnVideoEvent(const libvlc_event_t* pEvent, void* pUser)
{
    if (pEvent->type != libvlc_MediaPlayerTimeChanged)
        return;
    qCDebug(lcTrace, "VLC_EVT_TIME_CHANGED: new_time %d[ms]\n",
            int(pEvent->u.media_player_time_changed.new_time));
    auto* pDlg = static_cast<CPlayerDlg*>(pUser);
    if (!pDlg || pDlg->m_bTimeUpdateQueued.exchange(true))
        return;
    // Never touch widgets here, and never wait for the GUI thread: hand over and return.
    QMetaObject::invokeMethod(pDlg, [pDlg] {
        pDlg->m_bTimeUpdateQueued = false;
        pDlg->UpdateTimeDisplay();
    }, Qt::QueuedConnection);
}

QString CPlayerDlg::FormatTimeText(std::int64_t nElapsedMs, std::int64_t nLengthMs)
{
    // libVLC reports -1 for "no media"; show that as zero.
    const std::int64_t nElapsed = nElapsedMs > 0 ? nElapsedMs / 1000 : 0;
    const std::int64_t nTotal = nLengthMs > 0 ? nLengthMs / 1000 : 0;
    return QString::asprintf("%02d:%02d:%02d/%02d:%02d:%02d",
                             int(nElapsed / 3600 % 24), int(nElapsed / 60 % 60), int(nElapsed % 60),
                             int(nTotal / 3600 % 24), int(nTotal / 60 % 60), int(nTotal % 60));
}

int CPlayerDlg::ProgressPercent(std::int64_t nTimeMs, std::int64_t nLengthMs)
{
    if (nLengthMs <= 0 || nTimeMs <= 0)
        return 0;
    return int(double(nTimeMs) / double(nLengthMs) * 100.0);
}

void CPlayerDlg::UpdateTimeDisplay()
{
    m_nLength = m_player.GetLength();
    const std::int64_t nTime = m_player.GetTime();
    m_timeText.setText(FormatTimeText(nTime, m_nLength));
    m_seekSlider.SetPos(ProgressPercent(nTime, m_nLength));
}
