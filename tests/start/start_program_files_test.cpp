// calyxo_start's own files when they cannot be written: the settings file at
// a save and the day log are said in the main log window (and a box for the
// settings), never lost without a word.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "base/log.h"
#include "base/paths.h"
#include "platform/widgets/recording_dialogs.h"
#include "programs/start/globals.h"
#include "programs/start/windows/fframe.h"
#include "programs/start/windows/start_program.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/ui_application.h"
#include "tests/ui/window_grab.h"

namespace {

Tstart_program* running = nullptr;

void forward_log(const char* line)
{
    running->logOutput(line);
}

class StartProgramFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensure_ui_application(); }
    void SetUp() override
    {
        ASSERT_EQ(getcwd(previous_dir, sizeof previous_dir), previous_dir);
        ASSERT_EQ(chdir(work.path().c_str()), 0);
    }
    void TearDown() override
    {
        recorded::set_log_forward(nullptr);
        program.reset();
        running = nullptr;
        ASSERT_EQ(chdir(previous_dir), 0);
    }

    // The program as its main function starts it in the work folder, with
    // the data folder given in place of the settings file's (whose default
    // lies under $HOME).
    void start(const std::string& data_folder)
    {
        program = std::make_unique<Tstart_program>();
        running = program.get();
        recorded::set_log_forward(forward_log);
        program->globals.load(settings_file_name);
        program->globals.data_dir.assign(data_folder.c_str());
        program->day_log.setDirectory(data_folder.c_str());
        program->createForms();
    }
    std::string mainLog() const
    {
        return program->frame->findChild<QPlainTextEdit*>("Memo0")->toPlainText().toStdString();
    }
    void save() { program->frame->findChild<QPushButton*>("bt_com_save")->click(); }

    Ttemp_dir work;
    char previous_dir[4096] = {};
    Trecording_dialogs dialogs;
    std::unique_ptr<Tstart_program> program;
};

TEST_F(StartProgramFiles, SettingsThatCannotBeSavedAreSaidInTheLogAndABox)
{
    // calyxo_start.cfg is a folder: the save at exit, and the Save button.
    ASSERT_EQ(mkdir(work.file("calyxo_start.cfg").c_str(), 0700), 0);
    start(work.file("data"));
    const std::string said = "The settings could not be saved to " + work.file("calyxo_start.cfg") +
                             ": Is a directory. They are lost when the program ends.";
    save();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, said);
    EXPECT_EQ(dialogs.boxes[0].icon, Tbox_icon::error);
    EXPECT_NE(mainLog().find("ERROR : " + said), std::string::npos) << mainLog();
    program->frame->resize(1085, 685);
    expect_grab(program->frame, "start_settings_not_saved");
    program->shutdown();
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, said);
    struct stat info;
    ASSERT_EQ(stat(work.file("calyxo_start.cfg").c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
}

TEST_F(StartProgramFiles, SettingsOnAFullDiskAreSaidAndTheFileKept)
{
    const std::string before = "TYPE=2\rttimezone 3\r";
    ASSERT_TRUE(write_file_bytes(work.file("calyxo_start.cfg"), before));
    start(work.file("data"));
    program->globals.ttimezone = 5;
    {
        Tfile_size_limit full(0);
        ASSERT_TRUE(full.applied());
        save();
    }
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "The settings could not be saved to " + work.file("calyxo_start.cfg") +
                                         ": File too large. They are lost when the program ends.");
    EXPECT_EQ(read_file_bytes(work.file("calyxo_start.cfg")), before);
    // Room again: saved, and nothing more said.
    dialogs.boxes.clear();
    save();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_NE(read_file_bytes(work.file("calyxo_start.cfg")).find("\rttimezone"), std::string::npos);
}

TEST_F(StartProgramFiles, ADataFolderThatIsAFileIsSaidOnceWithWhereTheDayLogGoes)
{
    ASSERT_TRUE(write_file_bytes(work.file("data"), "a file where the data folder goes"));
    start(work.file("data"));
    log_printf("INFO  : first line");
    log_printf("INFO  : second line");
    const std::string warning = "WARNING : the day log cannot go to " + work.file("data") +
                                "/log (the folder cannot be made): it goes to " + work.path() + "/log";
    const std::string shown = mainLog();
    const std::size_t at = shown.find(warning);
    ASSERT_NE(at, std::string::npos) << shown;
    EXPECT_EQ(shown.find(warning, at + 1), std::string::npos) << shown;
    EXPECT_NE(shown.find("INFO  : second line"), std::string::npos);
    program->frame->resize(1085, 685);
    expect_grab(program->frame, "start_day_log_warning");
}

TEST_F(StartProgramFiles, ADayLogThatCannotBeWrittenIsSaidOnce)
{
    ASSERT_TRUE(make_dir_path(work.file("data").c_str()) == false);
    start(work.file("data"));
    {
        // The disk is full from the first line on.
        Tfile_size_limit full(0);
        ASSERT_TRUE(full.applied());
        log_printf("INFO  : first line");
        log_printf("INFO  : second line");
    }
    const std::string shown = mainLog();
    const std::string warning = "WARNING : the day log " + work.file("data/log/");
    const std::size_t at = shown.find(warning);
    ASSERT_NE(at, std::string::npos) << shown;
    EXPECT_NE(shown.find(".log cannot be written (File too large): log lines stay in this window only", at),
              std::string::npos)
        << shown;
    EXPECT_EQ(shown.find(warning, at + 1), std::string::npos) << shown;
}

}  // namespace
