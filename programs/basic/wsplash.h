#pragma once

#include <QWidget>

class QTimer;
class TFmain;
class Tcalyxo_master;

// Never shown: carries the one-shot start timer that, once the message loop
// runs, shows the main window and starts the first connection.
class TFsplash : public QWidget {
public:
    TFsplash(TFmain& main_window, Tcalyxo_master& master, QWidget* parent = nullptr);

    void Timer1Timer();

private:
    TFmain& main_window;
    Tcalyxo_master& master;
    QTimer* Timer1 = nullptr;
};
