#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

// Closes the first message box that comes up while it lives and remembers what it showed.
class CBoxCatcher : public QObject
{
public:
    CBoxCatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!pBox || m_bSeen)
                return;
            m_bSeen = true;
            m_strCaption = pBox->windowTitle();
            m_strText = pBox->text();
            m_icon = pBox->icon();
            m_buttons = pBox->standardButtons();
            pBox->button(QMessageBox::Ok) ? pBox->button(QMessageBox::Ok)->click() : pBox->reject();
        });
        m_timer.start(20);
    }

    bool m_bSeen = false;
    QString m_strCaption;
    QString m_strText;
    QMessageBox::Icon m_icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons m_buttons;

private:
    QTimer m_timer;
};
