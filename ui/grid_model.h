#pragma once

#include <QAbstractTableModel>

#include <functional>
#include <string>
#include <vector>

// A table laid out as the result displays' grids: row 0 holds the headings
// (the view's header), rows 1 and on the cells (the model's rows). Each cell's
// text is computed when it is asked for; the table text is built from the same
// cells.
class Tgrid_model : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Rows including the heading row, and columns.
    virtual int gridRows() const = 0;
    virtual int gridColumns() const = 0;
    // Appends the UTF-8 text of a grid cell; row 0 is the headings.
    virtual void appendCell(int row, int column, std::string& out) const = 0;
    // The layout's width of a column in pixels: the least the view gives it.
    virtual int columnWidth(int column) const = 0;
    // The pixels a cell text needs in the view that shows the model.
    using Ttext_width = std::function<int(const std::string& text)>;
    // For each column, the width its widest cell below the headings needs. A
    // model whose cells are numbers of fixed formats may find its widest ones
    // faster than by measuring every cell.
    virtual std::vector<int> cellWidths(const Ttext_width& width) const;
    // Appends every cell of a row, each followed by ";"; a model may do it
    // faster than cell by cell.
    virtual void appendRow(int row, std::string& out) const;

    std::string cellText(int row, int column) const;
    // Every cell followed by ";", every row ended by CR LF, headings included.
    std::string tableText() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

protected:
    // Wraps a change of the whole layout, so that no view asks for cells of
    // records that are gone.
    template <typename Change>
    void resetWith(Change change)
    {
        beginResetModel();
        change();
        endResetModel();
    }
};
