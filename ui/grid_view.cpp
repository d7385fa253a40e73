#include "ui/grid_view.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>

#include "ui/grid_model.h"

namespace {

constexpr double grid_point_size = 8;

}  // namespace

Tgrid_view::Tgrid_view(const char* name, QWidget* parent) : QTableView(parent)
{
    setObjectName(QLatin1String(name));
    // The grids' column widths were made for an 8-point font: with a larger
    // default a ten-digit time stamp would not fit its 80 pixels.
    QFont cells = font();
    cells.setPointSizeF(grid_point_size);
    setFont(cells);
    horizontalHeader()->setFont(cells);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    setWordWrap(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void Tgrid_view::showModel(Tgrid_model* model)
{
    if (model != shown) {
        if (shown)
            disconnect(shown, nullptr, this, nullptr);
        shown = model;
        // The view makes a new selection model for each model and keeps the old one.
        QItemSelectionModel* previous = selectionModel();
        setModel(model);
        delete previous;
        if (model)
            connect(model, &QAbstractItemModel::modelReset, this, [this] { applyWidths(); });
    }
    applyWidths();
}

void Tgrid_view::applyWidths()
{
    if (!shown)
        return;
    const int columns = shown->columnCount();
    for (int column = 0; column < columns; ++column)
        setColumnWidth(column, shown->columnWidth(column));
}

void Tgrid_view::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        if (on_escape)
            on_escape();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}
