#include "programs/basic/wrfu.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "link/firmware_update.h"
#include "platform/widgets/dialog_seam.h"
#include "platform/widgets/log_memo.h"
#include "programs/basic/file_refusal.h"

namespace {

// The window's title, also the caption of its error boxes.
constexpr const char* rfu_caption = "RFU - Remote Firmware Update";

QString text_of(const char* text)
{
    return QString::fromUtf8(text ? text : "");
}

}  // namespace

TFormrfu::TFormrfu(Tfirmware_update& firmware_update, QWidget* parent) : QWidget(parent), update(firmware_update)
{
    setObjectName("Formrfu");
    setWindowTitle(rfu_caption);

    bt_load = new QPushButton("Load File", this);
    bt_load->setObjectName("bt_load");
    bt_program = new QPushButton("Program", this);
    bt_program->setObjectName("bt_program");
    Label1 = new QLabel("<file name>", this);
    Label1->setObjectName("Label1");
    Label1->setTextFormat(Qt::PlainText);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    Label2 = new QLabel("<progress>", this);
    Label2->setObjectName("Label2");
    Label2->setTextFormat(Qt::PlainText);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setStyleSheet("QPlainTextEdit { color: #FFFFFF; background-color: #808080; }");
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setSingleShot(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bt_load);
    buttons->addWidget(Label1, 1);
    buttons->addWidget(bt_program);
    auto* progress = new QHBoxLayout;
    progress->addWidget(ProgressBar1, 1);
    progress->addWidget(Label2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addLayout(progress);
    layout->addWidget(Memo1, 1);

    connect(bt_load, &QPushButton::clicked, this, [this] { bt_loadClick(); });
    connect(bt_program, &QPushButton::clicked, this, [this] { bt_programClick(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    update.setWindow(this);
}

void TFormrfu::enableButtons(bool enabled)
{
    bt_load->setEnabled(enabled);
    bt_program->setEnabled(enabled);
}

void TFormrfu::rfu_show()
{
    enableButtons(true);
    show();
}

void TFormrfu::bt_loadClick()
{
    Tfile_dialog dialog;
    dialog.title = "Firmware file";
    dialog.filter = "Firmware files (*.xml)|*.xml|All files|*";
    dialog.default_extension = "xml";
    const std::string path = dialog_seam().chooseFile(dialog);
    if (path.empty())
        return;
    Label1->setText(QString::fromStdString(path));
    if (update.rfu_load_file(path.c_str()) != 0)
        show_error_box(rfu_caption, file_refusal_text("Erreur de lecture du fichier de firmware ! Voir log", path));
}

void TFormrfu::bt_programClick()
{
    enableButtons(false);
    update.rfu_start();
}

void TFormrfu::Timer1Timer()
{
    Timer1->stop();
    update.rfu_on_timer();
}

void TFormrfu::rfu_log(const char* text)
{
    if (text)
        append_log_line(Memo1, text);
    else
        Memo1->clear();
}

void TFormrfu::rfu_progress(int kind, int value)
{
    if (kind == 2) {
        progress_maximum = value;
        // An empty range would turn the bar into a busy indicator.
        ProgressBar1->setRange(0, value > 0 ? value : 1);
        ProgressBar1->setValue(0);
        Label2->setText(QString::asprintf("0 / %d", value));
    } else if (kind == 1) {
        ProgressBar1->setValue(value);
        Label2->setText(QString::asprintf("%d / %d", value, progress_maximum));
    }
}

void TFormrfu::rfu_wait(int ms)
{
    Timer1->setInterval(ms);
    Timer1->start();
}

void TFormrfu::rfu_failed(const char* text)
{
    rfu_log(text);
    show_error_box(rfu_caption, text_of(text).toStdString());
    enableButtons(true);
}
