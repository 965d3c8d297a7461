#pragma once

class QWidget;

// The ID of a view's one pane (the browser inside the map view).
constexpr int AFX_IDW_PANE_FIRST = 0xE900;

// Every child created from a dialog template carries its control ID.
void SetDlgCtrlID(QWidget* pWidget, int nId);
int GetDlgCtrlID(const QWidget* pWidget);
// The direct or nested child of pParent with the ID, or nullptr.
QWidget* GetDlgItem(const QWidget* pParent, int nId);
