#include "programs/basic/wpending.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/event_resource.h"
#include "programs/basic/window_style.h"

TFpending::TFpending(Tsequence& operation_master, QWidget* parent) : QWidget(parent, Qt::Dialog), master(operation_master)
{
    setObjectName("Fpending");
    setWindowTitle("Pending operation.....");
    Label1 = new QLabel("Please wait a while making acquisitions this can be long (> 1 min)", this);
    Label1->setObjectName("Label1");
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    Label1->setFont(fixed_pitch_font());
    lb_time = new QLabel(this);
    lb_time->setObjectName("lb_time");
    lb_time->setAlignment(Qt::AlignCenter);
    QFont bold = lb_time->font();
    bold.setBold(true);
    lb_time->setFont(bold);
    Button1 = new QPushButton("Cancel", this);
    Button1->setObjectName("Button1");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1, 1);
    layout->addWidget(lb_time);
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    drawTime();
    resize(360, 160);
}

void TFpending::drawTime()
{
    lb_time->setText(QString::asprintf("%02d:%02d", elapsed_seconds / 60, elapsed_seconds % 60));
}

void TFpending::pending_set_text(const char* text)
{
    if (text)
        Label1->setText(QString::fromUtf8(text));
}

void TFpending::pending_show()
{
    elapsed_seconds = 0;
    drawTime();
    is_active = true;
    centre_on_screen(this);
    show();
}

void TFpending::pending_hide()
{
    hide();
    is_active = false;
}

void TFpending::pending_tick()
{
    if (!is_active)
        return;
    ++elapsed_seconds;
    drawTime();
}

void TFpending::Button1Click()
{
    hide();
    master.stop(nullptr);
}
