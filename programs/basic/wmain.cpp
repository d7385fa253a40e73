#include "programs/basic/wmain.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include <initializer_list>
#include <string_view>

#include "base/event.h"
#include "base/log.h"
#include "base/my_string.h"
#include "base/parse.h"
#include "base/time_calendar.h"
#include "data/setup.h"
#include "link/calyxo_master.h"
#include "link/module_view.h"
#include "platform/widgets/dialog_seam.h"
#include "platform/widgets/log_memo.h"
#include "programs/basic/com_page.h"
#include "programs/basic/health_page.h"
#include "programs/basic/main_commands.h"
#include "programs/basic/modem_images.h"
#include "programs/basic/status_page.h"
#include "programs/basic/window_style.h"
#include "programs/basic/version_id.h"

namespace {

constexpr int visible_output_selectors = 4;
constexpr int keep_entry = 2;
constexpr int zone_hours = 12;
constexpr int log_lines_shown = 8;
constexpr int default_width = 1100;

QString text_of(const char* text)
{
    return QString::fromUtf8(text ? text : "");
}

// A prompt or form the program forgot to wire would answer "cancelled", and
// its command would do nothing without a word: that is a fault of the build.
void require_wired(bool wired, const char* hook)
{
    if (!wired)
        qFatal("calyxo_basic: the main window's %s is not wired", hook);
}

QLabel* make_panel(QWidget* parent, const char* name, const char* text)
{
    QLabel* panel = make_label(parent, name, text_of(text));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setAlignment(Qt::AlignCenter);
    panel->setMinimumWidth(110);
    set_panel_background(panel, button_face());
    return panel;
}

QLineEdit* make_field(QWidget* parent, const char* name, const char* text, int max_length)
{
    auto* field = new QLineEdit(text_of(text), parent);
    field->setObjectName(name);
    field->setMaxLength(max_length);
    field->setMaximumWidth(max_length > 2 ? 56 : 36);
    return field;
}

QComboBox* make_zone_list(QWidget* parent, const char* name)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    return list;
}

// A row of the six captioned time fields, kept in kept, then the time-zone list.
QWidget* time_row(QWidget* parent, std::initializer_list<QLineEdit*> fields, QComboBox* zone, QLineEdit* kept[6])
{
    auto* row = new QWidget(parent);
    auto* grid = new QGridLayout(row);
    const char* const captions[] = {"YYYY", "MM", "DD", "HH", "MM", "SS"};
    int column = 0;
    for (QLineEdit* field : fields) {
        grid->addWidget(make_label(row, nullptr, captions[column]), 0, column);
        grid->addWidget(field, 1, column);
        kept[column] = field;
        ++column;
    }
    grid->addWidget(zone, 1, column);
    grid->setColumnStretch(column + 1, 1);
    return row;
}

}  // namespace

TFmain::TFmain(Tcalyxo_master& operation_master, QWidget* parent)
    : QMainWindow(parent),
      master(operation_master),
      shown_link_state(operation_master.getLinkState()),
      shown_access_state(operation_master.getAccessState())
{
    setObjectName("Fmain");
    char version[version_id_size];
    get_version_id(version);
    Tmy_string caption;
    caption.printf("Calyxo Basic / %s ", version);
    setWindowTitle(text_of(caption.c_str()));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    pl_operation = make_panel(central, "pl_operation", "---");
    layout->addWidget(pl_operation);

    auto* top = new QHBoxLayout;
    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName("PageControl1");
    TB_sysstatus = buildStatusPage();
    PageControl1->addTab(TB_sysstatus, "System Status");
    PageControl1->addTab(buildConfigurationPage(), "System Configuration");
    PageControl1->addTab(buildAcquisitionsPage(), "Acquisitions");
    health_page = new TFhealth_page(PageControl1);
    auto* health_layout = qobject_cast<QGridLayout*>(health_page->layout());
    health_layout->addWidget(commandButton(health_page, "bt_health"), health_layout->rowCount(), 0);
    PageControl1->addTab(health_page, "Probes Health");
    com_page = new TFcom_page([this]() -> Tcommand_master& { return commands(); }, PageControl1);
    PageControl1->addTab(com_page, "COM configuration");
    top->addWidget(PageControl1, 1);
    top->addWidget(buildRightPanel());
    layout->addLayout(top);

    Memo1 = new QPlainTextEdit(central);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setFont(fixed_pitch_font());
    // Every START, ERROR and "not started" line appears here: the log keeps
    // room for several of them whatever the window's size.
    Memo1->setMinimumHeight(log_lines_shown * Memo1->fontMetrics().lineSpacing() +
                            2 * static_cast<int>(Memo1->document()->documentMargin()) + 2 * Memo1->frameWidth() +
                            Memo1->horizontalScrollBar()->sizeHint().height());
    PopupMenu1 = new QMenu(Memo1);
    PopupMenu1->setObjectName("PopupMenu1");
    QAction* copy = PopupMenu1->addAction("Copy");
    copy->setObjectName("CopyLog1");
    PopupMenu1->addSeparator();
    QAction* clear = PopupMenu1->addAction("Clear Log");
    clear->setObjectName("ClearLog1");
    connect(copy, &QAction::triggered, this, [this] { CopyLog1Click(); });
    connect(clear, &QAction::triggered, this, [this] { ClearLog1Click(); });
    Memo1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Memo1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& where) { PopupMenu1->popup(Memo1->mapToGlobal(where)); });
    layout->addWidget(Memo1, 1);
    setCentralWidget(central);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    setStatusBar(StatusBar1);
    buildMenu();

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { On_1Hz(); });
    Timer2 = new QTimer(this);
    Timer2->setObjectName("Timer2");
    Timer2->setInterval(500);
    connect(Timer2, &QTimer::timeout, this, [this] { OnTimer2Hz(); });
    Timer1->start();
    Timer2->start();

    // The date fields start at today, the acquisition an hour from now.
    const unsigned now = time_now();
    time_fields today;
    time_to_local_fields(&today, now, true);
    ed_gsm_next_year->setText(QString::number(today.year));
    ed_gsm_next_month->setText(QString::number(today.month));
    ed_gsm_next_day->setText(QString::number(today.day));
    time_fields next;
    time_to_local_fields(&next, now + 3600, true);
    ed_acq_next_year->setText(QString::number(next.year));
    ed_acq_next_month->setText(QString::number(next.month));
    ed_acq_next_day->setText(QString::number(next.day));
    ed_acq_next_hour->setText(QString::number(next.hour));

    // Nothing under way until the logger says otherwise.
    showOperation("NOP");
    resize(minimumSizeHint().expandedTo(QSize(default_width, 0)));
    centre_on_screen(this);
}

QWidget* TFmain::buildStatusPage()
{
    status_page = new TFstatus_page(PageControl1);
    lb_time_txt2 = status_page->estimatedTime();
    status_page->placeButton(commandButton(status_page, "bt_status"));
    return status_page;
}

QWidget* TFmain::buildConfigurationPage()
{
    auto* page = new QWidget(PageControl1);
    page->setObjectName("ts_sys_config");
    auto* layout = new QVBoxLayout(page);

    auto* time_group = new QGroupBox("Time Configuration", page);
    auto* time_layout = new QHBoxLayout(time_group);
    time_layout->addWidget(make_label(time_group, nullptr, "PC's current time :"));
    lb_timesec_txt = make_label(time_group, "lb_timesec_txt", "-");
    time_layout->addWidget(lb_timesec_txt, 1);
    time_layout->addWidget(commandButton(time_group, "bt_setTime"));
    time_layout->addWidget(commandButton(time_group, "bt_quicksync"));
    layout->addWidget(time_group);

    auto* flags = new QGroupBox("Flags", page);
    (new QHBoxLayout(flags))->addWidget(commandButton(flags, "Button1"));
    layout->addWidget(flags);

    auto* gsm_group = new QGroupBox("GSM Configuration", page);
    auto* gsm_layout = new QVBoxLayout(gsm_group);
    ed_gsm_next_year = make_field(gsm_group, "ed_gsm_next_year", "2001", 4);
    ed_gsm_next_month = make_field(gsm_group, "ed_gsm_next_month", "01", 2);
    ed_gsm_next_day = make_field(gsm_group, "ed_gsm_next_day", "01", 2);
    timezone_gsm_next = make_zone_list(gsm_group, "timezone_gsm_next");
    gsm_layout->addWidget(time_row(gsm_group,
                                   {ed_gsm_next_year, ed_gsm_next_month, ed_gsm_next_day,
                                    make_field(gsm_group, "ed_gsm_next_hour", "17", 2),
                                    make_field(gsm_group, "ed_gsm_next_minutes", "30", 2),
                                    make_field(gsm_group, "ed_gsm_next_seconds", "00", 2)},
                                   timezone_gsm_next, gsm_time_fields));
    auto* gsm_buttons = new QGridLayout;
    const char* const gsm_button_names[] = {"bt_gsm_enable", "bt_gsm_disable", "bt_gsm_next", "bt_gsm_on",
                                            "bt_gsm_off",    "bt_sms_now",     "bt_gsm_offplus"};
    int gsm_button = 0;
    for (const char* name : gsm_button_names) {
        gsm_buttons->addWidget(commandButton(gsm_group, name), gsm_button / 4, gsm_button % 4);
        ++gsm_button;
    }
    gsm_layout->addLayout(gsm_buttons);
    layout->addWidget(gsm_group);

    auto* memory = new QGroupBox("System Configuration Memory", page);
    (new QHBoxLayout(memory))->addWidget(commandButton(memory, "bt_upload"));
    layout->addWidget(memory);
    layout->addStretch(1);
    return page;
}

QWidget* TFmain::buildAcquisitionsPage()
{
    auto* page = new QWidget(PageControl1);
    page->setObjectName("ts_acq");
    auto* layout = new QVBoxLayout(page);

    auto* acquisition = new QGroupBox("Acquisition Configuration", page);
    auto* acquisition_layout = new QHBoxLayout(acquisition);
    for (const char* name : {"bt_acqOn", "bt_acqOff", "bt_slow", "bt_fast"})
        acquisition_layout->addWidget(commandButton(acquisition, name));
    layout->addWidget(acquisition);

    auto* outputs = new QGroupBox("Digital Outputs", page);
    auto* outputs_layout = new QGridLayout(outputs);
    for (int i = 0; i < output_selector_count; ++i) {
        auto* list = new QListWidget(outputs);
        list->setObjectName(QString::asprintf("lbs%d", i));
        list->addItems({"Force 1", "Force 0", "Keep"});
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        // Its three entries, no empty row below them.
        list->setFixedHeight(3 * list->sizeHintForRow(0) + 2 * list->frameWidth());
        output_selectors[i] = list;
        if (i < visible_output_selectors) {
            outputs_layout->addWidget(new QLabel(QString::asprintf("S%d", i), outputs), 0, i);
            outputs_layout->addWidget(list, 1, i);
        } else {
            list->setEnabled(false);
            list->hide();
        }
    }
    outputs_layout->addWidget(commandButton(outputs, "bt_outset"), 1, visible_output_selectors);
    layout->addWidget(outputs);

    auto* measurements = new QGroupBox("Measurements", page);
    auto* measurements_layout = new QHBoxLayout(measurements);
    for (const char* name : {"bt_clr", "bt_download_all", "bt_acqnow"})
        measurements_layout->addWidget(commandButton(measurements, name));
    layout->addWidget(measurements);

    auto* time_group = new QGroupBox("Acquisition Time", page);
    auto* time_layout = new QVBoxLayout(time_group);
    ed_acq_next_year = make_field(time_group, "ed_acq_next_year", "2001", 4);
    ed_acq_next_month = make_field(time_group, "ed_acq_next_month", "01", 2);
    ed_acq_next_day = make_field(time_group, "ed_acq_next_day", "01", 2);
    ed_acq_next_hour = make_field(time_group, "ed_acq_next_hour", "17", 2);
    timezone_acq_next = make_zone_list(time_group, "timezone_acq_next");
    time_layout->addWidget(time_row(time_group,
                                    {ed_acq_next_year, ed_acq_next_month, ed_acq_next_day, ed_acq_next_hour,
                                     make_field(time_group, "ed_acq_next_minutes", "00", 2),
                                     make_field(time_group, "ed_acq_next_seconds", "00", 2)},
                                    timezone_acq_next, acq_time_fields));
    time_layout->addWidget(commandButton(time_group, "bt_acq_next"));
    layout->addWidget(time_group);
    layout->addStretch(1);
    return page;
}

QWidget* TFmain::buildModemPanel(const char* const* names)
{
    auto* panel = new QFrame;
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setFixedSize(modem_image_size + 8, modem_image_size + 8);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(3, 3, 3, 3);
    // The pictures of a group share one place: at most one shows at a time.
    for (; *names; ++names) {
        const char* name = *names;
        QLabel* image = make_label(panel, name, QString());
        modem_images.emplace_back(name, image);
        image->setPixmap(modem_image(name));
        image->setVisible(false);
        grid->addWidget(image, 0, 0);
    }
    return panel;
}

QWidget* TFmain::buildRightPanel()
{
    auto* right = new QWidget;
    right->setObjectName("pl_right");
    auto* layout = new QVBoxLayout(right);

    GroupBox6 = new QGroupBox("Serial Number", right);
    GroupBox6->setObjectName("GroupBox6");
    auto* station_layout = new QVBoxLayout(GroupBox6);
    lb_station_id = make_label(GroupBox6, "lb_station_id", "---");
    lb_station_id->setAlignment(Qt::AlignCenter);
    QFont large = lb_station_id->font();
    large.setPointSize(large.pointSize() + 6);
    large.setBold(true);
    lb_station_id->setFont(large);
    station_layout->addWidget(lb_station_id);
    layout->addWidget(GroupBox6);

    auto* communication = new QGroupBox("Communication Panel", right);
    communication->setObjectName("GroupBox8");
    auto* grid = new QGridLayout(communication);
    pl_com_port = make_panel(communication, "pl_com_port", "---");
    pl_com_mode = make_panel(communication, "pl_com_mode", "---");
    pl_com_status = make_panel(communication, "pl_com_status", "");
    pl_authentication_status = make_panel(communication, "pl_authentication_status", "");
    const char* const captions[] = {"COM port :", "Mode : ", "Status : ", "Access :"};
    QLabel* const panels[] = {pl_com_port, pl_com_mode, pl_com_status, pl_authentication_status};
    for (int row = 0; row < 4; ++row) {
        grid->addWidget(make_label(communication, nullptr, captions[row]), row, 0);
        grid->addWidget(panels[row], row, 1);
    }
    bt_com_connect = commandButton(communication, "bt_com_connect");
    bt_com_disconnect = commandButton(communication, "bt_com_disconnect");
    grid->addWidget(bt_com_connect, 4, 0, 1, 2);
    grid->addWidget(bt_com_disconnect, 5, 0, 1, 2);

    auto* modem = new QHBoxLayout;
    for (const auto& group : modem_image_groups)
        modem->addWidget(buildModemPanel(group));
    grid->addLayout(modem, 6, 0, 1, 2);
    layout->addWidget(communication);
    layout->addStretch(1);
    return right;
}

void TFmain::buildMenu()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    QMenu* menu = nullptr;
    for (unsigned i = 0; i < main_command_count; ++i) {
        const Tmain_command& command = main_commands[i];
        if (!command.action)
            continue;
        if (!menu || menu->title() != QString::fromUtf8(command.menu))
            menu = bar->addMenu(QString::fromUtf8(command.menu));
        QAction* action = menu->addAction(QString::fromUtf8(command.caption));
        action->setObjectName(command.action);
        if (command.shortcut)
            action->setShortcut(QKeySequence(command.shortcut));
        action->setCheckable(command.checkable);
        connect(action, &QAction::triggered, this, [this, &command] { run_main_command(*this, command); });
    }
    Connect1 = findChild<QAction*>("Connect1");
    Disconnect1 = findChild<QAction*>("Disconnect1");
    Abortconnection1 = findChild<QAction*>("Abortconnection1");
}

QPushButton* TFmain::commandButton(QWidget* parent, const char* name)
{
    const Tmain_command* command = find_main_command(name);
    auto* button = new QPushButton(QString::fromUtf8(command->button_caption), parent);
    button->setObjectName(name);
    connect(button, &QPushButton::clicked, this, [this, command] { run_main_command(*this, *command); });
    return button;
}

void TFmain::setCommandMaster(Tcommand_master* commands)
{
    command_master = commands ? commands : &master_commands;
}

Tcommand_master& TFmain::commands()
{
    return *command_master;
}

void TFmain::pageToFront(const char* page)
{
    if (auto* widget = PageControl1->findChild<QWidget*>(QString::fromLatin1(page)))
        PageControl1->setCurrentWidget(widget);
}

void TFmain::timeFields(const char* which, Tmy_string texts[6])
{
    QLineEdit* const* fields = std::string_view(which) == "gsm" ? gsm_time_fields : acq_time_fields;
    for (int i = 0; i < 6; ++i)
        texts[i].printf("%s", fields[i]->text().toUtf8().constData());
}

int TFmain::timeZone(const char* which)
{
    return timeZoneOffset(std::string_view(which) == "gsm" ? timezone_gsm_next : timezone_acq_next);
}

void TFmain::outputRows(int rows[8])
{
    for (int i = 0; i < output_selector_count; ++i) {
        const QModelIndexList selected = output_selectors[i]->selectionModel()->selectedRows();
        int first = -1;
        for (const QModelIndex& index : selected)
            if (first < 0 || index.row() < first)
                first = index.row();
        rows[i] = first < 0 ? 0 : first;
    }
}

bool TFmain::isChecked(const char* action)
{
    const auto* item = findChild<QAction*>(QString::fromLatin1(action));
    return item && item->isChecked();
}

int TFmain::askValue(const char* prompt, int mode)
{
    require_wired(static_cast<bool>(ask_value), "ask_value");
    return ask_value(prompt, mode);
}

uint32_t TFmain::askSnr()
{
    require_wired(static_cast<bool>(ask_snr), "ask_snr");
    return ask_snr();
}

bool TFmain::askDownloadRange(int32_t* start, int32_t* count, uint8_t* incremental)
{
    require_wired(static_cast<bool>(ask_download_range), "ask_download_range");
    return ask_download_range(start, count, incremental);
}

void TFmain::showForm(const char* form)
{
    if (std::string_view(form) == "about") {
        require_wired(static_cast<bool>(on_about), "on_about");
        on_about();
    } else {
        require_wired(static_cast<bool>(show_form), "show_form");
        show_form(form);
    }
}

void TFmain::clearHealth()
{
    show_health(nullptr);
}

void TFmain::closeMain()
{
    close();
}

void TFmain::show_health(const Tflash_parser_data* step)
{
    health_page->show_health(step);
}

void TFmain::show_com_setting(const char* key, const char* value)
{
    com_page->show_com_setting(key, value);
}

void TFmain::request_health()
{
    run_main_command(*this, *find_main_command("GetHealth1"));
}

void TFmain::logLine(const char* line)
{
    append_log_line(Memo1, line);
}

void TFmain::resetOutputSelectors()
{
    for (QListWidget* list : output_selectors) {
        list->clearSelection();
        list->setCurrentRow(-1);
        if (list->count() > keep_entry)
            list->setCurrentRow(keep_entry);
    }
}

void TFmain::fillTimeZoneList(QComboBox* list)
{
    list->clear();
    for (int hours = -zone_hours; hours <= zone_hours; ++hours)
        list->addItem(QString::asprintf("GMT%+d", hours), hours * 3600);
    // A zone that is no whole hour from UTC has no entry.
    list->setCurrentIndex(list->findData(pc_zone_offset));
}

int TFmain::timeZoneOffset(const QComboBox* list)
{
    if (!list || list->currentIndex() < 0)
        return 0;
    return list->currentData().toInt();
}

void TFmain::menusAndPages()
{
    resetOutputSelectors();
}

void TFmain::startPanels()
{
    for (const auto& group : modem_image_groups) {
        for (const char* const* name = group; *name; ++name)
            modemImage(*name)->setVisible(std::string_view(*name) == "img_off");
    }
    resetOutputSelectors();
    pc_zone_offset = time_zone_offset();
    fillTimeZoneList(timezone_gsm_next);
    fillTimeZoneList(timezone_acq_next);
    PageControl1->setCurrentWidget(TB_sysstatus);
}

void TFmain::initialPanels()
{
    shown_link_state = master.getLinkState();
    shown_access_state = master.getAccessState();
    drawLinkPanel();
    drawAccessPanel();
    linkColourStep();
    accessColourStep();
    show_busy(false);
}

QLabel* TFmain::modemImage(const char* name) const
{
    if (!name)
        return nullptr;
    for (const auto& image : modem_images)
        if (image.first == name)
            return image.second;
    return nullptr;
}

void TFmain::showOperation(const char* running)
{
    const char* text = "---";
    const char* colour = "#C0C0C0";
    if (running && text_compare_nocase(running, "ACQ") == 0) {
        text = "ACQuistion underway";
        colour = "#73FF73";
    } else if (running && text_compare_nocase(running, "GSM") == 0) {
        text = "GSM Communication underway";
        colour = "#C5C6FF";
    }
    pl_operation->setText(text_of(text));
    set_panel_background(pl_operation, colour_of(colour));
}

void TFmain::show_main_window()
{
    show();
}

void TFmain::show_busy(bool busy)
{
    if (busy) {
        StatusBar1->showMessage("Running...");
        set_panel_background(StatusBar1, colour_of("#C0C0C0"));
    } else {
        StatusBar1->showMessage("Ready");
        set_panel_background(StatusBar1, button_face());
        continueClosing();
    }
}

void TFmain::set_status_refresh(bool on)
{
    status_refresh = on;
    show_status_page();
}

void TFmain::show_status_page()
{
    status_page->show_status_page();
    show_station_id();
}

void TFmain::show_station_id()
{
    const Tstatus_field& station = module_view.status(STATUS_STATION_ID);
    QColor background = button_face();
    if (station.valid) {
        lb_station_id->setText(QString::number(station.value));
        background = colour_of("#9FC3FF");
    } else {
        lb_station_id->setText("-");
    }
    set_panel_background(lb_station_id, background);
    set_panel_background(GroupBox6, background);
}

void TFmain::show_connection_state()
{
    if (master.getLinkState() != shown_link_state) {
        shown_link_state = master.getLinkState();
        drawLinkPanel();
    }
    if (master.getAccessState() != shown_access_state) {
        shown_access_state = master.getAccessState();
        drawAccessPanel();
    }
    linkColourStep();
    accessColourStep();
}

void TFmain::drawLinkPanel()
{
    bt_com_connect->setEnabled(false);
    bt_com_disconnect->setEnabled(false);
    Connect1->setEnabled(false);
    Disconnect1->setEnabled(false);
    Abortconnection1->setEnabled(false);
    const QColor black(0, 0, 0);
    switch (shown_link_state) {
    case Tcalyxo_master::LINK_ABORTING:
        set_panel_colours(pl_com_status, pl_com_status->palette().color(QPalette::Window), black);
        pl_com_status->setText("Aborting...");
        break;
    case Tcalyxo_master::LINK_DISCONNECTED:
        pl_com_status->setText("Disconnected");
        set_panel_colours(pl_com_status, black, QColor(0xFF, 0xFF, 0xFF));
        bt_com_connect->setEnabled(true);
        Connect1->setEnabled(true);
        break;
    case Tcalyxo_master::LINK_CONNECTED:
        pl_com_status->setText("USB opened");
        set_panel_colours(pl_com_status, colour_of("#FFEB43"), black);
        bt_com_disconnect->setEnabled(true);
        Disconnect1->setEnabled(true);
        Abortconnection1->setEnabled(true);
        break;
    case Tcalyxo_master::LINK_CONNECTING:
        pl_com_status->setText("Connecting...");
        set_panel_colours(pl_com_status, pl_com_status->palette().color(QPalette::Window), black);
        Abortconnection1->setEnabled(true);
        break;
    case Tcalyxo_master::LINK_DISCONNECTING:
        pl_com_status->setText("Disconnecting...");
        set_panel_colours(pl_com_status, pl_com_status->palette().color(QPalette::Window), black);
        break;
    default:
        break;
    }
    const Tcomport* port = master.getComport();
    pl_com_port->setText(port ? text_of(port->port) : QString("---"));
    pl_com_mode->setText(port ? text_of(port->getTypeName()) : QString("---"));
}

void TFmain::linkColourStep()
{
    const char* colour = nullptr;
    switch (shown_link_state) {
    case Tcalyxo_master::LINK_ABORTING:
        colour = blink_phase ? "#FF0000" : "#7F0000";
        break;
    case Tcalyxo_master::LINK_CONNECTING:
        colour = blink_phase ? "#FFFF40" : "#F3C303";
        break;
    case Tcalyxo_master::LINK_DISCONNECTING:
        colour = blink_phase ? "#C0FFC0" : "#03AF03";
        break;
    default:
        return;
    }
    set_panel_background(pl_com_status, colour_of(colour));
}

void TFmain::drawAccessPanel()
{
    if (shown_access_state != Tcalyxo_master::ACCESS_FREE)
        return;
    pl_authentication_status->setText("free");
    set_panel_colours(pl_authentication_status, pl_authentication_status->palette().color(QPalette::Window),
                      QColor(0, 0, 0));
}

void TFmain::accessColourStep()
{
    set_panel_background(pl_authentication_status, button_face());
}

void TFmain::On_1Hz()
{
    const unsigned now = time_now();
    const int zone = time_zone_offset();
    char text[time_iso_text_size];
    time_format_iso(text, now, zone, true);
    lb_timesec_txt->setText(text_of(text));
    if (module_view.timeValid()) {
        time_format_iso(text, now + static_cast<unsigned>(module_view.clockOffset()), zone, true);
        lb_time_txt2->setText(text_of(text));
    } else {
        lb_time_txt2->setText("-");
    }
    if (on_tick)
        on_tick();
    master.On_1Hz();
    // Last, so that the page shows what the master's tick changed.
    if (status_refresh)
        show_status_page();
}

void TFmain::OnTimer2Hz()
{
    blink_phase = !blink_phase;
    show_connection_state();
}

void TFmain::CopyLog1Click()
{
    Tmy_string text;
    const QTextDocument* lines = Memo1->document();
    if (!lines->isEmpty()) {
        for (QTextBlock block = lines->begin(); block.isValid(); block = block.next())
            text.appendf("%s\r\n", block.text().toUtf8().constData());
    }
    dialog_seam().setClipboardText(text.c_str());
}

void TFmain::ClearLog1Click()
{
    Memo1->clear();
}

void TFmain::closeEvent(QCloseEvent* event)
{
    const bool busy = master.state != Tcalyxo_master::STATE_IDLE;
    const bool connected = master.getLinkState() == Tcalyxo_master::LINK_CONNECTED;
    // Asked again while waiting: the user insists, quit now.
    if (quitting || closing || (!busy && !connected)) {
        quitting = true;
        event->accept();
        application_terminate();
        return;
    }
    // Quitting now would cut a transfer off with the logger's acquisition
    // left off and the files half written: end it first, then disconnect.
    event->ignore();
    closing = true;
    log_printf("INFO  : the program closes once the running operation has ended");
    if (busy)
        master.stop(nullptr);
    else
        continueClosing();
}

bool TFmain::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip)
        return true;
    return QMainWindow::event(event);
}

void TFmain::continueClosing()
{
    if (!closing || quitting || master.state != Tcalyxo_master::STATE_IDLE)
        return;
    // One disconnection: a link that will not close does not hold the program.
    if (master.getLinkState() == Tcalyxo_master::LINK_CONNECTED && !disconnect_asked) {
        disconnect_asked = true;
        if (!master.start_disconnect())
            return;
    }
    close();
}
