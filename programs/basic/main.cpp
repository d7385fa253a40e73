#include <QApplication>

#include <memory>

#include "platform/widgets/program_start.h"
#include "programs/basic/basic_program.h"

int main(int argc, char* argv[])
{
    // Built before the application object and gone after it.
    Tbasic_program program;
    std::unique_ptr<QApplication> application;
    run_showing_exceptions("Calyxo Basic", [&] {
        program.preInitialise();
        application = std::make_unique<QApplication>(argc, argv);
        program.applicationMade();
        numbers_in_c_locale();
        program.createForms();
        application->exec();
        program.shutdown();
    });
    // The windows go while the application object still exists.
    program.destroyForms();
    return 0;
}
