// calyxo_basic's side of the program interface: every call goes to the
// running program (programs/basic/basic_program.h).
#include "base/program_interface.h"
#include "programs/basic/basic_program.h"

void log_output(const char* line)
{
    if (Tbasic_program* program = Tbasic_program::running())
        program->logOutput(line);
}

void gui_set(int id, const char* text)
{
    if (Tbasic_program* program = Tbasic_program::running())
        program->guiSet(id, text);
}

void on_application_ready()
{
    if (Tbasic_program* program = Tbasic_program::running())
        program->onApplicationReady();
}
