#pragma once

#include <QDialog>

// The about box: the maker's logo and address, the build's date and time.
class TFabout : public QDialog {
public:
    explicit TFabout(QWidget* parent = nullptr);

    void show_about();
    void Button1Click();
};
