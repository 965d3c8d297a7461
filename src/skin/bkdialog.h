#pragma once

#include "skin/backgroundutil.h"
#include "framework/wintypes.h"

#include <QDialog>

class QPainter;

// A dialog whose client area is covered by a tiled background picture (the skin); without
// a picture it shows the ordinary dialog colour.
class CBkDialog : public QDialog, public CBackgroundUtil
{
    Q_OBJECT
public:
    CBkDialog(UINT nIDTemplate, QWidget* pParentWnd);
    ~CBkDialog() override;

    // Paints the dialog's background onto pDC, whose origin is the client area's top-left.
    // Children that show the dialog through themselves paint it with this as well.
    BOOL OnEraseBkgnd(QPainter* pDC);

protected:
    // Derived dialogs that paint more call this first.
    void paintEvent(QPaintEvent* pEvent) override;

    UINT m_nIDTemplate;
};
