#include "link/transaction_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "base/my_string.h"
#include "base/time_calendar.h"
#include "tests/link/json_check.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr unsigned fixed_time = 1700000000;
unsigned fixed_clock()
{
    return fixed_time;
}

const uint8_t test_mac[8] = {0x00, 0x11, 0x22, 0xFF, 0xFE, 0x33, 0x44, 0x55};
const uint8_t test_key[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                              0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};

std::vector<std::string> file_names(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(dir);
    }
    return names;
}

// Every test gets its own home, so the transactions folder is fresh.
class TransactionFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* old_home = std::getenv("HOME"))
            saved_home = old_home;
        setenv("HOME", home.path().c_str(), 1);
        time_set_clock(fixed_clock);
        transaction_reset_counter();
        folder = home.path() + "/vornhal/transactions";
    }
    void TearDown() override
    {
        time_set_clock(nullptr);
        setenv("HOME", saved_home.c_str(), 1);
    }
    void writeConfig(const std::string& text)
    {
        mkdir((home.path() + "/vornhal").c_str(), 0755);
        mkdir(folder.c_str(), 0755);
        ASSERT_TRUE(write_file_bytes(folder + "/__config.txt", text));
    }
    std::string readHost()
    {
        Tmy_string host;
        transaction_read_host(&host);
        return host.c_str();
    }

    Ttemp_dir home;
    std::string saved_home;
    std::string folder;
};

TEST_F(TransactionFileTest, HostComesFromTheFirstHostLineOfTheConfigFile)
{
    EXPECT_EQ(readHost(), "undef");
    struct Tcase {
        const char* config;
        const char* host;
    };
    const Tcase cases[] = {
        {"a=1\nhost=abc\n", "abc"},
        {"HOST=first\r\nhost=second\r\n", "first"},
        {"a=1\nhostname=x\n", "undef"},
        {"host=\n", ""},
    };
    for (const Tcase& c : cases) {
        writeConfig(c.config);
        EXPECT_EQ(readHost(), c.host) << c.config;
    }
    // A FIFO in its place is refused with a line, never waited on.
    const std::string config = folder + "/__config.txt";
    ASSERT_EQ(std::remove(config.c_str()), 0);
    ASSERT_EQ(mkfifo(config.c_str(), 0600), 0);
    EXPECT_EQ(readHost(), "undef");
    EXPECT_TRUE(recorded::log_contains("ERROR : transactions configuration " + config +
                                       " is a FIFO, not a regular file: the host stays undefined"));
}

TEST_F(TransactionFileTest, KeyRecordIsValidJsonWithTheProgrammedValues)
{
    ASSERT_FALSE(transaction_write_key(12, test_mac, test_key, nullptr));
    const std::vector<std::string> names = file_names(folder);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], "undef_12_1700000000_0.trans");

    const std::string text = read_file_bytes(folder + "/" + names[0]);
    EXPECT_EQ(text,
              "{\"transaction\":{\"type\":\"device_SNR_MAC_KEY\",\"timestamp\":\"1700000000\",\"host\":\"undef\","
              "\"content\":{\"SNR\":\"12\",\"MAC\":\"001122FFFE334455\","
              "\"KEY\":\"0123456789ABCDEFFEDCBA9876543210\"}}}");
    Tjson_check json;
    ASSERT_TRUE(json.parse(text)) << text;
    EXPECT_EQ(json.strings["transaction.content.KEY"], "0123456789ABCDEFFEDCBA9876543210");
    EXPECT_EQ(json.strings["transaction.content.MAC"], "001122FFFE334455");
    EXPECT_EQ(json.strings["transaction.content.SNR"], "12");
}

TEST_F(TransactionFileTest, HostIsEscapedInTheJsonAndMadeSafeInTheName)
{
    writeConfig("host=../lab \"7\"\\\x01\xE9x\xC3\xA9\n");
    Tmy_string path;
    ASSERT_FALSE(transaction_write_key(-5, test_mac, test_key, &path));
    const std::vector<std::string> names = file_names(folder);
    ASSERT_EQ(names.size(), 2u);  // __config.txt and the record
    const std::string expected_name = ".._lab__7____x___-5_1700000000_0.trans";
    EXPECT_EQ(std::string(path.c_str()), folder + "/" + expected_name);

    const std::string text = read_file_bytes(folder + "/" + expected_name);
    Tjson_check json;
    ASSERT_TRUE(json.parse(text)) << text;
    // The invalid byte 0xE9 is taken as Latin-1; the valid UTF-8 é stays.
    EXPECT_EQ(json.strings["transaction.host"], "../lab \"7\"\\\x01\\u00e9x\xC3\xA9");
    EXPECT_EQ(json.strings["transaction.content.SNR"], "-5");

    if (std::system("python3 -c 'pass' >/dev/null 2>&1") == 0) {
        const std::string command = "python3 -m json.tool '" + folder + "/" + expected_name + "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << text;
    }
}

TEST_F(TransactionFileTest, CounterAdvancesOnEveryAttemptAndNothingIsOverwritten)
{
    ASSERT_FALSE(transaction_write_file("p_", "one", nullptr));
    ASSERT_FALSE(transaction_write_file("p_", "two", nullptr));
    EXPECT_EQ(read_file_bytes(folder + "/p_1700000000_0.trans"), "one");
    EXPECT_EQ(read_file_bytes(folder + "/p_1700000000_1.trans"), "two");

    // After a restart of the counter the same names come again: the earlier
    // records stay, and the attempt is an error.
    transaction_reset_counter();
    EXPECT_TRUE(transaction_write_file("p_", "three", nullptr));
    EXPECT_TRUE(transaction_write_file("p_", "four", nullptr));
    EXPECT_EQ(read_file_bytes(folder + "/p_1700000000_0.trans"), "one");
    EXPECT_EQ(read_file_bytes(folder + "/p_1700000000_1.trans"), "two");
    ASSERT_FALSE(transaction_write_file("p_", "five", nullptr));
    EXPECT_EQ(read_file_bytes(folder + "/p_1700000000_2.trans"), "five");
}

TEST_F(TransactionFileTest, FolderThatCannotBeMadeIsAnError)
{
    // A plain file where the folder should be.
    ASSERT_TRUE(write_file_bytes(home.path() + "/vornhal", "x"));
    EXPECT_TRUE(transaction_write_key(12, test_mac, test_key, nullptr));
    ASSERT_EQ(std::remove((home.path() + "/vornhal").c_str()), 0);
    // The failed attempt still counted.
    ASSERT_FALSE(transaction_write_key(12, test_mac, test_key, nullptr));
    EXPECT_EQ(file_names(folder), std::vector<std::string>{"undef_12_1700000000_1.trans"});
}

}  // namespace
