#include "ui/grid_view.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>

#include <algorithm>
#include <vector>

#include "ui/column_fit.h"
#include "ui/grid_model.h"

Tgrid_view::Tgrid_view(const char* name, QWidget* parent) : QTableView(parent)
{
    setObjectName(QLatin1String(name));
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    // A heading's distinguishing part is at its start ("F5Off", "I161"), and
    // a value cut short reads as another value: neither is centred or elided.
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setTextElideMode(Qt::ElideNone);
    setTextElideMode(Qt::ElideNone);
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
        applyWidths();
    }
    // A model already shown has applied its widths on its reset.
}

void Tgrid_view::applyWidths()
{
    if (!shown)
        return;
    // The layout's widths were made for another font: each column gets at
    // least what its heading and its widest cell need in this one.
    const std::vector<int> cells = shown->cellWidths(
        [this](const std::string& text) { return cell_text_width(*this, QString::fromStdString(text)); });
    const int columns = shown->columnCount();
    // A header that repaints after each resize finds the position of every
    // column again each time: a filter of many thousand columns took seconds.
    QHeaderView* header = horizontalHeader();
    header->setUpdatesEnabled(false);
    for (int column = 0; column < columns; ++column)
        fit_column(*this, column, shown->columnWidth(column),
                   column < static_cast<int>(cells.size()) ? cells[static_cast<std::size_t>(column)] : 0);
    header->setUpdatesEnabled(true);
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
