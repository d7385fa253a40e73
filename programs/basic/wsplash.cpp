#include "programs/basic/wsplash.h"

#include <QTimer>

#include "link/calyxo_master.h"
#include "programs/basic/wmain.h"

TFsplash::TFsplash(TFmain& main_form, Tcalyxo_master& operation_master, QWidget* parent)
    : QWidget(parent), main_window(main_form), master(operation_master)
{
    setObjectName("Fsplash");
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(10);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    Timer1->start();
}

void TFsplash::Timer1Timer()
{
    Timer1->stop();
    hide();
    main_window.show_main_window();
    master.start_connect();
}
