#include "framework/windowtimers.h"

#include <QTimerEvent>

void CWindowTimers::SetTimer(unsigned nIDEvent, int nElapseMs, QObject* pOwner)
{
    m_timers[nIDEvent].start(nElapseMs, Qt::PreciseTimer, pOwner);
}

void CWindowTimers::KillTimer(unsigned nIDEvent)
{
    const auto it = m_timers.find(nIDEvent);
    if (it != m_timers.end())
        it->second.stop();
}

bool CWindowTimers::IsRunning(unsigned nIDEvent) const
{
    const auto it = m_timers.find(nIDEvent);
    return it != m_timers.end() && it->second.isActive();
}

unsigned CWindowTimers::IdOf(const QTimerEvent* pEvent) const
{
    for (const auto& [nId, timer] : m_timers) {
        if (timer.isActive() && timer.timerId() == pEvent->timerId())
            return nId;
    }
    return 0;
}
