#include <QApplication>

#include <exception>

#include "platform/widgets/program_start.h"
#include "programs/basic/basic_program.h"

int main(int argc, char* argv[])
{
    // Built before the application object and gone after it.
    Tbasic_program program;
    program.preInitialise();
    QApplication application(argc, argv);
    numbers_in_c_locale();
    try {
        program.createForms();
        application.exec();
        program.shutdown();
    } catch (const std::exception& error) {
        show_exception_box("Calyxo Basic", error.what());
    }
    // The windows go while the application object still exists.
    program.destroyForms();
    return 0;
}
