#pragma once

#include <QEvent>
#include <QtGlobal>

// The program's private window messages, as Qt events with the same numbers.
// "Sent" messages go through QCoreApplication::sendEvent, "posted" ones through postEvent.
constexpr int WM_USER = 0x0400;

constexpr QEvent::Type WM_MAP_DOCUMENT_COMPLETE = QEvent::Type(WM_USER + 1);
constexpr QEvent::Type WM_MAP_NAVIGATE_COMPLETE = QEvent::Type(WM_USER + 2);
constexpr QEvent::Type WM_MAP_BEFORE_NAVIGATE = QEvent::Type(WM_USER + 3);
constexpr QEvent::Type WM_MAP_LOAD_COMPLETE = QEvent::Type(WM_USER + 4);
constexpr QEvent::Type WM_SLIDER_TRACK = QEvent::Type(0x28D1);
constexpr QEvent::Type WM_SLIDER_CHANGED = QEvent::Type(0x28D2);

class CMessageEvent : public QEvent
{
public:
    CMessageEvent(QEvent::Type type, quintptr wParam = 0, qintptr lParam = 0)
        : QEvent(type), m_wParam(wParam), m_lParam(lParam)
    {
    }

    quintptr m_wParam;
    qintptr m_lParam;
    // What the receiver answered (the LRESULT of a sent message).
    qintptr m_lResult = 0;
};
