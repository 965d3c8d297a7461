#pragma once

#include "framework/wintypes.h"

#include <QFont>
#include <QImage>
#include <QPushButton>
#include <QRect>
#include <QString>

class QPainter;

// Push button of the skinned window: draws itself entirely, with an icon pair or a bitmap
// pair (key colour transparent), a flat look whose border shows only while hovered or
// pressed, six state colours, the parent's background behind it and a tooltip.
class CSkinButton : public QPushButton
{
    Q_OBJECT
public:
    enum { BTNCLR_ACTIVE_BK = 0, BTNCLR_ACTIVE_FG, BTNCLR_NORMAL_BK, BTNCLR_NORMAL_FG, BTNCLR_FOCUS_BK, BTNCLR_FOCUS_FG,
           BTNCLR_COUNT };
    enum { BTNRES_OK = 0, BTNRES_BAD_RESOURCE, BTNRES_MASK_FAILED, BTNRES_BAD_INDEX, BTNRES_BAD_ALIGN, BTNRES_BAD_PARAM };
    enum { IMGALIGN_LEFT = 0, IMGALIGN_TOP = 1, IMGALIGN_RIGHT = 2 };
    // Given as the normal icon: a grey copy of the active icon.
    static constexpr UINT BTNICON_AUTO_GRAY = 0xFFFFFFFEu;

    explicit CSkinButton(QWidget* pParent = nullptr);
    ~CSkinButton() override;

    // Images. Index 0 (active) shows while hovered or pressed, index 1 (normal) otherwise,
    // index 0 in every state when there is no normal image. Icons and bitmaps exclude each other.
    DWORD LoadIconImages(UINT nActiveId, UINT nNormalId);
    DWORD AssignIcons(const QImage& active, const QImage& normal);
    DWORD AssignIcons(const QImage& active, UINT nNormal);  // nNormal: 0 or BTNICON_AUTO_GRAY
    DWORD LoadBitmapImages(UINT nActiveId, COLORREF clrActiveKey, UINT nNormalId, COLORREF clrNormalKey);
    DWORD AssignBitmaps(const QImage& active, COLORREF clrActiveKey, const QImage& normal, COLORREF clrNormalKey);

    DWORD SetStateColor(BYTE nIndex, COLORREF clr, BOOL bRepaint);
    DWORD GetStateColor(BYTE nIndex, COLORREF* pClr) const;
    DWORD ShiftStateColor(BYTE nIndex, short nOffset, BOOL bRepaint);
    DWORD ResetStateColors(BOOL bRepaint);

    DWORD SetFlatLook(BOOL bFlat, BOOL bRepaint);
    DWORD SetImageAlignment(BYTE nAlign, BOOL bRepaint);
    DWORD SetChecked(int nState, BOOL bRepaint);
    int GetChecked() const { return m_nChecked; }
    DWORD EnableHoverBorder(BOOL bEnable, BOOL bRepaint);
    DWORD EnableFlatFocusRect(BOOL bEnable, BOOL bRepaint);
    DWORD SetTrackInactive(BOOL bTrack);
    BOOL IsDefaultButton() const;
    BOOL IsCheckMode() const { return m_bCheckMode; }
    BOOL IsHovered() const { return m_bHover; }

    // A null text does nothing. The tooltip's area is the client rectangle at the first call.
    void SetHintText(const QString& strText, BOOL bActivate);
    void SetHintText(UINT nStringId, BOOL bActivate);
    void ActivateHint(BOOL bActivate);
    QString GetHintText() const { return m_strHint; }
    // The tip as shown: wrapped at word boundaries to lines of at most 400 pixels.
    static QString WrapHint(const QString& strText, const QFont& font);

    // Shows the parent's pixels behind the button from now on, captured afresh at the next
    // paint. The owner calls it after it has painted its own background.
    void UseParentBackground(BOOL bRepaint);

protected:
    virtual DWORD PaintFace(QPainter* pDC, const QRect& rc);
    virtual DWORD PaintFrame(QPainter* pDC, const QRect& rc);
    // Reads check mode and default state from the button as it is attached (first polish).
    virtual void PreSubclassWindow();

    bool event(QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void enterEvent(QEnterEvent* pEvent) override;
    void leaveEvent(QEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
    void checkStateSet() override;
    void nextCheckState() override;

private:
    struct ButtonIcon
    {
        QImage image;  // with alpha
        DWORD nWidth = 0;
        DWORD nHeight = 0;
    };
    struct ButtonBitmap
    {
        QImage image;      // key colour burned to black
        DWORD nWidth = 0;
        DWORD nHeight = 0;
        QImage mask;       // 1 bit per pixel, set where the bitmap had its key colour
        QImage maskBlit;   // the mask expanded for drawing
        COLORREF clrKey = 0;
    };

    void DrawItem(QPainter* pDC);
    QRect PlaceImage(bool bHasCaption, const QRect& rcItem, QRect& rcCaption, bool bPressed, int nWidth,
                     int nHeight) const;
    int ChooseImage(bool bHasNormal) const;
    void DrawIconImage(QPainter* pDC, bool bHasCaption, const QRect& rcItem, QRect& rcCaption, bool bPressed,
                       bool bDisabled);
    void DrawBitmapImage(QPainter* pDC, bool bHasCaption, const QRect& rcItem, QRect& rcCaption, bool bPressed,
                         bool bDisabled);
    void DrawCaption(QPainter* pDC, const QString& strCaption, QRect rcCaption);
    void PaintParentBackground(QPainter* pDC);
    void ReleaseImages();
    DWORD AssignIconImages(const QImage& active, const QImage& normal, bool bAutoGray);
    QImage MakeGrayIcon(const QImage& icon) const;
    static QImage MakeTransparencyMask(QImage& bitmap, int nWidth, int nHeight, COLORREF clrKey);
    void TrackHover(const QPoint& ptGlobal, Qt::MouseButtons buttons);
    void EndHover();
    QColor SysColor(int nRole) const;
    void Repaint(BOOL bRepaint);

    BOOL m_bFlat = TRUE;
    BOOL m_bHover = FALSE;
    BOOL m_bUseParentBk = FALSE;
    BOOL m_bPressed = FALSE;
    BOOL m_bFocused = FALSE;
    BOOL m_bDisabled = FALSE;
    BOOL m_bDefault = FALSE;
    BOOL m_bCheckMode = FALSE;
    BYTE m_nAlign = IMGALIGN_LEFT;
    BOOL m_bHoverBorder = TRUE;
    BOOL m_bFlatFocusRect = FALSE;
    COLORREF m_colors[BTNCLR_COUNT] = {};
    // The tooltip: created by the first SetHintText, inactive until activated.
    bool m_bHintCreated = false;
    bool m_bHintHasTool = false;
    bool m_bHintActive = false;
    QRect m_rcHintTool;
    QString m_strHint;
    QImage m_bkCache;  // the parent's pixels under the button
    BOOL m_bTrackInactive = TRUE;
    int m_nChecked = 0;
    ButtonIcon m_icons[2];
    ButtonBitmap m_bitmaps[2];
};
