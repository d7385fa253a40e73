#include "tests/ui/column_check.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>
#include <QTableView>

void expect_view_texts_fit_their_columns(QTableView* view)
{
    ASSERT_NE(view, nullptr);
    QAbstractItemModel* model = view->model();
    ASSERT_NE(model, nullptr);
    QHeaderView* header = view->horizontalHeader();
    EXPECT_EQ(view->textElideMode(), Qt::ElideNone);
    EXPECT_EQ(header->textElideMode(), Qt::ElideNone);
    const int header_margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    // What the item delegate asks for a cell: its text and its margins.
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.font = view->font();
    const int grid_line = view->showGrid() ? 1 : 0;
    for (int column = 0; column < model->columnCount(); ++column) {
        const QString heading = model->headerData(column, Qt::Horizontal).toString();
        const int width = view->columnWidth(column);
        EXPECT_LE(header->fontMetrics().horizontalAdvance(heading) + 2 * header_margin, width)
            << "heading " << heading.toStdString();
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, column);
            EXPECT_LE(view->itemDelegateForIndex(index)->sizeHint(option, index).width() + grid_line, width)
                << "row " << row + 1 << " under " << heading.toStdString() << ": " << index.data().toString().toStdString();
        }
    }
}
