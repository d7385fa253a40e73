#pragma once

#include <string>

// The programs' modal questions and the clipboard go through one replaceable
// handler: the Qt one by default, a scripted one in tests, so that no test ever
// waits on a real modal box. Texts are UTF-8. GUI thread only.

enum class Tbox_icon { none, information, warning, error, question };
enum class Tbox_buttons { ok, ok_cancel, yes_no, yes_no_cancel, retry_cancel };
// The button pressed, numbered as the programs' message boxes have always
// answered. Closing a box without a button answers its escape button: cancel,
// no for yes/no, ok when ok is its only button.
enum class Tbox_answer { ok = 1, cancel = 2, retry = 4, yes = 6, no = 7 };

struct Tmessage_box {
    std::string text;
    std::string caption;
    Tbox_icon icon = Tbox_icon::none;
    Tbox_buttons buttons = Tbox_buttons::ok;
};

enum class Tfile_dialog_mode { open, save };

struct Tfile_dialog {
    Tfile_dialog_mode mode = Tfile_dialog_mode::open;
    std::string title;
    // Description and pattern pairs separated by '|', patterns of one pair by ';':
    // "XML files (.xml)|*.xml|All files|*.*".
    std::string filter;
    // Without the dot; given to a name typed without an extension.
    std::string default_extension;
    // The folder or file the dialog starts at; "" for the current directory.
    std::string initial_path;
};

class Tdialog_seam {
public:
    virtual ~Tdialog_seam() = default;
    virtual Tbox_answer messageBox(const Tmessage_box& box) = 0;
    // The chosen path, "" when the user cancelled.
    virtual std::string chooseFile(const Tfile_dialog& dialog) = 0;
    virtual void setClipboardText(const std::string& text) = 0;
    virtual std::string clipboardText() = 0;
};

// The handler in force; never null.
Tdialog_seam& dialog_seam();
// An error box of caption and text with its OK button, through the handler in force.
void show_error_box(const std::string& caption, const std::string& text);
// Installs a handler (null puts the Qt one back) and returns the one it replaces,
// null when that was the Qt one. The caller keeps ownership. Tests install a
// Trecording_dialogs (platform/widgets/recording_dialogs.h).
Tdialog_seam* set_dialog_seam(Tdialog_seam* seam);
