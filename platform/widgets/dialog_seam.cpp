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

Tdialog_seam* set_dialog_seam(Tdialog_seam* seam)
{
    Tdialog_seam* previous = installed;
    installed = seam;
    return previous;
}
