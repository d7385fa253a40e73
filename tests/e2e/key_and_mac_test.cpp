// LoRaWAN key and MAC programming through the master against the simulated
// logger: page 7 read and written, the MAC read, and the transaction file.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <vector>

#include "link/transaction_file.h"
#include "tests/e2e/logger_stack_test_base.h"
#include "tests/link/json_check.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr const char* success_line = "SUCCESS : Tcalyxo_master : terminated TERMINATE_SUCCESS";
constexpr const char* error_line = "ERROR : Tcalyxo_master : terminated TERMINATE_ERROR";

// The data of the first record with the tag on a logger page, empty when none.
Bytes page_record(const sim::Eeprom::Page& page, uint8_t tag)
{
    std::size_t at = 0;
    while (at < page.size() && page[at] != 0xFF) {
        const uint8_t record_tag = page[at];
        const std::size_t length = record_tag >= 0x80 ? 4 : page[at + 1];
        const std::size_t data = record_tag >= 0x80 ? at + 1 : at + 2;
        if (record_tag == tag)
            return Bytes(page.begin() + static_cast<long>(data), page.begin() + static_cast<long>(data + length));
        at = data + length;
    }
    return {};
}

class KeyAndMac : public Tlogger_stack_test {
protected:
    void SetUp() override
    {
        if (const char* old_home = std::getenv("HOME"))
            saved_home = old_home;
        setenv("HOME", home.path().c_str(), 1);
        transaction_reset_counter();
        openLink("38400", master);
        master.link_state = Tcalyxo_master::LINK_CONNECTED;
    }
    void TearDown() override { setenv("HOME", saved_home.c_str(), 1); }

    // Runs the programming to its end; the master's termination line.
    std::string program(uint32_t snr, int key_mode)
    {
        recorded::clear_log();
        if (master.start_key_and_mac(snr, key_mode))
            return "refused";
        runUntil([&] { return master.state == 0; });
        for (const char* line : {success_line, error_line})
            if (recorded::log_contains(line))
                return line;
        return "unfinished";
    }

    std::vector<std::string> transactionFiles() const
    {
        std::vector<std::string> names;
        if (DIR* dir = opendir(folder().c_str())) {
            while (dirent* entry = readdir(dir))
                if (std::string(entry->d_name).size() > 6 &&
                    std::string(entry->d_name).find(".trans") != std::string::npos)
                    names.push_back(entry->d_name);
            closedir(dir);
        }
        return names;
    }
    std::string folder() const { return home.path() + "/vornhal/transactions"; }
    sim::Eeprom::Page loggerPage7() const
    {
        return logger.read([](const sim::State& s) { return s.eeprom.page(7); });
    }

    Ttemp_dir home;
    std::string saved_home;
};

TEST_F(KeyAndMac, NewKeysGoToTheLoggerAndIntoAValidTransactionFile)
{
    ASSERT_EQ(program(812, 2), success_line);
    const sim::Eeprom::Page page = loggerPage7();
    const Bytes appkey = page_record(page, 14);
    const Bytes nwkskey = page_record(page, 16);
    ASSERT_EQ(appkey.size(), 16u);
    ASSERT_EQ(nwkskey.size(), 16u);
    EXPECT_EQ(appkey, Bytes(master.key_bytes, master.key_bytes + 16));
    EXPECT_NE(appkey, nwkskey);
    EXPECT_NE(appkey, Bytes(16, 0));
    EXPECT_EQ(page_record(page, 130), (Bytes{0, 0, 0x03, 0x2C}));
    EXPECT_TRUE(recorded::log_contains("APPKEY  CREATED  "));
    EXPECT_TRUE(recorded::log_contains("NWKSKEY CREATED  "));

    const std::vector<std::string> files = transactionFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].rfind("undef_812_", 0), 0u) << files[0];
    const std::string text = read_file_bytes(folder() + "/" + files[0]);
    Tjson_check json;
    ASSERT_TRUE(json.parse(text)) << text;
    EXPECT_EQ(json.strings["transaction.type"], "device_SNR_MAC_KEY");
    EXPECT_EQ(json.strings["transaction.content.KEY"], hex_text(appkey));
    EXPECT_EQ(json.strings["transaction.content.MAC"], "70B3D5FFFE123456");
    EXPECT_EQ(json.strings["transaction.content.SNR"], "812");
}

TEST_F(KeyAndMac, FactoryKeyStaysAndIsRecorded)
{
    const Bytes factory = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE, 1, 2, 3, 4, 5, 6, 7, 8};
    Bytes page;
    page.reserve(factory.size() + 3);
    page.push_back(14);
    page.push_back(16);
    for (uint8_t b : factory)
        page.push_back(b);
    page.push_back(0xFF);
    logger.update([&](sim::State& s) { s.eeprom.setPage(7, page); });
    ASSERT_EQ(program(0, 1), success_line);
    EXPECT_EQ(page_record(loggerPage7(), 14), factory);
    EXPECT_TRUE(recorded::log_contains("APPKEY  FACTORY  "));
    const std::vector<std::string> files = transactionFiles();
    ASSERT_EQ(files.size(), 1u);
    Tjson_check json;
    ASSERT_TRUE(json.parse(read_file_bytes(folder() + "/" + files[0])));
    EXPECT_EQ(json.strings["transaction.content.KEY"], hex_text(factory));
    EXPECT_EQ(json.strings["transaction.content.SNR"], "0");
}

TEST_F(KeyAndMac, NoMacNoKeyOrNoTransactionFileIsAnError)
{
    struct Tcase {
        const char* what;
        std::string mac_text;
        int key_mode;
        bool block_folder;
        const char* log;
    };
    const Tcase cases[] = {
        {"MAC text of another length", "70-B3-D5-12-34", 1, false, "ERROR : no MAC address read from the logger"},
        {"no key on the logger", "70-B3-D5-12-34-56", 0, false, "ERROR : the logger holds no key"},
        {"transactions folder blocked", "70-B3-D5-12-34-56", 1, true, "ERROR : transaction file \""},
    };
    for (const Tcase& c : cases) {
        logger.update([&](sim::State& s) {
            s.eeprom.erase();
            s.parameters[162] = Bytes(c.mac_text.begin(), c.mac_text.end());
        });
        if (c.block_folder) {
            ASSERT_TRUE(write_file_bytes(home.path() + "/vornhal", "not a folder"));
        }
        EXPECT_EQ(program(5, c.key_mode), error_line) << c.what;
        EXPECT_TRUE(recorded::log_contains(c.log)) << c.what;
        EXPECT_TRUE(transactionFiles().empty()) << c.what;
    }
}

}  // namespace
