#include "data/setup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>
#include <sys/stat.h>

#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"

namespace {

// Runs the test from a fresh directory, which a setup built then takes as its
// base directory for relative paths.
class Setup_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        char* previous = getcwd(nullptr, 0);
        old_dir = previous ? previous : "";
        std::free(previous);
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        char* now = getcwd(nullptr, 0);
        base = now ? now : "";
        std::free(now);
        recorded::clear_log();
    }
    void TearDown() override { ASSERT_EQ(chdir(old_dir.c_str()), 0); }

    Ttemp_home home;
    Ttemp_dir dir;
    std::string old_dir;
    std::string base;
};

TEST_F(Setup_test, ConstructionGivesTheDefaultDataPaths)
{
    Tsetup setup;
    // The Windows default folders, in their place under $HOME.
    EXPECT_STREQ(setup.getRawPath("PATH_DATA_BIN"), "c:\\vornhal\\data_bin");
    EXPECT_STREQ(setup.getRawPath("PATH_DATA_XML"), "c:\\vornhal\\data_xml");
    EXPECT_EQ(std::string(setup.getPath("PATH_DATA_BIN")), home.path() + "/vornhal/data_bin");
    EXPECT_EQ(std::string(setup.getPath("PATH_DATA_XML")), home.path() + "/vornhal/data_xml");
    EXPECT_STREQ(setup.getPath("PATH_STATUS_LOG"), "");
    EXPECT_STREQ(setup.getPath("PATH_SETUP_LOG"), "");
}

TEST_F(Setup_test, PathsAreResolvedAgainstTheBaseDirectory)
{
    Tsetup setup;
    ASSERT_EQ(setup.readText("<SETUP>"
                             "<PATH_DATA_BIN path=\"\"/>"
                             "<path_data_xml path=\"results\"/>"
                             "<PATH_STATUS_LOG path=\"\"/>"
                             "<PATH_SETUP_LOG path=\"e:\\x\"/>"
                             "</SETUP>"),
              0);
    EXPECT_STREQ(setup.getPath("PATH_DATA_BIN"), (base + "/").c_str());
    EXPECT_STREQ(setup.getPath("path_data_xml"), (base + "/results").c_str());
    EXPECT_STREQ(setup.getRawPath("PATH_DATA_XML"), "results");
    EXPECT_STREQ(setup.getPath("PATH_STATUS_LOG"), "");
    EXPECT_EQ(std::string(setup.getPath("PATH_SETUP_LOG")), home.path() + "/x");
    EXPECT_STREQ(setup.getPath("PATH_OTHER"), "");
    EXPECT_STREQ(setup.getPath(nullptr), "");
    EXPECT_TRUE(recorded::log_contains("PATH_DATA_XML = \"results\""));
    EXPECT_TRUE(recorded::log_contains("PATH_DATA_XML = \"" + base + "/results\""));
}

// A setup file written on Windows: drive paths go under $HOME, backslashes
// of relative paths are separators, and no folder named with a backslash is
// made in the working folder.
TEST_F(Setup_test, WindowsPathsOfASetupFileAreMappedForThisPlatform)
{
    Tsetup setup;
    ASSERT_EQ(setup.readText("<SETUP>"
                             "<PATH_DATA_BIN path=\"c:\\vornhal\\data_bin\"/>"
                             "<PATH_DATA_XML path=\"data\\xml\"/>"
                             "<PATH_STATUS_LOG path=\"C:/vornhal/calyxo_basicstatus_log\"/>"
                             "</SETUP>"),
              0);
    EXPECT_EQ(std::string(setup.getPath("PATH_DATA_BIN")), home.path() + "/vornhal/data_bin");
    EXPECT_EQ(std::string(setup.getPath("PATH_DATA_XML")), base + "/data/xml");
    EXPECT_EQ(std::string(setup.getPath("PATH_STATUS_LOG")), home.path() + "/vornhal/calyxo_basicstatus_log");
    EXPECT_STREQ(setup.getRawPath("PATH_DATA_BIN"), "c:\\vornhal\\data_bin");
    EXPECT_TRUE(recorded::log_contains("PATH_DATA_BIN = \"c:\\vornhal\\data_bin\""));
    EXPECT_TRUE(recorded::log_contains("PATH_DATA_BIN = \"" + home.path() + "/vornhal/data_bin\""));
}

TEST_F(Setup_test, AParseClearsTheDefaultsAndTheLastPathElementWins)
{
    Tsetup setup;
    ASSERT_EQ(setup.readText("<SETUP><STATIONS/>"
                             "<PATH_STATUS_LOG path=\"/a\"/><PATH_STATUS_LOG path=\"/b\"/></SETUP>"),
              0);
    EXPECT_STREQ(setup.getPath("PATH_DATA_BIN"), "");
    EXPECT_STREQ(setup.getPath("PATH_DATA_XML"), "");
    EXPECT_STREQ(setup.getPath("PATH_STATUS_LOG"), "/b");
}

TEST_F(Setup_test, ARelativePathTooLongForItsFieldStaysUnresolved)
{
    const std::string long_path(510, 'p');
    Tsetup setup;
    ASSERT_EQ(setup.readText(("<SETUP><PATH_DATA_XML path=\"" + long_path + "\"/></SETUP>").c_str()), 0);
    EXPECT_EQ(std::string(setup.getRawPath("PATH_DATA_XML")), long_path);
    EXPECT_STREQ(setup.getPath("PATH_DATA_XML"), "");
}

TEST_F(Setup_test, ComportsReadTypeRatePortAndDescription)
{
    Tsetup setup;
    const std::string long_text(80, 'd');
    ASSERT_EQ(setup.readText(("<SETUP><COMPORTS>"
                              "<COMPORT type=\"TCP\" port=\"10.0.0.5:5000\" rate=\"9600\"/>"
                              "<COMPORT type=\"modem\" description=\"" +
                              long_text +
                              "\"/>"
                              "<OTHER/>"
                              "<COMPORT type=\"serial\" rate=\"-1\"/>"
                              "</COMPORTS></SETUP>")
                                 .c_str()),
              0);
    ASSERT_EQ(setup.comports.count(), 3);
    const Tcomport* tcp = setup.comports.at(0);
    EXPECT_EQ(tcp->type, Tcomport::TYPE_TCP);
    EXPECT_STREQ(tcp->getTypeName(), "tcp");
    EXPECT_STREQ(tcp->port, "10.0.0.5:5000");
    EXPECT_EQ(tcp->rate, 9600);
    const Tcomport* modem = setup.comports.at(1);
    EXPECT_EQ(modem->type, Tcomport::TYPE_MODEM);
    EXPECT_EQ(modem->rate, 0);
    EXPECT_EQ(std::string(modem->description), long_text.substr(0, 63));
    EXPECT_EQ(setup.comports.at(2)->type, Tcomport::TYPE_DIRECT);
    EXPECT_EQ(setup.comports.at(2)->rate, -1);
    EXPECT_EQ(setup.comports.at(3), nullptr);
    EXPECT_EQ(setup.comports.at(-1), nullptr);

    Tcomport fresh;
    EXPECT_EQ(fresh.rate, 38400);
    fresh.type = 7;
    EXPECT_STREQ(fresh.getTypeName(), "???");
}

TEST_F(Setup_test, StationsReadTheirFieldsAndCompileTheirConfiguration)
{
    Tsetup setup;
    ASSERT_EQ(setup.readText("<SETUP><STATIONS>"
                             "<STATION id=\"4711\" phone_nbr=\"+41790000000\" pin=\"1234\" description=\"lake\""
                             " display_type=\"fluo\" version=\"KLVR32\">"
                             "<CONFIGURATION value=\"1\"><ACQ_INTERVAL0 value=\"600\"/></CONFIGURATION>"
                             "</STATION>"
                             "<STATION version=\"klvr16\" pin=\"0123456789012345678901234567890123456789\"/>"
                             "</STATIONS></SETUP>"),
              0);
    ASSERT_EQ(setup.stations.count(), 2);
    const Tstation* first = setup.stations.getFirst();
    ASSERT_EQ(first, setup.stations.at(0));
    EXPECT_EQ(first->id, 4711u);
    EXPECT_STREQ(first->phone_nbr, "+41790000000");
    EXPECT_STREQ(first->pin, "1234");
    EXPECT_STREQ(first->description, "lake");
    EXPECT_STREQ(first->display_type, "fluo");
    EXPECT_TRUE(first->layout_32bit);
    EXPECT_TRUE(first->configuration.is32bitLayout());
    EXPECT_EQ(first->configuration.stationId(), 4711u);
    EXPECT_EQ(first->configuration.byteAt(1, 0), 0x85);
    EXPECT_EQ(first->configuration.getPageLength(1), 6u);
    EXPECT_TRUE(recorded::log_contains("INFO  : version 32"));

    const Tstation* second = setup.stations.at(1);
    EXPECT_EQ(second->id, 0u);
    EXPECT_FALSE(second->layout_32bit);
    EXPECT_EQ(std::string(second->pin), std::string("0123456789012345678901234567890123456789").substr(0, 31));
    EXPECT_STREQ(second->phone_nbr, "");
}

TEST_F(Setup_test, FaultyStationsStayListedAndTheirResultsAreOred)
{
    const std::string long_text(250, 'x');
    std::string overflowing;
    for (int i = 0; i < 2; ++i)
        overflowing += "<SMS_NUMBER value=\"" + long_text + "\"/>";
    Tsetup setup;
    const int result = setup.readText(("<SETUP><STATIONS>"
                                       "<STATION id=\"1\"><CONFIGURATION value=\"0\"><sysctrl/></CONFIGURATION></STATION>"
                                       "<STATION id=\"2\"><CONFIGURATION value=\"2\">" +
                                       overflowing +
                                       "</CONFIGURATION></STATION>"
                                       "</STATIONS></SETUP>")
                                          .c_str());
    EXPECT_EQ(result, eeprom_result_error | eeprom_result_overflow);
    EXPECT_EQ(setup.stations.count(), 2);
    EXPECT_TRUE(recorded::log_contains("ERROR : Teeprom_configurer, unknown element \"sysctrl\""));
    EXPECT_TRUE(recorded::log_contains("ERROR : EEPROM configuration Overflow (configuration trop longue)"));
    EXPECT_TRUE(recorded::log_contains("ERROR : Erreur lors de la lecture du fichier de configuration "));
}

// Numbers beyond 32 bits are refused rather than wrapped into another id or
// rate; ids written unsigned up to 2^32 - 1 still read.
TEST_F(Setup_test, IdsAndRatesBeyondThirtyTwoBitsAreRefused)
{
    Tsetup setup;
    const int result = setup.readText(
        "<SETUP><COMPORTS><COMPORT rate=\"4294967296\"/><COMPORT rate=\"-2147483648\"/></COMPORTS><STATIONS>"
        "<STATION id=\"4294967295\"><CONFIGURATION value=\"0\"><STATION_ID/></CONFIGURATION></STATION>"
        "<STATION id=\"4294967296\"><CONFIGURATION value=\"0\"><STATION_ID/></CONFIGURATION></STATION>"
        "<STATION id=\"-1\"/>"
        "</STATIONS></SETUP>");
    EXPECT_EQ(result, eeprom_result_error);
    ASSERT_EQ(setup.comports.count(), 2);
    EXPECT_EQ(setup.comports.at(0)->rate, 0);
    EXPECT_EQ(setup.comports.at(1)->rate, -2147483647 - 1);
    EXPECT_TRUE(recorded::log_contains("ERROR : COMPORT rate=\"4294967296\" is out of range"));
    ASSERT_EQ(setup.stations.count(), 3);
    EXPECT_EQ(setup.stations.at(0)->id, 4294967295u);
    EXPECT_EQ(setup.stations.at(0)->configuration.getPageLength(0), 6u);
    EXPECT_EQ(setup.stations.at(1)->id, 0u);
    EXPECT_EQ(setup.stations.at(1)->configuration.getPageLength(0), 0u);
    EXPECT_TRUE(recorded::log_contains("ERROR : STATION id=\"4294967296\" is out of range"));
    EXPECT_EQ(setup.stations.at(2)->id, 4294967295u);
}

// An id is a whole number or nothing: a text read in part would compile the
// configuration under another station's id.
TEST_F(Setup_test, IdsThatAreNoWholeNumbersAreRefusedAndNamedForTheUpload)
{
    for (const char* id : {"12abc", "0x1F3", "9-00", " 9 0 ", ""}) {
        recorded::clear_log();
        Tsetup setup;
        const std::string text = std::string("<SETUP><STATIONS><STATION id=\"") + id +
                                 "\"><CONFIGURATION value=\"0\"><STATION_ID/></CONFIGURATION></STATION>"
                                 "</STATIONS></SETUP>";
        EXPECT_EQ(setup.readText(text.c_str()), eeprom_result_error) << id;
        ASSERT_EQ(setup.stations.count(), 1);
        EXPECT_EQ(setup.stations.getFirst()->configuration.getPageLength(0), 0u) << id;
        const std::string line = std::string("STATION id=\"") + id + "\" is not a whole number";
        EXPECT_TRUE(recorded::log_contains("ERROR : " + line)) << id;
        EXPECT_EQ(setup.uploadError(), line);
    }
    Tsetup setup;
    EXPECT_EQ(setup.readText("<SETUP><STATIONS><STATION id=\" 12 \"/></STATIONS></SETUP>"), 0);
    EXPECT_EQ(setup.stations.getFirst()->id, 12u);
    EXPECT_STREQ(setup.uploadError(), "");
}

// What an upload says when a file gives it nothing to send: the first error of
// the stations in file order, or that the file holds no station at all.
TEST_F(Setup_test, UploadErrorNamesTheFirstErrorOrTheMissingStation)
{
    Tsetup setup;
    EXPECT_EQ(setup.readText("<SETUP><STATIONS><STATION><CONFIGURATION value=\"0\"><GSM_STEP value=\"1\"/>"
                             "</CONFIGURATION></STATION><STATION><CONFIGURATION value=\"0\">"
                             "<SYSCTRL time_zone=\"300\"/><SYSCTRL address=\"999\"/></CONFIGURATION></STATION>"
                             "</STATIONS></SETUP>"),
              eeprom_result_error);
    EXPECT_STREQ(setup.uploadError(), "Teeprom_configurer, SYSCTRL time_zone=\"300\" is out of range");

    // A measurement file, or any XML with no STATIONS/STATION, keeps its paths
    // for the result viewer but has nothing to upload.
    EXPECT_EQ(setup.readText("<MEASUREMENTS><PATH_DATA_XML path=\"/data\"/><STATION id=\"1\"/></MEASUREMENTS>"), 0);
    EXPECT_EQ(setup.stations.count(), 0);
    EXPECT_STREQ(setup.getPath("PATH_DATA_XML"), "/data");
    EXPECT_STREQ(setup.uploadError(), "the file holds no STATIONS/STATION: it is no setup file");
}

// A file larger than any setup file is refused before it is parsed, and the
// setup keeps what it held; one of the largest size still reads.
TEST_F(Setup_test, AFileLargerThanAnySetupFileIsNotParsed)
{
    const std::string good = dir.file("good.xml");
    ASSERT_TRUE(write_file_bytes(good, "<SETUP><STATIONS><STATION id=\"9\"/></STATIONS></SETUP>"));
    Tsetup setup;
    ASSERT_EQ(setup.readFile(good.c_str()), 0);

    const std::string head = "<SETUP><STATIONS><STATION id=\"7\"/></STATIONS><!--";
    const std::string tail = "--></SETUP>";
    const std::string largest = dir.file("largest.xml");
    ASSERT_TRUE(write_file_bytes(largest, head + std::string(setup_file_max_bytes - head.size() - tail.size(), 'x') + tail));
    EXPECT_EQ(setup.readFile(largest.c_str()), 0);
    EXPECT_EQ(setup.stations.getFirst()->id, 7u);

    ASSERT_TRUE(write_file_bytes(good, "<SETUP><STATIONS><STATION id=\"9\"/></STATIONS></SETUP>"));
    ASSERT_EQ(setup.readFile(good.c_str()), 0);
    recorded::clear_log();
    const std::string larger = dir.file("larger.xml");
    ASSERT_TRUE(write_file_bytes(larger, head + std::string(setup_file_max_bytes + 1 - head.size() - tail.size(), 'x') + tail));
    EXPECT_EQ(setup.readFile(larger.c_str()), eeprom_result_error);
    const std::string reason = "\"" + larger + "\" of 1048577 bytes is larger than a setup file (at most 1048576 bytes)";
    EXPECT_TRUE(recorded::log_contains("ERROR : " + reason));
    EXPECT_FALSE(recorded::log_contains("reading setup file"));
    EXPECT_EQ(setup.uploadError(), reason);
    EXPECT_EQ(setup.stations.getFirst()->id, 9u);
}

// The example a technician starts from compiles every station without a word.
TEST_F(Setup_test, TheExampleSetupCompilesWithoutError)
{
    Tsetup setup;
    EXPECT_EQ(setup.readFile(source_path("examples/setup.xml").c_str()), 0);
    EXPECT_EQ(setup.stations.count(), 2);
    EXPECT_STREQ(setup.uploadError(), "");
    for (const std::string& line : recorded::log_lines())
        EXPECT_NE(line.rfind("ERROR", 0), 0u) << line;
}

TEST_F(Setup_test, ReadFileLogsAndAFailedReadKeepsWhatTheSetupHeld)
{
    const std::string path = dir.file("setup.xml");
    ASSERT_TRUE(write_file_bytes(path, "<SETUP><STATIONS><STATION id=\"9\"/></STATIONS>"
                                       "<COMPORTS><COMPORT/></COMPORTS></SETUP>"));
    Tsetup setup;
    ASSERT_EQ(setup.readFile(path.c_str()), 0);
    EXPECT_TRUE(recorded::log_contains("      : reading setup file \"" + path + "\""));
    ASSERT_EQ(setup.stations.count(), 1);

    const std::string broken = dir.file("broken.xml");
    ASSERT_TRUE(write_file_bytes(broken, "<SETUP><STATIONS>"));
    EXPECT_EQ(setup.readFile(broken.c_str()), 1);
    EXPECT_EQ(setup.readFile(dir.file("missing.xml").c_str()), 1);
    const std::string fifo = dir.file("fifo.xml");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(setup.readFile(fifo.c_str()), 1);
    EXPECT_TRUE(recorded::log_contains("ERROR : unable to read \"" + broken + "\" file correctly"));
    EXPECT_TRUE(recorded::log_contains("ERROR : \"" + broken + "\" is cut at byte 17"));
    EXPECT_TRUE(recorded::log_contains("ERROR : \"" + fifo + "\" is a FIFO, not a regular file"));
    EXPECT_EQ(setup.stations.count(), 1);
    EXPECT_EQ(setup.stations.getFirst()->id, 9u);
    EXPECT_EQ(setup.comports.count(), 1);
    EXPECT_EQ(setup.parse(nullptr), 1);
    EXPECT_EQ(setup.stations.count(), 1);
}

}  // namespace
