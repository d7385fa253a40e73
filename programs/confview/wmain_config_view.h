#pragma once

#include <QMainWindow>

#include "base/xml.h"
#include "data/setup.h"
#include "platform/widgets/dialog_seam.h"

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QMimeData;
class QPlainTextEdit;
class QPushButton;
class QTabBar;

// The configuration viewer's window: loads a setup file, compiles its station
// into the EEPROM image and shows blocks 0 to 6, one per tab, as XML, as a
// command text, with size and checksum; saves the image to "eeprom_data.bin".
// The memos are filled through the log: the program's log_output hands every
// line to logLine, which appends it to the text field chosen as log target.
class TFmain : public QMainWindow {
public:
    TFmain();
    TFmain(const TFmain&) = delete;
    TFmain& operator=(const TFmain&) = delete;

    void logLine(const char* line);
    void load_setup_file(const char* path);
    void show_configuration(int block);

    void LoadXMLsetup1Click();
    void TabControl1Change();
    void Button1Click();
    void Savetoeepromdatabin1Click();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildWidgets();
    void buildMenu();
    void on_drop_files(const QMimeData* dropped);
    void errorBox(const char* text);

    Tstation station;
    myXMLdocument document;
    bool loaded = false;
    tinyxml2::XMLElement* station_element = nullptr;
    QPlainTextEdit* log_target = nullptr;

    Tfile_dialog OpenDialog1;
    QAction* LoadXMLsetup1 = nullptr;
    QAction* Savetoeepromdatabin1 = nullptr;
    QTabBar* TabControl1 = nullptr;
    QLabel* Label1 = nullptr;
    QPlainTextEdit* memo0 = nullptr;
    QPlainTextEdit* memo1 = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* lb_size = nullptr;
    QLabel* lb_cs = nullptr;
};
