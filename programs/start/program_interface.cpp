// calyxo_start's side of the program interface: every call goes to the
// running program (programs/start/windows/start_program.h).
#include "base/program_interface.h"
#include "programs/start/windows/start_program.h"
#include "programs/start/windows/start_program_interface.h"

void log_output(const char* line)
{
    if (Tstart_program* program = Tstart_program::running())
        program->logOutput(line);
}

void gui_set(int id, const char* text)
{
    if (Tstart_program* program = Tstart_program::running())
        program->guiSet(id, text);
}

void on_application_ready()
{
    if (Tstart_program* program = Tstart_program::running())
        program->onApplicationReady();
}

const char* gui_get(int id)
{
    Tstart_program* program = Tstart_program::running();
    return program ? program->guiGet(id) : "";
}

void log_select_output(int channel)
{
    if (Tstart_program* program = Tstart_program::running())
        program->selectOutput(channel);
}

void log_clear_output()
{
    if (Tstart_program* program = Tstart_program::running())
        program->clearOutput();
}
