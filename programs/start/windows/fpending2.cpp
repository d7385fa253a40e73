#include "programs/start/windows/fpending2.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

TFpending2::TFpending2() : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Fpending2"));
    setStyleSheet(QStringLiteral("background-color: #FFFFE1;"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Download pending...."), this);
    label->setObjectName(QStringLiteral("Label1"));
    layout->addWidget(label);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    layout->addWidget(ProgressBar1);
    resize(260, 70);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}
