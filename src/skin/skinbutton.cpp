#include "skin/skinbutton.h"

#include "skin/bkdialog.h"
#include "framework/resources.h"
#include "skin/memdc.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace {

// The system colours the drawing uses, as palette roles.
constexpr int COLOR_BTNFACE = QPalette::Button;
constexpr int COLOR_BTNTEXT = QPalette::ButtonText;
constexpr int COLOR_BTNHIGHLIGHT = QPalette::Light;
constexpr int COLOR_3DLIGHT = QPalette::Midlight;
constexpr int COLOR_BTNSHADOW = QPalette::Dark;
constexpr int COLOR_3DDKSHADOW = QPalette::Shadow;

QColor ToQColor(COLORREF clr)
{
    return QColor(GetRValue(clr), GetGValue(clr), GetBValue(clr));
}

COLORREF ToColorRef(const QColor& clr)
{
    return RGB(clr.red(), clr.green(), clr.blue());
}

// A rectangle as (left, top, right, bottom) with right and bottom exclusive.
QRect FromLTRB(int l, int t, int r, int b)
{
    return QRect(l, t, r - l, b - t);
}

void FrameRect(QPainter* pDC, const QRect& rc, const QColor& clr)
{
    if (rc.width() <= 0 || rc.height() <= 0)
        return;
    pDC->fillRect(QRect(rc.left(), rc.top(), rc.width(), 1), clr);
    pDC->fillRect(QRect(rc.left(), rc.top() + rc.height() - 1, rc.width(), 1), clr);
    pDC->fillRect(QRect(rc.left(), rc.top(), 1, rc.height()), clr);
    pDC->fillRect(QRect(rc.left() + rc.width() - 1, rc.top(), 1, rc.height()), clr);
}

// One-pixel outline: top and left edges (less their last pixel) in one colour, right and
// bottom edges whole in the other.
void Draw3dRect(QPainter* pDC, const QRect& rc, const QColor& clrTopLeft, const QColor& clrBottomRight)
{
    const int x = rc.left(), y = rc.top(), cx = rc.width(), cy = rc.height();
    if (cx <= 0 || cy <= 0)
        return;
    pDC->fillRect(QRect(x, y, cx - 1, 1), clrTopLeft);
    pDC->fillRect(QRect(x, y, 1, cy - 1), clrTopLeft);
    pDC->fillRect(QRect(x + cx - 1, y, 1, cy), clrBottomRight);
    pDC->fillRect(QRect(x, y + cy - 1, cx, 1), clrBottomRight);
}

// A polyline of horizontal and vertical segments; each segment stops short of its end point.
void Polyline(QPainter* pDC, std::initializer_list<QPoint> points, const QColor& clr)
{
    const QPoint* pPrev = nullptr;
    for (const QPoint& pt : points) {
        if (pPrev) {
            if (pPrev->y() == pt.y()) {
                const int x0 = pPrev->x() < pt.x() ? pPrev->x() : pt.x() + 1;
                const int x1 = pPrev->x() < pt.x() ? pt.x() - 1 : pPrev->x();
                if (x1 >= x0)
                    pDC->fillRect(QRect(x0, pt.y(), x1 - x0 + 1, 1), clr);
            } else {
                const int y0 = pPrev->y() < pt.y() ? pPrev->y() : pt.y() + 1;
                const int y1 = pPrev->y() < pt.y() ? pt.y() - 1 : pPrev->y();
                if (y1 >= y0)
                    pDC->fillRect(QRect(pt.x(), y0, 1, y1 - y0 + 1), clr);
            }
        }
        pPrev = &pt;
    }
}

// Embossed picture of a disabled image: its shape (every pixel that is not white when the
// image lies on white) in the highlight colour one pixel down and right, then in the shadow
// colour in place.
void DrawDisabledImage(QPainter* pDC, const QPoint& pt, const QImage& image, const QColor& clrHighlight,
                       const QColor& clrShadow)
{
    QImage onWhite(image.size(), QImage::Format_RGB32);
    onWhite.fill(Qt::white);
    {
        QPainter painter(&onWhite);
        painter.drawImage(0, 0, image);
    }
    QImage shape(image.size(), QImage::Format_ARGB32);
    for (int nPass = 0; nPass < 2; ++nPass) {
        const QRgb rgb = (nPass == 0 ? clrHighlight : clrShadow).rgb();
        for (int y = 0; y < image.height(); ++y) {
            const QRgb* pSrc = reinterpret_cast<const QRgb*>(onWhite.constScanLine(y));
            QRgb* pDst = reinterpret_cast<QRgb*>(shape.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                pDst[x] = (pSrc[x] & 0xFFFFFF) == 0xFFFFFF ? 0 : rgb;
        }
        pDC->drawImage(nPass == 0 ? pt + QPoint(1, 1) : pt, shape);
    }
}

} // namespace

// Long tips wrap at word boundaries so that no line is wider than 400 pixels.
QString CSkinButton::WrapHint(const QString& strText, const QFont& font)
{
    constexpr int kMaxTipWidth = 400;
    const QFontMetrics fm(font);
    QStringList lines;
    for (const QString& strParagraph : strText.split(QLatin1Char('\n'))) {
        QString strLine;
        for (const QString& strWord : strParagraph.split(QLatin1Char(' '))) {
            const QString strLonger = strLine.isEmpty() ? strWord : strLine + QLatin1Char(' ') + strWord;
            if (!strLine.isEmpty() && fm.horizontalAdvance(strLonger) > kMaxTipWidth) {
                lines << strLine;
                strLine = strWord;
            } else {
                strLine = strLonger;
            }
        }
        lines << strLine;
    }
    return lines.join(QLatin1Char('\n'));
}

namespace {

class CSkinButtonAccessible : public QAccessibleWidget
{
public:
    explicit CSkinButtonAccessible(CSkinButton* pButton) : QAccessibleWidget(pButton, QAccessible::Button) {}

    CSkinButton* Button() const { return static_cast<CSkinButton*>(widget()); }

    QString text(QAccessible::Text type) const override
    {
        if (type == QAccessible::Name) {
            // The tooltip says what the picture means.
            QString strName = Button()->GetHintText();
            if (strName.isEmpty())
                strName = widget()->accessibleName();
            if (strName.isEmpty())
                strName = Button()->text();
            return strName;
        }
        return QAccessibleWidget::text(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State st = QAccessibleWidget::state();
        CSkinButton* pButton = Button();
        st.pressed = pButton->isDown();
        if (pButton->IsCheckMode()) {
            st.checkable = true;
            st.checked = pButton->GetChecked() != 0;
        }
        st.defaultButton = pButton->IsDefaultButton();
        return st;
    }

    QStringList actionNames() const override
    {
        QStringList names;
        if (widget()->isEnabled())
            names << pressAction();
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& strAction) override
    {
        if (!widget()->isEnabled())
            return;
        if (strAction == pressAction())
            Button()->click();
        else
            QAccessibleWidget::doAction(strAction);
    }
};

QAccessibleInterface* ButtonAccessibleFactory(const QString& strClassName, QObject* pObject)
{
    if (strClassName == QLatin1String("CSkinButton") && pObject && pObject->isWidgetType())
        return new CSkinButtonAccessible(static_cast<CSkinButton*>(pObject));
    return nullptr;
}

} // namespace

CSkinButton::CSkinButton(QWidget* pParent) : QPushButton(pParent)
{
    static const bool s_bFactory = (QAccessible::installFactory(&ButtonAccessibleFactory), true);
    Q_UNUSED(s_bFactory);
    // Every paint covers the whole button, with the face colour or the parent's pixels.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    ResetStateColors(FALSE);
    // Only Tab brings the keyboard here: a click leaves it with the window, whose keys
    // (Space, the arrows) then still reach it.
    setFocusPolicy(Qt::TabFocus);
}

CSkinButton::~CSkinButton() = default;

void CSkinButton::Repaint(BOOL bRepaint)
{
    if (bRepaint)
        update();
}

QColor CSkinButton::SysColor(int nRole) const
{
    return palette().color(QPalette::Active, QPalette::ColorRole(nRole));
}

void CSkinButton::PreSubclassWindow()
{
    // A checkable button is the check-style button; the default flag follows the dialog.
    if (isCheckable())
        m_bCheckMode = TRUE;
    if (isDefault())
        m_bDefault = TRUE;
}

// ---- images ----------------------------------------------------------------------------

DWORD CSkinButton::LoadIconImages(UINT nActiveId, UINT nNormalId)
{
    const QImage active = nActiveId != 0 ? Resources::LoadIconImage(nActiveId & 0xFFFF) : QImage();
    if (nNormalId == BTNICON_AUTO_GRAY)
        return AssignIconImages(active, QImage(), true);
    const QImage normal = nNormalId != 0 ? Resources::LoadIconImage(nNormalId & 0xFFFF) : QImage();
    return AssignIconImages(active, normal, false);
}

DWORD CSkinButton::AssignIcons(const QImage& active, const QImage& normal)
{
    return AssignIconImages(active, normal, false);
}

DWORD CSkinButton::AssignIcons(const QImage& active, UINT nNormal)
{
    return AssignIconImages(active, QImage(), nNormal == BTNICON_AUTO_GRAY);
}

DWORD CSkinButton::AssignIconImages(const QImage& active, const QImage& normal, bool bAutoGray)
{
    ReleaseImages();
    if (active.isNull()) {
        update();
        return BTNRES_OK;
    }
    m_icons[0].image = active.convertToFormat(QImage::Format_ARGB32);
    if (m_icons[0].image.isNull()) {
        ReleaseImages();
        return BTNRES_BAD_RESOURCE;
    }
    m_icons[0].nWidth = DWORD(m_icons[0].image.width());
    m_icons[0].nHeight = DWORD(m_icons[0].image.height());

    const QImage icon = bAutoGray ? MakeGrayIcon(m_icons[0].image) : normal;
    if (bAutoGray && icon.isNull()) {
        ReleaseImages();
        return BTNRES_BAD_RESOURCE;
    }
    if (!icon.isNull()) {
        m_icons[1].image = icon.convertToFormat(QImage::Format_ARGB32);
        if (m_icons[1].image.isNull()) {
            ReleaseImages();
            return BTNRES_BAD_RESOURCE;
        }
        m_icons[1].nWidth = DWORD(m_icons[1].image.width());
        m_icons[1].nHeight = DWORD(m_icons[1].image.height());
    }
    update();
    return BTNRES_OK;
}

QImage CSkinButton::MakeGrayIcon(const QImage& icon) const
{
    if (icon.isNull())
        return QImage();
    QImage gray = icon.convertToFormat(QImage::Format_ARGB32);
    if (gray.isNull())
        return QImage();
    for (int y = 0; y < gray.height(); ++y) {
        QRgb* pLine = reinterpret_cast<QRgb*>(gray.scanLine(y));
        for (int x = 0; x < gray.width(); ++x) {
            const int r = qRed(pLine[x]), g = qGreen(pLine[x]), b = qBlue(pLine[x]);
            if (r == 0 && g == 0 && b == 0)
                continue;  // pure black stays
            const int nGray = int(0.299 * r + 0.587 * g + 0.114 * b);
            pLine[x] = qRgba(nGray, nGray, nGray, qAlpha(pLine[x]));
        }
    }
    return gray;
}

DWORD CSkinButton::LoadBitmapImages(UINT nActiveId, COLORREF clrActiveKey, UINT nNormalId, COLORREF clrNormalKey)
{
    const QImage active = nActiveId != 0 ? Resources::LoadBitmap(nActiveId) : QImage();
    const QImage normal = nNormalId != 0 ? Resources::LoadBitmap(nNormalId) : QImage();
    return AssignBitmaps(active, clrActiveKey, normal, clrNormalKey);
}

DWORD CSkinButton::AssignBitmaps(const QImage& active, COLORREF clrActiveKey, const QImage& normal,
                                 COLORREF clrNormalKey)
{
    ReleaseImages();
    if (active.isNull()) {
        update();
        return BTNRES_OK;
    }
    const QImage* sources[2] = {&active, &normal};
    const COLORREF keys[2] = {clrActiveKey, clrNormalKey};
    for (int i = 0; i < 2; ++i) {
        if (sources[i]->isNull())
            continue;
        ButtonBitmap& bitmap = m_bitmaps[i];
        bitmap.image = sources[i]->convertToFormat(QImage::Format_RGB32);
        if (bitmap.image.isNull()) {
            ReleaseImages();
            return BTNRES_BAD_RESOURCE;
        }
        bitmap.nWidth = DWORD(bitmap.image.width());
        bitmap.nHeight = DWORD(bitmap.image.height());
        bitmap.clrKey = keys[i];
        bitmap.mask = MakeTransparencyMask(bitmap.image, int(bitmap.nWidth), int(bitmap.nHeight), keys[i]);
        if (bitmap.mask.isNull()) {
            ReleaseImages();
            return BTNRES_MASK_FAILED;
        }
        bitmap.maskBlit = ExpandMask(bitmap.mask);
    }
    update();
    return BTNRES_OK;
}

QImage CSkinButton::MakeTransparencyMask(QImage& bitmap, int nWidth, int nHeight, COLORREF clrKey)
{
    QImage mask(nWidth, nHeight, QImage::Format_Mono);
    if (mask.isNull())
        return QImage();
    mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mask.fill(0);
    const int nRows = std::min(nHeight, bitmap.height());
    const int nCols = std::min(nWidth, bitmap.width());
    for (int y = 0; y < nRows; ++y) {
        QRgb* pLine = reinterpret_cast<QRgb*>(bitmap.scanLine(y));
        uchar* pBits = mask.scanLine(y);
        for (int x = 0; x < nCols; ++x) {
            if (ColorRefFromRgb(pLine[x]) != clrKey)
                continue;
            pBits[x >> 3] |= uchar(0x80 >> (x & 7));
            pLine[x] = qRgb(0, 0, 0);  // adds nothing when ORed onto the background
        }
    }
    return mask;
}

void CSkinButton::ReleaseImages()
{
    for (ButtonIcon& icon : m_icons)
        icon = ButtonIcon();
    for (ButtonBitmap& bitmap : m_bitmaps)
        bitmap = ButtonBitmap();
}

// ---- settings --------------------------------------------------------------------------

DWORD CSkinButton::SetStateColor(BYTE nIndex, COLORREF clr, BOOL bRepaint)
{
    if (nIndex >= BTNCLR_COUNT)
        return BTNRES_BAD_INDEX;
    m_colors[nIndex] = clr;
    Repaint(bRepaint);
    return BTNRES_OK;
}

DWORD CSkinButton::GetStateColor(BYTE nIndex, COLORREF* pClr) const
{
    if (nIndex >= BTNCLR_COUNT)
        return BTNRES_BAD_INDEX;
    if (pClr)
        *pClr = m_colors[nIndex];
    return BTNRES_OK;
}

DWORD CSkinButton::ShiftStateColor(BYTE nIndex, short nOffset, BOOL bRepaint)
{
    if (nIndex >= BTNCLR_COUNT)
        return BTNRES_BAD_INDEX;
    if (nOffset < -255 || nOffset > 255)
        return BTNRES_BAD_PARAM;
    const COLORREF clr = m_colors[nIndex];
    const int r = GetRValue(clr), g = GetGValue(clr), b = GetBValue(clr);
    // The same amount on every channel, limited so that none leaves 0..255: the hue stays.
    int dR = nOffset, dG = nOffset, dB = nOffset;
    int nAmount;
    if (nOffset > 0) {
        if (r + nOffset > 255) dR = 255 - r;
        if (g + nOffset > 255) dG = 255 - g;
        if (b + nOffset > 255) dB = 255 - b;
        nAmount = std::min({dR, dG, dB});
    } else {
        if (r + nOffset < 0) dR = -r;
        if (g + nOffset < 0) dG = -g;
        if (b + nOffset < 0) dB = -b;
        nAmount = std::max({dR, dG, dB});
    }
    m_colors[nIndex] = RGB(r + nAmount, g + nAmount, b + nAmount);
    Repaint(bRepaint);
    return BTNRES_OK;
}

DWORD CSkinButton::ResetStateColors(BOOL bRepaint)
{
    const COLORREF clrFace = ToColorRef(SysColor(COLOR_BTNFACE));
    const COLORREF clrText = ToColorRef(SysColor(COLOR_BTNTEXT));
    m_colors[BTNCLR_ACTIVE_BK] = m_colors[BTNCLR_NORMAL_BK] = m_colors[BTNCLR_FOCUS_BK] = clrFace;
    m_colors[BTNCLR_ACTIVE_FG] = m_colors[BTNCLR_NORMAL_FG] = m_colors[BTNCLR_FOCUS_FG] = clrText;
    Repaint(bRepaint);
    return BTNRES_OK;
}

DWORD CSkinButton::SetFlatLook(BOOL bFlat, BOOL bRepaint)
{
    m_bFlat = bFlat;
    Repaint(bRepaint);
    return BTNRES_OK;
}

DWORD CSkinButton::SetImageAlignment(BYTE nAlign, BOOL bRepaint)
{
    if (nAlign > IMGALIGN_RIGHT)
        return BTNRES_BAD_ALIGN;
    m_nAlign = nAlign;
    Repaint(bRepaint);
    return BTNRES_OK;
}

DWORD CSkinButton::SetChecked(int nState, BOOL bRepaint)
{
    if (!m_bCheckMode)
        return BTNRES_OK;
    m_nChecked = nState != 0 ? 1 : 0;
    if (isCheckable() && isChecked() != (m_nChecked != 0))
        setChecked(m_nChecked != 0);
    Repaint(bRepaint);
    return BTNRES_OK;
}

void CSkinButton::checkStateSet()
{
    QPushButton::checkStateSet();
    if (m_bCheckMode)
        m_nChecked = isChecked() ? 1 : 0;
}

void CSkinButton::nextCheckState()
{
    QPushButton::nextCheckState();
    if (m_bCheckMode) {
        m_nChecked = isChecked() ? 1 : 0;
        update();
    }
}

DWORD CSkinButton::EnableHoverBorder(BOOL bEnable, BOOL bRepaint)
{
    m_bHoverBorder = bEnable;
    Repaint(bRepaint);
    return BTNRES_OK;
}

DWORD CSkinButton::EnableFlatFocusRect(BOOL bEnable, BOOL bRepaint)
{
    m_bFlatFocusRect = bEnable;
    Repaint(bRepaint);
    return BTNRES_OK;
}

DWORD CSkinButton::SetTrackInactive(BOOL bTrack)
{
    m_bTrackInactive = bTrack;
    return BTNRES_OK;
}

BOOL CSkinButton::IsDefaultButton() const
{
    // The dialog moves the default state between its buttons as the focus moves.
    return isDefault() ? TRUE : FALSE;
}

// ---- tooltip ---------------------------------------------------------------------------

void CSkinButton::SetHintText(const QString& strText, BOOL bActivate)
{
    if (strText.isNull())
        return;
    if (!m_bHintCreated) {
        m_bHintCreated = true;
        m_bHintActive = false;
    }
    if (!m_bHintHasTool) {
        m_bHintHasTool = true;
        m_rcHintTool = rect();
    }
    m_strHint = strText;
    ActivateHint(bActivate);
}

void CSkinButton::SetHintText(UINT nStringId, BOOL bActivate)
{
    const QString strText = Resources::LoadString(nStringId);
    if (!strText.isEmpty())
        SetHintText(strText, bActivate);
}

void CSkinButton::ActivateHint(BOOL bActivate)
{
    if (!m_bHintHasTool)
        return;
    m_bHintActive = bActivate != FALSE;
    setToolTip(m_bHintActive ? m_strHint : QString());
}

// ---- background ------------------------------------------------------------------------

void CSkinButton::UseParentBackground(BOOL bRepaint)
{
    m_bUseParentBk = TRUE;
    m_bkCache = QImage();
    Repaint(bRepaint);
}

void CSkinButton::PaintParentBackground(QPainter* pDC)
{
    QWidget* pParent = parentWidget();
    // A cache of another size is of no use: the button was resized since.
    if (m_bkCache.deviceIndependentSize().toSize() != size())
        m_bkCache = QImage();
    if (m_bkCache.isNull() && pParent) {
        const qreal dRatio = devicePixelRatioF();
        const QPoint ptOrigin = pos();
        QImage cache(size() * dRatio, QImage::Format_RGB32);
        if (!cache.isNull()) {
            cache.setDevicePixelRatio(dRatio);
            cache.fill(pParent->palette().color(pParent->backgroundRole()));
            if (auto* pBkDialog = qobject_cast<CBkDialog*>(pParent)) {
                // Straight from the dialog's background: its paint handler refreshes this cache.
                QPainter painter(&cache);
                painter.translate(-ptOrigin);
                pBkDialog->OnEraseBkgnd(&painter);
            } else {
                pParent->render(&cache, QPoint(), QRegion(QRect(ptOrigin, size())), QWidget::DrawWindowBackground);
            }
            m_bkCache = cache;
        }
    }
    if (m_bkCache.isNull())
        pDC->fillRect(rect(), palette().color(QPalette::Active, backgroundRole()));
    else
        pDC->drawImage(0, 0, m_bkCache);
}

// ---- drawing ---------------------------------------------------------------------------

DWORD CSkinButton::PaintFace(QPainter* pDC, const QRect& rc)
{
    COLORREF clr = m_colors[BTNCLR_NORMAL_BK];
    if (m_bHover || m_bPressed)
        clr = m_colors[BTNCLR_ACTIVE_BK];
    else if (m_bFocused)
        clr = m_colors[BTNCLR_FOCUS_BK];
    pDC->fillRect(rc, ToQColor(clr));
    return BTNRES_OK;
}

DWORD CSkinButton::PaintFrame(QPainter* pDC, const QRect& rc)
{
    if (m_bPressed)
        Draw3dRect(pDC, rc, SysColor(COLOR_BTNSHADOW), SysColor(COLOR_BTNHIGHLIGHT));
    else
        Draw3dRect(pDC, rc, SysColor(COLOR_BTNHIGHLIGHT), SysColor(COLOR_BTNSHADOW));
    return BTNRES_OK;
}

void CSkinButton::paintEvent(QPaintEvent*)
{
    QPainter dc(this);
    DrawItem(&dc);
}

void CSkinButton::DrawItem(QPainter* pDC)
{
    const bool bSelected = isDown();
    m_bPressed = m_bCheckMode ? (bSelected || m_nChecked != 0) : bSelected;
    m_bFocused = hasFocus();
    m_bDisabled = !isEnabled();
    m_bDefault = isDefault();

    const QRect rcItem = rect();
    QRect R = rcItem;
    pDC->setBackgroundMode(Qt::TransparentMode);

    if (!m_bFlat && (m_bFocused || m_bDefault)) {
        FrameRect(pDC, R, Qt::black);
        R.adjust(1, 1, -1, -1);
    }

    if (m_bUseParentBk)
        PaintParentBackground(pDC);
    else
        PaintFace(pDC, R);

    if (m_bPressed) {
        if (m_bFlat) {
            if (m_bHoverBorder)
                PaintFrame(pDC, R);
        } else {
            FrameRect(pDC, R, SysColor(COLOR_BTNSHADOW));
        }
    } else if (m_bFlat) {
        if (m_bHover && m_bHoverBorder)
            PaintFrame(pDC, R);
    } else {
        const int L = R.left(), T = R.top(), Rt = R.left() + R.width(), B = R.top() + R.height();
        Polyline(pDC, {QPoint(L, B - 1), QPoint(L, T), QPoint(Rt, T)}, SysColor(COLOR_BTNHIGHLIGHT));
        Polyline(pDC, {QPoint(L + 1, B - 1), QPoint(L + 1, T + 1), QPoint(Rt, T + 1)}, SysColor(COLOR_3DLIGHT));
        Polyline(pDC, {QPoint(L, B - 1), QPoint(Rt - 1, B - 1), QPoint(Rt - 1, T - 1)}, SysColor(COLOR_3DDKSHADOW));
        Polyline(pDC, {QPoint(L + 1, B - 2), QPoint(Rt - 2, B - 2), QPoint(Rt - 2, T)}, SysColor(COLOR_BTNSHADOW));
    }

    const QString strCaption = text();
    QRect rcCaption = rcItem;
    if (!m_icons[0].image.isNull())
        DrawIconImage(pDC, !strCaption.isEmpty(), rcItem, rcCaption, m_bPressed, m_bDisabled);
    if (!m_bitmaps[0].image.isNull()) {
        pDC->setBackground(Qt::white);
        DrawBitmapImage(pDC, !strCaption.isEmpty(), rcItem, rcCaption, m_bPressed, m_bDisabled);
    }
    if (!strCaption.isEmpty())
        DrawCaption(pDC, strCaption, rcCaption);

    if ((!m_bFlat || m_bFlatFocusRect) && m_bFocused) {
        const QRect rcFocus = R.adjusted(3, 3, -3, -3);
        if (rcFocus.width() > 1 && rcFocus.height() > 1) {
            QPen pen(Qt::white, 0, Qt::CustomDashLine);
            pen.setDashPattern({1, 1});
            pDC->save();
            pDC->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            pDC->setPen(pen);
            pDC->setBrush(Qt::NoBrush);
            pDC->drawRect(rcFocus.adjusted(0, 0, -1, -1));
            pDC->restore();
        }
    }
}

void CSkinButton::DrawCaption(QPainter* pDC, const QString& strCaption, QRect Q)
{
    if (m_bPressed && !m_bCheckMode)
        Q.translate(1, 1);
    const QRect K = Q;
    const int nFlags = Qt::TextWordWrap | Qt::AlignHCenter | Qt::AlignTop;
    const QRect rcText = pDC->fontMetrics().boundingRect(Q, nFlags, strCaption);
    // Measured like DrawText's DT_CALCRECT: the corner stays, the size becomes the text's.
    Q.setSize(QSize(rcText.width(), rcText.height()));
    Q.translate((K.width() - Q.width()) / 2, (K.height() - Q.height()) / 2);
    pDC->setBackgroundMode(Qt::TransparentMode);
    if (m_bDisabled) {
        pDC->setPen(SysColor(COLOR_BTNHIGHLIGHT));
        pDC->drawText(Q.translated(1, 1), nFlags, strCaption);
        pDC->setPen(SysColor(COLOR_BTNSHADOW));
        pDC->drawText(Q, nFlags, strCaption);
    } else {
        const bool bActive = m_bHover || m_bPressed;
        pDC->setPen(ToQColor(m_colors[bActive ? BTNCLR_ACTIVE_FG : BTNCLR_NORMAL_FG]));
        pDC->setBackground(ToQColor(m_colors[bActive ? BTNCLR_ACTIVE_BK : BTNCLR_NORMAL_BK]));
        pDC->drawText(Q, nFlags, strCaption);
    }
}

QRect CSkinButton::PlaceImage(bool bHasCaption, const QRect& rcItem, QRect& Q, bool bPressed, int w, int h) const
{
    // Work in left/top/right/bottom with right and bottom exclusive; halves truncate toward zero.
    int l = rcItem.left(), t = rcItem.top();
    const int r = rcItem.left() + rcItem.width(), b = rcItem.top() + rcItem.height();
    int ql = Q.left(), qt = Q.top(), qr = Q.left() + Q.width();
    const int qb = Q.top() + Q.height();
    switch (m_nAlign) {
    case IMGALIGN_TOP:
        l += (r - l - w) / 2;
        if (!bHasCaption) {
            t += (b - t - h) / 2;
        } else {
            t = 3;
            qt += h;
        }
        break;
    case IMGALIGN_RIGHT:
        if (!bHasCaption) {
            l += (r - l - w) / 2;
        } else {
            qr = (qr - ql) - w - 3;
            ql = 3;
            l = rect().right() + 1 - w - 3;
            t += (b - t - h) / 2;
        }
        break;
    case IMGALIGN_LEFT:
    default:
        if (!bHasCaption) {
            l += (r - l - w) / 2;
        } else {
            l += 3;
            ql += w + 3;
        }
        t += (b - t - h) / 2;
        break;
    }
    Q = FromLTRB(ql, qt, qr, qb);
    QRect I = FromLTRB(l, t, r, b);
    if (bPressed && !m_bCheckMode)
        I.translate(1, 1);
    return I;
}

int CSkinButton::ChooseImage(bool bHasNormal) const
{
    const bool bActive = m_bCheckMode ? m_bPressed != FALSE : (m_bPressed || m_bHover);
    if (bActive)
        return 0;
    return bHasNormal ? 1 : 0;
}

void CSkinButton::DrawIconImage(QPainter* pDC, bool bHasCaption, const QRect& rcItem, QRect& rcCaption,
                                bool bPressed, bool bDisabled)
{
    const ButtonIcon& icon = m_icons[ChooseImage(!m_icons[1].image.isNull())];
    const QRect I = PlaceImage(bHasCaption, rcItem, rcCaption, bPressed, int(icon.nWidth), int(icon.nHeight));
    if (bDisabled)
        DrawDisabledImage(pDC, I.topLeft(), icon.image, SysColor(COLOR_BTNHIGHLIGHT), SysColor(COLOR_BTNSHADOW));
    else
        pDC->drawImage(I.topLeft(), icon.image);
}

void CSkinButton::DrawBitmapImage(QPainter* pDC, bool bHasCaption, const QRect& rcItem, QRect& rcCaption,
                                  bool bPressed, bool bDisabled)
{
    const ButtonBitmap& bitmap = m_bitmaps[ChooseImage(!m_bitmaps[1].image.isNull())];
    const QRect I = PlaceImage(bHasCaption, rcItem, rcCaption, bPressed, int(bitmap.nWidth), int(bitmap.nHeight));
    if (bDisabled) {
        // Opaque pixels take the picture, the transparent ones stay white; then embossed.
        QImage onWhite(bitmap.image.size(), QImage::Format_RGB32);
        onWhite.fill(Qt::white);
        {
            QPainter painter(&onWhite);
            BlitThroughMask(&painter, QPoint(0, 0), bitmap.image, bitmap.maskBlit);
        }
        DrawDisabledImage(pDC, I.topLeft(), onWhite, SysColor(COLOR_BTNHIGHLIGHT), SysColor(COLOR_BTNSHADOW));
    } else {
        BlitThroughMask(pDC, I.topLeft(), bitmap.image, bitmap.maskBlit);
    }
}

// ---- messages --------------------------------------------------------------------------

bool CSkinButton::event(QEvent* pEvent)
{
    switch (pEvent->type()) {
    case QEvent::Polish:
    case QEvent::StyleChange: {
        const bool bResult = QPushButton::event(pEvent);
        // Polishing clears the attribute; without it every update of the button would
        // repaint the parent beneath it, and the parent's paint refreshes the button.
        setAttribute(Qt::WA_OpaquePaintEvent);
        if (pEvent->type() == QEvent::Polish)
            PreSubclassWindow();
        return bResult;
    }
    case QEvent::ToolTip: {
        auto* pHelp = static_cast<QHelpEvent*>(pEvent);
        if (!m_bHintActive || !m_rcHintTool.contains(pHelp->pos())) {
            QToolTip::hideText();
            pEvent->ignore();
            return true;
        }
        QToolTip::showText(pHelp->globalPos(), WrapHint(m_strHint, QToolTip::font()), this, m_rcHintTool);
        return true;
    }
    case QEvent::PaletteChange:
        // New system colours: the captured background is taken again at the next paint.
        m_bkCache = QImage();
        break;
    case QEvent::WindowBlocked:
    case QEvent::Hide:
        EndHover();
        break;
    default:
        break;
    }
    return QPushButton::event(pEvent);
}

void CSkinButton::mouseMoveEvent(QMouseEvent* pEvent)
{
    QPushButton::mouseMoveEvent(pEvent);
    TrackHover(pEvent->globalPosition().toPoint(), pEvent->buttons());
}

void CSkinButton::enterEvent(QEnterEvent* pEvent)
{
    QPushButton::enterEvent(pEvent);
    TrackHover(pEvent->globalPosition().toPoint(), QApplication::mouseButtons());
}

void CSkinButton::TrackHover(const QPoint& ptGlobal, Qt::MouseButtons buttons)
{
    // A drag that enters the button does not light it; only flat buttons track hover.
    if ((buttons & Qt::LeftButton) && !m_bHover)
        return;
    if (!m_bFlat)
        return;
    const QWidget* pActive = m_bTrackInactive ? this : QApplication::activeWindow();
    if (QApplication::widgetAt(ptGlobal) == this && pActive) {
        if (!m_bHover) {
            m_bHover = TRUE;
            update();
        }
    } else {
        EndHover();
    }
}

void CSkinButton::EndHover()
{
    if (m_bFlat && m_bHover) {
        m_bHover = FALSE;
        update();
    }
}

void CSkinButton::leaveEvent(QEvent* pEvent)
{
    QPushButton::leaveEvent(pEvent);
    EndHover();
}

// A fast second click is a click, not a double-click.
void CSkinButton::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    mousePressEvent(pEvent);
}

void CSkinButton::focusOutEvent(QFocusEvent* pEvent)
{
    QPushButton::focusOutEvent(pEvent);
    EndHover();
}

void CSkinButton::changeEvent(QEvent* pEvent)
{
    QPushButton::changeEvent(pEvent);
    switch (pEvent->type()) {
    case QEvent::ActivationChange:
        if (!isActiveWindow())
            EndHover();
        break;
    case QEvent::EnabledChange:
        if (!isEnabled()) {
            // Qt has already handed our focus to the next tab stop, if there was one;
            // without one the parent takes it. A focus elsewhere is left alone.
            if (!window()->focusWidget() && parentWidget())
                parentWidget()->setFocus(Qt::TabFocusReason);
            EndHover();
        }
        break;
    default:
        break;
    }
}
