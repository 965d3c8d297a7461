#include <gtest/gtest.h>

#include "framework/controlid.h"
#include "playerdlgpeer.h"
#include "waitfor.h"
#include "framework/dialogtemplate.h"
#include "app/player_app.h"
#include "window/player_dlg.h"
#include "resource.h"
#include "boxcatcher.h"
#include "whenmodal.h"
#include "wiredwindow.h"

#include <QAction>
#include <QHeaderView>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <functional>
#include <map>

namespace {

class MainWindowTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_pWired = new CWiredWindow;
        s_pDlg = &s_pWired->Dlg();
        ASSERT_TRUE(s_pWired->IsExposed());
    }
    static void TearDownTestSuite()
    {
        delete s_pWired;
        s_pWired = nullptr;
        s_pDlg = nullptr;
    }

    static CWiredWindow* s_pWired;
    static CPlayerDlg* s_pDlg;
};

CWiredWindow* MainWindowTest::s_pWired = nullptr;
CPlayerDlg* MainWindowTest::s_pDlg = nullptr;

} // namespace

TEST_F(MainWindowTest, FixedFramelessWindowOfTemplateSize)
{
    EXPECT_EQ(s_pDlg->size(), QSize(958, 602));
    EXPECT_EQ(s_pDlg->minimumSize(), QSize(958, 602));
    EXPECT_EQ(s_pDlg->maximumSize(), QSize(958, 602));
    EXPECT_TRUE(s_pDlg->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(s_pDlg->windowIcon().isNull());
}

TEST_F(MainWindowTest, EveryControlAtItsIdRectangleAndClass)
{
    const DlgTemplate& tmpl = MainDialogTemplate();
    ASSERT_EQ(tmpl.items.size(), 22u);
    for (const DlgItemTemplate& item : tmpl.items) {
        QWidget* pControl = GetDlgItem(s_pDlg, item.nId);
        ASSERT_NE(pControl, nullptr) << "no control " << item.nId;
        const QRect rc = tmpl.ToPixels(item.rcUnits);
        EXPECT_EQ(pControl->pos(), rc.topLeft()) << "control " << item.nId;
        // The gauge and the sliders take the size of their pictures.
        if (item.nId != IDC_METER && item.nId != IDC_SEEK && item.nId != IDC_VOLUME) {
            EXPECT_EQ(pControl->size(), rc.size()) << "control " << item.nId;
        }
        EXPECT_TRUE(pControl->isVisible()) << "control " << item.nId;
    }
    for (int nId = IDC_CLOSE; nId <= IDC_REMOVE; ++nId)
        EXPECT_NE(qobject_cast<CSkinButton*>(GetDlgItem(s_pDlg, nId)), nullptr) << nId;
    for (int nId : {IDC_TIME, IDC_EAST, IDC_NORTH})
        EXPECT_NE(qobject_cast<CTransparentStatic*>(GetDlgItem(s_pDlg, nId)), nullptr) << nId;
    for (int nId : {IDC_SEEK, IDC_VOLUME})
        EXPECT_NE(qobject_cast<CBitmapSlider*>(GetDlgItem(s_pDlg, nId)), nullptr) << nId;
    EXPECT_NE(qobject_cast<CMeter*>(GetDlgItem(s_pDlg, IDC_METER)), nullptr);
    EXPECT_NE(qobject_cast<CVideoListCtrl*>(GetDlgItem(s_pDlg, IDC_LIST_LEFT)), nullptr);
    EXPECT_NE(qobject_cast<CVideoListCtrl*>(GetDlgItem(s_pDlg, IDC_LIST_RIGHT)), nullptr);
    EXPECT_EQ(GetDlgItem(s_pDlg, IDC_VIDEO), &Peer(*s_pDlg).m_videoArea);
    EXPECT_EQ(GetDlgItem(s_pDlg, 1001), nullptr);
}

TEST_F(MainWindowTest, TabOrderFollowsTheTemplate)
{
    const std::vector<int> expected = {IDC_CLOSE, IDC_PAUSE, IDC_PLAY, IDC_STOP, IDC_PREV_CLIP, IDC_NEXT_CLIP,
                                       IDC_LOAD, IDC_ADD_FOLDER, IDC_PREV_PAGE, IDC_PLAY_SELECTED,
                                       IDC_NEXT_PAGE, IDC_REMOVE, IDC_LIST_LEFT, IDC_LIST_RIGHT};
    std::vector<int> chain;
    QWidget* pFirst = GetDlgItem(s_pDlg, IDC_CLOSE);
    QWidget* pWidget = pFirst;
    do {
        const int nId = GetDlgCtrlID(pWidget);
        if (std::find(expected.begin(), expected.end(), nId) != expected.end() &&
            (pWidget->focusPolicy() & Qt::TabFocus))
            chain.push_back(nId);
        pWidget = pWidget->nextInFocusChain();
    } while (pWidget && pWidget != pFirst && chain.size() < 40);
    EXPECT_EQ(chain, expected);
}

TEST_F(MainWindowTest, TooltipsAndInitialTexts)
{
    const std::map<int, QString> hints = {
        {IDC_CLOSE, "Close the application"}, {IDC_PAUSE, "Pause Video"}, {IDC_PLAY, "Play Loaded Video"},
        {IDC_STOP, "Stop Video"}, {IDC_PREV_CLIP, "Prev Clip"}, {IDC_NEXT_CLIP, "Next Clip"},
        {IDC_LOAD, "Load File"}, {IDC_ADD_FOLDER, "Add File To List"}, {IDC_REMOVE, "Remove File from List"},
        {IDC_PREV_PAGE, "File List Previous Page"}, {IDC_NEXT_PAGE, "File List Next Page"},
        {IDC_PLAY_SELECTED, "Play Selected Video"}};
    for (const auto& [nId, strHint] : hints) {
        auto* pButton = qobject_cast<CSkinButton*>(GetDlgItem(s_pDlg, nId));
        ASSERT_NE(pButton, nullptr);
        EXPECT_EQ(pButton->toolTip(), strHint) << nId;
        EXPECT_TRUE(pButton->text().isEmpty()) << nId;
    }
    EXPECT_EQ(Peer(*s_pDlg).m_timeText.text(), "00:00:00/00:00:00");
    EXPECT_EQ(Peer(*s_pDlg).m_eastText.text(), "E:000.000000");
    EXPECT_EQ(Peer(*s_pDlg).m_northText.text(), "N:00.000000");
    EXPECT_EQ(s_pDlg->ClipState().m_nPlayState, PLAY_IDLE);
    EXPECT_EQ(Peer(*s_pDlg).m_nActiveList, 1);
    EXPECT_EQ(Peer(*s_pDlg).m_nPage, 0);
    EXPECT_EQ(s_pDlg->ClipState().m_nPageWait, 0);
    EXPECT_EQ(Peer(*s_pDlg).m_volumeSlider.GetPos(), 50);
    EXPECT_EQ(Peer(*s_pDlg).m_seekSlider.GetPos(), 0);
    EXPECT_FALSE(s_pDlg->ClipState().m_bWaitTimer);
    EXPECT_FALSE(s_pDlg->ClipState().m_bPositionTimer);
}

TEST_F(MainWindowTest, ListViewsHaveFourFixedCentredColumns)
{
    for (CVideoListCtrl* pList : {&Peer(*s_pDlg).m_listLeft, &Peer(*s_pDlg).m_listRight}) {
        ASSERT_EQ(pList->columnCount(), 4);
        const QStringList titles = {"File Name", "Date", "Time", "Log"};
        const int widths[] = {117, 85, 70, 40};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(pList->headerItem()->text(i), titles[i]);
            EXPECT_EQ(pList->columnWidth(i), widths[i]);
            EXPECT_EQ(pList->header()->sectionResizeMode(i), QHeaderView::Fixed);
        }
        EXPECT_EQ(pList->selectionMode(), QAbstractItemView::SingleSelection);
        EXPECT_EQ(pList->selectionBehavior(), QAbstractItemView::SelectRows);
        const QColor base(235, 235, 255);
        EXPECT_EQ(pList->palette().color(QPalette::Base), base);

        // Grid lines, in the empty view too: a column divider down to the bottom, row dividers.
        const QImage image = pList->viewport()->grab().toImage();
        EXPECT_NE(image.pixelColor(widths[0] - 1, image.height() - 2), base) << "no column divider";
        EXPECT_EQ(image.pixelColor(widths[0] + 4, image.height() - 2), base);
        int nRowLines = 0;
        for (int y = 0; y < image.height(); ++y)
            nRowLines += image.pixelColor(widths[0] / 2, y) != base;
        EXPECT_GE(nRowLines, 3) << "no row dividers";
    }
}

TEST_F(MainWindowTest, IdlePictureFillsTheVideoArea)
{
    const QPixmap pixmap = Peer(*s_pDlg).m_videoArea.pixmap();
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_EQ(pixmap.size(), Peer(*s_pDlg).m_videoArea.contentsRect().size());
    EXPECT_TRUE(Peer(*s_pDlg).m_videoArea.alignment() & Qt::AlignHCenter);
    EXPECT_NE(Peer(*s_pDlg).m_videoArea.winId(), 0u);
}

TEST_F(MainWindowTest, DraggingWorksFromTheTitleStripOnly)
{
    // A spot of bare background in the strip and one below it.
    const QPoint ptStrip(300, 12);
    const QPoint ptBelow(660, 380);
    ASSERT_EQ(s_pDlg->childAt(ptStrip), nullptr);
    ASSERT_EQ(s_pDlg->childAt(ptBelow), nullptr);

    const QPoint start = s_pDlg->pos();
    QTest::mousePress(s_pDlg, Qt::LeftButton, {}, ptStrip);
    QTest::mouseMove(s_pDlg, ptStrip + QPoint(30, 20));
    QTest::mouseRelease(s_pDlg, Qt::LeftButton, {}, ptStrip + QPoint(30, 20));
    ASSERT_TRUE(WaitFor([&] { return s_pDlg->pos() == start + QPoint(30, 20); }, 2000)) << "the window did not follow the drag";
    if (HasFailure())
        return;

    const QPoint moved = s_pDlg->pos();
    QTest::mousePress(s_pDlg, Qt::LeftButton, {}, ptBelow);
    QTest::mouseMove(s_pDlg, ptBelow + QPoint(40, 40));
    QTest::mouseRelease(s_pDlg, Qt::LeftButton, {}, ptBelow + QPoint(40, 40));
    QTest::qWait(100);
    EXPECT_EQ(s_pDlg->pos(), moved);
}

TEST_F(MainWindowTest, MapViewTakesThePlaceholderAndShowsTheStartPage)
{
    ASSERT_TRUE(WaitFor([&] { return qobject_cast<CGoogleMapView*>(GetDlgItem(s_pDlg, IDC_MAP)) != nullptr; }, 10000)) << "the map view was never made";
    QWidget* pView = GetDlgItem(s_pDlg, IDC_MAP);
    EXPECT_EQ(pView, &Peer(*s_pDlg).m_mapView);
    EXPECT_EQ(pView->geometry(), QRect(646, 50, 304, 316));
    ASSERT_TRUE(WaitFor([&] { return Peer(*s_pDlg).m_mapView.m_strURL.endsWith("/StartUpPage.HTML"); }, 20000)) << "the start page never loaded";
    EXPECT_EQ(s_pDlg->ClipState().m_nPageWait, 0);
}

TEST_F(MainWindowTest, AnswersTheLivePageWithItsStartPoint)
{
    ASSERT_TRUE(WaitFor([&] { return Peer(*s_pDlg).m_mapView.GetBrowser() != nullptr; }, 10000)) << "the map browser was never made";

    // No start point: the page is not answered and never gets ready.
    Peer(*s_pDlg).SetStartPoint(0, 0, false);
    Peer(*s_pDlg).m_mapView.NavigateResource(QStringLiteral("GPS_VIEW.HTML"));
    QTest::qWait(1500);
    EXPECT_FALSE(s_pDlg->ClipState().m_bGpsPageReady);

    Peer(*s_pDlg).SetStartPoint(10.5, 20.25, true);
    Peer(*s_pDlg).m_mapView.NavigateResource(QStringLiteral("GPS_VIEW.HTML"));
    ASSERT_TRUE(WaitFor([&] { return s_pDlg->ClipState().m_bGpsPageReady; }, 20000)) << "the live map page never reported itself ready";
    QVariant center;
    Peer(*s_pDlg).m_mapView.GetBrowser()->page()->runJavaScript(
        QStringLiteral("CenterLat + ',' + CenterLng"), [&](const QVariant& v) { center = v; });
    ASSERT_TRUE(WaitFor([&] { return center.isValid(); }, 5000)) << "the page never answered";
    EXPECT_EQ(center.toString(), "10.5,20.25");
}

TEST_F(MainWindowTest, ScriptTestMessageBox)
{
    CBoxCatcher box;
    s_pDlg->ShowScriptTestMessage();
    EXPECT_EQ(box.m_strText, QStringLiteral("我是一个调用应用程序的消息框!"));
    EXPECT_EQ(box.m_strCaption, "Deruziz");
    EXPECT_EQ(box.m_buttons, QMessageBox::Ok);
}

TEST_F(MainWindowTest, IdleWindowDoesNotRepaintItself)
{
    struct PaintCounter : QObject
    {
        int nPaints = 0;
        bool eventFilter(QObject*, QEvent* pEvent) override
        {
            if (pEvent->type() == QEvent::Paint)
                ++nPaints;
            return false;
        }
    } counter;
    s_pDlg->update();
    QTest::qWait(300);
    s_pDlg->installEventFilter(&counter);
    QTest::qWait(1000);
    s_pDlg->removeEventFilter(&counter);
    EXPECT_LE(counter.nPaints, 3) << "the window keeps repainting itself";
}

TEST_F(MainWindowTest, WindowMenuEndsWithSeparatorAndAbout)
{
    QMenu* pMenu = s_pDlg->GetSystemMenu();
    ASSERT_NE(pMenu, nullptr);
    const QList<QAction*> actions = pMenu->actions();
    ASSERT_EQ(actions.size(), 7);
    EXPECT_EQ(actions[0]->text(), "Move");
    EXPECT_EQ(actions[1]->text(), "Minimize");
    EXPECT_EQ(actions[2]->text(), "Close");
    EXPECT_EQ(actions[3]->text(), "Play Clips One After Another");
    EXPECT_TRUE(actions[3]->isCheckable());
    EXPECT_EQ(actions[4]->text(), "Export Track as GPX...");
    EXPECT_TRUE(actions[5]->isSeparator());
    EXPECT_EQ(actions[6]->text(), QStringLiteral("关于 Deruziz(&A)..."));
}

TEST_F(MainWindowTest, RightClickOnStripAndAltSpaceOpenTheWindowMenu)
{
    QMenu* pMenu = s_pDlg->GetSystemMenu();
    QTest::mouseClick(s_pDlg, Qt::RightButton, {}, QPoint(300, 12));
    ASSERT_TRUE(WaitFor([&] { return pMenu->isVisible(); }, 2000)) << "the window menu did not open";
    pMenu->close();
    ASSERT_TRUE(WaitFor([&] { return !pMenu->isVisible(); })) << "the window menu did not close";

    QTest::mouseClick(s_pDlg, Qt::RightButton, {}, QPoint(660, 380));
    QTest::qWait(100);
    EXPECT_FALSE(pMenu->isVisible());

    // From a focused button too, which must not be pressed by it.
    int nClicks = 0;
    auto connection = QObject::connect(&Peer(*s_pDlg).m_btnPlay, &QPushButton::clicked, [&] { ++nClicks; });
    s_pDlg->activateWindow();
    Peer(*s_pDlg).m_btnPlay.setFocus();
    ASSERT_TRUE(WaitFor([&] { return Peer(*s_pDlg).m_btnPlay.hasFocus(); })) << "the play button did not take the focus";
    QTest::keyClick(&Peer(*s_pDlg).m_btnPlay, Qt::Key_Space, Qt::AltModifier);
    ASSERT_TRUE(WaitFor([&] { return pMenu->isVisible(); }, 2000)) << "the window menu did not open";
    pMenu->close();
    QObject::disconnect(connection);
    EXPECT_EQ(nClicks, 0);
}

TEST_F(MainWindowTest, AboutBoxOpensAndClosesWhileTheWindowRunsOn)
{
    QString strCaption, strOk;
    QStringList texts;
    bool bHadIcon = false;
    WhenModalAppears([&](QWidget* pBox) {
        strCaption = pBox->windowTitle();
        for (QLabel* pLabel : pBox->findChildren<QLabel*>()) {
            if (!pLabel->text().isEmpty())
                texts << pLabel->text();
            if (!pLabel->pixmap().isNull())
                bHadIcon = true;
        }
        auto* pOk = pBox->findChild<QPushButton*>();
        strOk = pOk ? pOk->text() : QString();
        if (pOk)
            QTest::mouseClick(pOk, Qt::LeftButton);
    });
    s_pDlg->OnSysCommand(IDM_ABOUTBOX);
    EXPECT_EQ(strCaption, QStringLiteral("关于 Deruziz"));
    EXPECT_EQ(strOk, QStringLiteral("确定"));
    EXPECT_TRUE(texts.contains(QStringLiteral("Orvane 1.0 版")));
    EXPECT_EQ(texts.size(), 2);
    EXPECT_TRUE(bHadIcon);
    EXPECT_TRUE(s_pDlg->isVisible());

    // Escape closes it too; the main window stays.
    WhenModalAppears([](QWidget* pBox) { QTest::keyClick(pBox, Qt::Key_Escape); });
    s_pDlg->OnSysCommand(IDM_ABOUTBOX);
    EXPECT_TRUE(s_pDlg->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(MainWindowClosing, EscapeAndTheCloseButtonEndTheDialogEnterDoesNot)
{
    {
        CPlayerDlg dlg;
        QTimer::singleShot(300, &dlg, [&] { QTest::keyClick(&dlg, Qt::Key_Escape); });
        EXPECT_EQ(dlg.DoModal(), QDialog::Rejected);
    }
    {
        CPlayerDlg dlg;
        QTimer::singleShot(300, &dlg, [&] { QTest::mouseClick(&Peer(dlg).m_btnClose, Qt::LeftButton); });
        EXPECT_EQ(dlg.DoModal(), QDialog::Rejected);
    }
    {
        CPlayerDlg dlg;
        bool bAccepted = false;
        QObject::connect(&dlg, &QDialog::accepted, [&] { bAccepted = true; });
        QTimer::singleShot(300, &dlg, [&] {
            for (QWidget* pAt : {static_cast<QWidget*>(&dlg), static_cast<QWidget*>(&Peer(dlg).m_listLeft)}) {
                pAt->setFocus();
                QTest::keyClick(pAt, Qt::Key_Return);
            }
            QTest::keyClick(&dlg, Qt::Key_Escape);
        });
        EXPECT_EQ(dlg.DoModal(), QDialog::Rejected);
        EXPECT_FALSE(bAccepted) << "Enter ended the program";
    }
}
