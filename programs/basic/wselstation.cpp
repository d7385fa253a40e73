#include "programs/basic/wselstation.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>

#include "base/parse.h"
#include "programs/basic/window_style.h"

namespace {

constexpr int chooser_rate = 38400;
constexpr int first_port_row = 2;
constexpr int last_port_number = Tport_list::max_number;

}  // namespace

T_comport_identifier::T_comport_identifier(int number)
{
    comport.type = Tcomport::TYPE_DIRECT;
    comport.rate = chooser_rate;
    std::snprintf(comport.port, sizeof comport.port, "\\\\.\\COM%d", number);
}

TFselstation::TFselstation(QWidget* parent) : QDialog(parent)
{
    setObjectName("Fselstation");
    setWindowTitle("Station Select");
    auto* caption = new QLabel("Please Choose a COM port", this);
    lb_comports = new QListWidget(this);
    lb_comports->setObjectName("lb_comports");
    lb_comports->setFont(fixed_pitch_font());
    lb_comports->setSelectionMode(QAbstractItemView::SingleSelection);
    bt_connect = new QPushButton("Connect", this);
    bt_connect->setObjectName("bt_connect");
    Button1 = new QPushButton("Refresh", this);
    Button1->setObjectName("Button1");
    // Enter is the dialog's own key, not a default button's.
    bt_connect->setAutoDefault(false);
    Button1->setAutoDefault(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(lb_comports, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bt_connect);
    buttons->addWidget(Button1);
    layout->addLayout(buttons);
    for (QWidget* watched : {static_cast<QWidget*>(lb_comports), static_cast<QWidget*>(bt_connect),
                             static_cast<QWidget*>(Button1)})
        watched->installEventFilter(this);
    connect(bt_connect, &QPushButton::clicked, this, [this] { done(1); });
    connect(Button1, &QPushButton::clicked, this, [this] { fillList(); });
    connect(lb_comports, &QListWidget::itemClicked, this, [this] {
        evaluateSelection();
        bt_connect->setFocus();
    });
    resize(300, 320);
}

void TFselstation::fillList()
{
    lb_comports->clear();
    records.clear();
    lb_comports->addItem("0 : Offline (no connection)");
    records.emplace_back();
    lb_comports->addItem("-- Windows com ports --");
    records.emplace_back();
    Tport_list ports(own_folders ? folders : Tport_folders::system());
    ports.scan();
    char letter = 'B';
    for (int number = 0; number <= last_port_number; ++number) {
        if (!ports.isPresent(number))
            continue;
        // Past Z no letter selects the entry; it is still listed.
        lb_comports->addItem(QString::asprintf("%c: COM%d", letter <= 'Z' ? letter : ' ', number));
        records.push_back(std::make_unique<T_comport_identifier>(number));
        if (letter <= 'Z')
            ++letter;
    }
}

void TFselstation::setPortFolders(const Tport_folders& where)
{
    folders = where;
    own_folders = true;
}

void TFselstation::selectEntry(int index)
{
    const int count = lb_comports->count();
    if (count == 0)
        return;
    lb_comports->clearSelection();
    const int row = index < 0 ? 0 : index >= count ? count - 1 : index;
    lb_comports->setCurrentRow(row);
    evaluateSelection();
}

bool TFselstation::evaluateSelection()
{
    const int row = lb_comports->currentRow();
    if (row < first_port_row || row >= static_cast<int>(records.size()) || !records[row])
        return false;
    const Tcomport& chosen = records[row]->comport;
    connection.type = chosen.type;
    connection.rate = chosen.rate;
    text_copy_bounded(connection.port, chosen.port, 32);
    return true;
}

bool TFselstation::select_station(Tcomport*& port)
{
    selectEntry(0);
    bt_connect->setFocus();
    if (exec() != 1)
        return false;
    port = evaluateSelection() ? &connection : nullptr;
    return true;
}

bool TFselstation::handleKey(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        done(2);
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        done(1);
        return true;
    }
    // Tab moves the focus and Space presses the focused button, as anywhere.
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Space)
        return false;
    const QString text = event->text();
    if (text.size() != 1 || !text.at(0).isPrint())
        return false;
    const char c = text.at(0).toLatin1();
    if (c == '0')
        selectEntry(0);
    else if (c >= 'a' && c <= 'z')
        selectEntry(c - 'a' + 1);
    else if (c >= 'A' && c <= 'Z')
        selectEntry(c - 'A' + 1);
    bt_connect->setFocus();
    return true;
}

void TFselstation::keyPressEvent(QKeyEvent* event)
{
    if (!handleKey(event))
        QDialog::keyPressEvent(event);
}

bool TFselstation::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && handleKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}
