// Internal to the window layer. The toolkit side of a list view window: a tree view over a
// table model of the list's rows, with the toolkit's header (columns resized by dragging), scroll
// bars and wheel. The view only shows and scrolls: its clicks go on to the window, whose
// procedure decides every change of a row (listview.cpp). Rectangles are in the window's
// client coordinates. UI thread only.
#pragma once

#include "ui/gdi.h"

#include <QAbstractTableModel>
#include <QTreeView>

#include <string>
#include <vector>

namespace zem::ui {

struct ListRow {
    std::vector<std::string> texts;  // by column; missing ones are empty
    LPARAM data = 0;
    UINT state = 0;  // LVIS_ bits
};

// The columns and rows of one list, and the colours and styles its cells are shown with.
class ListModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const std::vector<std::string>& Titles() const { return titles_; }
    const std::vector<ListRow>& Rows() const { return rows_; }
    void InsertColumn(int column, const std::string& title);
    void InsertRow(int row, const std::string& text);
    void Clear();
    void SetText(int row, int column, const std::string& text);
    void SetData(int row, LPARAM data) { rows_[size_t(row)].data = data; }
    void SetState(int row, UINT state);

    uint32_t extendedStyle = 0;  // LVS_EX_ bits
    COLORREF textBkColor = RGB(255, 255, 255);
    COLORREF textColor = RGB(0, 0, 0);

private:
    void RowChanged(int row);

    std::vector<std::string> titles_;
    std::vector<ListRow> rows_;
};

class ListViewWidget : public QTreeView {
public:
    // Fills `window`, whose procedure gets the clicks on the rows.
    explicit ListViewWidget(QWidget* window);

    ListModel& Model() { return *model_; }
    void SetExtendedStyle(uint32_t style);
    void SetBkColor(COLORREF color);
    COLORREF BkColor() const { return bkColor_; }
    // Repaints after a change of the model's colours.
    void Refresh();
    int ColumnWidth(int column) const;
    void SetColumnWidth(int column, int width);

    int RowHeight();
    QRect RowRect(int row);  // all columns
    QRect CellRect(int row, int column);
    QRect CheckBoxRect(int row);  // empty without check boxes
    // The row at a point (-1: none) and whether the point is on its check box. Without
    // full-row select only column 0 belongs to the row.
    int RowAt(QPoint point, bool* onCheckBox);
    int TopIndex();
    int CountPerPage();
    void ScrollRows(int rows);
    // Scrolls vertically only, as far as needed to show the whole row.
    void EnsureVisible(int row);
    bool HasScrollBar(Qt::Orientation orientation) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPoint ViewportOffset() const;

    ListModel* model_;  // a child of the view
    COLORREF bkColor_ = RGB(255, 255, 255);
};

}  // namespace zem::ui
