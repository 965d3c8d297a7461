#pragma once

#include <QTreeWidget>

class CGridItemDelegate;
class CVideoEntry;

// A play-list view in report style: four centred columns of fixed width with grid lines.
class CVideoListCtrl : public QTreeWidget
{
    Q_OBJECT
public:
    explicit CVideoListCtrl(QWidget* pParent = nullptr);

    // Report style, full-row single selection and the four columns.
    void SetUpReportView();

    // Appends a row with the entry's name, date, time and log flag; the whole name is the
    // row's tooltip.
    void AddEntryRow(const CVideoEntry& entry);
    // The text that cell (nRow, nColumn) shows, elided to the column as it is drawn.
    QString GetDisplayedText(int nRow, int nColumn) const;
    // The first selected row, or -1.
    int GetSelectedRow() const;
    // Selects row nRow alone; a row that does not exist selects nothing and changes nothing.
    void SelectRow(int nRow);
    // Clears row nRow's selection; -1 clears every row.
    void ClearRow(int nRow);

signals:
    // A double-click anywhere in the view, on a row or on the empty area below the rows.
    void DoubleClicked();
    // Enter or Return while the view has the keyboard.
    void EnterPressed();

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    CGridItemDelegate* m_pDelegate;
};
