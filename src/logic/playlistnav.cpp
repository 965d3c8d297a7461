#include "logic/playlistnav.h"

namespace {

// The two views as list controls with single selection: selecting a row that is not shown
// changes nothing, and redrawing the page clears both selections.
class CViews
{
public:
    CViews(const CListState& state, int nCount) : m_nCount(nCount) { m_result.m_state = state; }

    CListState& State() { return m_result.m_state; }
    int& Sel(bool bRight) { return bRight ? State().m_nSelRight : State().m_nSelLeft; }

    void Select(bool bRight, int nRow)
    {
        const CPageRows rows = PageRowCounts(m_nCount, State().m_nPage);
        if (nRow >= 0 && nRow < (bRight ? rows.m_nRight : rows.m_nLeft))
            Sel(bRight) = nRow;
    }

    // Clearing row -1 clears every row.
    void Clear(bool bRight, int nRow)
    {
        if (nRow < 0 || Sel(bRight) == nRow)
            Sel(bRight) = -1;
    }

    void ShowPage(int nPage)
    {
        State().m_nPage = nPage;
        State().m_nSelLeft = -1;
        State().m_nSelRight = -1;
        m_result.m_bRedrawn = true;
    }

    void PrevPage()
    {
        if (State().m_nPage > 0)
            ShowPage(State().m_nPage - 1);
    }

    void NextPage()
    {
        if (m_nCount - PAGE_ENTRIES * State().m_nPage > PAGE_ENTRIES)
            ShowPage(State().m_nPage + 1);
    }

    void Open(int nEntry)
    {
        if (nEntry >= 0 && nEntry < m_nCount)
            m_result.m_nOpen = nEntry;
    }

    const CListCommandResult& Result() const { return m_result; }

private:
    CListCommandResult m_result;
    int m_nCount;
};

} // namespace

CPageRows PageRowCounts(int nCount, int nPage)
{
    const int n = nCount - PAGE_ENTRIES * nPage;
    if (n >= PAGE_ENTRIES)
        return {VIEW_ROWS, VIEW_ROWS};
    if (n >= VIEW_ROWS)
        return {VIEW_ROWS, n - VIEW_ROWS};
    if (n > 0)
        return {n, 0};
    return {0, 0};
}

int EntryAt(int nPage, bool bRightView, int nRow)
{
    return PAGE_ENTRIES * nPage + (bRightView ? VIEW_ROWS : 0) + nRow;
}

CListCommandResult PrevClip(const CListState& state, int nCount, bool bStarted)
{
    CViews views(state, nCount);
    const int p = state.m_nPage;
    const bool bRight = state.m_nActiveList == 0;
    int s = bRight ? state.m_nSelRight : state.m_nSelLeft;
    int i = EntryAt(p, bRight, s);

    if (!bRight) {
        if (s > 0) {
            --s;
            views.Select(false, s);
        } else if (p > 0) {
            views.PrevPage();
            views.Select(true, VIEW_ROWS - 1);
            views.Clear(false, s);
            views.State().m_nActiveList = 0;
        }
    } else {
        if (s > 0) {
            --s;
            views.Select(true, s);
        } else {
            views.Select(false, VIEW_ROWS - 1);
            views.Clear(true, s);
            views.State().m_nActiveList = 1;
        }
    }

    if (s >= 0) {
        --i;
        if (bStarted)
            views.Open(i);
    }
    return views.Result();
}

CListCommandResult NextClip(const CListState& state, int nCount, bool bStarted)
{
    CViews views(state, nCount);
    const bool bRight = state.m_nActiveList == 0;
    int s = bRight ? state.m_nSelRight : state.m_nSelLeft;
    int i = EntryAt(state.m_nPage, bRight, s);

    if (s >= VIEW_ROWS - 1) {
        if (i + 1 != nCount) {
            if (bRight)
                views.NextPage();
            views.Select(!bRight, 0);
            views.Clear(bRight, s);
            views.State().m_nActiveList = bRight ? 1 : 0;
        }
    } else {
        ++s;
        views.Select(bRight, s);
    }

    if (s >= 0) {
        ++i;
        if (bStarted)
            views.Open(i);
    }
    return views.Result();
}

CListCommandResult PrevPage(const CListState& state, int nCount)
{
    CViews views(state, nCount);
    views.PrevPage();
    return views.Result();
}

CListCommandResult NextPage(const CListState& state, int nCount)
{
    CViews views(state, nCount);
    views.NextPage();
    return views.Result();
}

CListCommandResult PlaySelected(const CListState& state, int nCount)
{
    CViews views(state, nCount);
    const bool bRight = state.m_nActiveList == 0;
    const int s = bRight ? state.m_nSelRight : state.m_nSelLeft;
    if (s >= 0)
        views.Open(EntryAt(state.m_nPage, bRight, s));
    return views.Result();
}

CListCommandResult DoubleClick(const CListState& state, int nCount, bool bRightView)
{
    CViews views(state, nCount);
    const int s = views.Sel(bRightView);
    if (s >= 0)
        views.Open(EntryAt(state.m_nPage, bRightView, s));
    views.State().m_nActiveList = bRightView ? 0 : 1;
    views.Clear(!bRightView, -1);
    return views.Result();
}

std::vector<int> RowsToRemove(const CListState& state, int nCount)
{
    std::vector<int> entries;
    const int nRight = EntryAt(state.m_nPage, true, state.m_nSelRight);
    const int nLeft = EntryAt(state.m_nPage, false, state.m_nSelLeft);
    if (state.m_nSelRight >= 0 && nRight < nCount)
        entries.push_back(nRight);
    if (state.m_nSelLeft >= 0 && nLeft < nCount)
        entries.push_back(nLeft);
    return entries;
}

CListCommandResult PlayEntry(const CListState& state, int nCount, int nEntry)
{
    CListCommandResult result;
    result.m_state = state;
    if (nEntry < 0 || nEntry >= nCount)
        return result;
    const int nPage = nEntry / PAGE_ENTRIES;
    const bool bRight = nEntry % PAGE_ENTRIES >= VIEW_ROWS;
    result.m_bRedrawn = nPage != state.m_nPage;
    result.m_state.m_nPage = nPage;
    result.m_state.m_nActiveList = bRight ? 0 : 1;
    result.m_state.m_nSelLeft = bRight ? -1 : nEntry % VIEW_ROWS;
    result.m_state.m_nSelRight = bRight ? nEntry % VIEW_ROWS : -1;
    result.m_nOpen = nEntry;
    return result;
}
