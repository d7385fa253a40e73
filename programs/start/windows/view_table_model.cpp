#include "programs/start/windows/view_table_model.h"

#include <cstdio>

#include "base/time_calendar.h"

namespace {

const char* const view_headers[Tview_table_model::column_count] = {
    "Timestamp", "Date", "GMT", "delta A", "delta B", "delta C", "delta T", "Temp", "ppb A", "ppb B", "ppb C", "NTU"};
const char* const stored_headers[] = {"Traceur", "Concentration", "delta A", "delta B", "delta C", "delta T"};
constexpr int stored_column_count = 6;

std::string value_text(float value, int decimals)
{
    if (!sample_value_defined(value))
        return "-";
    char text[48];
    std::snprintf(text, sizeof text, "%0.*f", decimals, static_cast<double>(value));
    return text;
}

QVariant header(const char* const* names, int count, int section, Qt::Orientation orientation, int role)
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= count)
        return {};
    return QString::fromUtf8(names[section]);
}

}  // namespace

Tview_table_model::Tview_table_model(const int& time_zone, QObject* parent) : QAbstractTableModel(parent), zone(time_zone)
{
}

int Tview_table_model::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
}

int Tview_table_model::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : column_count;
}

QVariant Tview_table_model::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return QString::fromStdString(cell(index.row(), index.column()));
}

QVariant Tview_table_model::headerData(int section, Qt::Orientation orientation, int role) const
{
    return header(view_headers, column_count, section, orientation, role);
}

void Tview_table_model::clear()
{
    beginResetModel();
    rows.clear();
    endResetModel();
}

void Tview_table_model::add(const Tfluo_measure& measure)
{
    const int row = static_cast<int>(rows.size());
    beginInsertRows(QModelIndex(), row, row);
    rows.push_back(measure);
    endInsertRows();
}

std::string Tview_table_model::cell(int row, int column) const
{
    if (row < 0 || row >= static_cast<int>(rows.size()))
        return "";
    const Tfluo_measure& m = rows[static_cast<size_t>(row)];
    char text[64];
    calendar_time local{};
    switch (column) {
    case 0:
        std::snprintf(text, sizeof text, "%u", m.time);
        return text;
    case 1:
        calendar_local_time(&local, m.time, zone);
        std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", local.day, local.month, local.year,
                      local.hour, local.minute, local.second);
        return text;
    case 2:
        calendar_local_time(&local, m.time, zone);
        std::snprintf(text, sizeof text, "%d", local.offset);
        return text;
    case 3:
    case 4:
    case 5:
    case 6:
        return value_text(m.delta[column - 3], 2);
    case 7:
        return value_text(m.temperature, 2);
    case 8:
    case 9:
    case 10:
        return value_text(m.ppb[column - 8], 2);
    case 11:
        return value_text(m.ntu, 2);
    default:
        return "";
    }
}

std::string Tview_table_model::csvText() const
{
    std::string text;
    auto add_row = [&text](auto cell_of) {
        for (int column = 0; column < column_count; ++column)
            text += cell_of(column) + ";";
        text += "\r\n";
    };
    add_row([](int column) { return std::string(view_headers[column]); });
    for (int row = 0; row < static_cast<int>(rows.size()); ++row)
        add_row([&](int column) { return cell(row, column); });
    return text;
}

int Tstored_values_model::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
}

int Tstored_values_model::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : stored_column_count;
}

QVariant Tstored_values_model::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return QString::fromStdString(cell(index.row(), index.column()));
}

QVariant Tstored_values_model::headerData(int section, Qt::Orientation orientation, int role) const
{
    return header(stored_headers, stored_column_count, section, orientation, role);
}

void Tstored_values_model::setSamples(std::vector<Tfluo_sample> samples)
{
    beginResetModel();
    rows = std::move(samples);
    endResetModel();
}

std::string Tstored_values_model::cell(int row, int column) const
{
    if (row < 0 || row >= static_cast<int>(rows.size()))
        return "";
    const Tfluo_sample& s = rows[static_cast<size_t>(row)];
    if (column == 0)
        return tracerName(s.tracer);
    if (column == 1)
        return concentrationName(s.concentration);
    if (column >= 2 && column < stored_column_count)
        return value_text(s.delta[column - 2], 3);
    return "";
}
