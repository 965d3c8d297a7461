// Play-list view: camcorders' long clip names, their tooltips, and text clear of the grid lines.

#include "skintest.h"

#include "framework/dialogtemplate.h"
#include "logic/video.h"
#include "resource.h"
#include "skin/videolistctrl.h"

#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

// A view as the main window sets its own up, at the window's size for it, shown.
void ShowList(CVideoListCtrl& list, const QStringList& names)
{
    list.SetUpReportView();
    const DlgTemplate& tmpl = MainDialogTemplate();
    list.resize(tmpl.ToPixels(tmpl.Find(IDC_LIST_LEFT)->rcUnits).size());
    for (const QString& name : names)
        list.AddEntryRow(CVideoEntry(name.toStdString(), 1796120100, "/card/x", true));
    list.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
}

} // namespace

TEST(VideoList, LongNamesKeepTheirEndsAndShowWholeAsTheTooltip)
{
    // Viofo, BlackVue and Novatek names, and the end each keeps.
    const QStringList names = {"2026_1201_101500_0042F.MP4", "20261201_101500_NF.mp4", "FILE201201-101500F.MP4"};
    const QStringList ends = {"…0042F.MP4", "_NF.mp4", "00F.MP4"};
    CVideoListCtrl list;
    ShowList(list, names);
    for (int i = 0; i < names.size(); ++i) {
        const QString shown = list.GetDisplayedText(i, 0);
        EXPECT_TRUE(shown.endsWith(ends[i]) && shown.startsWith(names[i].left(4)) && shown.contains(u'…'))
            << shown.toStdString();
        for (int nColumn : {0, 2}) {
            const QPoint pt = list.visualRect(list.model()->index(i, nColumn)).center();
            QHelpEvent help(QEvent::ToolTip, pt, list.viewport()->mapToGlobal(pt));
            QApplication::sendEvent(list.viewport(), &help);
            EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text() : QString(), names[i]) << nColumn;
            QToolTip::hideText();
        }
    }
}

TEST(VideoList, RowsShowTheWriteTimeInTheLocalZoneAndTheTrackFlag)
{
    const std::string savedTz = std::getenv("TZ") ? std::getenv("TZ") : "";
    ::setenv("TZ", "CST-8", 1);
    ::tzset();
    CVideoListCtrl list;
    list.SetUpReportView();
    list.AddEntryRow(CVideoEntry("A.MOV", 1306614605, "/card/A.MOV", true));
    list.AddEntryRow(CVideoEntry("B.MOV", 0, "/card/B.MOV", false));
    ::setenv("TZ", savedTz.c_str(), 1);
    ::tzset();
    const QStringList rows[] = {{"A.MOV", "2011-05-29", "04:30:05", "Y"}, {"B.MOV", "1970-01-01", "08:00:00", "N"}};
    for (int nRow = 0; nRow < 2; ++nRow) {
        for (int nColumn = 0; nColumn < 4; ++nColumn)
            EXPECT_EQ(list.topLevelItem(nRow)->text(nColumn), rows[nRow][nColumn]) << nRow << " " << nColumn;
    }
}

// A name of underscores alone draws nothing but underscores, on the text's last pixel lines:
// where the grid line under the row covers them, the row looks as if its name were empty.
TEST(VideoList, FiveRowsShowAndTheGridCoversNoUnderscore)
{
    CVideoListCtrl underscores, blank;
    ShowList(underscores, {"____", "b", "c", "d", "e"});
    ShowList(blank, {"", "b", "c", "d", "e"});
    const QRect rcLast = underscores.visualItemRect(underscores.topLevelItem(4));
    EXPECT_LE(rcLast.bottom(), underscores.viewport()->height() - 1) << "the fifth row is cut off";
    EXPECT_GE(rcLast.height(), underscores.fontMetrics().height() + 1) << "no room for the text and the grid line";

    const QImage drawn = Grab(*underscores.viewport());
    const QImage empty = Grab(*blank.viewport());
    const qreal dpr = drawn.devicePixelRatio();  // 2 at a scale factor of 2
    const QRect rcRow = underscores.visualItemRect(underscores.topLevelItem(0));
    int nDiffering = 0;
    for (int y = int(rcRow.top() * dpr); y < int((rcRow.bottom() + 1) * dpr); ++y) {
        for (int x = 0; x < int((underscores.columnWidth(0) - 1) * dpr); ++x)
            nDiffering += Rgb(drawn, x, y) != Rgb(empty, x, y);
    }
    EXPECT_GT(nDiffering, 0) << "the underscores are not drawn";
}
