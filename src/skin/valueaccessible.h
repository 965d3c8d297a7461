#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

// Stores nNewPos in nPos, clamped to the range (its maximum applied first, then its minimum),
// and tells an active screen reader when the position changed. Returns whether it did.
inline bool SetClampedPos(QWidget* pControl, int& nPos, int nNewPos, int nMin, int nMax)
{
    const int nOldPos = nPos;
    nPos = nNewPos > nMax ? nMax : nNewPos;
    if (nPos < nMin)
        nPos = nMin;
    if (nPos == nOldPos)
        return false;
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(pControl, nPos);
        QAccessible::updateAccessibility(&event);
    }
    return true;
}

// What a screen reader learns of a control that shows a position in a range (the sliders, the
// gauge): its role, its name (the accessible name, else a default) and its value.
template <class TControl>
class CValueAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    CValueAccessible(TControl* pControl, QAccessible::Role role, const char* pszDefaultName)
        : QAccessibleWidget(pControl, role), m_pszDefaultName(pszDefaultName)
    {
    }

    TControl* Control() const { return static_cast<TControl*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text type) const override
    {
        switch (type) {
        case QAccessible::Name: {
            const QString strName = widget()->accessibleName();
            return strName.isEmpty() ? QString::fromLatin1(m_pszDefaultName) : strName;
        }
        case QAccessible::Value:
            return QString::number(Control()->GetPos());
        default:
            return QAccessibleWidget::text(type);
        }
    }

    QVariant currentValue() const override { return Control()->GetPos(); }
    // Display only, unless a control says otherwise.
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return Control()->GetRangeMax(); }
    QVariant minimumValue() const override { return Control()->GetRangeMin(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    const char* m_pszDefaultName;
};
