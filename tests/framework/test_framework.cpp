#include <gtest/gtest.h>

#include "framework/controlid.h"
#include "framework/dialogtemplate.h"
#include "framework/core/fileerror.h"
#include "framework/filereport.h"
#include "framework/instancelock.h"
#include "framework/messages.h"
#include "framework/resources.h"
#include "boxcatcher.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>


TEST(Resources, BitmapsIconsAndStringsByNumber)
{
    const QImage background = Resources::LoadBitmap(132);
    ASSERT_FALSE(background.isNull());
    EXPECT_EQ(background.size(), QSize(960, 600));
    EXPECT_EQ(background.format(), QImage::Format_RGB32);
    for (unsigned nId : {156u, 157u, 159u, 160u, 161u, 162u, 163u, 165u, 166u, 170u})
        EXPECT_EQ(Resources::LoadBitmap(nId).size(), QSize(32, 32)) << nId;
    EXPECT_EQ(Resources::LoadBitmap(145).size(), QSize(500, 18));
    EXPECT_EQ(Resources::LoadBitmap(148).size(), QSize(500, 18));
    EXPECT_EQ(Resources::LoadBitmap(149).size(), QSize(110, 18));
    EXPECT_EQ(Resources::LoadBitmap(150).size(), QSize(110, 18));
    for (unsigned nId : {146u, 147u}) {
        const QImage thumb = Resources::LoadBitmap(nId);
        EXPECT_EQ(thumb.size(), QSize(18, 18));
        EXPECT_EQ(thumb.pixel(0, 0) & 0xFFFFFF, 0u) << "thumb key is black at (0, 0)";
    }
    EXPECT_EQ(Resources::LoadBitmap(154).size(), QSize(180, 111));
    EXPECT_EQ(Resources::LoadBitmap(171).size(), QSize(636, 317));
    EXPECT_TRUE(Resources::LoadBitmap(999).isNull());
    EXPECT_FALSE(Resources::LoadIcon(128).isNull());
    EXPECT_FALSE(Resources::LoadIconImage(130).isNull());

    EXPECT_EQ(Resources::LoadString(101), QStringLiteral("关于 Deruziz(&A)..."));
    EXPECT_EQ(Resources::LoadString(61442), QStringLiteral("所有文件 (*.*)"));
    EXPECT_TRUE(Resources::LoadString(7).isEmpty());
}

TEST(Resources, NamesMatchWithoutRegardToCase)
{
    const QString path = Resources::FindNamed(QStringLiteral("gps.jpg"));
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(path, Resources::FindNamed(QStringLiteral("GPS.JPG")));
    QByteArray data;
    ASSERT_TRUE(Resources::LoadNamed(QStringLiteral("Gps.Jpg"), &data));
    QImage picture;
    ASSERT_TRUE(picture.loadFromData(data));
    EXPECT_EQ(picture.size(), QSize(304, 317));
    EXPECT_FALSE(Resources::LoadNamed(QStringLiteral("NO_SUCH_PAGE.HTML"), &data));
    EXPECT_TRUE(Resources::FindNamed(QString()).isEmpty());
}

TEST(DialogTemplates, TwoPixelsPerUnit)
{
    const DlgTemplate& main = MainDialogTemplate();
    EXPECT_EQ(main.PixelSize(), QSize(958, 602));
    EXPECT_EQ(main.ToPixels(QRect(2, 25, 319, 158)), QRect(4, 50, 638, 316));
    ASSERT_NE(main.Find(1004), nullptr);
    EXPECT_EQ(main.ToPixels(main.Find(1004)->rcUnits), QRect(646, 50, 304, 316));
    EXPECT_EQ(main.Find(4242), nullptr);
    const DlgTemplate& about = AboutDialogTemplate();
    EXPECT_EQ(about.nId, 100);
    EXPECT_EQ(about.PixelSize(), QSize(470, 110));
}

TEST(DialogTemplates, ControlsCarryTheirIds)
{
    QWidget dialog;
    CreateDialogControls(&dialog, AboutDialogTemplate(), nullptr);
    auto* pOk = qobject_cast<QPushButton*>(GetDlgItem(&dialog, 1));
    ASSERT_NE(pOk, nullptr);
    EXPECT_EQ(pOk->text(), QStringLiteral("确定"));
    EXPECT_EQ(pOk->geometry(), QRect(356, 14, 100, 28));
    EXPECT_EQ(GetDlgCtrlID(pOk), 1);
    EXPECT_EQ(GetDlgItem(&dialog, 2), nullptr);
    EXPECT_EQ(GetDlgItem(nullptr, 1), nullptr);
    EXPECT_EQ(GetDlgCtrlID(&dialog), 0);
}

TEST(Messages, NumbersOfThePrivateMessages)
{
    EXPECT_EQ(int(WM_MAP_DOCUMENT_COMPLETE), 0x401);
    EXPECT_EQ(int(WM_MAP_NAVIGATE_COMPLETE), 0x402);
    EXPECT_EQ(int(WM_MAP_BEFORE_NAVIGATE), 0x403);
    EXPECT_EQ(int(WM_MAP_LOAD_COMPLETE), 0x404);
    EXPECT_EQ(int(WM_SLIDER_TRACK), 0x28D1);
    EXPECT_EQ(int(WM_SLIDER_CHANGED), 0x28D2);
    for (QEvent::Type type : {WM_MAP_DOCUMENT_COMPLETE, WM_SLIDER_CHANGED}) {
        EXPECT_GE(int(type), int(QEvent::User));
        EXPECT_LE(int(type), int(QEvent::MaxUser));
    }
}

TEST(FileErrors, CauseFromErrnoAndReport)
{
    EXPECT_EQ(CFileException::FromErrno(ENOENT, "/x/CLIP0001.MOV").m_cause, CFileException::fileNotFound);
    EXPECT_EQ(CFileException::FromErrno(EACCES, "/x").m_cause, CFileException::accessDenied);
    EXPECT_EQ(CFileException::FromErrno(EIO, "/x").m_cause, CFileException::genericException);
    const CFileException error = CFileException::FromErrno(ENOENT, "/media/CARD/CLIP0001.MOV");
    EXPECT_EQ(error.GetErrorMessage(), "/media/CARD/CLIP0001.MOV was not found.");

    CBoxCatcher box;
    bool bAfter = false;
    RunReportingFileErrors(nullptr, [&] {
        throw error;
        bAfter = true;
    });
    EXPECT_FALSE(bAfter);
    EXPECT_EQ(box.m_strText, "/media/CARD/CLIP0001.MOV was not found.");
    EXPECT_EQ(box.m_strCaption, "Deruziz");
    EXPECT_EQ(box.m_icon, QMessageBox::Critical);
}

TEST(InstanceLock, HeldUntilReleased)
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    EXPECT_TRUE(CInstanceLock::LockFilePath("VideriRedir").startsWith(runtime.path()));
    {
        CInstanceLock first;
        ASSERT_TRUE(first.Acquire("VideriRedir"));
        EXPECT_TRUE(first.Acquire("VideriRedir")) << "the holder keeps holding";
        CInstanceLock second;
        EXPECT_FALSE(second.Acquire("VideriRedir"));
        CInstanceLock other;
        EXPECT_TRUE(other.Acquire("SomethingElse"));
    }
    CInstanceLock again;
    EXPECT_TRUE(again.Acquire("VideriRedir"));
}
