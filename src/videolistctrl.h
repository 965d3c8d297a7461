#pragma once

#include <QTreeWidget>

// A play-list view in report style: four centred columns of fixed width.
class CVideoListCtrl : public QTreeWidget
{
    Q_OBJECT
public:
    explicit CVideoListCtrl(QWidget* pParent = nullptr);

    // Report style, full-row single selection and the four columns.
    void SetUpReportView();
};
