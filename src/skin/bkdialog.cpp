#include "skin/bkdialog.h"

#include <QPainter>

CBkDialog::CBkDialog(UINT nIDTemplate, QWidget* pParentWnd) : QDialog(pParentWnd), m_nIDTemplate(nIDTemplate)
{
    // The background is painted whole on every paint; Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CBkDialog::~CBkDialog() = default;

BOOL CBkDialog::OnEraseBkgnd(QPainter* pDC)
{
    const QRect rcClient = rect();
    if (TileBackground(pDC, rcClient))
        return TRUE;
    pDC->fillRect(rcClient, palette().brush(QPalette::Window));
    return TRUE;
}

void CBkDialog::paintEvent(QPaintEvent*)
{
    QPainter dc(this);
    OnEraseBkgnd(&dc);
}
