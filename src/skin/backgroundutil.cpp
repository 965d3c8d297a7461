#include "skin/backgroundutil.h"

#include "framework/resources.h"

#include <QPainter>

CBackgroundUtil::~CBackgroundUtil() = default;

BOOL CBackgroundUtil::SetBackgroundBitmap(UINT nBitmapId)
{
    return SetBackgroundImage(Resources::LoadBitmap(nBitmapId));
}

BOOL CBackgroundUtil::SetBackgroundImage(const QImage& image)
{
    m_bmBackground = QImage();
    m_nBkWidth = 0;
    m_nBkHeight = 0;
    if (image.isNull())
        return FALSE;
    m_bmBackground = image.convertToFormat(QImage::Format_RGB32);
    m_nBkWidth = m_bmBackground.width();
    m_nBkHeight = m_bmBackground.height();
    return TRUE;
}

BOOL CBackgroundUtil::TileBackground(QPainter* pDC, const QRect& rcArea) const
{
    if (m_bmBackground.isNull() || m_nBkWidth <= 0 || m_nBkHeight <= 0)
        return FALSE;
    // The tiles start at the DC's origin, not at the area's corner; only its size bounds them.
    for (int y = 0; y < rcArea.height(); y += m_nBkHeight) {
        for (int x = 0; x < rcArea.width(); x += m_nBkWidth)
            pDC->drawImage(x, y, m_bmBackground);
    }
    return TRUE;
}
