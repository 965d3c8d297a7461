#pragma once

class QWidget;

// Every child created from a dialog template carries its control ID.
void SetDlgCtrlID(QWidget* pWidget, int nId);
int GetDlgCtrlID(const QWidget* pWidget);
// The direct or nested child of pParent with the ID, or nullptr.
QWidget* GetDlgItem(const QWidget* pParent, int nId);
