#include "skin/meter.h"

#include "framework/resources.h"
#include "skin/memdc.h"
#include "skin/valueaccessible.h"

#include <QAccessible>
#include <QPainter>

#include <algorithm>

namespace {

// The gauge only displays its value.
class CMeterAccessible : public CValueAccessible<CMeter>
{
public:
    explicit CMeterAccessible(CMeter* pMeter) : CValueAccessible(pMeter, QAccessible::ProgressBar, "Gauge") {}
};

QAccessibleInterface* MeterAccessibleFactory(const QString& strClassName, QObject* pObject)
{
    if (strClassName == QLatin1String("CMeter") && pObject && pObject->isWidgetType())
        return new CMeterAccessible(static_cast<CMeter*>(pObject));
    return nullptr;
}

} // namespace

CMeter::CMeter(QWidget* pParent) : QWidget(pParent), m_pNeedleFrames(NeedleFrames)
{
    static const bool s_bFactory = (QAccessible::installFactory(&MeterAccessibleFactory), true);
    Q_UNUSED(s_bFactory);
    // The paint covers the drawing rectangle; nothing is erased beneath it.
    setAttribute(Qt::WA_NoSystemBackground);
}

CMeter::~CMeter() = default;

BOOL CMeter::SetDialBitmap(UINT nBitmapId)
{
    return SetDialImage(Resources::LoadBitmap(nBitmapId));
}

BOOL CMeter::SetDialImage(const QImage& image)
{
    m_bmDial = QImage();
    if (image.isNull()) {
        m_bDialLoaded = FALSE;
        return FALSE;
    }
    m_bmDial = image.convertToFormat(QImage::Format_RGB32);
    m_nDialWidth = m_bmDial.width();
    m_nDialHeight = m_bmDial.height();
    resize(m_nDialWidth, m_nDialHeight);
    m_rcClient = rect();
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_bDialLoaded = TRUE;
    return TRUE;
}

void CMeter::SetRange(int nMin, int nMax, BOOL bRedraw)
{
    m_nMin = nMin;
    m_nMax = nMax;
    SetClampedPos(this, m_nPos, m_nPos, m_nMin, m_nMax);
    if (bRedraw)
        update();
}

void CMeter::SetPos(int nPos)
{
    SetClampedPos(this, m_nPos, nPos, m_nMin, m_nMax);
    update();
}

int CMeter::FrameIndex() const
{
    // The table has 121 frames whatever range a caller sets.
    return std::clamp(m_nPos, 0, NEEDLE_FRAME_COUNT - 1);
}

void CMeter::Paint(QPainter& dc)
{
    CMemDC memDC(&dc, &m_rcClient);
    if (!memDC.IsValid())
        return;
    if (m_bDialLoaded)
        memDC->drawImage(QPoint(0, 0), m_bmDial, QRect(0, 0, m_nDialWidth, m_nDialHeight));
    for (const NeedlePixel* pPixel = m_pNeedleFrames[FrameIndex()]; pPixel->x != 0 || pPixel->y != 0; ++pPixel)
        memDC.SetPixel(pPixel->x, pPixel->y, RGB(pPixel->red, pPixel->green, pPixel->blue));
}

void CMeter::paintEvent(QPaintEvent*)
{
    QPainter dc(this);
    Paint(dc);
}
