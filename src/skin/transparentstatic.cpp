#include "skin/transparentstatic.h"

#include <QPainter>

CTransparentStatic::CTransparentStatic(QWidget* pParent) : QLabel(pParent)
{
    // Drawn like a static text control: from the top-left corner, wrapping at words.
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setAutoFillBackground(false);
}

CTransparentStatic::~CTransparentStatic() = default;

void CTransparentStatic::paintEvent(QPaintEvent*)
{
    QPainter dc(this);
    // Opaque background mode fills each line's character cells, and only those.
    dc.setBackgroundMode(Qt::OpaqueMode);
    dc.setBackground(QColor(0, 0, 0));
    dc.setPen(QColor(255, 255, 255));
    dc.setFont(font());
    dc.drawText(contentsRect(), int(alignment()) | Qt::TextWordWrap, text());
}
