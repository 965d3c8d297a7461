#pragma once

#include "framework/wintypes.h"

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>

// Off-screen drawing surface for one paint: an image of the painted rectangle, filled with
// the target's background colour, that goes to the target in a single drawImage when the
// object is destroyed. Drawing code uses the target's logical coordinates.
class CMemDC
{
public:
    // pDC must be active for the whole life of the surface; pRect is in its coordinates.
    CMemDC(QPainter* pDC, const QRect* pRect);
    ~CMemDC();

    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    // False when the surface could not be made (empty rectangle, no memory): nothing is drawn.
    bool IsValid() const { return m_pBits != nullptr; }

    QPainter* operator->() { return &m_dc; }
    QPainter& Painter() { return m_dc; }

    // Sets one pixel, in logical coordinates; pixels outside the rectangle are ignored.
    void SetPixel(int x, int y, COLORREF clr)
    {
        x -= m_rcArea.left();
        y -= m_rcArea.top();
        if (unsigned(x) >= unsigned(m_rcArea.width()) || unsigned(y) >= unsigned(m_rcArea.height()) || !m_pBits)
            return;
        reinterpret_cast<QRgb*>(m_pBits + y * m_nStride)[x] =
            qRgb(GetRValue(clr), GetGValue(clr), GetBValue(clr));
    }

    const QRect& Area() const { return m_rcArea; }

private:
    QImage m_bmSurface;
    QPainter m_dc;            // draws on m_bmSurface
    QPainter* m_pTargetDC;    // not owned
    QRect m_rcArea;
    uchar* m_pBits = nullptr; // m_bmSurface's pixels, taken before m_dc begins
    qsizetype m_nStride = 0;
};

// Key-colour transparency in two raster operations, as both the slider thumb and the
// skinned button draw it: the destination is ANDed with the expanded mask (white where the
// image has its key colour, black elsewhere), then ORed with the image, whose key-coloured
// pixels have been made black. Key-coloured pixels thus leave the destination unchanged.
void BlitThroughMask(QPainter* pDC, const QPoint& ptDest, const QImage& image, const QImage& maskExpanded);

// A 1-bit mask (QImage::Format_Mono, bit 1 = white) as an RGB32 image for BlitThroughMask.
QImage ExpandMask(const QImage& mask);

// COLORREF of an image pixel (the alpha channel is dropped).
constexpr COLORREF ColorRefFromRgb(QRgb rgb) { return RGB(qRed(rgb), qGreen(rgb), qBlue(rgb)); }
