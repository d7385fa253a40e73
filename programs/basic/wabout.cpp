#include "programs/basic/wabout.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "programs/basic/window_style.h"

namespace {

const char* const maker_address = "www.vornhal.example";

QPixmap maker_logo()
{
    QPixmap logo(200, 56);
    logo.fill(Qt::white);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour_of("#2A6FB0"));
    painter.drawEllipse(QRect(6, 6, 44, 44));
    painter.setBrush(colour_of("#73C6FF"));
    painter.drawEllipse(QRect(18, 18, 20, 20));
    QFont font = painter.font();
    font.setPixelSize(26);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(colour_of("#2A6FB0"));
    painter.drawText(QRect(58, 0, 142, 56), Qt::AlignVCenter | Qt::AlignLeft, "Vornhal");
    return logo;
}

QLabel* centred_label(QWidget* parent, const char* name, const QString& text)
{
    QLabel* label = make_label(parent, name, text);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

TFabout::TFabout(QWidget* parent) : QDialog(parent)
{
    setObjectName("Fabout");
    setWindowTitle("About us");
    set_panel_background(this, Qt::white);
    auto* picture = new QLabel(this);
    picture->setObjectName("Image1");
    picture->setPixmap(maker_logo());
    picture->setAlignment(Qt::AlignCenter);
    auto* button = new QPushButton("OK", this);
    button->setObjectName("Button1");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addWidget(centred_label(this, "Label1", "Visit us at"));
    layout->addWidget(centred_label(this, "Label2", maker_address));
    layout->addWidget(centred_label(this, "lb_date", __DATE__));
    layout->addWidget(centred_label(this, "lb_time", __TIME__));
    layout->addWidget(button, 0, Qt::AlignHCenter);
    connect(button, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TFabout::show_about()
{
    if (!isVisible())
        centre_on_screen(this);
    show();
}

void TFabout::Button1Click()
{
    hide();
}
