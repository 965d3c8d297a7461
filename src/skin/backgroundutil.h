#pragma once

#include "framework/wintypes.h"

#include <QImage>
#include <QRect>

class QPainter;

// Holds a background picture and tiles it over an area.
class CBackgroundUtil
{
public:
    CBackgroundUtil() = default;
    virtual ~CBackgroundUtil();

    // Replaces the picture with a bitmap resource; FALSE (and no picture) if it does not load.
    BOOL SetBackgroundBitmap(UINT nBitmapId);
    // The same from an image in hand.
    BOOL SetBackgroundImage(const QImage& image);
    // Repeats the picture from (0, 0) of pDC until the area's width and height are covered;
    // FALSE, with nothing painted, when there is no picture.
    BOOL TileBackground(QPainter* pDC, const QRect& rcArea) const;
    bool HasBackground() const { return !m_bmBackground.isNull(); }

protected:
    QImage m_bmBackground;
    int m_nBkWidth = 0;
    int m_nBkHeight = 0;
};
