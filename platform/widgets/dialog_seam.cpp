#include "platform/widgets/dialog_seam.h"

#include "platform/widgets/qt_dialogs.h"

namespace {

Tdialog_seam* installed = nullptr;

}  // namespace

Tdialog_seam& dialog_seam()
{
    if (installed)
        return *installed;
    static Tqt_dialogs qt_dialogs;
    return qt_dialogs;
}

void show_error_box(const std::string& caption, const std::string& text)
{
    Tmessage_box box;
    box.text = text;
    box.caption = caption;
    box.icon = Tbox_icon::error;
    dialog_seam().messageBox(box);
}

Tdialog_seam* set_dialog_seam(Tdialog_seam* seam)
{
    Tdialog_seam* previous = installed;
    installed = seam;
    return previous;
}
