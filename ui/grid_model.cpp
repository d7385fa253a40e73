#include "ui/grid_model.h"

#include <algorithm>
#include <set>

std::string Tgrid_model::cellText(int row, int column) const
{
    std::string text;
    if (row >= 0 && row < gridRows() && column >= 0 && column < gridColumns())
        appendCell(row, column, text);
    return text;
}

std::string Tgrid_model::tableText() const
{
    const int rows = gridRows();
    const int columns = gridColumns();
    std::string text;
    // A guess of the size keeps the growth to a few copies.
    text.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns) * 6 + 64);
    for (int row = 0; row < rows; ++row) {
        appendRow(row, text);
        text += "\r\n";
    }
    return text;
}

void Tgrid_model::appendRow(int row, std::string& out) const
{
    const int columns = gridColumns();
    for (int column = 0; column < columns; ++column) {
        appendCell(row, column, out);
        out += ';';
    }
}

int Tgrid_model::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : std::max(0, gridRows() - 1);
}

int Tgrid_model::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : gridColumns();
}

QVariant Tgrid_model::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return QVariant();
    return QString::fromStdString(cellText(index.row() + 1, index.column()));
}

QVariant Tgrid_model::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QVariant();
    return QString::fromStdString(cellText(0, section));
}

std::vector<int> Tgrid_model::cellWidths(const Ttext_width& width) const
{
    const int columns = gridColumns();
    std::vector<int> widths(static_cast<std::size_t>(columns), 0);
    // Digits are equally wide in the fonts of a grid: texts that differ only
    // in their digits are measured once.
    std::vector<std::set<std::string>> measured(static_cast<std::size_t>(columns));
    std::string text;
    std::string shape;
    for (int row = 1; row < gridRows(); ++row)
        for (int column = 0; column < columns; ++column) {
            text.clear();
            appendCell(row, column, text);
            shape = text;
            std::replace_if(shape.begin(), shape.end(), [](char c) { return c >= '0' && c <= '9'; }, '0');
            if (measured[static_cast<std::size_t>(column)].insert(shape).second)
                widths[static_cast<std::size_t>(column)] =
                    std::max(widths[static_cast<std::size_t>(column)], width(text));
        }
    return widths;
}
