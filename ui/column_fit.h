#pragma once

#include <QString>

#include <vector>

class QTableView;

// Columns that show every heading and cell whole in the view's own font: the
// result grid and calyxo_start's tables size their columns through these.

// The width a cell of view needs to show text whole: what the item delegate
// asks for it, and the grid line.
int cell_text_width(const QTableView& view, const QString& text);

// Column of view as wide as the widest of least (the layout's width), its
// heading and needed (what its widest cell needs).
void fit_column(QTableView& view, int column, int least, int needed);

// Keeps the columns of view (over any model) fitted: on every reset each
// column gets what its heading and all its cells need, least[column] (the
// layout's widths; the view's default where none is given) at the least; rows
// added later widen a column only when its heading or one of their cells needs
// more, so that the user's resizing holds until then. Headings and cells are never elided.
void keep_columns_fitted(QTableView* view, std::vector<int> least);
