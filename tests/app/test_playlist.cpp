// The play list in the real window: adding a card through the folder dialog, playing from the
// views, stepping over the page boundary, removing, and a slow scan that leaves the window free.
#include <gtest/gtest.h>

#include "boxcatcher.h"
#include "playerdlgpeer.h"
#include "waitfor.h"
#include "window/player_dlg.h"
#include "testclips.h"
#include "whenmodal.h"
#include "wiredwindow.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include <unistd.h>

namespace {

// Clip i starts at latitude 10 + i/100, so the coordinate text tells which clip was opened.
QString MakeCard(int nClips)
{
    const QString card = TestClips::ScratchDir() + QStringLiteral("/card%1").arg(nClips);
    const QString video = card + QStringLiteral("/DCIM/100MEDIA");
    QDir().mkpath(video);
    QDir().mkpath(card + QStringLiteral("/GPS"));
    const QString source = TestClips::Make(TestClips::AviMjpeg, 4);
    for (int i = 0; i < nClips; ++i) {
        const QString number = QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
        TestClips::CopyTo(source, video + QStringLiteral("/CLIP%1.AVI").arg(number));
        QFile log(card + QStringLiteral("/GPS/GPS%1.LOG").arg(number));
        if (log.open(QIODevice::WriteOnly))
            for (int s = 0; s < 20; ++s)
                log.write(QString::asprintf("A,1200%02d,0304100000,10%07.4f,02015.0000,10.00\n", s, i * 0.6)
                              .toLatin1());
    }
    return video;
}

QString NorthOfClip(int i)
{
    return QString::asprintf("N:%09f", 10.0 + i / 100.0);
}

void DoubleClickRow(CVideoListCtrl& list, int nRow)
{
    const QRect rc = list.visualItemRect(list.topLevelItem(nRow));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rc.center());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, rc.center());
}

class PlayListTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_wired.IsExposed()); }

    CWiredWindow m_wired;
    CPlayerDlg& m_dlg = m_wired.Dlg();
};

} // namespace

TEST_F(PlayListTest, AddPlayStepOverThePageAndRemoveAsAUserDoes)
{
    const QString folder = MakeCard(12);
    WhenModalAppears([&](QWidget* pModal) {
        auto* pDialog = qobject_cast<QFileDialog*>(pModal);
        EXPECT_NE(pDialog, nullptr);
        if (!pDialog) {
            pModal->close();
            return;
        }
        EXPECT_EQ(pDialog->windowTitle(), "Select the folder to add files to play list");
        EXPECT_EQ(pDialog->fileMode(), QFileDialog::Directory);
        pDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(folder);
        static_cast<QDialog*>(pDialog)->accept();
    }, 30000);
    QTest::mouseClick(&Peer(m_dlg).m_btnAddFolder, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !m_dlg.IsScanning(); }, 10000)) << "the scan never ended";
    ASSERT_EQ(Peer(m_dlg).m_entries.GetCount(), 12);
    EXPECT_EQ(Peer(m_dlg).m_listLeft.topLevelItemCount(), 5);
    EXPECT_EQ(Peer(m_dlg).m_listRight.topLevelItemCount(), 5);
    const CFolderScanResult expected = ScanFolder(QFile::encodeName(folder).toStdString());
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(Peer(m_dlg).m_entries.GetAt(i).m_strPath, expected.m_clips[std::size_t(i)].m_strPath);
    auto clipOf = [&](int nEntry) { return QString::fromStdString(Peer(m_dlg).m_entries.GetAt(nEntry).m_strName).mid(4, 4).toInt(); };

    // A double-click in the right view plays that row's clip, with its track.
    DoubleClickRow(Peer(m_dlg).m_listRight, 4);
    EXPECT_EQ(Peer(m_dlg).m_nActiveList, 0);
    EXPECT_EQ(Peer(m_dlg).m_northText.text(), NorthOfClip(clipOf(9)));
    ASSERT_TRUE(WaitFor([&] { return m_dlg.ClipState().m_bPositionTimer; }, 20000)) << "tracking never started";

    // Next Clip from the last row of the page turns it and plays its first entry.
    QTest::mouseClick(&Peer(m_dlg).m_btnNextClip, Qt::LeftButton);
    EXPECT_EQ(Peer(m_dlg).m_nPage, 1);
    EXPECT_EQ(Peer(m_dlg).m_nActiveList, 1);
    EXPECT_EQ(Peer(m_dlg).m_listLeft.GetSelectedRow(), 0);
    EXPECT_EQ(Peer(m_dlg).m_listLeft.topLevelItemCount(), 2);
    EXPECT_EQ(Peer(m_dlg).m_northText.text(), NorthOfClip(clipOf(10)));
    ASSERT_TRUE(WaitFor([&] { return m_dlg.ClipState().m_bPositionTimer; }, 20000)) << "tracking never started";

    // Removing the selected row leaves the playing clip alone.
    QTest::mouseClick(&Peer(m_dlg).m_btnRemove, Qt::LeftButton);
    EXPECT_EQ(Peer(m_dlg).m_entries.GetCount(), 11);
    EXPECT_EQ(Peer(m_dlg).m_listLeft.topLevelItemCount(), 1);
    EXPECT_EQ(m_dlg.ClipState().m_nPlayState, PLAY_PLAYING);

    // A double-click on the empty right view makes it active, clears the left selection and
    // opens nothing.
    const QString playing = m_dlg.GetClipPath();
    Peer(m_dlg).m_listLeft.SelectRow(0);
    QTest::mouseDClick(Peer(m_dlg).m_listRight.viewport(), Qt::LeftButton, {}, QPoint(20, 40));
    EXPECT_EQ(Peer(m_dlg).m_nActiveList, 0);
    EXPECT_EQ(Peer(m_dlg).m_listLeft.GetSelectedRow(), -1);
    EXPECT_EQ(m_dlg.GetClipPath(), playing);
}

TEST_F(PlayListTest, SlowScanLeavesTheWindowFreeAndReportsUnreadableClipsOnce)
{
    const QString folder = TestClips::ScratchDir() + QStringLiteral("/slowcard/DCIM/100MEDIA");
    QDir().mkpath(folder);
    for (int i = 0; i < 300; ++i) {
        QFile clip(folder + QStringLiteral("/CLIP%1.MOV").arg(i, 4, 10, QLatin1Char('0')));
        ASSERT_TRUE(clip.open(QIODevice::WriteOnly));
    }
    // Clips whose open fails: links to nowhere.
    for (const char* pszName : {"/GONE0001.MOV", "/GONE0002.MOV"})
        ASSERT_EQ(::symlink("/nonexistent/target.MOV", QFile::encodeName(folder + QLatin1String(pszName)).constData()), 0);

    m_dlg.SetFolderScanner([](const std::string& strFolder, const CScanHooks& hooks) {
        CScanHooks slow = hooks;
        slow.m_fnCancel = [hooks] {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return hooks.m_fnCancel && hooks.m_fnCancel();
        };
        return ScanFolder(strFolder, slow);
    });
    CBoxCatcher box;
    int nTicksWhileScanning = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { nTicksWhileScanning += m_dlg.IsScanning() ? 1 : 0; });
    ticker.start(20);
    m_dlg.StartAddFolder(QFile::encodeName(folder).toStdString());
    EXPECT_FALSE(Peer(m_dlg).m_btnAddFolder.isEnabled());
    ASSERT_TRUE(WaitFor([&] { return !m_dlg.IsScanning(); }, 30000)) << "the scan never ended";
    ASSERT_TRUE(WaitFor([&] { return box.m_bSeen; }, 5000)) << "no box after the scan";

    EXPECT_GT(nTicksWhileScanning, 10) << "the event loop ran while the scan did";
    EXPECT_TRUE(Peer(m_dlg).m_btnAddFolder.isEnabled());
    EXPECT_EQ(Peer(m_dlg).m_entries.GetCount(), 300);
    EXPECT_TRUE(box.m_strText.contains(QStringLiteral("/GONE000"))) << box.m_strText.toStdString();
    EXPECT_TRUE(box.m_strText.contains(QStringLiteral("1 more file"))) << box.m_strText.toStdString();
    EXPECT_EQ(Peer(m_dlg).m_listLeft.topLevelItemCount(), 5);
}

TEST_F(PlayListTest, FolderWithLinksToProcRootAndBackUpEndsWithItsOwnClipsOnce)
{
    const QString folder = TestClips::ScratchDir() + QStringLiteral("/linkedcard");
    QDir().mkpath(folder + QStringLiteral("/DCIM"));
    const QString own[] = {folder + QStringLiteral("/DCIM/OWN0001.MOV"), folder + QStringLiteral("/OWN0002.MOV")};
    for (const QString& clip : own) {
        QFile file(clip);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    for (const auto& [pszLink, pszTarget] : {std::pair{"/proc", "/proc"}, {"/root", "/"}, {"/DCIM/up", ".."}})
        ASSERT_EQ(::symlink(pszTarget, QFile::encodeName(folder + QLatin1String(pszLink)).constData()), 0);

    CBoxCatcher box;  // what the walk through "/" could not read
    m_dlg.StartAddFolder(QFile::encodeName(folder).toStdString());
    ASSERT_TRUE(WaitFor([&] { return !m_dlg.IsScanning(); }, 120000)) << "the scan never ended";
    for (const QString& clip : own) {
        int nListed = 0;
        for (int i = 0; i < Peer(m_dlg).m_entries.GetCount(); ++i)
            nListed += QFileInfo(QString::fromStdString(Peer(m_dlg).m_entries.GetAt(i).m_strPath)).canonicalFilePath()
                    == QFileInfo(clip).canonicalFilePath();
        EXPECT_EQ(nListed, 1) << clip.toStdString();
    }
}

TEST_F(PlayListTest, AClickOnTheNoteStopsAStuckScanAndAFolderAddedAfterItIsScannedMeanwhile)
{
    const QString stuck = TestClips::ScratchDir() + QStringLiteral("/stuckcard");
    const QString later = TestClips::ScratchDir() + QStringLiteral("/latercard");
    for (const auto& [folder, nClips] : {std::pair{stuck, 400}, {later, 3}}) {
        QDir().mkpath(folder);
        for (int i = nClips - 1; i >= 0; --i) {  // not in name order
            QFile clip(folder + QStringLiteral("/CLIP%1.MOV").arg(i, 4, 10, QLatin1Char('0')));
            ASSERT_TRUE(clip.open(QIODevice::WriteOnly));
        }
    }
    // The first folder's scan takes 150 clips, then hangs until it is told to stop.
    std::atomic<bool> bLaterScanned{false};
    const std::string strStuck = QFile::encodeName(stuck).toStdString();
    m_dlg.SetFolderScanner([&](const std::string& strFolder, const CScanHooks& hooks) {
        if (strFolder != strStuck) {
            CFolderScanResult result = ScanFolder(strFolder, hooks);
            bLaterScanned = true;
            return result;
        }
        auto pnAsked = std::make_shared<int>(0);
        CScanHooks stuckHooks = hooks;
        stuckHooks.m_fnCancel = [hooks, pnAsked] {
            while (++*pnAsked > 150 && !hooks.m_fnCancel())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return *pnAsked > 150;
        };
        return ScanFolder(strFolder, stuckHooks);
    });
    m_dlg.StartAddFolder(strStuck);
    m_dlg.StartAddFolder(QFile::encodeName(later).toStdString());
    ASSERT_TRUE(WaitFor([&] { return bLaterScanned.load(); }, 30000)) << "the later folder waited for the stuck one";
    EXPECT_EQ(Peer(m_dlg).m_entries.GetCount(), 0) << "the later folder's clips came before the first's";

    auto* pNote = m_dlg.findChild<CScanNote*>();
    ASSERT_NE(pNote, nullptr);
    ASSERT_TRUE(pNote->isVisible());
    QTest::mouseClick(pNote, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !m_dlg.IsScanning(); }, 30000)) << "the click did not stop the scan";
    ASSERT_EQ(Peer(m_dlg).m_entries.GetCount(), 153);
    EXPECT_EQ(Peer(m_dlg).m_entries.GetAt(149).m_strName, "CLIP0149.MOV");
    EXPECT_EQ(Peer(m_dlg).m_entries.GetAt(150).m_strPath, QFile::encodeName(later + QStringLiteral("/CLIP0000.MOV")).toStdString());
    EXPECT_FALSE(pNote->isVisible());
}

TEST_F(PlayListTest, OneAfterAnotherPlaysTheNextEntryWithItsTrackOnlyWhenOn)
{
    m_dlg.OpenPaths({QFile::encodeName(MakeCard(3)).toStdString()});
    ASSERT_TRUE(WaitFor([&] { return !m_dlg.IsScanning() && Peer(m_dlg).m_entries.GetCount() == 3; }, 10000))
        << "the scan never ended";
    auto clipOf = [&](int nEntry) { return QString::fromStdString(Peer(m_dlg).m_entries.GetAt(nEntry).m_strPath); };

    m_dlg.SetContinuousPlay(true);
    m_dlg.OnPlaySelected();
    ASSERT_TRUE(WaitFor([&] { return m_dlg.GetClipPath() == clipOf(1); }, 20000)) << "the next entry never followed";
    EXPECT_EQ(Peer(m_dlg).m_listLeft.GetSelectedRow(), 1) << "the selection moves with it";
    ASSERT_TRUE(WaitFor([&] { return m_dlg.ClipState().m_bPositionTimer; }, 20000)) << "the next clip is not tracked";
    EXPECT_EQ(Peer(m_dlg).m_northText.text().left(7), NorthOfClip(1).left(7)) << "the next clip shows its own track";

    m_dlg.SetContinuousPlay(false);
    ASSERT_TRUE(WaitFor([&] { return m_dlg.GetStatus() == IPlayerControl::Status::Stopped; }, 20000))
        << "the second clip never ended";
    QTest::qWait(1500);
    EXPECT_EQ(m_dlg.GetClipPath(), clipOf(1)) << "with one after another off, nothing follows";
}
