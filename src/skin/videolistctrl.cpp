#include "skin/videolistctrl.h"

#include "logic/video.h"

#include <algorithm>

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionViewItem>

namespace {

struct Column
{
    const char* pszTitle;
    int nWidth;
};

const Column kColumns[] = {{"File Name", 117}, {"Date", 85}, {"Time", 70}, {"Log", 40}};

} // namespace

CVideoListCtrl::CVideoListCtrl(QWidget* pParent) : QTreeWidget(pParent)
{
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
                                                  QString::fromStdString(entry.m_strDate),
                                                  QString::fromStdString(entry.m_strTime),
                                                  QString::fromStdString(entry.m_strLog)});
    for (int i = 0; i < int(std::size(kColumns)); ++i)
        pItem->setTextAlignment(i, Qt::AlignCenter);
    addTopLevelItem(pItem);
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
                                                   : fontMetrics().height() + 2;
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
