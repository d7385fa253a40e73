#include "programs/confview/tab_rows.h"

#include <QButtonGroup>
#include <QToolButton>

#include <algorithm>

Ttab_rows::Ttab_rows(const char* name, QWidget* parent) : QWidget(parent), group(new QButtonGroup(this))
{
    setObjectName(QLatin1String(name));
    group->setExclusive(true);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(group, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked && on_change)
            on_change();
    });
}

void Ttab_rows::addTab(const char* text)
{
    QToolButton* tab = new QToolButton(this);
    tab->setObjectName(QStringLiteral("tab%1").arg(count()));
    tab->setText(QString::fromUtf8(text ? text : ""));
    tab->setCheckable(true);
    group->addButton(tab, count());
    tabs.push_back(tab);
    if (count() == 1)
        tab->setChecked(true);
    updateGeometry();
}

QString Ttab_rows::tabText(int index) const
{
    return index >= 0 && index < count() ? tabs[static_cast<std::size_t>(index)]->text() : QString();
}

int Ttab_rows::currentIndex() const
{
    return group->checkedId();
}

void Ttab_rows::setCurrentIndex(int index)
{
    if (index >= 0 && index < count())
        tabs[static_cast<std::size_t>(index)]->setChecked(true);
}

int Ttab_rows::placeTabs(int width, bool place) const
{
    int x = 0;
    int y = 0;
    int row_height = 0;
    for (QAbstractButton* tab : tabs) {
        const QSize size = tab->sizeHint();
        if (x > 0 && x + size.width() > width) {
            x = 0;
            y += row_height;
            row_height = 0;
        }
        if (place)
            tab->setGeometry(x, y, size.width(), size.height());
        x += size.width();
        row_height = std::max(row_height, size.height());
    }
    return y + row_height;
}

int Ttab_rows::heightForWidth(int width) const
{
    return placeTabs(width, false);
}

QSize Ttab_rows::sizeHint() const
{
    int width = 0;
    for (QAbstractButton* tab : tabs)
        width += tab->sizeHint().width();
    return QSize(width, placeTabs(width, false));
}

QSize Ttab_rows::minimumSizeHint() const
{
    int widest = 0;
    for (QAbstractButton* tab : tabs)
        widest = std::max(widest, tab->sizeHint().width());
    return QSize(widest, placeTabs(widest, false));
}

void Ttab_rows::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeTabs(width(), true);
}
