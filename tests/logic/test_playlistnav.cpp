#include "logic/playlistnav.h"
#include "logic/video.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

namespace {

const bool STARTED = true;
const bool IDLE = false;
const int LEFT = 1;
const int RIGHT = 0;

using CCommand = CListCommandResult (*)(const CListState&, int nCount, bool bStarted);
const CCommand NEXT_CLIP = NextClip;
const CCommand PREV_CLIP = PrevClip;
const CCommand NEXT_PAGE = [](const CListState& s, int n, bool) { return NextPage(s, n); };
const CCommand PREV_PAGE = [](const CListState& s, int n, bool) { return PrevPage(s, n); };
const CCommand PLAY_SELECTED = [](const CListState& s, int n, bool) { return PlaySelected(s, n); };
const CCommand DBLCLK_LEFT = [](const CListState& s, int n, bool) { return DoubleClick(s, n, false); };
const CCommand DBLCLK_RIGHT = [](const CListState& s, int n, bool) { return DoubleClick(s, n, true); };

std::string Text(const CListState& s)
{
    return "page " + std::to_string(s.m_nPage) + (s.m_nActiveList == LEFT ? " left" : " right") +
           " L" + std::to_string(s.m_nSelLeft) + " R" + std::to_string(s.m_nSelRight);
}

} // namespace

TEST(PlayListPages, RowsOfEachView)
{
    const struct
    {
        int count, page, left, right;
    } rows[] = {
        {7, 0, 5, 2},   {10, 0, 5, 5}, {10, 1, 0, 0}, {12, 0, 5, 5}, {12, 1, 2, 0},
        {23, 0, 5, 5},  {23, 1, 5, 5}, {23, 2, 3, 0}, {23, 3, 0, 0}, {15, 1, 5, 0},
        {16, 1, 5, 1},  {0, 0, 0, 0},  {20, 2, 0, 0}, {50000, 4999, 5, 5},
    };
    for (const auto& row : rows) {
        const CPageRows got = PageRowCounts(row.count, row.page);
        EXPECT_EQ(got.m_nLeft, row.left) << row.count << " entries, page " << row.page;
        EXPECT_EQ(got.m_nRight, row.right) << row.count << " entries, page " << row.page;
    }
    // With 23 entries page 1 shows 10-14 and 15-19, page 2 starts with 20.
    EXPECT_EQ(EntryAt(1, false, 0), 10);
    EXPECT_EQ(EntryAt(1, false, 4), 14);
    EXPECT_EQ(EntryAt(1, true, 0), 15);
    EXPECT_EQ(EntryAt(1, true, 4), 19);
    EXPECT_EQ(EntryAt(2, false, 2), 22);
}

TEST(PlayListCommands, StepAndPageAsTheViewsWould)
{
    const struct
    {
        CCommand command;
        int count;
        bool started;
        CListState before, after;
        bool redrawn;
        int open;
    } rows[] = {
        // Nothing selected: the first of the page; before any clip started, only the selection.
        {NEXT_CLIP, 23, STARTED, {0, LEFT, -1, -1}, {0, LEFT, 0, -1}, false, 0},
        {NEXT_CLIP, 23, IDLE, {0, LEFT, -1, -1}, {0, LEFT, 0, -1}, false, -1},
        {NEXT_CLIP, 23, STARTED, {1, LEFT, 2, -1}, {1, LEFT, 3, -1}, false, 13},
        // Left row 4 crosses to right row 0, right row 4 turns the page.
        {NEXT_CLIP, 23, STARTED, {0, LEFT, 4, 2}, {0, RIGHT, -1, 0}, false, 5},
        {NEXT_CLIP, 23, STARTED, {0, RIGHT, 1, 4}, {1, LEFT, 0, -1}, true, 10},
        {NEXT_CLIP, 23, IDLE, {1, RIGHT, -1, 4}, {2, LEFT, 0, -1}, true, -1},
        {NEXT_CLIP, 27, STARTED, {2, LEFT, 4, -1}, {2, RIGHT, -1, 0}, false, 25},
        {NEXT_CLIP, 23, STARTED, {0, RIGHT, 3, -1}, {0, RIGHT, 3, 0}, false, 5},
        // At the last entry, and on an empty list: nothing.
        {NEXT_CLIP, 23, STARTED, {2, LEFT, 2, -1}, {2, LEFT, 2, -1}, false, -1},
        {NEXT_CLIP, 5, STARTED, {0, LEFT, 4, -1}, {0, LEFT, 4, -1}, false, -1},
        {NEXT_CLIP, 10, STARTED, {0, RIGHT, -1, 4}, {0, RIGHT, -1, 4}, false, -1},
        {NEXT_CLIP, 7, STARTED, {0, RIGHT, -1, 1}, {0, RIGHT, -1, 1}, false, -1},
        {NEXT_CLIP, 0, STARTED, {0, LEFT, -1, -1}, {0, LEFT, -1, -1}, false, -1},
        // Left row 0: nothing on page 0, entry 19 from page 2; right row 0 to left row 4.
        {PREV_CLIP, 23, STARTED, {0, LEFT, 0, -1}, {0, LEFT, 0, -1}, false, -1},
        {PREV_CLIP, 23, STARTED, {2, LEFT, 0, -1}, {1, RIGHT, -1, 4}, true, 19},
        {PREV_CLIP, 23, STARTED, {1, LEFT, -1, -1}, {0, RIGHT, -1, 4}, true, -1},
        {PREV_CLIP, 23, STARTED, {1, RIGHT, 1, 0}, {1, LEFT, 4, -1}, false, 14},
        {PREV_CLIP, 23, IDLE, {0, RIGHT, -1, 0}, {0, LEFT, 4, -1}, false, -1},
        {PREV_CLIP, 23, STARTED, {0, RIGHT, 2, -1}, {0, LEFT, 4, -1}, false, -1},
        {PREV_CLIP, 23, STARTED, {0, RIGHT, -1, 3}, {0, RIGHT, -1, 2}, false, 7},
        // Pages: 11 entries have a second page, 10 do not; a redraw clears the selection.
        {NEXT_PAGE, 11, STARTED, {0, LEFT, 2, 3}, {1, LEFT, -1, -1}, true, -1},
        {NEXT_PAGE, 10, STARTED, {0, LEFT, 2, 3}, {0, LEFT, 2, 3}, false, -1},
        {PREV_PAGE, 23, STARTED, {0, RIGHT, 2, 3}, {0, RIGHT, 2, 3}, false, -1},
        {PREV_PAGE, 20, STARTED, {2, LEFT, -1, -1}, {1, LEFT, -1, -1}, true, -1},
        // Play selected and double-click work before any clip was started.
        {PLAY_SELECTED, 23, IDLE, {1, RIGHT, 0, 1}, {1, RIGHT, 0, 1}, false, 16},
        {PLAY_SELECTED, 23, STARTED, {1, LEFT, -1, 1}, {1, LEFT, -1, 1}, false, -1},
        {DBLCLK_RIGHT, 23, IDLE, {0, LEFT, 1, 2}, {0, RIGHT, -1, 2}, false, 7},
        {DBLCLK_LEFT, 23, STARTED, {1, RIGHT, 3, 2}, {1, LEFT, 3, -1}, false, 13},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto& row = rows[i];
        const CListCommandResult got = row.command(row.before, row.count, row.started);
        EXPECT_EQ(Text(got.m_state), Text(row.after)) << "row " << i;
        EXPECT_EQ(got.m_bRedrawn, row.redrawn) << "row " << i;
        EXPECT_EQ(got.m_nOpen, row.open) << "row " << i;
    }
}

TEST(PlayListCommands, RemoveTheSelectedRows)
{
    const struct
    {
        int count;
        CListState state;
        std::vector<int> removed;  // positions, as removed one after the other
        std::vector<int> left;     // the page's first entries then, by original position
    } rows[] = {
        {23, {0, LEFT, 2, 1}, {6, 2}, {0, 1, 3, 4, 5, 7}},       // one row in each view
        {12, {1, LEFT, 1, -1}, {11}, {10}},                      // left row only
        {23, {1, RIGHT, -1, 4}, {19}, {10, 11, 12, 13, 14, 15}},  // right row only
        {21, {2, LEFT, 0, -1}, {20}, {}},                        // only row of the last page
        {23, {0, LEFT, -1, -1}, {}, {0, 1}},
    };
    for (const auto& row : rows) {
        CVideoList list;
        for (int i = 0; i < row.count; ++i)
            list.Append(CVideoEntry("", 0, "/card/" + std::to_string(i), false));

        const std::vector<int> removed = RowsToRemove(row.state, row.count);
        EXPECT_EQ(removed, row.removed) << row.count;
        for (int i : removed)
            list.RemoveAt(i);
        ASSERT_EQ(list.GetCount(), row.count - static_cast<int>(row.removed.size()));
        for (std::size_t r = 0; r < row.left.size(); ++r) {
            EXPECT_EQ(list.GetAt(EntryAt(row.state.m_nPage, false, 0) + static_cast<int>(r)).m_strPath,
                      "/card/" + std::to_string(row.left[r]));
        }
    }

    // The emptied last page stays empty until the page is turned back.
    const CPageRows emptied = PageRowCounts(20, 2);
    EXPECT_EQ(emptied.m_nLeft + emptied.m_nRight, 0);
    EXPECT_EQ(NextClip({2, LEFT, -1, -1}, 20, STARTED).m_nOpen, -1);
}

TEST(PlayListCommands, PlayEntryMovesTheSelectionToItAcrossViewsAndPages)
{
    const CListState onLeftRow4{0, LEFT, 4, -1};
    const struct
    {
        int nEntry;
        const char* pszState;
        bool bRedrawn;
        int nOpen;
    } rows[] = {
        {5, "page 0 right L-1 R0", false, 5},   {10, "page 1 left L0 R-1", true, 10},
        {3, "page 0 left L3 R-1", false, 3},    {22, "page 2 left L2 R-1", true, 22},
        {23, "page 0 left L4 R-1", false, -1},  {-1, "page 0 left L4 R-1", false, -1},
    };
    for (const auto& row : rows) {
        const CListCommandResult result = PlayEntry(onLeftRow4, 23, row.nEntry);
        EXPECT_EQ(Text(result.m_state), row.pszState) << "entry " << row.nEntry;
        EXPECT_EQ(result.m_bRedrawn, row.bRedrawn) << "entry " << row.nEntry;
        EXPECT_EQ(result.m_nOpen, row.nOpen) << "entry " << row.nEntry;
    }
}
