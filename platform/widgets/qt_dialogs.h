#pragma once

#include <QStringList>

#include "platform/widgets/dialog_seam.h"

// The real dialogs: Qt message boxes and file dialogs over the active window,
// and the application's clipboard.
class Tqt_dialogs : public Tdialog_seam {
public:
    Tbox_answer messageBox(const Tmessage_box& box) override;
    std::string chooseFile(const Tfile_dialog& dialog) override;
    void setClipboardText(const std::string& text) override;
    std::string clipboardText() override;
};

// A '|'-separated filter as Qt name filters: "XML files (.xml)|*.xml" gives
// "XML files (.xml) (*.xml)". "*.*" becomes "*", since Qt's "*.*" would skip
// names without a dot, and a description without patterns is dropped.
QStringList qt_name_filters(const std::string& filter);
