#include <QApplication>

#include <exception>

#include "platform/widgets/program_start.h"
#include "programs/start/windows/start_program.h"

int main(int argc, char* argv[])
{
    // Built before the application object and gone after it; the settings
    // file belongs to the working folder of this moment.
    Tstart_program program;
    program.preInitialise();
    QApplication application(argc, argv);
    program.applicationMade();
    numbers_in_c_locale();
    try {
        program.createForms();
        application.exec();
        program.shutdown();
    } catch (const std::exception& error) {
        show_exception_box("Calyxo Start", error.what());
    }
    program.destroyForms();
    return 0;
}
