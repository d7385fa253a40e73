#include "programs/basic/wprogress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/event_resource.h"
#include "programs/basic/window_style.h"

TFprogress::TFprogress(Tsequence& operation_master, QWidget* parent)
    : QWidget(parent, Qt::Dialog), master(operation_master)
{
    setObjectName("Fprogress");
    setWindowTitle("Transfer progress monitor");
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    set_panel_background(Label1, colour_of("#C0C0C0"));
    auto* band = new QLabel(this);
    band->setObjectName("Label2");
    band->setMinimumHeight(8);
    set_panel_background(band, colour_of("#C0DCC0"));
    progress_gauge = new QProgressBar(this);
    progress_gauge->setObjectName("progress_gauge");
    progress_gauge->setRange(0, 100);
    progress_gauge->setValue(0);
    Button1 = new QPushButton("Cancel", this);
    Button1->setObjectName("Button1");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1, 1);
    layout->addWidget(band);
    layout->addWidget(progress_gauge);
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    resize(420, 160);
}

void TFprogress::progress_show()
{
    centre_on_screen(this);
    show();
}

void TFprogress::progress_set_text(const char* text)
{
    if (text)
        Label1->setText(QString::fromUtf8(text));
}

void TFprogress::progress_set_percent(int percent)
{
    progress_gauge->setValue(percent < 0 ? 0 : percent > 100 ? 100 : percent);
    // Repainted here instead of running the event loop: dispatching the
    // queue inside the caller's call would run handlers out of order.
    if (isVisible())
        progress_gauge->repaint();
}

void TFprogress::progress_hide()
{
    hide();
}

void TFprogress::Button1Click()
{
    master.stop(nullptr);
}
