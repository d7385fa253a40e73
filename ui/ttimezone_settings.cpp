#include "ui/ttimezone_settings.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>

#include "ui/display_columns.h"

namespace {

TFttimezone_settings* timezone_dialog = nullptr;

constexpr int negative_tag_base = 10000;
constexpr int central_european = 101;
constexpr int modal_ok = 1;
constexpr int modal_cancel = 2;

QPushButton* new_button(const char* name, const char* caption, QWidget* parent)
{
    QPushButton* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

}  // namespace

int time_zone_tag(int code)
{
    return code < 0 ? negative_tag_base - code : code;
}

int time_zone_code(int tag)
{
    return tag < negative_tag_base ? tag : negative_tag_base - tag;
}

void fill_time_zone_list(QComboBox* list)
{
    list->clear();
    for (int offset = -12; offset <= -1; ++offset)
        list->addItem(QString::fromStdString("UTC" + std::to_string(offset)), time_zone_tag(offset));
    list->addItem(QStringLiteral("UTC+0, GMT"), 0);
    list->addItem(QStringLiteral("UTC+1"), 1);
    list->addItem(QStringLiteral("Europe, CET"), central_european);
    for (int offset = 2; offset <= 12; ++offset)
        list->addItem(QString::fromStdString("UTC+" + std::to_string(offset)), offset);
}

TFttimezone_settings* TFttimezone_settings::instance()
{
    return timezone_dialog;
}

TFttimezone_settings::TFttimezone_settings(QWidget* parent) : QDialog(parent)
{
    if (!timezone_dialog)
        timezone_dialog = this;
    setObjectName(QStringLiteral("Fttimezone_settings"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);

    QVBoxLayout* layout = new QVBoxLayout(this);
    QGroupBox* GroupBox1 = new QGroupBox(QStringLiteral("Timezone"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    QVBoxLayout* group = new QVBoxLayout(GroupBox1);
    QLabel* Label1 = new QLabel(QStringLiteral("User's selected timezone"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    group->addWidget(Label1);

    cb_ttimezone = new QComboBox(GroupBox1);
    cb_ttimezone->setObjectName(QStringLiteral("cb_ttimezone"));
    fill_time_zone_list(cb_ttimezone);
    group->addWidget(cb_ttimezone);

    QPlainTextEdit* Memo1 = new QPlainTextEdit(GroupBox1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setPlainText(QStringLiteral("note :\ntime zone is used to display data. But the \n"
                                       "program also stores the UNIX timestamp of \neach measurement"));
    // Room for the four lines as they are written.
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QString longest = QStringLiteral("program also stores the UNIX timestamp of ");
    Memo1->setMinimumWidth(Memo1->fontMetrics().horizontalAdvance(longest) + 24);
    Memo1->setFixedHeight(Memo1->fontMetrics().lineSpacing() * 4 + 16);
    group->addWidget(Memo1);
    layout->addWidget(GroupBox1);

    QHBoxLayout* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QPushButton* bt_save = new_button("bt_save", "Ok", this);
    QPushButton* bt_cancel = new_button("bt_cancel", "Cancel", this);
    connect(bt_save, &QPushButton::clicked, this, [this] { bt_saveClick(); });
    connect(bt_cancel, &QPushButton::clicked, this, [this] { bt_cancelClick(); });
    buttons->addWidget(bt_save);
    buttons->addWidget(bt_cancel);
    layout->addLayout(buttons);
}

TFttimezone_settings::~TFttimezone_settings()
{
    if (timezone_dialog == this)
        timezone_dialog = nullptr;
}

void TFttimezone_settings::selectCode(int code)
{
    cb_ttimezone->setCurrentIndex(cb_ttimezone->findData(time_zone_tag(code)));
}

void TFttimezone_settings::bt_saveClick()
{
    const int index = cb_ttimezone->currentIndex();
    display_time_zone = index < 0 ? central_european : time_zone_code(cb_ttimezone->itemData(index).toInt());
    done(modal_ok);
}

void TFttimezone_settings::bt_cancelClick()
{
    done(modal_cancel);
}

int show_time_zone_dialog(int code)
{
    if (TFttimezone_settings* dialog = TFttimezone_settings::instance()) {
        dialog->selectCode(code);
        return dialog->exec();
    }
    TFttimezone_settings own;
    own.selectCode(code);
    return own.exec();
}
