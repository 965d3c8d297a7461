#include "framework/dialogtemplate.h"

#include "framework/controlid.h"
#include "resource.h"

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
        IDD_PLAYER_DIALOG, QString(), QSize(479, 301), QStringLiteral("System"), 10, 2,
        {
            {IDC_CLOSE, K::PushButton, QRect(464, 0, 15, 14), QString(), true},
            {IDC_PAUSE, K::PushButton, QRect(83, 187, 15, 14), QString(), true},
            {IDC_PLAY, K::PushButton, QRect(116, 187, 15, 14), QString(), true},
            {IDC_STOP, K::PushButton, QRect(149, 187, 15, 14), QString(), true},
            {IDC_PREV_CLIP, K::PushButton, QRect(182, 187, 15, 14), QString(), true},
            {IDC_NEXT_CLIP, K::PushButton, QRect(215, 187, 15, 14), QString(), true},
            {IDC_VIDEO, K::Static, QRect(2, 25, 319, 158), QString(), false},
            {IDC_TIME, K::Static, QRect(256, 187, 63, 9), QStringLiteral("00:00:00/00:00:00"), false},
            {IDC_MAP, K::Static, QRect(323, 25, 152, 158), QString(), false},
            {IDC_LOAD, K::PushButton, QRect(50, 187, 15, 14), QString(), true},
            {IDC_SEEK, K::Static, QRect(4, 205, 250, 9), QString(), false},
            {IDC_VOLUME, K::Static, QRect(265, 205, 55, 9), QString(), false},
            {IDC_METER, K::Static, QRect(354, 224, 89, 57), QString(), false},
            {IDC_ADD_FOLDER, K::PushButton, QRect(80, 284, 15, 14), QString(), true},
            {IDC_PREV_PAGE, K::PushButton, QRect(115, 284, 15, 14), QString(), true},
            {IDC_PLAY_SELECTED, K::PushButton, QRect(150, 284, 15, 14), QString(), true},
            {IDC_NEXT_PAGE, K::PushButton, QRect(185, 284, 15, 14), QString(), true},
            {IDC_REMOVE, K::PushButton, QRect(220, 284, 15, 14), QString(), true},
            {IDC_LIST_LEFT, K::ListView, QRect(3, 221, 158, 61), QString(), true},
            {IDC_LIST_RIGHT, K::ListView, QRect(162, 221, 158, 61), QString(), true},
            {IDC_EAST, K::Static, QRect(340, 202, 45, 8), QStringLiteral("E:000.000000"), false},
            {IDC_NORTH, K::Static, QRect(415, 202, 45, 8), QStringLiteral("N:00.000000"), false},
        }};
    return tmpl;
}

const DlgTemplate& AboutDialogTemplate()
{
    using K = DlgItemTemplate;
    static const DlgTemplate tmpl{
        IDD_ABOUTBOX, QStringLiteral("关于 Deruziz"), QSize(235, 55), QStringLiteral("宋体"), 9, 2,
        {
            {-1, K::IconStatic, QRect(11, 17, 20, 20), QString(), false},
            {-1, K::Static, QRect(40, 10, 126, 8), QStringLiteral("Orvane 1.0 版"), false},
            {-1, K::Static, QRect(40, 25, 130, 8),
             QStringLiteral("行车记录仪视频与 GPS 轨迹播放器"), false},
            {IDOK, K::DefPushButton, QRect(178, 7, 50, 14), QStringLiteral("确定"), true},
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
