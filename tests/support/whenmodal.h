#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Runs fn on the first modal dialog or popup that appears within the time.
inline void WhenModalAppears(std::function<void(QWidget*)> fn, int nTimeoutMs = 5000)
{
    auto* pTimer = new QTimer;
    auto nStart = std::make_shared<QElapsedTimer>();
    nStart->start();
    QObject::connect(pTimer, &QTimer::timeout, [pTimer, fn, nStart, nTimeoutMs] {
        QWidget* pModal = QApplication::activeModalWidget();
        if (!pModal)
            pModal = QApplication::activePopupWidget();
        if (pModal || nStart->elapsed() > nTimeoutMs) {
            pTimer->stop();
            pTimer->deleteLater();
            if (pModal)
                fn(pModal);
        }
    });
    pTimer->start(20);
}
