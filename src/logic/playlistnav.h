#pragma once

#include <vector>

// The play list's pages and the commands that step through them, as pure functions: the
// window hands in its page, active view and the two views' selections, and applies what
// comes back (redraw the page, set the selections, open a clip).
//
// A page holds 10 entries. Row r of the left view shows entry 10*page + r, row r of the
// right view entry 10*page + 5 + r.

const int PAGE_ENTRIES = 10;
const int VIEW_ROWS = 5;

struct CPageRows
{
    int m_nLeft;
    int m_nRight;
};

// How many rows each view shows for page nPage of a list of nCount entries.
CPageRows PageRowCounts(int nCount, int nPage);

// The entry shown in row nRow of a view on page nPage (whether or not it exists).
int EntryAt(int nPage, bool bRightView, int nRow);

struct CListState
{
    int m_nPage = 0;
    int m_nActiveList = 1;  // 1 the left view, 0 the right view
    int m_nSelLeft = -1;    // selected row, -1 none
    int m_nSelRight = -1;
};

struct CListCommandResult
{
    CListState m_state;
    bool m_bRedrawn = false;  // the page was drawn anew (before the new selection was set)
    int m_nOpen = -1;         // entry to open, -1 none
};

// bStarted: a clip has been started since the window opened (play state not PLAY_IDLE).
// Before that the step commands only move the selection.
CListCommandResult PrevClip(const CListState& state, int nCount, bool bStarted);
CListCommandResult NextClip(const CListState& state, int nCount, bool bStarted);
CListCommandResult PrevPage(const CListState& state, int nCount);
CListCommandResult NextPage(const CListState& state, int nCount);
// The entry of the active view's selected row, in any play state.
CListCommandResult PlaySelected(const CListState& state, int nCount);
// A double-click in a view, with the state holding the selection the click left: opens that
// view's selected row and makes the view active.
CListCommandResult DoubleClick(const CListState& state, int nCount, bool bRightView);

// Entry nEntry selected, on its page and in its view (which becomes the active one), and
// opened; an entry outside the list changes nothing.
CListCommandResult PlayEntry(const CListState& state, int nCount, int nEntry);

// The entries shown in the two selected rows, the later position first, as they are to be
// removed one after the other. The window redraws the page afterwards without changing it.
std::vector<int> RowsToRemove(const CListState& state, int nCount);
