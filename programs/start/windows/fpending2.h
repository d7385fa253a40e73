#pragma once

#include <QWidget>

class QProgressBar;

// The small window that shows a download's progress; shown, hidden and
// advanced only through its id.
class TFpending2 : public QWidget {
public:
    TFpending2();
    QProgressBar* ProgressBar1 = nullptr;
};
