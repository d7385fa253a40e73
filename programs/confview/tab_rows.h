#pragma once

#include <QWidget>

#include <functional>
#include <vector>

class QAbstractButton;
class QButtonGroup;

// Tabs laid out in as many rows as the width needs, so that every tab shows
// whole at any window width (a tab bar hides the ones that do not fit behind
// scroll arrows). One tab is current; the tabs hold no pages.
class Ttab_rows : public QWidget {
public:
    Ttab_rows(const char* name, QWidget* parent);

    // The tab's button is named "tab<index>".
    void addTab(const char* text);
    int count() const { return static_cast<int>(tabs.size()); }
    QString tabText(int index) const;
    int currentIndex() const;
    // Runs on_change when the current tab changes.
    void setCurrentIndex(int index);
    // Run when the user or setCurrentIndex changes the current tab.
    std::function<void()> on_change;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Places the tabs row by row within width (or only measures); the height used.
    int placeTabs(int width, bool place) const;

    QButtonGroup* group;
    std::vector<QAbstractButton*> tabs;
};
