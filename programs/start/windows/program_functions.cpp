// The program functions that calyxo_start's windows call, forwarded to the
// running program; the GUI tests link them as well.
#include "programs/start/windows/start_program.h"
#include "programs/start/windows/start_program_interface.h"

void gui_action(int code)
{
    if (Tstart_program* program = Tstart_program::running())
        program->guiAction(code);
}

int gui_get_int(int id)
{
    Tstart_program* program = Tstart_program::running();
    return program ? program->guiGetInt(id) : -1;
}
