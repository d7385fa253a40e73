#include "ui/table_export.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/log.h"
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
    const int error = write_file_replacing(path, model.tableText());
    if (error == 0)
        return;
    Tmy_string text;
    text.printf("Cannot write the table to %s: %s", path.c_str(), std::strerror(error));
    log_printf("ERROR : %s", text.c_str());
    Tmessage_box box;
    box.text = text.c_str();
    box.caption = "Save tabular";
    box.icon = Tbox_icon::error;
    dialog_seam().messageBox(box);
}

int write_file_replacing(const std::string& path, const std::string& bytes)
{
    if (path.empty())
        return EINVAL;
    const std::string temporary = path + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return errno;
    int error = 0;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
        error = errno ? errno : EIO;
    // A full disk may only show when the buffer is flushed.
    errno = 0;
    if (std::fclose(file) != 0 && error == 0)
        error = errno ? errno : EIO;
    if (error == 0 && std::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0)
        std::remove(temporary.c_str());
    return error;
}
