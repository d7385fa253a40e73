#pragma once

#include <QWidget>

class QTextEdit;

// A plain text viewer: the EEPROM image as setup text after "Export EEPROM".
class TFtext : public QWidget {
public:
    explicit TFtext(QWidget* parent = nullptr);

    void set_text_window(const char* text);
    void show_text_window();

private:
    QTextEdit* RichEdit1 = nullptr;
};
