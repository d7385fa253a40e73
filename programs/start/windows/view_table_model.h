#pragma once

#include <QAbstractTableModel>

#include <vector>

#include "calibration/fluo_sample.h"

// The view table: one row per measurement of the live view or the flow, its
// cells computed from the measurement when asked for.
class Tview_table_model : public QAbstractTableModel {
public:
    static constexpr int column_count = 12;

    explicit Tview_table_model(const int& time_zone, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void clear();
    void add(const Tfluo_measure& measure);
    std::string cell(int row, int column) const;
    // Every row, each cell followed by ";", rows ended by CR LF.
    std::string csvText() const;

private:
    const int& zone;
    std::vector<Tfluo_measure> rows;
};

// The stored samples of the calibration run, in grid order.
class Tstored_values_model : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setSamples(std::vector<Tfluo_sample> samples);
    std::string cell(int row, int column) const;

private:
    std::vector<Tfluo_sample> rows;
};
