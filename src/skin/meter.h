#pragma once

#include "framework/wintypes.h"
#include "skin/generated/needleframes.h"

#include <QImage>
#include <QRect>
#include <QWidget>

class QPainter;

// The speed gauge: a dial picture with the needle at one of 121 precomputed angles over it.
// The position is the needle frame shown; the control knows nothing about speed.
class CMeter : public QWidget
{
    Q_OBJECT
public:
    explicit CMeter(QWidget* pParent = nullptr);
    ~CMeter() override;

    // Loads the dial from a bitmap resource and sizes the control to it.
    BOOL SetDialBitmap(UINT nBitmapId);
    // The same from an image in hand.
    BOOL SetDialImage(const QImage& image);
    void SetRange(int nMin, int nMax, BOOL bRedraw);
    void SetPos(int nPos);
    int GetPos() const { return m_nPos; }
    int GetRangeMin() const { return m_nMin; }
    int GetRangeMax() const { return m_nMax; }

    // The frame painted for the current position; always one of the table's frames.
    int FrameIndex() const;
    // Paints the control onto a painter whose origin is the control's top-left corner.
    void Paint(QPainter& dc);

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:

    int m_nMax = 100;
    int m_nMin = 0;
    int m_nPos = 0;
    QRect m_rcClient;  // drawing rectangle, recorded when a dial was set
    int m_nDialWidth = 0;
    int m_nDialHeight = 0;
    QImage m_bmDial;
    const NeedlePixel* const* m_pNeedleFrames;
    BOOL m_bDialLoaded = FALSE;
};
