// The main window's play-list commands: adding folders, removing entries, turning pages and
// playing entries from the two views.
#include "window/player_dlg.h"

#include "framework/core/fileerror.h"
#include "framework/filereport.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include <utility>

void CPlayerDlg::SetFolderScanner(FolderScanner fnScan)
{
    m_addQueue.SetScanner(std::move(fnScan));
}

void CPlayerDlg::OnAddFolder()
{
    if (IsScanning())
        return;
    QFileDialog dialog(this, QStringLiteral("Select the folder to add files to play list"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    StartAddFolder(QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString());
}

void CPlayerDlg::OpenPaths(const std::vector<std::string>& paths)
{
    std::string strClip;
    for (const std::string& strPath : paths) {
        if (QFileInfo(QFile::decodeName(strPath.c_str())).isDir())
            StartAddFolder(strPath, true);
        else
            strClip = strPath;
    }
    if (!strClip.empty())
        RunReportingFileErrors(this, [&] { OpenClip(strClip); });
}

void CPlayerDlg::StartAddFolder(const std::string& strFolder, bool bSelectFirst)
{
    if (!m_addQueue.Add(strFolder, bSelectFirst))
        return;
    m_btnAddFolder.setEnabled(false);
    ShowScanProgress(m_addQueue.FoundSoFar());
    m_scanNote.show();
    m_scanNote.raise();
}

void CPlayerDlg::ShowScanProgress(qulonglong nFound)
{
    m_scanNote.setText(nFound == 1 ? QStringLiteral("Adding clips: 1 found")
                                   : QStringLiteral("Adding clips: %1 found").arg(nFound));
}

void CPlayerDlg::OnScanFinished()
{
    CAddedFolder added = m_addQueue.TakeResult();
    CFolderScanResult& result = added.m_result;
    m_entries.Append(std::move(result.m_clips));
    if (!IsScanning()) {
        m_scanNote.hide();
        m_btnAddFolder.setEnabled(true);
    }
    if (m_addQueue.TakeSelectFirst() && m_entries.GetCount() > 0) {
        m_nPage = 0;
        ShowPage(m_nPage);
        m_listLeft.SelectRow(0);
        m_listRight.ClearRow(-1);
        m_nActiveList = 1;
    } else {
        ShowPage(m_nPage);
    }
    if (!IsScanning())
        Q_EMIT FoldersAdded();
    QStringList notes;
    for (const std::string& strNote : ScanCutNotes(result, added.m_strFolder))
        notes.append(QString::fromStdString(strNote));
    ReportFileErrors(this, result.m_errors, notes.join(QLatin1Char('\n')));
}

void CPlayerDlg::ShowPage(int nPage)
{
    m_listLeft.clear();
    m_listRight.clear();
    const CPageRows rows = PageRowCounts(m_entries.GetCount(), nPage);
    // Left row r, then right row r, then left row r + 1.
    for (int nRow = 0; nRow < rows.m_nLeft; ++nRow) {
        m_listLeft.AddEntryRow(m_entries.GetAt(EntryAt(nPage, false, nRow)));
        if (nRow < rows.m_nRight)
            m_listRight.AddEntryRow(m_entries.GetAt(EntryAt(nPage, true, nRow)));
    }
}

CListState CPlayerDlg::ListState() const
{
    CListState state;
    state.m_nPage = m_nPage;
    state.m_nActiveList = m_nActiveList;
    state.m_nSelLeft = m_listLeft.GetSelectedRow();
    state.m_nSelRight = m_listRight.GetSelectedRow();
    return state;
}

void CPlayerDlg::ApplyListCommand(const CListCommandResult& result)
{
    if (result.m_bRedrawn) {
        m_nPage = result.m_state.m_nPage;
        ShowPage(m_nPage);
    }
    m_nActiveList = result.m_state.m_nActiveList;
    const std::pair<CVideoListCtrl*, int> views[] = {{&m_listLeft, result.m_state.m_nSelLeft},
                                                      {&m_listRight, result.m_state.m_nSelRight}};
    for (const auto& [pList, nRow] : views) {
        if (nRow < 0)
            pList->ClearRow(-1);
        else if (pList->GetSelectedRow() != nRow)
            pList->SelectRow(nRow);
    }
    if (result.m_nOpen >= 0)
        OpenEntry(result.m_nOpen);
}

void CPlayerDlg::OpenEntry(int nEntry)
{
    if (nEntry < 0 || nEntry >= m_entries.GetCount())
        return;
    const std::string strPath = m_entries.GetAt(nEntry).m_strPath;
    RunReportingFileErrors(this, [&] { OpenClip(strPath); });
}

void CPlayerDlg::OnRemove()
{
    for (int nEntry : RowsToRemove(ListState(), m_entries.GetCount()))
        m_entries.RemoveAt(nEntry);
    ShowPage(m_nPage);
}

void CPlayerDlg::OnPrevPage()
{
    ApplyListCommand(PrevPage(ListState(), m_entries.GetCount()));
}

void CPlayerDlg::OnNextPage()
{
    ApplyListCommand(NextPage(ListState(), m_entries.GetCount()));
}

void CPlayerDlg::OnPlaySelected()
{
    ApplyListCommand(PlaySelected(ListState(), m_entries.GetCount()));
}

void CPlayerDlg::OnPrevClip()
{
    ApplyListCommand(PrevClip(ListState(), m_entries.GetCount(), m_clip.m_nPlayState != PLAY_IDLE));
}

void CPlayerDlg::OnNextClip()
{
    ApplyListCommand(NextClip(ListState(), m_entries.GetCount(), m_clip.m_nPlayState != PLAY_IDLE));
}

void CPlayerDlg::OnDblclkList(CVideoListCtrl& list)
{
    ApplyListCommand(DoubleClick(ListState(), m_entries.GetCount(), &list == &m_listRight));
}
