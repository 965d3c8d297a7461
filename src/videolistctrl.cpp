#include "videolistctrl.h"

#include <QHeaderView>

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
