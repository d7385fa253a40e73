// calyxo_start's settings file: lines ended by CR (LF and CR LF read too), names and \HH-escaped
// values, entries of other names kept in their place, defaults for what is
// missing or damaged.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "programs/start/globals.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"

namespace {

const std::string default_file =
    "TYPE=2\r"
    "last_connect_device_id 0\r"
    "autonnect 0\r"
    "ttimezone 0\r"
    "mode XXXXXX_mode_undefined\r"
    "display_mode \r"
    "data_dir c\\3A\\5Cvornhal\\5Ccalyxo_start\r";

class Settings : public ::testing::Test {
protected:
    // Built while the working directory is the test's folder, as the program
    // builds its globals at start; the directory is put back afterwards.
    std::unique_ptr<Tglobals> loaded()
    {
        char* previous = getcwd(nullptr, 0);
        EXPECT_EQ(chdir(folder.path().c_str()), 0);
        auto globals = std::make_unique<Tglobals>();
        EXPECT_EQ(chdir(previous), 0);
        std::free(previous);
        globals->load(settings_file_name);
        return globals;
    }
    std::unique_ptr<Tglobals> loadedFrom(const std::string& bytes)
    {
        EXPECT_TRUE(write_file_bytes(file(), bytes));
        return loaded();
    }
    std::string file() const { return folder.file(settings_file_name); }
    std::string onDisk() const { return read_file_bytes(file()); }

    Ttemp_dir folder;  // outlives the globals, whose end writes the file once more
};

TEST_F(Settings, AMissingFileGivesTheDefaultsAndTheFirstSaveWritesThem)
{
    auto globals = loaded();
    EXPECT_EQ(std::string(globals->settings.fileName()), file());
    EXPECT_EQ(globals->last_connect_device_id, 0);
    EXPECT_EQ(globals->ttimezone, 0);
    EXPECT_EQ(globals->autonnect, 0);
    EXPECT_EQ(globals->mode, MODE_UNDEFINED);
    EXPECT_STREQ(globals->display_mode.c_str(), "");
    EXPECT_STREQ(globals->data_dir.c_str(), "c:\\vornhal\\calyxo_start");
    EXPECT_EQ(access(file().c_str(), F_OK), -1);

    ASSERT_FALSE(globals->save());
    EXPECT_EQ(onDisk(), default_file);
    globals.reset();
    EXPECT_EQ(onDisk(), default_file);
}

TEST_F(Settings, AFileIsReadAndWrittenBackByteForByte)
{
    const std::string bytes =
        "TYPE=2\r"
        "data_dir \\2Fsrv\\2Fcalyxo\\20data\r"
        "Mode VEXL\r"
        "probe_serial 4711\r"
        "last_connect_device_id 3\r"
        "ttimezone \\2D3\r"
        "autonnect 1\r"
        "display_mode KLVR_VEXL_COM\r"
        "ttimezone 7\r"
        "window_position 10\\2C20\r"
        "note \r";
    auto globals = loadedFrom(bytes);
    EXPECT_STREQ(globals->data_dir.c_str(), "/srv/calyxo data");
    EXPECT_EQ(globals->mode, MODE_VEXL);
    EXPECT_EQ(globals->last_connect_device_id, 3);
    EXPECT_EQ(globals->ttimezone, -3);  // the first of two lines counts
    EXPECT_EQ(globals->autonnect, 1);
    EXPECT_STREQ(globals->display_mode.c_str(), "KLVR_VEXL_COM");
    EXPECT_STREQ(globals->settings.getText("window_position", nullptr, nullptr), "10,20");
    EXPECT_EQ(globals->settings.count(), 10);

    ASSERT_FALSE(globals->save());
    EXPECT_EQ(onDisk(), bytes);
    globals.reset();
    EXPECT_EQ(onDisk(), bytes);
}

TEST_F(Settings, AKeyOfAnotherSpellingKeepsItsPlaceAndTheMissingOnesFollow)
{
    auto globals = loadedFrom("TYPE=2\rttimezone \\2D3\rMode KLVR\r");
    EXPECT_EQ(globals->ttimezone, -3);
    EXPECT_EQ(globals->mode, MODE_KLVR);
    globals->autonnect = 1;
    globals->last_connect_device_id = 12;
    ASSERT_FALSE(globals->save());
    EXPECT_EQ(onDisk(),
              "TYPE=2\r"
              "ttimezone \\2D3\r"
              "Mode KLVR\r"
              "last_connect_device_id 12\r"
              "autonnect 1\r"
              "display_mode \r"
              "data_dir c\\3A\\5Cvornhal\\5Ccalyxo_start\r");
}

TEST_F(Settings, ValuesAreEscapedAsBackslashAndTwoHexDigitsAndDecodedBack)
{
    struct {
        std::string value;
        std::string in_file;
    } const cases[] = {
        {"a_b9Z", "a_b9Z"},
        {"a b", "a\\20b"},
        {"c:\\vornhal\\calyxo_start", "c\\3A\\5Cvornhal\\5Ccalyxo_start"},
        {"\xC3\xA9t\xC3\xA9", "\\C3\\A9t\\C3\\A9"},
        {"-3", "\\2D3"},
        {"100%\t\x7F", "100\\25\\09\\7F"},
    };
    for (const auto& c : cases) {
        auto globals = loaded();
        globals->data_dir.assign(c.value.c_str());
        ASSERT_FALSE(globals->save());
        globals.reset();
        EXPECT_NE(onDisk().find("\rdata_dir " + c.in_file + "\r"), std::string::npos) << c.in_file;
        EXPECT_STREQ(loaded()->data_dir.c_str(), c.value.c_str()) << c.in_file;
    }

    // Every byte but NUL goes out as a letter, a digit, "_" or an escape, and comes back.
    std::string all;
    for (int byte = 1; byte < 256; ++byte)
        all += static_cast<char>(byte);
    {
        auto globals = loaded();
        globals->display_mode.assign(all.c_str());
        ASSERT_FALSE(globals->save());
    }
    const std::string text = onDisk();
    for (char c : text)
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '\\' || c == ' ' || c == '\r' ||
                    c == '=')
            << int(c);
    EXPECT_EQ(std::string(loaded()->display_mode.c_str()), all);

    // Lower-case digits read too, a character that is no hex digit counts as 0,
    // and an escape cut short by the line end is dropped.
    auto globals = loadedFrom("TYPE=2\rdata_dir x\\3ay\\5c\rdisplay_mode A\\G1\rmode VEXL\\2\r");
    EXPECT_STREQ(globals->data_dir.c_str(), "x:y\\");
    EXPECT_STREQ(globals->display_mode.c_str(), "A\x01");
    EXPECT_EQ(globals->mode, MODE_VEXL);
}

TEST_F(Settings, ADamagedFileGivesTheDefaultsOfWhatItLacks)
{
    struct {
        const char* what;
        std::string bytes;
        int ttimezone, autonnect;
        uint8_t mode;
        const char* data_dir;
    } const cases[] = {
        {"CR LF line ends", "TYPE=2\r\nttimezone 5\r\nautonnect 1\r\nmode KLVR\r\n", 5, 1, MODE_KLVR, default_data_dir},
        {"LF line ends", "TYPE=2\nttimezone 5\nautonnect 1\nmode KLVR\n", 5, 1, MODE_KLVR, default_data_dir},
        {"no CR at all", std::string("\x01\xFF") + '\0' + "garbage ttimezone 5\nmode KLVR", 0, 0, MODE_KLVR,
         default_data_dir},
        {"last line without CR", "TYPE=2\rautonnect 1\rttimezone 5", 5, 1, MODE_UNDEFINED, default_data_dir},
        {"a file without its type line starts with an entry", "ttimezone 5\rautonnect 1\r", 5, 1, MODE_UNDEFINED,
         default_data_dir},
        {"numbers beyond an int take the default",
         "TYPE=2\rttimezone 99999999999\rautonnect \2D2147483649\rlast_connect_device_id 4294967296\r", 0, 0,
         MODE_UNDEFINED, default_data_dir},
        {"numbers with trailing text", "TYPE=2\rttimezone 12abc\rautonnect x\r", 12, 0, MODE_UNDEFINED,
         default_data_dir},
        {"a value ending in a space is empty", "TYPE=2\rdata_dir some dir \rmode KLVR \r", 0, 0, MODE_UNDEFINED,
         default_data_dir},
        {"a line without a value", "TYPE=2\rmode\rdata_dir\r", 0, 0, MODE_UNDEFINED, default_data_dir},
        {"empty lines and a leading space", "TYPE=2\r\r\r ttimezone 4\r", 0, 0, MODE_UNDEFINED, default_data_dir},
        {"spaces inside a value are dropped", "TYPE=2\rdata_dir a b  c\rmode K L V R\r", 0, 0, MODE_KLVR, "abc"},
        {"a NUL inside a value", std::string("TYPE=2\rautonnect 1") + '\0' + "\rttimezone 2\r", 2, 1,
         MODE_UNDEFINED, default_data_dir},
        {"an unknown mode", "TYPE=2\rmode other\r", 0, 0, MODE_UNDEFINED, default_data_dir},
        {"a mode in lower case", "TYPE=2\rmode vexl\r", 0, 0, MODE_VEXL, default_data_dir},
    };
    for (const auto& c : cases) {
        auto globals = loadedFrom(c.bytes);
        EXPECT_EQ(globals->ttimezone, c.ttimezone) << c.what;
        EXPECT_EQ(globals->autonnect, c.autonnect) << c.what;
        EXPECT_EQ(globals->mode, c.mode) << c.what;
        EXPECT_STREQ(globals->data_dir.c_str(), c.data_dir) << c.what;
        // What it holds is saved and read again as it was, whatever the damage left.
        globals->ttimezone = -7;
        EXPECT_FALSE(globals->save()) << c.what;
        auto again = loaded();
        EXPECT_EQ(again->ttimezone, -7) << c.what;
        EXPECT_EQ(again->autonnect, c.autonnect) << c.what;
        EXPECT_EQ(again->mode, c.mode) << c.what;
        EXPECT_STREQ(again->data_dir.c_str(), c.data_dir) << c.what;
    }
}

// Files edited elsewhere keep every setting at the next save, each entry once,
// in its place, written with CR line ends; unknown entries go back as read.
TEST_F(Settings, DamagedFilesKeepEverySettingAtTheNextSave)
{
    const std::string tail = "display_mode \rdata_dir c\\3A\\5Cvornhal\\5Ccalyxo_start\r";
    struct {
        const char* what;
        std::string bytes;
        std::string saved;
    } const cases[] = {
        {"CR LF line ends", "TYPE=2\r\nttimezone 5\r\nautonnect 1\r\nmode KLVR\r\nwin-pos 1\\2C2\r\n",
         "TYPE=2\rttimezone 5\rautonnect 1\rmode KLVR\rwin-pos 1\\2C2\rlast_connect_device_id 0\r" + tail},
        {"no type line", "ttimezone 5\rmode VEXL\r",
         "TYPE=2\rttimezone 5\rmode VEXL\rlast_connect_device_id 0\rautonnect 0\r" + tail},
        {"last line without CR", "TYPE=2\rmode KLVR\rttimezone 5",
         "TYPE=2\rmode KLVR\rttimezone 5\rlast_connect_device_id 0\rautonnect 0\r" + tail},
        {"a number beyond an int", "TYPE=2\rttimezone 4294967297\rmode KLVR\r",
         "TYPE=2\rttimezone 0\rmode KLVR\rlast_connect_device_id 0\rautonnect 0\r" + tail},
    };
    for (const auto& c : cases) {
        auto globals = loadedFrom(c.bytes);
        ASSERT_FALSE(globals->save()) << c.what;
        EXPECT_EQ(onDisk(), c.saved) << c.what;
    }
}

// An empty data folder is the default one, in memory and in the file.
TEST_F(Settings, AnEmptyDataFolderFallsBackToTheDefault)
{
    auto globals = loadedFrom("TYPE=2\rdata_dir \rmode KLVR\r");
    EXPECT_STREQ(globals->data_dir.c_str(), default_data_dir);
    Tmy_string data_folder;
    globals->dataFolder(&data_folder);
    EXPECT_EQ(std::string(data_folder.c_str()), std::string(std::getenv("HOME")) + "/vornhal/calyxo_start");
    ASSERT_FALSE(globals->save());
    EXPECT_NE(onDisk().find("\rdata_dir c\\3A\\5Cvornhal\\5Ccalyxo_start\r"), std::string::npos) << onDisk();
    EXPECT_STREQ(loaded()->data_dir.c_str(), default_data_dir);
}

TEST_F(Settings, AFileThatCannotBeWrittenKeepsWhatIsOnDisk)
{
    const std::string bytes = "TYPE=2\rttimezone 4\r";
    auto globals = loadedFrom(bytes);
    const std::string beside = file() + ".new";
    ASSERT_EQ(mkdir(beside.c_str(), 0700), 0);  // the new file cannot be made
    globals->ttimezone = 6;
    EXPECT_TRUE(globals->save());
    EXPECT_EQ(globals->ttimezone, 6);
    EXPECT_EQ(onDisk(), bytes);
    ASSERT_EQ(rmdir(beside.c_str()), 0);

    // A folder in the file's place: read as no settings, and never replaced.
    ASSERT_EQ(std::remove(file().c_str()), 0);
    ASSERT_EQ(mkdir(file().c_str(), 0700), 0);
    auto in_folder = loaded();
    EXPECT_EQ(in_folder->ttimezone, 0);
    EXPECT_TRUE(in_folder->save());
    struct stat info {};
    ASSERT_EQ(stat(file().c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(access(beside.c_str(), F_OK), -1);
}

// A FIFO in the file's place would block the start before any window: it is
// refused with a line and the defaults are used.
TEST_F(Settings, AFifoInTheFilesPlaceIsRefusedAtOnceWithTheDefaults)
{
    ASSERT_EQ(mkfifo(file().c_str(), 0600), 0);
    recorded::clear_log();
    auto globals = loaded();
    EXPECT_EQ(globals->ttimezone, 0);
    EXPECT_EQ(globals->mode, MODE_UNDEFINED);
    EXPECT_EQ(globals->settings.count(), 0);
    EXPECT_TRUE(recorded::log_contains("ERROR : settings file " + file() +
                                       " is a FIFO, not a regular file: the default settings are used"));
}

TEST_F(Settings, NamesAreFoundInAnyCaseAndNewOnesWrittenInLowerCase)
{
    auto globals = loadedFrom("TYPE=2\rmode KLVR\r");
    int found = 0;
    EXPECT_STREQ(globals->settings.getText("MODE", "x", &found), "KLVR");
    EXPECT_EQ(found, 1);
    EXPECT_STREQ(globals->settings.getText("absent", "x", &found), "x");
    EXPECT_EQ(found, 0);
    EXPECT_STREQ(globals->settings.getText("absent", nullptr, nullptr), "");
    EXPECT_EQ(globals->settings.getInt("absent", 17), 17);

    globals->settings.setText("Probe_Serial", "12");
    globals->settings.setText("PROBE_serial", "13");  // the same entry
    globals->settings.setText("win-pos", "1");        // only letters, digits and "_" stay in a name
    globals->mode = mode_from_name("other");
    ASSERT_FALSE(globals->save());
    EXPECT_EQ(onDisk(),
              "TYPE=2\rmode XXXXXX_mode_undefined\rprobe_serial 13\rwinpos 1\rlast_connect_device_id 0\r"
              "autonnect 0\rttimezone 0\rdisplay_mode \rdata_dir c\\3A\\5Cvornhal\\5Ccalyxo_start\r");
}

TEST_F(Settings, TheEndWritesTheEntriesAsTheyStandNotTheFields)
{
    const std::string bytes = "TYPE=2\rttimezone 4\r";
    auto globals = loadedFrom(bytes);
    globals->ttimezone = 9;  // not saved
    globals.reset();
    EXPECT_EQ(onDisk(), bytes);

    globals = loaded();
    globals->settings.setInt("autonnect", 1);
    globals.reset();
    EXPECT_EQ(onDisk(), bytes + "autonnect 1\r");
}

TEST(ConnectionMode, NamesAndNumbers)
{
    EXPECT_STREQ(mode_name(MODE_VEXL), "VEXL");
    EXPECT_STREQ(mode_name(MODE_KLVR), "KLVR");
    EXPECT_STREQ(mode_name(MODE_UNDEFINED), "XXXXXX_mode_undefined");
    EXPECT_STREQ(mode_name(7), "XXXXXX_mode_undefined");
    struct {
        const char* name;
        uint8_t mode;
    } const cases[] = {{"KLVR", MODE_KLVR}, {"klvr", MODE_KLVR}, {"Vexl", MODE_VEXL}, {"VEXL ", MODE_UNDEFINED},
                       {"", MODE_UNDEFINED},   {nullptr, MODE_UNDEFINED}, {"E_mode_undefined", MODE_UNDEFINED}};
    for (const auto& c : cases)
        EXPECT_EQ(mode_from_name(c.name), c.mode) << (c.name ? c.name : "null");
}

}  // namespace

TEST_F(Settings, TheDataFolderFollowsThePlatformRuleAndTheFileKeepsTheWindowsForm)
{
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    auto globals = loaded();
    Tmy_string data_folder;
    globals->dataFolder(&data_folder);
    EXPECT_EQ(std::string(data_folder.c_str()), std::string(home) + "/vornhal/calyxo_start");
    EXPECT_STREQ(globals->data_dir.c_str(), "c:\\vornhal\\calyxo_start");

    globals->data_dir.assign("/srv/flows");
    globals->dataFolder(&data_folder);
    EXPECT_STREQ(data_folder.c_str(), "/srv/flows");  // a data_folder of this system stays as it is
}
