#pragma once

#include <QMainWindow>

#include <memory>
#include <string>

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
class Ttab_rows;

// The configuration viewer's window: loads a setup file, compiles its station
// into the EEPROM image and shows blocks 0 to 6, one per tab, as XML, as a
// command text, with size and checksum; saves the image to "eeprom_data.bin".
// Each file is compiled on its own; a file that cannot be used says why, and
// "Save" then writes nothing.
class TFmain : public QMainWindow {
public:
    TFmain();
    TFmain(const TFmain&) = delete;
    TFmain& operator=(const TFmain&) = delete;

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

    // The station of the last file loaded, compiled afresh for each file.
    std::unique_ptr<Tstation> station;
    myXMLdocument document;
    bool loaded = false;
    // Why the last file could not be used; empty after a load that succeeded
    // and before any.
    std::string load_failure;
    Txml_element station_element = nullptr;

    Tfile_dialog OpenDialog1;
    QAction* LoadXMLsetup1 = nullptr;
    QAction* Savetoeepromdatabin1 = nullptr;
    Ttab_rows* TabControl1 = nullptr;
    QLabel* Label1 = nullptr;
    QPlainTextEdit* memo0 = nullptr;
    QPlainTextEdit* memo1 = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* lb_size = nullptr;
    QLabel* lb_cs = nullptr;
};
