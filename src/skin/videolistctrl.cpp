#include "skin/videolistctrl.h"

#include "logic/video.h"

#include <algorithm>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QStyleOptionViewItem>

namespace {

struct Column
{
    const char* pszTitle;
    int nWidth;
};

const Column kColumns[] = {{"File Name", 117}, {"Date", 85}, {"Time", 70}, {"Log", 40}};

// The bottom pixel line of every row is the grid line's.
constexpr int kGridLine = 1;

// A name elided in the middle keeps its first four characters (no more than a third of the
// room) and gives the rest of the room to its end: a camcorder names its clips by date and
// time, so the start is the same for a whole drive (the year, the camera's prefix), and what
// tells one clip from the next (the time, the clip number, the front or rear camera) is at the end.
constexpr int kHeadChars = 4;
constexpr int kHeadShare = 3;

bool SplitsAPair(const QString& str, int nAt)
{
    return nAt > 0 && nAt < str.size() && str.at(nAt).isLowSurrogate();
}

QString ElideKeepingTheEnd(const QString& str, const QFontMetrics& fm, int nWidth)
{
    if (fm.horizontalAdvance(str) <= nWidth)
        return str;
    const QString strEllipsis(QChar(0x2026));
    int nHead = 0;
    while (nHead < kHeadChars && fm.horizontalAdvance(str.left(nHead + 1)) <= nWidth / kHeadShare)
        ++nHead;
    while (SplitsAPair(str, nHead))
        --nHead;
    const int nRoom = nWidth - fm.horizontalAdvance(str.left(nHead) + strEllipsis);
    int nTail = 0;
    while (nHead + nTail < str.size() && fm.horizontalAdvance(str.right(nTail + 1)) <= nRoom)
        ++nTail;
    while (SplitsAPair(str, str.size() - nTail))
        --nTail;
    return str.left(nHead) + strEllipsis + str.right(nTail);
}

} // namespace

// Draws each cell above its row's grid line, so that the line covers none of the text
// (underscores and descenders reach the text's last pixel lines), and elides in the middle
// keeping the end of the name.
class CGridItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(0, kGridLine);
    }

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QStyleOptionViewItem cell = CellOption(option, index);
        Style(cell)->drawControl(QStyle::CE_ItemViewItem, &cell, pPainter, cell.widget);
    }

    // option.rect is the whole cell, its grid line included.
    QStyleOptionViewItem CellOption(const QStyleOptionViewItem& option, const QModelIndex& index) const
    {
        QStyleOptionViewItem cell(option);
        cell.rect.adjust(0, 0, 0, -kGridLine);
        initStyleOption(&cell, index);
        // The style would elide as well; a text elided here to the style's own text margins
        // fits, and the style draws it as it is.
        const QStyle* pStyle = Style(cell);
        const int nMargin = pStyle->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, cell.widget) + 1;
        const int nWidth = pStyle->subElementRect(QStyle::SE_ItemViewItemText, &cell, cell.widget).width() - 2 * nMargin;
        cell.text = cell.textElideMode == Qt::ElideMiddle
                        ? ElideKeepingTheEnd(cell.text, cell.fontMetrics, nWidth)
                        : cell.fontMetrics.elidedText(cell.text, cell.textElideMode, nWidth);
        return cell;
    }

private:
    static const QStyle* Style(const QStyleOptionViewItem& option)
    {
        return option.widget ? option.widget->style() : QApplication::style();
    }
};

CVideoListCtrl::CVideoListCtrl(QWidget* pParent) : QTreeWidget(pParent), m_pDelegate(new CGridItemDelegate(this))
{
    setItemDelegate(m_pDelegate);
}

void CVideoListCtrl::SetUpReportView()
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideMiddle);

    QStringList titles;
    for (const Column& column : kColumns)
        titles << QString::fromLatin1(column.pszTitle);
    setHeaderLabels(titles);
    QHeaderView* pHeader = header();
    pHeader->setStretchLastSection(false);
    pHeader->setSectionsMovable(false);
    pHeader->setDefaultAlignment(Qt::AlignCenter);
    // Columns keep their widths: neither dragging nor double-clicking a divider changes them.
    pHeader->setSectionResizeMode(QHeaderView::Fixed);
    for (int i = 0; i < int(std::size(kColumns)); ++i)
        setColumnWidth(i, kColumns[i].nWidth);
}

void CVideoListCtrl::AddEntryRow(const CVideoEntry& entry)
{
    auto* pItem = new QTreeWidgetItem(QStringList{QString::fromStdString(entry.m_strName),
                                                  QString::fromStdString(FormatEntryDate(entry)),
                                                  QString::fromStdString(FormatEntryTime(entry)),
                                                  QString::fromStdString(FormatEntryLog(entry))});
    const QString strName = pItem->text(0);
    for (int i = 0; i < int(std::size(kColumns)); ++i) {
        pItem->setTextAlignment(i, Qt::AlignCenter);
        pItem->setToolTip(i, strName);
    }
    addTopLevelItem(pItem);
}

QString CVideoListCtrl::GetDisplayedText(int nRow, int nColumn) const
{
    const QModelIndex index = model()->index(nRow, nColumn);
    if (!index.isValid())
        return QString();
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    return m_pDelegate->CellOption(option, index).text;
}

int CVideoListCtrl::GetSelectedRow() const
{
    for (int nRow = 0; nRow < topLevelItemCount(); ++nRow) {
        if (topLevelItem(nRow)->isSelected())
            return nRow;
    }
    return -1;
}

void CVideoListCtrl::SelectRow(int nRow)
{
    QTreeWidgetItem* pItem = topLevelItem(nRow);
    if (!pItem)
        return;
    setCurrentItem(pItem);
    pItem->setSelected(true);
    scrollToItem(pItem);
}

void CVideoListCtrl::ClearRow(int nRow)
{
    if (nRow < 0) {
        clearSelection();
        return;
    }
    if (QTreeWidgetItem* pItem = topLevelItem(nRow))
        pItem->setSelected(false);
}

void CVideoListCtrl::paintEvent(QPaintEvent* pEvent)
{
    QTreeWidget::paintEvent(pEvent);
    // Grid lines as a report view draws them: column dividers down the whole view, and row
    // dividers at every row height, below the last row too.
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    option.initFrom(this);
    painter.setPen(QColor(QRgb(unsigned(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)))));
    const int nRowHeight = topLevelItemCount() > 0 ? rowHeight(indexFromItem(topLevelItem(0)))
                                                   : fontMetrics().height() + kGridLine;
    const int nWidth = viewport()->width();
    const int nHeight = viewport()->height();
    const int nTop = topLevelItemCount() > 0 ? visualItemRect(topLevelItem(0)).top() : 0;
    for (int y = nTop + nRowHeight - 1; y < nHeight; y += std::max(nRowHeight, 1))
        painter.drawLine(0, y, nWidth, y);
    for (int i = 0; i < columnCount(); ++i) {
        const int x = columnViewportPosition(i) + columnWidth(i) - 1;
        painter.drawLine(x, 0, x, nHeight);
    }
}

void CVideoListCtrl::mousePressEvent(QMouseEvent* pEvent)
{
    // A click below the rows takes the selection away, as in any report view.
    if (!itemAt(pEvent->position().toPoint()))
        clearSelection();
    QTreeWidget::mousePressEvent(pEvent);
}

void CVideoListCtrl::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    QTreeWidget::mouseDoubleClickEvent(pEvent);
    if (pEvent->button() == Qt::LeftButton)
        emit DoubleClicked();
}

void CVideoListCtrl::keyPressEvent(QKeyEvent* pEvent)
{
    const int nKey = pEvent->key();
    if (nKey == Qt::Key_Return || nKey == Qt::Key_Enter) {
        emit EnterPressed();
        return;
    }
    QTreeWidget::keyPressEvent(pEvent);
    // The arrows and Space stay the view's where they move nothing (no column to scroll to):
    // the window has other uses for them.
    if (nKey == Qt::Key_Left || nKey == Qt::Key_Right || nKey == Qt::Key_Space)
        pEvent->accept();
}
