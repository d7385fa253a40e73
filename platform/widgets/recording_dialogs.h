#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/widgets/dialog_seam.h"

// The handler for tests: while it lives it answers every box and file dialog
// from queued answers, records what was asked, and keeps the clipboard in
// memory. It installs itself when built and puts the previous handler back
// when it goes, so a test that fails midway leaves no handler behind.
class Trecording_dialogs : public Tdialog_seam {
public:
    Trecording_dialogs();
    ~Trecording_dialogs() override;
    Trecording_dialogs(const Trecording_dialogs&) = delete;
    Trecording_dialogs& operator=(const Trecording_dialogs&) = delete;

    Tbox_answer messageBox(const Tmessage_box& box) override;
    std::string chooseFile(const Tfile_dialog& dialog) override;
    void setClipboardText(const std::string& text) override;
    std::string clipboardText() override;

    // Taken in order; with none left a box answers its first button (ok, yes
    // or retry) and a file dialog is cancelled ("").
    std::deque<Tbox_answer> box_answers;
    std::deque<std::string> file_answers;

    std::vector<Tmessage_box> boxes;
    std::vector<Tfile_dialog> file_dialogs;
    std::string clipboard;

private:
    Tdialog_seam* previous;
};
