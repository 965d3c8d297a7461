#pragma once

#include <QBasicTimer>

#include <map>

class QObject;
class QTimerEvent;

// A window's numbered timers: SetTimer with an ID that runs already restarts it with the new
// period, as a window timer does. The owner's timerEvent asks IdOf which one ticked.
class CWindowTimers
{
public:
    void SetTimer(unsigned nIDEvent, int nElapseMs, QObject* pOwner);
    void KillTimer(unsigned nIDEvent);
    bool IsRunning(unsigned nIDEvent) const;
    // The ID of the timer behind the event, or 0 if it is not one of these.
    unsigned IdOf(const QTimerEvent* pEvent) const;

private:
    std::map<unsigned, QBasicTimer> m_timers;
};
