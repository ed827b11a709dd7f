#include "ui/internal/listviewwidget.h"

#include "ui/internal/gdiobjects.h"
#include "ui/listview.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cstring>

namespace zem::ui {
namespace {

constexpr COLORREF kHighlight = RGB(10, 36, 106);  // the classic selection colour
constexpr COLORREF kWhite = RGB(255, 255, 255);

QString Latin1(const std::string& text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

QRect Shifted(const QRect& rect, QPoint by) { return rect.isNull() ? rect : rect.translated(by); }

// Cells as the style draws them, but the check box keeps the system's look, black on white,
// whatever colours the rows have (the style would draw its mark in the row's text colour).
class ListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    using QStyledItemDelegate::initStyleOption;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        if (!(item.features & QStyleOptionViewItem::HasCheckIndicator))
            return;
        QStyle* style = item.widget ? item.widget->style() : QApplication::style();
        QStyleOptionViewItem box = item;
        box.rect = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &item, item.widget);
        box.state &= ~(QStyle::State_HasFocus | QStyle::State_On | QStyle::State_Off | QStyle::State_NoChange);
        box.state |= item.checkState == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
        box.palette.setColor(QPalette::Base, Qt::white);
        box.palette.setColor(QPalette::Text, Qt::black);
        box.palette.setColor(QPalette::WindowText, Qt::black);
        style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, item.widget);
    }
};

}  // namespace

int ListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int ListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(titles_.size()); }

QVariant ListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= rows_.size())
        return {};
    const ListRow& row = rows_[size_t(index.row())];
    const size_t column = size_t(index.column());
    const bool marked = (row.state & LVIS_SELECTED) && ((extendedStyle & LVS_EX_FULLROWSELECT) || column == 0);
    switch (role) {
    case Qt::DisplayRole: return column < row.texts.size() ? Latin1(row.texts[column]) : QString();
    case Qt::CheckStateRole: {
        const UINT image = STATEIMAGEINDEX(row.state);
        if (column != 0 || !(extendedStyle & LVS_EX_CHECKBOXES) || image == 0)
            return {};
        return int(image == 2 ? Qt::Checked : Qt::Unchecked);
    }
    case Qt::BackgroundRole: return QBrush(ToQColor(marked ? kHighlight : textBkColor));
    case Qt::ForegroundRole: return QBrush(ToQColor(marked ? kWhite : textColor));
    default: return {};
    }
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || size_t(section) >= titles_.size())
        return {};
    return Latin1(titles_[size_t(section)]);
}

void ListModel::InsertColumn(int column, const std::string& title)
{
    beginInsertColumns({}, column, column);
    titles_.insert(titles_.begin() + column, title);
    for (ListRow& row : rows_) {
        if (size_t(column) < row.texts.size())
            row.texts.insert(row.texts.begin() + column, std::string());
    }
    endInsertColumns();
}

void ListModel::InsertRow(int row, const std::string& text)
{
    beginInsertRows({}, row, row);
    ListRow inserted;
    inserted.texts.push_back(text);
    rows_.insert(rows_.begin() + row, std::move(inserted));
    endInsertRows();
}

void ListModel::Clear()
{
    if (rows_.empty())
        return;
    // Removing rather than resetting: a reset would give the header its default widths.
    beginRemoveRows({}, 0, int(rows_.size()) - 1);
    rows_.clear();
    endRemoveRows();
}

void ListModel::SetText(int row, int column, const std::string& text)
{
    std::vector<std::string>& texts = rows_[size_t(row)].texts;
    if (texts.size() <= size_t(column))
        texts.resize(size_t(column) + 1);
    texts[size_t(column)] = text;
    emit dataChanged(index(row, column), index(row, column), {Qt::DisplayRole});
}

void ListModel::SetState(int row, UINT state)
{
    rows_[size_t(row)].state = state;
    RowChanged(row);
}

void ListModel::RowChanged(int row) { emit dataChanged(index(row, 0), index(row, std::max(columnCount() - 1, 0))); }

ListViewWidget::ListViewWidget(QWidget* window) : QTreeView(window), model_(new ListModel(this))
{
    setModel(model_);
    setItemDelegate(new ListDelegate(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(NoSelection);
    setEditTriggers(NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);  // keys go to the window, as clicks do
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollMode(ScrollPerItem);  // the vertical position is the top row
    setHorizontalScrollMode(ScrollPerPixel);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(0);  // a column of width 0 is hidden, and may be dragged to it
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    viewport()->installEventFilter(this);
    LOGFONT font;
    font.lfHeight = -11;
    std::strcpy(font.lfFaceName, "MS Sans Serif");
    setFont(MakeFont(font, window->logicalDpiY()));
    SetBkColor(bkColor_);
    setGeometry(window->rect());
}

void ListViewWidget::SetExtendedStyle(uint32_t style)
{
    model_->extendedStyle = style;
    header()->setSectionsMovable(style & LVS_EX_HEADERDRAGDROP);
    scheduleDelayedItemsLayout();  // rows with check boxes may be taller
    Refresh();
}

void ListViewWidget::SetBkColor(COLORREF color)
{
    bkColor_ = color;
    // Only the area without rows: the check boxes keep their white.
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, ToQColor(color));
    viewport()->setPalette(palette);
    Refresh();
}

void ListViewWidget::Refresh() { viewport()->update(); }

int ListViewWidget::ColumnWidth(int column) const
{
    return column >= 0 && column < header()->count() ? header()->sectionSize(column) : 0;
}

void ListViewWidget::SetColumnWidth(int column, int width) { header()->resizeSection(column, std::max(width, 0)); }

QPoint ListViewWidget::ViewportOffset() const { return viewport()->mapTo(parentWidget(), QPoint(0, 0)); }

int ListViewWidget::RowHeight()
{
    executeDelayedItemsLayout();
    // An empty list measures by its font.
    const int height = model_->rowCount() > 0 ? rowHeight(model_->index(0, 0)) : fontMetrics().height();
    return std::max(height, 1);
}

QRect ListViewWidget::RowRect(int row)
{
    const QRect cell = CellRect(row, 0);
    return cell.isNull() ? cell : QRect(ViewportOffset().x() - horizontalOffset(), cell.top(), header()->length(), cell.height());
}

QRect ListViewWidget::CellRect(int row, int column)
{
    if (row < 0 || row >= model_->rowCount() || column < 0 || column >= model_->columnCount())
        return {};
    executeDelayedItemsLayout();
    return Shifted(visualRect(model_->index(row, column)), ViewportOffset());
}

QRect ListViewWidget::CheckBoxRect(int row)
{
    if (!(model_->extendedStyle & LVS_EX_CHECKBOXES) || row < 0 || row >= model_->rowCount())
        return {};
    executeDelayedItemsLayout();
    const QModelIndex index = model_->index(row, 0);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    static_cast<ListDelegate*>(itemDelegate())->initStyleOption(&option, index);
    option.features |= QStyleOptionViewItem::HasCheckIndicator;  // also where no box is shown yet
    return Shifted(style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this), ViewportOffset());
}

int ListViewWidget::RowAt(QPoint point, bool* onCheckBox)
{
    *onCheckBox = false;
    executeDelayedItemsLayout();
    const QPoint inside = point - ViewportOffset();
    if (!viewport()->rect().contains(inside))
        return -1;
    const QModelIndex index = indexAt(inside);
    if (!index.isValid() || (!(model_->extendedStyle & LVS_EX_FULLROWSELECT) && index.column() != 0))
        return -1;
    *onCheckBox = CheckBoxRect(index.row()).contains(point);
    return index.row();
}

int ListViewWidget::TopIndex()
{
    executeDelayedItemsLayout();
    return verticalScrollBar()->value();
}

int ListViewWidget::CountPerPage()
{
    executeDelayedItemsLayout();
    return viewport()->height() / RowHeight();
}

void ListViewWidget::ScrollRows(int rows)
{
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(verticalScrollBar()->value() + rows);
}

void ListViewWidget::EnsureVisible(int row)
{
    executeDelayedItemsLayout();
    const int left = horizontalScrollBar()->value();
    scrollTo(model_->index(row, 0), QAbstractItemView::EnsureVisible);
    horizontalScrollBar()->setValue(left);
}

bool ListViewWidget::HasScrollBar(Qt::Orientation orientation) const
{
    const QScrollBar* bar = orientation == Qt::Vertical ? verticalScrollBar() : horizontalScrollBar();
    return bar->isVisibleTo(this);
}

bool ListViewWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != viewport())
        return QTreeView::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        // The rows' clicks are the window's; the header and scroll bars keep theirs.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        QWidget* window = parentWidget();
        QMouseEvent relayed(mouse->type(), viewport()->mapTo(window, mouse->position()), mouse->globalPosition(),
                            mouse->button(), mouse->buttons(), mouse->modifiers());
        QCoreApplication::sendEvent(window, &relayed);
        return true;
    }
    default: return QTreeView::eventFilter(watched, event);
    }
}

}  // namespace zem::ui
