#pragma once

#include <QDialog>

#include <memory>
#include <vector>

#include "data/setup.h"
#include "platform/port_list.h"

class QKeyEvent;
class QListWidget;
class QPushButton;

// The connection record behind one port entry of the station chooser.
struct T_comport_identifier {
    explicit T_comport_identifier(int number);
    Tcomport comport;
};

// The modal station chooser: "Offline" or one of the COM ports present. A
// letter selects the entry at its place in the alphabet, '0' "Offline";
// Enter or "Connect" confirms, Escape cancels.
class TFselstation : public QDialog {
public:
    explicit TFselstation(QWidget* parent = nullptr);

    void fillList();
    // Where the fills look for ports; by default the system's folders, read
    // anew at every fill.
    void setPortFolders(const Tport_folders& where);
    // Runs the dialog: false when not confirmed (port untouched), else true
    // with the dialog's connection record, or null for no connection.
    bool select_station(Tcomport*& port);
    // Unselects all, clamps index to the list and selects that entry.
    void selectEntry(int index);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Copies the selected port entry into the connection record; false for
    // "Offline", the separator or no selection.
    bool evaluateSelection();
    // True when the key was one of the dialog's.
    bool handleKey(QKeyEvent* event);

    QListWidget* lb_comports = nullptr;
    QPushButton* bt_connect = nullptr;
    QPushButton* Button1 = nullptr;
    // One per list row: null for the two fixed lines.
    std::vector<std::unique_ptr<T_comport_identifier>> records;
    Tcomport connection;
    bool own_folders = false;
    Tport_folders folders;
};
