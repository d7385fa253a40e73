#include "programs/basic/wtext.h"

#include <QTextEdit>
#include <QVBoxLayout>

TFtext::TFtext(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName("Ftext");
    setWindowTitle("Ftext");
    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setAcceptRichText(false);
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RichEdit1);
    resize(600, 500);
}

void TFtext::set_text_window(const char* text)
{
    RichEdit1->clear();
    RichEdit1->setPlainText(QString::fromUtf8(text ? text : ""));
}

void TFtext::show_text_window()
{
    show();
}
