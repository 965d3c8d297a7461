#pragma once

#include "map/mywebbrowser/impidispatch.h"
#include "window/player_dlg.h"

#include <QTest>

// The main window wired as the application wires it: the object the map pages reach as
// window.external first, then the window, created and shown.
class CWiredWindow
{
public:
    explicit CWiredWindow(const QPoint& ptAt = QPoint(40, 40))
    {
        m_dlg.SetExternalDispatch(&m_external);
        m_external.SetHost(&m_dlg);
        m_dlg.Create();
        m_dlg.move(ptAt);
        m_dlg.show();
        m_bExposed = QTest::qWaitForWindowExposed(&m_dlg);
    }
    ~CWiredWindow() { m_external.SetHost(nullptr); }
    CWiredWindow(const CWiredWindow&) = delete;
    CWiredWindow& operator=(const CWiredWindow&) = delete;

    CPlayerDlg& Dlg() { return m_dlg; }
    bool IsExposed() const { return m_bExposed; }

private:
    CImpIDispatch m_external;
    CPlayerDlg m_dlg;
    bool m_bExposed = false;
};
