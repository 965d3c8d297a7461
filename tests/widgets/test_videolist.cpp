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

namespace {

const QColor kBase(235, 235, 255);

// A view set up as the main window sets up its own, at the window's size for it.
struct ListScene
{
    explicit ListScene(const QStringList& names)
    {
        list.SetUpReportView();
        QPalette palette = list.palette();
        palette.setColor(QPalette::Base, kBase);
        list.setPalette(palette);
        const DlgTemplate& tmpl = MainDialogTemplate();
        list.resize(tmpl.ToPixels(tmpl.Find(IDC_LIST_LEFT)->rcUnits).size());
        for (const QString& name : names)
            list.AddEntryRow(CVideoEntry(name.toStdString(), "2026-12-01", "10:15:00", "/card/" + name.toStdString(), "Y"));
    }
    CVideoListCtrl list;
};

QString ToolTipAt(CVideoListCtrl& list, const QPoint& pt)
{
    QToolTip::hideText();
    QHelpEvent help(QEvent::ToolTip, pt, list.viewport()->mapToGlobal(pt));
    QApplication::sendEvent(list.viewport(), &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

} // namespace

TEST(VideoList, LongNamesKeepTheirEndsAndShowWholeAsTheTooltip)
{
    struct Row
    {
        const char* pszName;
        const char* pszEnd;
    };
    const Row rows[] = {{"2026_1201_101500_0042F.MP4", "0042F.MP4"},  // Viofo
                        {"20261201_101500_NF.mp4", "_NF.mp4"},        // BlackVue
                        {"FILE201201-101500F.MP4", "00F.MP4"}};       // Novatek
    QStringList names;
    for (const Row& row : rows)
        names << row.pszName;
    ListScene scene(names);
    scene.list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&scene.list));
    for (int i = 0; i < int(std::size(rows)); ++i) {
        const QString name = rows[i].pszName;
        const QString shown = scene.list.GetDisplayedText(i, 0);
        EXPECT_TRUE(shown.endsWith(rows[i].pszEnd)) << shown.toStdString();
        EXPECT_TRUE(shown.startsWith(name.left(4))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
        EXPECT_LE(scene.list.fontMetrics().horizontalAdvance(shown), scene.list.columnWidth(0));
        EXPECT_EQ(scene.list.GetDisplayedText(i, 2), "10:15:00");

        const QRect rcName = scene.list.visualRect(scene.list.model()->index(i, 0));
        const QRect rcTime = scene.list.visualRect(scene.list.model()->index(i, 2));
        EXPECT_EQ(ToolTipAt(scene.list, rcName.center()), name);
        EXPECT_EQ(ToolTipAt(scene.list, rcTime.center()), name);
    }
    QToolTip::hideText();
}

// A name of underscores alone draws nothing but its underscores, which sit on the text's
// last pixel lines: where the grid line under the row covers them, the row looks empty.
TEST(VideoList, FiveRowsShowAndTheGridCoversNoUnderscore)
{
    ListScene underscores({"____", "b", "c", "d", "e"});
    ListScene blank({"", "b", "c", "d", "e"});
    for (ListScene* pScene : {&underscores, &blank}) {
        pScene->list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&pScene->list));
    }
    const QRect rcLast = underscores.list.visualItemRect(underscores.list.topLevelItem(4));
    EXPECT_LE(rcLast.bottom(), underscores.list.viewport()->height() - 1) << "the fifth row is cut off";

    EXPECT_GE(rcLast.height(), underscores.list.fontMetrics().height() + 1) << "no room for a line of text and the grid line";

    const QImage drawn = Grab(*underscores.list.viewport());
    const QImage empty = Grab(*blank.list.viewport());
    // The grab holds device pixels: twice as many each way at a scale factor of 2.
    const qreal dpr = drawn.devicePixelRatio();
    const QRect rcRow = underscores.list.visualItemRect(underscores.list.topLevelItem(0));
    int nDiffering = 0;
    for (int y = int(rcRow.top() * dpr); y < int((rcRow.bottom() + 1) * dpr); ++y) {
        for (int x = 0; x < int((underscores.list.columnWidth(0) - 1) * dpr); ++x)
            nDiffering += Rgb(drawn, x, y) != Rgb(empty, x, y);
    }
    EXPECT_GT(nDiffering, 0) << "the underscores are not drawn";
}
