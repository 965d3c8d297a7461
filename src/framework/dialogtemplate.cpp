#include "framework/dialogtemplate.h"

#include "framework/controlid.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

QRect DlgTemplate::ToPixels(const QRect& rcUnits) const
{
    return QRect(rcUnits.x() * nPixelsPerUnit, rcUnits.y() * nPixelsPerUnit,
                 rcUnits.width() * nPixelsPerUnit, rcUnits.height() * nPixelsPerUnit);
}

QSize DlgTemplate::PixelSize() const
{
    return sizeUnits * nPixelsPerUnit;
}

const DlgItemTemplate* DlgTemplate::Find(int nItemId) const
{
    for (const DlgItemTemplate& item : items) {
        if (item.nId == nItemId)
            return &item;
    }
    return nullptr;
}

const DlgTemplate& MainDialogTemplate()
{
    using K = DlgItemTemplate;
    static const DlgTemplate tmpl{
        131, QString(), QSize(479, 301), QStringLiteral("System"), 10, 2,
        {
            {2, K::PushButton, QRect(464, 0, 15, 14), QString(), true},
            {3, K::PushButton, QRect(83, 187, 15, 14), QString(), true},
            {4, K::PushButton, QRect(116, 187, 15, 14), QString(), true},
            {5, K::PushButton, QRect(149, 187, 15, 14), QString(), true},
            {6, K::PushButton, QRect(182, 187, 15, 14), QString(), true},
            {7, K::PushButton, QRect(215, 187, 15, 14), QString(), true},
            {1002, K::Static, QRect(2, 25, 319, 158), QString(), false},
            {1003, K::Static, QRect(256, 187, 63, 9), QStringLiteral("00:00:00/00:00:00"), false},
            {1004, K::Static, QRect(323, 25, 152, 158), QString(), false},
            {8, K::PushButton, QRect(50, 187, 15, 14), QString(), true},
            {1006, K::Static, QRect(4, 205, 250, 9), QString(), false},
            {1007, K::Static, QRect(265, 205, 55, 9), QString(), false},
            {1009, K::Static, QRect(354, 224, 89, 57), QString(), false},
            {9, K::PushButton, QRect(80, 284, 15, 14), QString(), true},
            {10, K::PushButton, QRect(115, 284, 15, 14), QString(), true},
            {11, K::PushButton, QRect(150, 284, 15, 14), QString(), true},
            {12, K::PushButton, QRect(185, 284, 15, 14), QString(), true},
            {13, K::PushButton, QRect(220, 284, 15, 14), QString(), true},
            {1013, K::ListView, QRect(3, 221, 158, 61), QString(), true},
            {1014, K::ListView, QRect(162, 221, 158, 61), QString(), true},
            {1024, K::Static, QRect(340, 202, 45, 8), QStringLiteral("E:000.000000"), false},
            {1025, K::Static, QRect(415, 202, 45, 8), QStringLiteral("N:00.000000"), false},
        }};
    return tmpl;
}

const DlgTemplate& AboutDialogTemplate()
{
    using K = DlgItemTemplate;
    static const DlgTemplate tmpl{
        100, QStringLiteral("关于 Deruziz"), QSize(235, 55), QStringLiteral("宋体"), 9, 2,
        {
            {-1, K::IconStatic, QRect(11, 17, 20, 20), QString(), false},
            {-1, K::Static, QRect(40, 10, 126, 8), QStringLiteral("Orvane 1.0 版"), false},
            {-1, K::Static, QRect(40, 25, 130, 8),
             QStringLiteral("行车记录仪视频与 GPS 轨迹播放器"), false},
            {1, K::DefPushButton, QRect(178, 7, 50, 14), QStringLiteral("确定"), true},
        }};
    return tmpl;
}

namespace {

QWidget* CreatePlainControl(const DlgItemTemplate& item)
{
    switch (item.kind) {
    case DlgItemTemplate::PushButton:
    case DlgItemTemplate::DefPushButton:
        return new QPushButton;
    case DlgItemTemplate::ListView:
        return new QTreeWidget;
    case DlgItemTemplate::Static:
    case DlgItemTemplate::IconStatic:
        return new QLabel;
    }
    return new QWidget;
}

void SetInitialText(QWidget* pControl, const QString& strText)
{
    if (strText.isEmpty())
        return;
    if (auto* pButton = qobject_cast<QAbstractButton*>(pControl))
        pButton->setText(strText);
    else if (auto* pLabel = qobject_cast<QLabel*>(pControl))
        pLabel->setText(strText);
    else
        pControl->setWindowTitle(strText);
}

} // namespace

void CreateDialogControls(QWidget* pDialog, const DlgTemplate& tmpl,
                          const std::function<QWidget*(const DlgItemTemplate&)>& pBind)
{
    QWidget* pPrevTabStop = nullptr;
    for (const DlgItemTemplate& item : tmpl.items) {
        QWidget* pControl = pBind ? pBind(item) : nullptr;
        if (!pControl)
            pControl = CreatePlainControl(item);  // owned by pDialog from here on
        pControl->setParent(pDialog);
        SetDlgCtrlID(pControl, item.nId);
        pControl->setGeometry(tmpl.ToPixels(item.rcUnits));
        SetInitialText(pControl, item.strText);
        if (item.bTabStop) {
            pControl->setFocusPolicy(Qt::StrongFocus);
            if (pPrevTabStop)
                QWidget::setTabOrder(pPrevTabStop, pControl);
            pPrevTabStop = pControl;
        } else if (pControl->focusPolicy() == Qt::TabFocus || pControl->focusPolicy() == Qt::StrongFocus) {
            pControl->setFocusPolicy(Qt::ClickFocus);
        }
        pControl->show();
    }
}
