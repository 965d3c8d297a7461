#include "skin/memdc.h"

CMemDC::CMemDC(QPainter* pDC, const QRect* pRect)
    : m_pTargetDC(pDC), m_rcArea(pRect->normalized())
{
    if (m_rcArea.isEmpty())
        return;
    m_bmSurface = QImage(m_rcArea.size(), QImage::Format_RGB32);
    if (m_bmSurface.isNull())
        return;
    // The target's background colour is what a widget painter starts with: its palette's
    // background role.
    m_bmSurface.fill(m_pTargetDC->background().color());
    m_pBits = m_bmSurface.bits();
    m_nStride = m_bmSurface.bytesPerLine();
    m_dc.begin(&m_bmSurface);
    m_dc.setBackground(m_pTargetDC->background());
    m_dc.translate(-m_rcArea.left(), -m_rcArea.top());
}

CMemDC::~CMemDC()
{
    if (!m_pBits)
        return;
    m_dc.end();
    m_pTargetDC->drawImage(m_rcArea.topLeft(), m_bmSurface);
}

void BlitThroughMask(QPainter* pDC, const QPoint& ptDest, const QImage& image, const QImage& maskExpanded)
{
    const QPainter::CompositionMode mode = pDC->compositionMode();
    pDC->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    pDC->drawImage(ptDest, maskExpanded);
    pDC->setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    pDC->drawImage(ptDest, image);
    pDC->setCompositionMode(mode);
}

QImage ExpandMask(const QImage& mask)
{
    if (mask.isNull())
        return QImage();
    QImage expanded = mask;
    expanded.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    return expanded.convertToFormat(QImage::Format_RGB32);
}
