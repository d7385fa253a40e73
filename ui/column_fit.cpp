#include "ui/column_fit.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>

#include <algorithm>

int cell_text_width(const QTableView& view, const QString& text)
{
    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.font = view.font();
    option.fontMetrics = view.fontMetrics();
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = text;
    return view.style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), &view).width() +
           (view.showGrid() ? 1 : 0);
}

void fit_column(QTableView& view, int column, int least, int needed)
{
    const int heading = view.horizontalHeader()->sectionSizeHint(column);
    view.setColumnWidth(column, std::max({least, heading, needed}));
}

namespace {

// The widest cell of column among rows first to last.
int widest_cell(const QTableView& view, int column, int first, int last)
{
    const QAbstractItemModel* model = view.model();
    int widest = 0;
    for (int row = first; row <= last; ++row)
        widest = std::max(widest, cell_text_width(view, model->index(row, column).data().toString()));
    return widest;
}

}  // namespace

void keep_columns_fitted(QTableView* view, std::vector<int> least)
{
    QAbstractItemModel* model = view ? view->model() : nullptr;
    if (!model)
        return;
    view->setTextElideMode(Qt::ElideNone);
    view->setWordWrap(false);
    QHeaderView* header = view->horizontalHeader();
    header->setTextElideMode(Qt::ElideNone);
    header->setSectionResizeMode(QHeaderView::Interactive);
    auto fit_all = [view, least = std::move(least)] {
        const QAbstractItemModel* shown = view->model();
        const int rows = shown->rowCount();
        for (int column = 0; column < shown->columnCount(); ++column) {
            const int layout = column < static_cast<int>(least.size()) ? least[static_cast<size_t>(column)]
                                                                       : view->horizontalHeader()->defaultSectionSize();
            fit_column(*view, column, layout, rows > 0 ? widest_cell(*view, column, 0, rows - 1) : 0);
        }
    };
    QObject::connect(model, &QAbstractItemModel::modelReset, view, fit_all);
    QObject::connect(model, &QAbstractItemModel::rowsInserted, view,
                     [view](const QModelIndex& parent, int first, int last) {
                         if (parent.isValid())
                             return;
                         for (int column = 0; column < view->model()->columnCount(); ++column) {
                             const int needed = std::max(view->horizontalHeader()->sectionSizeHint(column),
                                                         widest_cell(*view, column, first, last));
                             if (needed > view->columnWidth(column))
                                 view->setColumnWidth(column, needed);
                         }
                     });
    fit_all();
}
