#include "tests/ui/result_window_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include "base/event.h"
#include "tests/ui/column_check.h"

std::string ui_fixture(const std::string& name)
{
    return source_path("tests/ui/fixtures/" + name);
}

namespace {

QAbstractItemModel* grid_model(QWidget* window)
{
    QTableView* view = window->findChild<QTableView*>(QStringLiteral("StringGrid1"));
    EXPECT_NE(view, nullptr);
    return view ? view->model() : nullptr;
}

}  // namespace

std::vector<std::string> grid_row(QWidget* window, int row)
{
    std::vector<std::string> cells;
    QAbstractItemModel* model = grid_model(window);
    if (!model)
        return cells;
    for (int column = 0; column < model->columnCount(); ++column)
        cells.push_back(row == 0 ? model->headerData(column, Qt::Horizontal).toString().toStdString()
                                 : model->index(row - 1, column).data().toString().toStdString());
    return cells;
}

int grid_rows(QWidget* window)
{
    QAbstractItemModel* model = grid_model(window);
    return model ? model->rowCount() + 1 : 0;
}

void expect_texts_fit_their_columns(QWidget* window)
{
    expect_view_texts_fit_their_columns(window->findChild<QTableView*>(QStringLiteral("StringGrid1")));
}

std::string grid_cell(QWidget* window, int row, int column)
{
    const std::vector<std::string> cells = grid_row(window, row);
    return column < static_cast<int>(cells.size()) ? cells[static_cast<std::size_t>(column)] : "<none>";
}

QAction* find_action(QWidget* window, const char* name)
{
    QAction* action = window->findChild<QAction*>(QLatin1String(name));
    EXPECT_NE(action, nullptr) << name;
    return action;
}

bool wait_for_load(TFaffiche* window)
{
    constexpr int patience_ms = 30000;
    QElapsedTimer waited;
    waited.start();
    while (window->loading() && waited.elapsed() < patience_ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return !window->loading();
}

void show_result_and_wait(const char* path, const Tdisplay_columns* set)
{
    show_result(path, set);
    if (TFaffiche* window = TFaffiche::instance()) {
        EXPECT_TRUE(wait_for_load(window)) << path;
    }
}

void ResultWindowTest::SetUp()
{
    ensure_ui_application();
    event_queue_attach(signals_form.window());
    display_columns.setAll(0);
    display_time_zone = 101;
    window = std::make_unique<TFaffiche>();
    set_display_option("default_affiche", "all_on");
}

void ResultWindowTest::TearDown()
{
    window.reset();
    event_queue_detach();
    display_columns.setAll(0);
    display_time_zone = display_time_zone_at_start;
}

void ResultWindowTest::load(const std::string& path)
{
    dialogs.file_answers.push_back(path);
    trigger("LoadXMLresult1");
    EXPECT_TRUE(wait_for_load(window.get())) << path;
}

std::vector<std::string> ResultWindowTest::optional_headings()
{
    std::vector<std::string> all = headings();
    EXPECT_GE(all.size(), 3u);
    if (all.size() < 3)
        return {};
    EXPECT_EQ(std::vector<std::string>(all.begin(), all.begin() + 3),
              (std::vector<std::string>{"Timestamp", "Date", "GMT"}));
    return std::vector<std::string>(all.begin() + 3, all.end());
}

std::string ResultWindowTest::table_text()
{
    dialogs.clipboard.clear();
    trigger("N1");
    return dialogs.clipboard;
}
