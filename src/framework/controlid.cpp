#include "framework/controlid.h"

#include <QVariant>
#include <QWidget>

namespace {
constexpr char kIdProperty[] = "dlgCtrlId";
}

void SetDlgCtrlID(QWidget* pWidget, int nId)
{
    pWidget->setProperty(kIdProperty, nId);
}

int GetDlgCtrlID(const QWidget* pWidget)
{
    if (!pWidget)
        return 0;
    bool bOk = false;
    const int nId = pWidget->property(kIdProperty).toInt(&bOk);
    return bOk ? nId : 0;
}

QWidget* GetDlgItem(const QWidget* pParent, int nId)
{
    if (!pParent)
        return nullptr;
    const auto children = pParent->findChildren<QWidget*>();
    for (QWidget* pChild : children) {
        if (GetDlgCtrlID(pChild) == nId)
            return pChild;
    }
    return nullptr;
}
