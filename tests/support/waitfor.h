#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <functional>

// Spins the event loop until condition holds or nTimeoutMs have passed, and says whether it held.
// The caller asserts on the result, so a condition that never comes fails the test that waited:
//   ASSERT_TRUE(WaitFor([&] { return dlg.IsTracking(); }, 20000)) << "the clip never started";
inline bool WaitFor(const std::function<bool()>& condition, int nTimeoutMs = 5000)
{
    const QDeadlineTimer deadline(nTimeoutMs);
    for (;;) {
        if (condition())
            return true;
        if (deadline.hasExpired())
            return false;
        // Checked after every batch: an engine that keeps posting would otherwise keep the
        // loop busy past the moment the condition came true.
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
