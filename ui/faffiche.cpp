#include "ui/faffiche.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "base/log.h"
#include "base/my_string.h"
#include "platform/widgets/log_memo.h"
#include "ui/display_options.h"
#include "ui/fppb.h"
#include "ui/grid_view.h"
#include "ui/table_export.h"
#include "ui/ttimezone_settings.h"

namespace {

TFaffiche* result_window = nullptr;

constexpr int memo_height = 144;
const char xml_filter[] = "XML files (*.xml)|*.xml|All files (*.*)|*.*";

QAction* new_action(QMenu* menu, const char* name, const char* caption, bool checkable)
{
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QLatin1String(name));
    action->setCheckable(checkable);
    return action;
}

QMenu* new_menu(QMenuBar* bar, const char* name, const char* caption)
{
    QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(QLatin1String(name));
    return menu;
}

void set_open_dialog(Tfile_dialog* dialog)
{
    dialog->mode = Tfile_dialog_mode::open;
    dialog->filter = xml_filter;
    dialog->default_extension = "xml";
}

}  // namespace

TFaffiche* TFaffiche::instance()
{
    return result_window;
}

TFaffiche::TFaffiche(const char* build_id)
{
    result_window = this;
    setObjectName(QStringLiteral("Faffiche"));
    resize(900, 600);
    set_open_dialog(&OpenDialog1);
    set_open_dialog(&OpenDialog2);
    SaveDialog1.mode = Tfile_dialog_mode::save;
    buildWidgets();
    buildMenu();
    Tmy_string caption;
    caption.printf("Calyxo Show / %s ", build_id ? build_id : "");
    setWindowTitle(QString::fromUtf8(caption.c_str()));
    displayTypeClick(0);
}

TFaffiche::~TFaffiche()
{
    abandonLoad();
    // The view goes with the window; it must not ask the models for cells then.
    StringGrid1->setModel(nullptr);
    if (result_window == this)
        result_window = nullptr;
}

void TFaffiche::buildWidgets()
{
    QWidget* client = new QWidget(this);
    QVBoxLayout* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);

    StringGrid1 = new Tgrid_view("StringGrid1", client);
    StringGrid1->on_escape = [this] {
        if (escape_hides)
            hide();
    };
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    connect(new_action(PopupMenu1, "copytoclipboard1", "copy to clipboard", false), &QAction::triggered, this,
            [this] { copytoclipboard1Click(); });
    connect(new_action(PopupMenu1, "Savetabular1", "Save tabular....", false), &QAction::triggered, this,
            [this] { Savetabular1Click(); });
    StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StringGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(StringGrid1->viewport()->mapToGlobal(at)); });
    layout->addWidget(StringGrid1, 1);

    Memo1 = new QPlainTextEdit(client);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setFixedHeight(memo_height);
    layout->addWidget(Memo1);
    // Says that a file is being read, while it is.
    load_status = new QLabel(client);
    load_status->setObjectName(QStringLiteral("load_status"));
    load_status->hide();
    layout->addWidget(load_status);
    setCentralWidget(client);
}

void TFaffiche::buildMenu()
{
    QMenuBar* MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* File1 = new_menu(MainMenu1, "File1", "File");
    connect(new_action(File1, "LoadXMLresult1", "Load XML result...", false), &QAction::triggered, this,
            [this] { LoadXMLresult1Click(); });
    File1->addSeparator();
    connect(new_action(File1, "Timezone2", "Timezone...", false), &QAction::triggered, this,
            [this] { Timezone2Click(); });
    File1->addSeparator();
    connect(new_action(File1, "N1", "Copy to clipboard", false), &QAction::triggered, this,
            [this] { copytoclipboard1Click(); });
    connect(new_action(File1, "Savetabular2", "Save tabular....", false), &QAction::triggered, this,
            [this] { Savetabular1Click(); });

    // The items' check marks are set by the handlers: a checkable action has
    // already toggled itself when its handler runs.
    QMenu* View1 = new_menu(MainMenu1, "View1", "View");
    for (int item = 0; item < display_type_count; ++item) {
        const Tdisplay_choice& choice = display_type_items[item];
        type_actions[item] = new_action(View1, choice.object_name, choice.caption, true);
        connect(type_actions[item], &QAction::triggered, this, [this, item] { displayTypeClick(item); });
    }
    View1->addSeparator();
    for (int item = 0; item < display_extension_count; ++item) {
        const Tdisplay_choice& choice = display_extension_items[item];
        extension_actions[item] = new_action(View1, choice.object_name, choice.caption, true);
        connect(extension_actions[item], &QAction::triggered, this,
                [this, item](bool checked) { extensionClick(item, !checked); });
    }
    View1->addSeparator();
    CustomFilter1 = new_action(View1, "CustomFilter1", "Custom Filter...", true);
    connect(CustomFilter1, &QAction::triggered, this, [this] { CustomFilter1Click(); });
    View1->addSeparator();
    three_digit_for_temperature = new_action(View1, "three_digit_for_temperature", "3 digit for temperature", true);
    connect(three_digit_for_temperature, &QAction::triggered, this,
            [this](bool checked) { three_digit_for_temperatureClick(checked); });

    QMenu* Tools1 = new_menu(MainMenu1, "Tools1", "Tools");
    Converttoppb1 = new_action(Tools1, "Converttoppb1", "Convert to ppb", false);
    Converttoppb1->setEnabled(false);
    connect(Converttoppb1, &QAction::triggered, this, [this] { Converttoppb1Click(); });
}

void TFaffiche::appendLog(const char* line)
{
    append_log_line(Memo1, line);
}

void TFaffiche::setDataFolder(const char* path)
{
    OpenDialog1.initial_path = path ? path : "";
    SaveDialog1.initial_path = OpenDialog1.initial_path;
}

void TFaffiche::enablePpbConversion(bool enabled)
{
    Converttoppb1->setEnabled(enabled);
}

Tgrid_model* TFaffiche::shownModel() const
{
    return StringGrid1->gridModel();
}

bool TFaffiche::startLoad(const std::string& path, bool chosen_by_user, std::function<void()> fill)
{
    if (load_job.running()) {
        log_printf("WARNING : Load XML result: a measurement file is still being read; %s is not loaded",
                   path.c_str());
        return false;
    }
    // In the custom layout the job also reads the rows of the filter in
    // force, so that neither the file nor its cells are walked on this thread.
    std::optional<Tcolumn_filter> custom_filter;
    if (custom_layout)
        custom_filter = filter;
    const bool started = load_job.start(
        [path, custom_filter = std::move(custom_filter), number = filter_number] {
            auto loaded = std::make_unique<Tloaded_file>();
            loaded->result = loaded->reader.parseFile(path.c_str());
            if (loaded->result == 0) {
                loaded->extremes.measure(loaded->reader);
                if (custom_filter) {
                    loaded->custom_rows = Tcustom_rows(*custom_filter, loaded->reader.timeIndex());
                    loaded->custom_rows_made = true;
                    loaded->custom_filter_number = number;
                }
            }
            return loaded;
        },
        [this, path, chosen_by_user, fill](std::unique_ptr<Tloaded_file> loaded) {
            finishLoad(path, chosen_by_user, fill, std::move(loaded));
        });
    if (!started) {
        log_printf("ERROR : Load XML result: no thread to read %s", path.c_str());
        return false;
    }
    Tmy_string text;
    text.printf("Reading %s ...", path.c_str());
    load_status->setText(QString::fromUtf8(text.c_str()));
    load_status->show();
    return true;
}

void TFaffiche::abandonLoad()
{
    load_job.abandon();
    load_status->hide();
}

void TFaffiche::finishLoad(const std::string& path, bool chosen_by_user, const std::function<void()>& fill,
                           std::unique_ptr<Tloaded_file> loaded)
{
    load_status->hide();
    if (loaded->result != 0) {
        // A file that cannot be read leaves the table it would have replaced.
        Tmy_string text;
        text.printf("Cannot read the measurement file %s: it %s", path.c_str(),
                    file_read_error_text(loaded->reader.readError()).c_str());
        log_printf("ERROR : %s", text.c_str());
        if (chosen_by_user)
            show_error_box("Load XML result", text.c_str());
        return;
    }
    // The views must let go of the records before the reader frees them.
    standard_model.releaseSteps();
    custom_model.releaseDocument();
    custom_rows_current = false;
    reader.exchangeSteps(loaded->reader);
    std::swap(extremes, loaded->extremes);
    if (loaded->custom_rows_made && loaded->custom_filter_number == filter_number)
        showCustomRows(std::move(loaded->custom_rows));
    // The old steps are freed on a worker of their own: for a long file that
    // takes a while, and the next load need not wait for it. Refused (the
    // last ones are still being freed), they go here and now.
    if (loaded->reader.stepCount() > 0)
        free_job.start([retired = std::move(loaded)] { retired->reader.clear(); }, [] {});
    if (fill)
        fill();
}

void TFaffiche::setCustomLayout(bool on)
{
    custom_layout = on;
    CustomFilter1->setChecked(on);
    if (!on)
        return;
    for (QAction* item : type_actions)
        item->setChecked(false);
    for (QAction* item : extension_actions)
        item->setChecked(false);
}

void TFaffiche::fillGrid(const Tdisplay_columns& set)
{
    // The check mark says which layout is shown.
    setCustomLayout(false);
    standard_model.showSteps(&reader, &extremes, set, three_digit_for_temperature->isChecked(), display_time_zone);
    StringGrid1->showModel(&standard_model);
}

bool TFaffiche::showCustomRows(Tcustom_rows rows)
{
    if (!rows.error().empty()) {
        refuseFilter(": cannot read the measurement file " + rows.path() + " again: it " + rows.error());
        return false;
    }
    custom_model.showRows(std::move(rows), display_time_zone);
    custom_rows_current = true;
    return true;
}

bool TFaffiche::fillCustomGrid()
{
    // Rows not made by the load (a file read before the filter) are read here.
    if (custom_rows_current)
        custom_model.showZone(display_time_zone);
    else if (!showCustomRows(Tcustom_rows(filter, reader.timeIndex())))
        return false;
    StringGrid1->showModel(&custom_model);
    return true;
}

void TFaffiche::refuseFilter(const std::string& why)
{
    Tmy_string text;
    text.printf("Custom filter%s; the table keeps its layout", why.c_str());
    log_printf("ERROR : %s", text.c_str());
    show_error_box("Custom Filter", text.c_str());
}

void TFaffiche::refill()
{
    if (custom_layout)
        fillCustomGrid();
    else
        fillGrid(display_columns);
}

void TFaffiche::displayTypeClick(int item)
{
    for (QAction* action : type_actions)
        action->setChecked(false);
    for (QAction* action : extension_actions)
        action->setChecked(false);
    CustomFilter1->setChecked(false);
    type_actions[item]->setChecked(true);
    set_display_option("display_type", display_type_items[item].value);
    fillGrid(display_columns);
}

void TFaffiche::extensionClick(int item, bool was_checked)
{
    extension_actions[item]->setChecked(true);
    if (was_checked)
        return;
    set_display_option("display_extension", display_extension_items[item].value);
    fillGrid(display_columns);
}

void TFaffiche::CustomFilter1Click()
{
    // The item shows the layout in force until a filter is in place.
    CustomFilter1->setChecked(custom_layout);
    const std::string path = dialog_seam().chooseFile(OpenDialog2);
    if (path.empty())
        return;
    set_display_option("display_type", "custom");
    reader.loadFilter(path.c_str());
    Tcolumn_filter loaded;
    std::string error;
    if (!reader.getFilterRoot())
        error = "cannot read the file: it " + file_read_error_text(reader.filterError());
    else if (!read_column_filter(reader.getFilterRoot(), &loaded, &error))
        error = "refused, " + error;
    if (!error.empty()) {
        refuseFilter(" " + path + ": " + error);
        return;
    }
    // Read aside first: a file that cannot be read again keeps the table.
    if (!showCustomRows(Tcustom_rows(loaded, reader.timeIndex())))
        return;
    filter = std::move(loaded);
    ++filter_number;
    setCustomLayout(true);
    fillCustomGrid();
}

void TFaffiche::three_digit_for_temperatureClick(bool checked)
{
    // Takes effect at the next fill.
    three_digit_for_temperature->setChecked(checked);
}

void TFaffiche::LoadXMLresult1Click()
{
    const std::string path = dialog_seam().chooseFile(OpenDialog1);
    if (path.empty())
        return;
    startLoad(path, true, [this] { refill(); });
}

void TFaffiche::Timezone2Click()
{
    show_time_zone_dialog(display_time_zone);
    refill();
}

void TFaffiche::Converttoppb1Click()
{
    show_ppb_view();
}

void TFaffiche::copytoclipboard1Click()
{
    copy_table_text(*shownModel());
}

void TFaffiche::Savetabular1Click()
{
    save_table_text(*shownModel(), SaveDialog1);
}

bool show_result(const char* xml_path, const Tdisplay_columns* set)
{
    TFaffiche* window = TFaffiche::instance();
    if (!window)
        return false;
    window->show();
    // Without a set of its own the load shows the global one as it is then.
    const bool own_set = set != nullptr;
    const Tdisplay_columns shown = own_set ? *set : display_columns;
    return window->startLoad(xml_path ? xml_path : "", false,
                             [window, own_set, shown] { window->fillGrid(own_set ? shown : display_columns); });
}

void result_memo_append(const char* line)
{
    if (TFaffiche* window = TFaffiche::instance())
        window->appendLog(line);
}
