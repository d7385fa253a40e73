#pragma once

#include "platform/widgets/dialog_seam.h"

class Tgrid_model;

// The table text of a grid onto the clipboard.
void copy_table_text(const Tgrid_model& model);

// The table text into a file chosen with the dialog; nothing when cancelled.
// A file that cannot be written is reported in a box and in the log, and
// leaves whatever stood under the chosen name.
void save_table_text(const Tgrid_model& model, const Tfile_dialog& dialog);
