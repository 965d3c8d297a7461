#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <vector>

class QWidget;

// A dialog template as data: the dialog's size and its controls in template order,
// which is also their tab and drawing order. Rectangles are in dialog units.
struct DlgItemTemplate
{
    enum Kind { PushButton, DefPushButton, Static, IconStatic, ListView };

    int nId;          // -1 for controls without an ID
    Kind kind;
    QRect rcUnits;    // x, y, w, h in dialog units
    QString strText;  // initial text
    bool bTabStop;
};

struct DlgTemplate
{
    int nId;
    QString strCaption;
    QSize sizeUnits;
    QString strFont;
    int nFontSize;
    int nPixelsPerUnit;
    std::vector<DlgItemTemplate> items;

    QRect ToPixels(const QRect& rcUnits) const;
    QSize PixelSize() const;
    const DlgItemTemplate* Find(int nId) const;
};

const DlgTemplate& MainDialogTemplate();   // template 131
const DlgTemplate& AboutDialogTemplate();  // template 100

// Creates the template's controls on pDialog. For each item, pBind may hand back the
// dialog's own widget for it (created by the dialog as the item's class); otherwise a
// plain widget of the item's kind is made. Each control gets its parent, ID, pixel
// rectangle and initial text; tab stops are chained in template order.
void CreateDialogControls(QWidget* pDialog, const DlgTemplate& tmpl,
                          const std::function<QWidget*(const DlgItemTemplate&)>& pBind);
