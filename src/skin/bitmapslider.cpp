#include "skin/bitmapslider.h"

#include "framework/controlid.h"
#include "framework/messages.h"
#include "framework/resources.h"
#include "skin/memdc.h"
#include "skin/valueaccessible.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

// Truncation toward zero, kept inside int for positions far outside the range.
int TruncToInt(double d)
{
    if (std::isnan(d))
        return 0;
    d = std::trunc(d);
    if (d >= double(INT_MAX))
        return INT_MAX;
    if (d <= double(INT_MIN))
        return INT_MIN;
    return int(d);
}

class CBitmapSliderAccessible : public CValueAccessible<CBitmapSlider>
{
public:
    explicit CBitmapSliderAccessible(CBitmapSlider* pSlider)
        : CValueAccessible(pSlider, QAccessible::Slider, "Slider")
    {
    }

    // As a key press would: the position changes and the parent hears of it.
    void setCurrentValue(const QVariant& value) override
    {
        CBitmapSlider* pSlider = Control();
        pSlider->SetPos(value.toInt());
        if (QWidget* pParent = pSlider->parentWidget())
            QCoreApplication::postEvent(
                pParent, new CMessageEvent(WM_SLIDER_CHANGED, quintptr(GetDlgCtrlID(pSlider)), pSlider->GetPos()));
    }
};

QAccessibleInterface* SliderAccessibleFactory(const QString& strClassName, QObject* pObject)
{
    if (strClassName == QLatin1String("CBitmapSlider") && pObject && pObject->isWidgetType())
        return new CBitmapSliderAccessible(static_cast<CBitmapSlider*>(pObject));
    return nullptr;
}

} // namespace

CBitmapSlider::CBitmapSlider(QWidget* pParent) : QWidget(pParent)
{
    static const bool s_bFactory = (QAccessible::installFactory(&SliderAccessibleFactory), true);
    Q_UNUSED(s_bFactory);
    setAttribute(Qt::WA_NoSystemBackground);
    // A click gives the keyboard focus; Tab does not stop here.
    setFocusPolicy(Qt::ClickFocus);
}

CBitmapSlider::~CBitmapSlider() = default;

BOOL CBitmapSlider::SetChannelBitmaps(UINT nChannelId, UINT nActiveId)
{
    const QImage channel = Resources::LoadBitmap(nChannelId);
    if (channel.isNull()) {
        m_bmChannel = QImage();
        m_bChannelLoaded = FALSE;
        return FALSE;
    }
    return AssignChannel(channel, nActiveId != 0, nActiveId != 0 ? Resources::LoadBitmap(nActiveId) : QImage());
}

BOOL CBitmapSlider::SetChannelImages(const QImage& channel, const QImage& active)
{
    return AssignChannel(channel, !active.isNull(), active);
}

BOOL CBitmapSlider::AssignChannel(const QImage& channel, bool bWantActive, const QImage& active)
{
    m_bmChannel = QImage();
    if (channel.isNull()) {
        m_bChannelLoaded = FALSE;
        return FALSE;
    }
    m_bmChannel = channel.convertToFormat(QImage::Format_RGB32);
    if (bWantActive) {
        m_bmChannelActive = QImage();
        if (active.isNull()) {
            m_bmChannel = QImage();
            m_bChannelLoaded = FALSE;
            return FALSE;
        }
        m_bmChannelActive = active.convertToFormat(QImage::Format_RGB32);
        m_bHasChannelActive = TRUE;
    } else {
        m_bHasChannelActive = FALSE;
    }
    m_nChannelWidth = m_bmChannel.width();
    m_nChannelHeight = m_bmChannel.height();
    resize(m_nChannelWidth, m_nChannelHeight);
    m_rcClient = rect();
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_bChannelLoaded = TRUE;
    return TRUE;
}

BOOL CBitmapSlider::SetThumbBitmaps(UINT nThumbId, UINT nActiveId, BOOL bTransparent, COLORREF clrKey, int xKey,
                                    int yKey)
{
    const QImage thumb = Resources::LoadBitmap(nThumbId);
    if (thumb.isNull()) {
        m_bmThumb = QImage();
        m_bThumbLoaded = FALSE;
        return FALSE;
    }
    return AssignThumb(thumb, nActiveId != 0, nActiveId != 0 ? Resources::LoadBitmap(nActiveId) : QImage(),
                       bTransparent, clrKey, xKey, yKey);
}

BOOL CBitmapSlider::SetThumbImages(const QImage& thumb, const QImage& active, BOOL bTransparent, COLORREF clrKey,
                                   int xKey, int yKey)
{
    return AssignThumb(thumb, !active.isNull(), active, bTransparent, clrKey, xKey, yKey);
}

BOOL CBitmapSlider::AssignThumb(const QImage& thumb, bool bWantActive, const QImage& active, BOOL bTransparent,
                                COLORREF clrKey, int xKey, int yKey)
{
    m_bmThumb = QImage();
    if (thumb.isNull()) {
        m_bThumbLoaded = FALSE;
        return FALSE;
    }
    m_bmThumb = thumb.convertToFormat(QImage::Format_RGB32);
    if (bTransparent) {
        MakeKeyMask(m_bmThumb, m_bmThumbMask, clrKey, xKey, yKey);
        m_bmThumbMaskBlit = ExpandMask(m_bmThumbMask);
    }
    if (bWantActive) {
        m_bmThumbActive = QImage();
        if (active.isNull()) {
            m_bmThumb = QImage();
            if (bTransparent) {
                m_bmThumbMask = QImage();
                m_bmThumbMaskBlit = QImage();
            }
            m_bThumbLoaded = FALSE;
            return FALSE;
        }
        m_bmThumbActive = active.convertToFormat(QImage::Format_RGB32);
        if (bTransparent) {
            MakeKeyMask(m_bmThumbActive, m_bmThumbActiveMask, clrKey, xKey, yKey);
            m_bmThumbActiveMaskBlit = ExpandMask(m_bmThumbActiveMask);
        }
        m_bHasThumbActive = TRUE;
    } else {
        m_bHasThumbActive = FALSE;
    }
    m_nThumbWidth = m_bmThumb.width();
    m_nThumbHeight = m_bmThumb.height();
    m_bThumbTransparent = bTransparent;
    m_bThumbLoaded = TRUE;
    return TRUE;
}

void CBitmapSlider::MakeKeyMask(QImage& image, QImage& mask, COLORREF clrKey, int xKey, int yKey)
{
    COLORREF clrMatch = clrKey;
    if (clrKey == KEY_FROM_PIXEL)
        clrMatch = image.valid(xKey, yKey) ? ColorRefFromRgb(image.pixel(xKey, yKey)) : CLR_INVALID;

    mask = QImage(image.size(), QImage::Format_Mono);
    if (mask.isNull())
        return;
    mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mask.fill(0);
    for (int y = 0; y < image.height(); ++y) {
        QRgb* pLine = reinterpret_cast<QRgb*>(image.scanLine(y));
        uchar* pBits = mask.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            if (ColorRefFromRgb(pLine[x]) != clrMatch)
                continue;
            pBits[x >> 3] |= uchar(0x80 >> (x & 7));
            pLine[x] = qRgb(0, 0, 0);
        }
    }
}

void CBitmapSlider::SetRange(int nMin, int nMax, BOOL bRedraw)
{
    m_nMin = nMin;
    m_nMax = nMax;
    if (bRedraw)
        update();
}

void CBitmapSlider::SetPos(int nPos)
{
    SetClampedPos(this, m_nPos, nPos, m_nMin, m_nMax);
    update();
}

int CBitmapSlider::PosToPixel(int nPos) const
{
    const int nHalf = m_nThumbWidth / 2;
    // An empty range would divide by zero: the thumb then rests at the left end.
    if (m_nMax == m_nMin)
        return nHalf;
    const double dTravel = double(m_nChannelWidth - m_nThumbWidth);
    const int nOffset = TruncToInt(dTravel * ((double(nPos) - m_nMin) / (double(m_nMax) - m_nMin)));
    return int(std::clamp<long long>((long long)nOffset + nHalf, INT_MIN, INT_MAX));
}

int CBitmapSlider::PixelToPos(int x) const
{
    const int nHalf = m_nThumbWidth / 2;
    const double dTravel = double(m_nChannelWidth - m_nThumbWidth);
    if (m_nMax == m_nMin || dTravel == 0.0)
        return m_nMin;
    return TruncToInt(m_nMin + ((double(x) - nHalf) / dTravel) * (double(m_nMax) - m_nMin));
}

void CBitmapSlider::Paint(QPainter& dc)
{
    CMemDC memDC(&dc, &m_rcClient);
    if (!memDC.IsValid())
        return;
    if (m_bChannelLoaded) {
        if (m_bHasChannelActive) {
            // Left of the thumb centre the active picture, from there on the normal one.
            const int p = std::clamp(PosToPixel(m_nPos), 0, m_nChannelWidth);
            if (p < m_nChannelWidth)
                memDC->drawImage(QPoint(p, 0), m_bmChannel, QRect(p, 0, m_nChannelWidth - p, m_nChannelHeight));
            if (p > 0)
                memDC->drawImage(QPoint(0, 0), m_bmChannelActive, QRect(0, 0, p, m_nChannelHeight));
        } else {
            memDC->drawImage(QPoint(0, 0), m_bmChannel);
        }
    }
    if (m_bThumbLoaded) {
        const bool bActive = m_bHasThumbActive && m_bDragging;
        const QImage& thumb = bActive ? m_bmThumbActive : m_bmThumb;
        const int x = PosToPixel(m_nPos) - m_nThumbWidth / 2;
        if (x < m_rcClient.width() && x > -m_nThumbWidth) {
            const QPoint ptThumb(x, 0);
            if (m_bThumbTransparent)
                BlitThroughMask(&memDC.Painter(), ptThumb, thumb, bActive ? m_bmThumbActiveMaskBlit : m_bmThumbMaskBlit);
            else
                memDC->drawImage(ptThumb, thumb);
        }
    }
}

void CBitmapSlider::paintEvent(QPaintEvent*)
{
    QPainter dc(this);
    Paint(dc);
}

// Press, move and release are accepted here: passed on, the press would hand the mouse
// grab to the parent and the drag would never reach the slider.
void CBitmapSlider::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton) {
        pEvent->accept();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_bDragging = TRUE;
    const int x = pEvent->position().toPoint().x();
    const int d = x - PosToPixel(m_nPos);
    // A press on the thumb keeps the grab point; elsewhere the thumb centre jumps there.
    m_nDragOffset = std::abs(d) > m_nThumbWidth / 2 ? 0 : d;
    OnMouseMove(x);
    update();
    pEvent->accept();
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent* pEvent)
{
    OnMouseMove(pEvent->position().toPoint().x());
    pEvent->accept();
}

void CBitmapSlider::OnMouseMove(int x)
{
    if (!m_bDragging)
        return;
    const int nHalf = m_nThumbWidth / 2;
    int t = x - m_nDragOffset;
    if (t < nHalf)
        t = nHalf;
    if (t > m_nChannelWidth - nHalf)
        t = m_nChannelWidth - nHalf;
    if (t != PosToPixel(m_nPos)) {
        SetPos(PixelToPos(t));
        PostToParent(WM_SLIDER_TRACK);
    }
}

void CBitmapSlider::mouseReleaseEvent(QMouseEvent* pEvent)
{
    pEvent->accept();
    if (pEvent->button() != Qt::LeftButton)
        return;
    m_bDragging = FALSE;
    update();
    PostToParent(WM_SLIDER_CHANGED);
}

void CBitmapSlider::keyPressEvent(QKeyEvent* pEvent)
{
    const auto Step = [this](long long nDelta) {
        return int(std::clamp<long long>(m_nPos + nDelta, INT_MIN, INT_MAX));
    };
    int nNewPos = m_nPos;
    switch (pEvent->key()) {
    case Qt::Key_PageUp: nNewPos = Step(-m_nPageSize); break;
    case Qt::Key_PageDown: nNewPos = Step(m_nPageSize); break;
    case Qt::Key_End: nNewPos = m_nMax; break;
    case Qt::Key_Home: nNewPos = m_nMin; break;
    case Qt::Key_Left:
    case Qt::Key_Up: nNewPos = Step(-1); break;
    case Qt::Key_Right:
    case Qt::Key_Down: nNewPos = Step(1); break;
    default:
        // The slider wants every key while it has the focus (Tab never arrives here),
        // so Enter and Escape do not reach the dialog either.
        pEvent->accept();
        return;
    }
    SetPos(nNewPos);
    PostToParent(WM_SLIDER_CHANGED);
    pEvent->accept();
}

void CBitmapSlider::PostToParent(int nMessage)
{
    QWidget* pParent = parentWidget();
    if (!pParent)
        return;
    // The event queue owns the posted event.
    QCoreApplication::postEvent(
        pParent, new CMessageEvent(QEvent::Type(nMessage), quintptr(GetDlgCtrlID(this)), m_nPos));
}
