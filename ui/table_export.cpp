#include "ui/table_export.h"

#include <cstring>
#include <string>

#include "base/log.h"
#include "base/paths.h"
#include "base/my_string.h"
#include "ui/grid_model.h"

void copy_table_text(const Tgrid_model& model)
{
    dialog_seam().setClipboardText(model.tableText());
}

void save_table_text(const Tgrid_model& model, const Tfile_dialog& dialog)
{
    const std::string path = dialog_seam().chooseFile(dialog);
    if (path.empty())
        return;
    const std::string table = model.tableText();
    const int error = write_file_replacing(path.c_str(), table.data(), table.size());
    if (error == 0)
        return;
    Tmy_string text;
    text.printf("Cannot write the table to %s: %s", path.c_str(), std::strerror(error));
    log_printf("ERROR : %s", text.c_str());
    show_error_box("Save tabular", text.c_str());
}
