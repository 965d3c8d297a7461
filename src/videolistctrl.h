#pragma once

#include <QTreeWidget>

// A play-list view; its columns and rows come with the play list.
class CVideoListCtrl : public QTreeWidget
{
    Q_OBJECT
public:
    explicit CVideoListCtrl(QWidget* pParent = nullptr) : QTreeWidget(pParent) {}
};
