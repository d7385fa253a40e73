#pragma once

// calyxo_basic whole, as the tests that run the program itself set it up:
// a work folder of its own that is the start-up folder while a test runs (the
// day log goes under log/ there), a private ports folder, and the program with
// the recording interface forwarded to it. The start-up, closing and
// commands-against-the-logger tests build on it.

#include <gtest/gtest.h>

#include <QListWidget>

#include <unistd.h>

#include <memory>
#include <string>

#include "link/calyxo_master.h"
#include "programs/basic/basic_program.h"
#include "programs/basic/wselstation.h"
#include "tests/basic/basic_test_support.h"
#include "tests/link/link_test_support.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"

class Tbasic_program_fixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensure_basic_application(); }

    void SetUp() override
    {
        ASSERT_EQ(getcwd(previous_dir, sizeof previous_dir), previous_dir);
        ASSERT_EQ(chdir(work.path().c_str()), 0);
        recorded::clear_log();
    }
    void TearDown() override
    {
        forward_program_interface(nullptr, false);
        program.reset();
        ASSERT_EQ(chdir(previous_dir), 0);
    }

    // The program, with its start message forwarded too when with_start_message.
    void makeProgram(bool with_start_message)
    {
        program = std::make_unique<Tbasic_program>();
        forward_program_interface(program.get(), with_start_message);
    }
    // The station chooser lists the private ports (beside a folder with no
    // tty, and /dev); the module's and the master's files go to the work folder.
    void useTestPortsAndWorkFolder()
    {
        program->station_chooser->setPortFolders({ports.path(), no_tty.path(), "/dev"});
        program->module.setParameter("path_bin", work.path().c_str());
        program->master.setParameter("path_xml", work.path().c_str());
    }
    // The next station chooser shown picks the simulated logger's port.
    static void chooseTestPortWhenAsked()
    {
        when_modal([](QWidget* dialog) {
            auto* list = child_of<QListWidget>(dialog, "lb_comports");
            type_text(list, "b");
            type_key(list, Qt::Key_Return);
        });
    }
    bool idleWith(uint8_t link)
    {
        Tcalyxo_master& master = program->master;
        return loop_until([&] { return master.state == Tcalyxo_master::STATE_IDLE && master.getLinkState() == link; });
    }
    // The grabs go under the build folder, not into the work folder.
    void grab(QWidget* window, const char* name)
    {
        ASSERT_EQ(chdir(previous_dir), 0);
        save_grab(window, name);
        ASSERT_EQ(chdir(work.path().c_str()), 0);
    }

    link_test::Tports_folder ports;
    Ttemp_dir work;
    Ttemp_dir no_tty;
    char previous_dir[4096] = {};
    std::unique_ptr<Tbasic_program> program;
};
