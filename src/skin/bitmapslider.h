#pragma once

#include "framework/wintypes.h"

#include <QImage>
#include <QRect>
#include <QWidget>

class QPainter;

// Horizontal slider drawn from bitmaps: a channel (optionally split into a played part and
// the rest) and a thumb with key-colour transparency that changes while it is dragged.
// Tells its parent by posting WM_SLIDER_TRACK during a drag and WM_SLIDER_CHANGED on release
// and after each handled key, with wParam = control ID and lParam = position.
class CBitmapSlider : public QWidget
{
    Q_OBJECT
public:
    // Key colour value that asks for the colour of the thumb's pixel (xKey, yKey).
    static constexpr COLORREF KEY_FROM_PIXEL = 0xFF000000u;

    explicit CBitmapSlider(QWidget* pParent = nullptr);
    ~CBitmapSlider() override;

    BOOL SetChannelBitmaps(UINT nChannelId, UINT nActiveId);
    BOOL SetThumbBitmaps(UINT nThumbId, UINT nActiveId, BOOL bTransparent, COLORREF clrKey, int xKey, int yKey);
    // The same from images in hand; a null active image means none.
    BOOL SetChannelImages(const QImage& channel, const QImage& active);
    BOOL SetThumbImages(const QImage& thumb, const QImage& active, BOOL bTransparent, COLORREF clrKey, int xKey,
                        int yKey);
    void SetRange(int nMin, int nMax, BOOL bRedraw);
    void SetPos(int nPos);
    int GetPos() const { return m_nPos; }
    int GetRangeMin() const { return m_nMin; }
    int GetRangeMax() const { return m_nMax; }
    int GetPageSize() const { return m_nPageSize; }

    // Thumb-centre column of a position, and the position of a thumb-centre column.
    int PosToPixel(int nPos) const;
    int PixelToPos(int x) const;
    BOOL IsDragging() const { return m_bDragging; }

    // Paints the control onto a painter whose origin is the control's top-left corner.
    void Paint(QPainter& dc);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    BOOL AssignChannel(const QImage& channel, bool bWantActive, const QImage& active);
    BOOL AssignThumb(const QImage& thumb, bool bWantActive, const QImage& active, BOOL bTransparent,
                     COLORREF clrKey, int xKey, int yKey);
    void OnMouseMove(int x);
    void PostToParent(int nMessage);
    static void MakeKeyMask(QImage& image, QImage& mask, COLORREF clrKey, int xKey, int yKey);

    int m_nMax = 100;
    int m_nMin = 0;
    int m_nPos = 0;
    int m_nPageSize = 20;
    QRect m_rcClient;  // drawing rectangle, recorded when the channel was set
    int m_nChannelWidth = 0;
    int m_nChannelHeight = 0;
    int m_nThumbWidth = 0;
    int m_nThumbHeight = 0;
    int m_nDragOffset = 0;
    BOOL m_bChannelLoaded = FALSE;
    BOOL m_bHasChannelActive = FALSE;
    BOOL m_bThumbLoaded = FALSE;
    BOOL m_bHasThumbActive = FALSE;
    BOOL m_bThumbTransparent = FALSE;
    BOOL m_bDragging = FALSE;

    QImage m_bmChannel;
    QImage m_bmChannelActive;
    QImage m_bmThumb;
    QImage m_bmThumbMask;        // 1 bit per pixel, set where the thumb has its key colour
    QImage m_bmThumbActive;
    QImage m_bmThumbActiveMask;
    // The masks expanded to the surface's format once, so that a paint converts nothing.
    QImage m_bmThumbMaskBlit;
    QImage m_bmThumbActiveMaskBlit;
};
