#include "window/player_dlg.h"

#include "framework/controlid.h"
#include "framework/dialogtemplate.h"
#include "framework/messages.h"
#include "framework/resources.h"
#include "framework/trace.h"
#include "gpx/gpxreader.h"
#include "resource.h"
#include "logic/video.h"

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

namespace {

constexpr int kTitleStripHeight = 26;

// The "Load a clip" button drawn into the idle picture, in the picture's own pixels.
const QRect kIdleLoadButton(238, 122, 160, 34);

} // namespace

// In the order the window sets them up.
const std::array<CPlayerDlg::CButtonSetup, 12> CPlayerDlg::s_buttons = {{
    {IDC_CLOSE, &CPlayerDlg::m_btnClose, IDI_CLOSE, "Close the application"},
    {IDC_PAUSE, &CPlayerDlg::m_btnPause, IDB_PAUSE, "Pause Video"},
    {IDC_PLAY, &CPlayerDlg::m_btnPlay, IDB_PLAY, "Play Loaded Video"},
    {IDC_STOP, &CPlayerDlg::m_btnStop, IDB_STOP, "Stop Video"},
    {IDC_PREV_CLIP, &CPlayerDlg::m_btnPrevClip, IDB_PREV_CLIP, "Prev Clip"},
    {IDC_NEXT_CLIP, &CPlayerDlg::m_btnNextClip, IDB_NEXT_CLIP, "Next Clip"},
    {IDC_LOAD, &CPlayerDlg::m_btnLoad, IDB_LOAD, "Load File"},
    {IDC_ADD_FOLDER, &CPlayerDlg::m_btnAddFolder, IDB_ADD_FOLDER, "Add File To List"},
    {IDC_REMOVE, &CPlayerDlg::m_btnRemove, IDB_REMOVE, "Remove File from List"},
    {IDC_PREV_PAGE, &CPlayerDlg::m_btnPrevPage, IDB_PREV_PAGE, "File List Previous Page"},
    {IDC_NEXT_PAGE, &CPlayerDlg::m_btnNextPage, IDB_NEXT_PAGE, "File List Next Page"},
    {IDC_PLAY_SELECTED, &CPlayerDlg::m_btnPlaySelected, IDB_PLAY, "Play Selected Video"},
}};

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
            pIcon->setPixmap(Resources::LoadIcon(IDI_MAINFRAME).pixmap(rc.size()));
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

CPlayerDlg::CPlayerDlg(QWidget* pParent) : CBkDialog(IDD_PLAYER_DIALOG, pParent)
{
    m_hIcon = Resources::LoadIcon(IDI_MAINFRAME);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint);
    m_mapView.SetNotifyTarget(this);
    // Before the first clip or folder scan looks for a track.
    RegisterGpxTrackReader();
}

CPlayerDlg::~CPlayerDlg()
{
    // The video area's X window goes after the engine: its change must reach nothing then.
    m_videoArea.removeEventFilter(this);
    // What the engine still tells must reach nothing of the window once its members start to go.
    m_player.disconnect(this);
    m_player.Stop();
}

void CPlayerDlg::SetExternalDispatch(CImpIDispatch* pExternal)
{
    m_mapView.SetExternal(pExternal);
}

void CPlayerDlg::SetTileServers(const QMap<QString, QString>& tileServers)
{
    m_mapView.SetTileServers(tileServers);
}

std::array<CSkinButton*, 12> CPlayerDlg::Buttons()
{
    std::array<CSkinButton*, 12> buttons{};
    for (std::size_t i = 0; i < buttons.size(); ++i)
        buttons[i] = &(this->*s_buttons[i].pButton);
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
        for (const CButtonSetup& setup : s_buttons) {
            if (setup.nId == item.nId)
                return &(this->*setup.pButton);
        }
        switch (item.nId) {
        case IDC_VIDEO: return &m_videoArea;
        case IDC_TIME: return &m_timeText;
        case IDC_SEEK: return &m_seekSlider;
        case IDC_VOLUME: return &m_volumeSlider;
        case IDC_METER: return &m_meter;
        case IDC_LIST_LEFT: return &m_listLeft;
        case IDC_LIST_RIGHT: return &m_listRight;
        case IDC_EAST: return &m_eastText;
        case IDC_NORTH: return &m_northText;
        default: return nullptr;
        }
    });
    // No button is the dialog's default: Enter presses none of them. A button takes the
    // keyboard from Tab alone (where the template makes it a tab stop), never from a click.
    for (CSkinButton* pButton : Buttons()) {
        pButton->setAutoDefault(false);
        pButton->setFocusPolicy((pButton->focusPolicy() & Qt::TabFocus) ? Qt::TabFocus : Qt::NoFocus);
        pButton->installEventFilter(this);
    }
    for (CBitmapSlider* pSlider : {&m_seekSlider, &m_volumeSlider})
        pSlider->installEventFilter(this);
    connect(&m_btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_btnLoad, &QPushButton::clicked, this, [this] { OnLoadFile(); });
    connect(&m_btnPlay, &QPushButton::clicked, this, [this] { OnPlay(); });
    connect(&m_btnPause, &QPushButton::clicked, this, [this] { OnPauseResume(); });
    connect(&m_btnStop, &QPushButton::clicked, this, [this] { OnStop(); });
    connect(&m_btnPrevClip, &QPushButton::clicked, this, [this] { OnPrevClip(); });
    connect(&m_btnNextClip, &QPushButton::clicked, this, [this] { OnNextClip(); });
    connect(&m_btnAddFolder, &QPushButton::clicked, this, [this] { OnAddFolder(); });
    connect(&m_btnRemove, &QPushButton::clicked, this, [this] { OnRemove(); });
    connect(&m_btnPrevPage, &QPushButton::clicked, this, [this] { OnPrevPage(); });
    connect(&m_btnNextPage, &QPushButton::clicked, this, [this] { OnNextPage(); });
    connect(&m_btnPlaySelected, &QPushButton::clicked, this, [this] { OnPlaySelected(); });
    for (CVideoListCtrl* pList : {&m_listLeft, &m_listRight}) {
        connect(pList, &CVideoListCtrl::DoubleClicked, this, [this, pList] { OnDblclkList(*pList); });
        connect(pList, &CVideoListCtrl::EnterPressed, this, [this, pList] { OnDblclkList(*pList); });
    }
    connect(&m_addQueue, &CFolderAddQueue::Progress, this, &CPlayerDlg::ShowScanProgress);
    connect(&m_addQueue, &CFolderAddQueue::Finished, this, &CPlayerDlg::OnScanFinished);
}

BOOL CPlayerDlg::OnInitDialog()
{
    // The window menu with the About item at its end.
    m_pSystemMenu = std::make_unique<QMenu>(this);
    m_pSystemMenu->addAction(QStringLiteral("Move"), this, [this] { OnSysCommand(SC_MOVE); });
    m_pSystemMenu->addAction(QStringLiteral("Minimize"), this, [this] { OnSysCommand(SC_MINIMIZE); });
    m_pSystemMenu->addAction(QStringLiteral("Close"), this, [this] { OnSysCommand(SC_CLOSE); });
    m_pContinuousAction = m_pSystemMenu->addAction(QStringLiteral("Play Clips One After Another"));
    m_pContinuousAction->setCheckable(true);
    m_pContinuousAction->setChecked(m_bContinuous);
    connect(m_pContinuousAction, &QAction::toggled, this, [this](bool bOn) { OnContinuousToggled(bOn); });
    m_pSystemMenu->addAction(QStringLiteral("Export Track as GPX..."), this, [this] { OnExportGpx(); });
    // Alt+Space opens it wherever the focus is, as a window's system menu does.
    auto* pMenuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(pMenuKey, &QShortcut::activated, this,
            [this] { ShowSystemMenu(mapToGlobal(QPoint(0, kTitleStripHeight))); });
    const QString strAboutMenu = Resources::LoadString(IDS_ABOUTBOX);
    if (!strAboutMenu.isEmpty()) {
        m_pSystemMenu->addSeparator();
        m_pSystemMenu->addAction(strAboutMenu, this, [this] { OnSysCommand(IDM_ABOUTBOX); });
    }

    setWindowIcon(m_hIcon);
    setAcceptDrops(true);
    SetBackgroundBitmap(IDB_BACKGROUND);
    SetupButtons();

    SetUpSlider(m_seekSlider, IDB_SEEK_CHANNEL, IDB_SEEK_CHANNEL_ACTIVE, QStringLiteral("Playback position"));
    SetUpSlider(m_volumeSlider, IDB_VOLUME_CHANNEL, IDB_VOLUME_CHANNEL_ACTIVE, QStringLiteral("Volume"));

    m_meter.setAccessibleName(QStringLiteral("Speed"));
    m_meter.SetDialBitmap(IDB_DIAL);
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
    videoPalette.setColor(QPalette::WindowText, Qt::white);
    m_videoArea.setPalette(videoPalette);
    m_videoArea.installEventFilter(this);
    m_videoArea.setMouseTracking(true);
    m_player.SetOutputWindow(static_cast<unsigned long>(m_videoArea.winId()));
    connect(&m_player, &CVideoPlayer::TimeChanged, this, &CPlayerDlg::OnVideoTime);
    connect(&m_player, &CVideoPlayer::Ended, this, [this] { OnMediaDone(false); });
    connect(&m_player, &CVideoPlayer::Failed, this, [this] { OnMediaDone(true); });
    m_player.SetVolume(50);

    m_clip = CClipStartState();
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
    SetUpScanNote();

    ShowIdlePicture();

    // The keyboard starts with the window rather than with its first button, and a click on
    // the window or on a button brings it back here.
    setFocusPolicy(Qt::ClickFocus);
    setFocus(Qt::OtherFocusReason);

    // Starting the web engine takes longer than all the rest of the start-up: the map view
    // follows right after the window's first paint, so that the window appears at once.
    m_bMapViewPending = true;
    return TRUE;
}

void CPlayerDlg::CreateMapView()
{
    m_bMapViewPending = false;
    // A clip opened before the view existed keeps its page: the start page does not replace it.
    const bool bClipPage = m_mapView.HasPendingNavigation();
    if (!m_mapView.CreateFromStatic(IDC_MAP, this))
        qCWarning(lcTrace, "the map view could not be created over its placeholder");
    if (!bClipPage)
        m_mapView.NavigateResource(QStringLiteral("StartUpPage.HTML"));
    TraceStartup("map view created");
}

void CPlayerDlg::SetupButtons()
{
    for (const CButtonSetup& setup : s_buttons) {
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
    slider.SetThumbBitmaps(IDB_THUMB, IDB_THUMB_ACTIVE, TRUE, 0xFF000000, 0, 0);
    slider.SetRange(0, 100, FALSE);
    slider.SetPos(0);
    slider.setAccessibleName(strName);
}

void CPlayerDlg::SetUpScanNote()
{
    m_scanNote.setParent(this);
    m_scanNote.setGeometry(m_listLeft.geometry().united(m_listRight.geometry()));
    m_scanNote.setAlignment(Qt::AlignCenter);
    m_scanNote.setAutoFillBackground(true);
    QPalette palette = m_scanNote.palette();
    palette.setColor(QPalette::Window, QColor(235, 235, 255, 220));
    m_scanNote.setPalette(palette);
    m_scanNote.setCursor(Qt::BusyCursor);
    m_scanNote.hide();
}

void CPlayerDlg::ShowIdlePicture()
{
    const QImage idle = Resources::LoadBitmap(IDB_IDLE);
    if (idle.isNull())
        return;
    const QSize size = m_videoArea.contentsRect().size();
    m_videoArea.setAlignment(Qt::AlignCenter);
    m_videoArea.setPixmap(QPixmap::fromImage(
        idle.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

QRect CPlayerDlg::IdleLoadButtonRect() const
{
    const QSize picture = Resources::LoadBitmap(IDB_IDLE).size();
    const QRect area = m_videoArea.contentsRect();
    if (picture.isEmpty())
        return QRect();
    const double sx = double(area.width()) / picture.width();
    const double sy = double(area.height()) / picture.height();
    return QRect(area.x() + qRound(kIdleLoadButton.x() * sx), area.y() + qRound(kIdleLoadButton.y() * sy),
                 qRound(kIdleLoadButton.width() * sx), qRound(kIdleLoadButton.height() * sy));
}

bool CPlayerDlg::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() == QEvent::KeyPress && TakeTransportKey(pWatched, *static_cast<QKeyEvent*>(pEvent)))
        return true;
    // Closing the window destroys its X windows, and showing it again makes new ones.
    if (pWatched == &m_videoArea && pEvent->type() == QEvent::WinIdChange)
        m_player.SetOutputWindow(static_cast<unsigned long>(m_videoArea.internalWinId()));
    // Before the first clip, the idle picture's "Load a clip" button is the load button.
    if (pWatched == &m_videoArea && !m_tracking.HasTrack()) {
        if (pEvent->type() == QEvent::MouseMove) {
            const QPoint pt = static_cast<QMouseEvent*>(pEvent)->position().toPoint();
            m_videoArea.setCursor(IdleLoadButtonRect().contains(pt) ? Qt::PointingHandCursor : Qt::ArrowCursor);
        } else if (pEvent->type() == QEvent::MouseButtonRelease) {
            auto* pMouse = static_cast<QMouseEvent*>(pEvent);
            if (pMouse->button() == Qt::LeftButton && IdleLoadButtonRect().contains(pMouse->position().toPoint())) {
                m_videoArea.unsetCursor();
                OnLoadFile();
                return true;
            }
        }
    }
    return CBkDialog::eventFilter(pWatched, pEvent);
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

bool CPlayerDlg::TakeTransportKey(QObject* pControl, const QKeyEvent& event)
{
    // A slider keeps the arrows and a button (reached by Tab) Space; the window takes the
    // other transport keys from them.
    const bool bArrow = event.key() == Qt::Key_Left || event.key() == Qt::Key_Right;
    if (qobject_cast<CBitmapSlider*>(pControl))
        return !bArrow && OnTransportKey(event);
    if (qobject_cast<CSkinButton*>(pControl))
        return bArrow && OnTransportKey(event);
    return false;
}

void CPlayerDlg::keyPressEvent(QKeyEvent* pEvent)
{
    if (OnTransportKey(*pEvent))
        return;
    // Enter ends nothing here: a key pressed so easily while playing must not close the
    // window and its play list (Escape and the close button do). A play-list view plays its
    // entry on it before it gets here.
    if (pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter)
        return;
    CBkDialog::keyPressEvent(pEvent);
}

void CPlayerDlg::ShowScriptTestMessage()
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), QStringLiteral("我是一个调用应用程序的消息框!"),
                    QMessageBox::Ok, this);
    box.exec();
}
