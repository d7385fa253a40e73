// Flash download and probe health through the master against the simulated
// logger: the download file (header and raw bytes), its measurement XML, frames
// lost on the line, the slow 'Q' path, a cancel in the middle, and the
// logger's acquisition and NEXT_DOWNLOAD_ADDRESS afterwards. The download
// manager's waits run on the virtual clock, which the tests move on.
#include <cstdio>
#include <functional>

#include "base/paths.h"
#include "base/time_calendar.h"
#include "data/xml_parser.h"
#include "link/download_manager.h"
#include "tests/e2e/operations_fixture.h"
#include "tools/logger_sim/flash_records.h"

namespace {

using operations_test::master_cancelled;
using operations_test::master_error;
using operations_test::master_success;
using operations_test::Operations;

const sim::Command btp_start{sim::port::btp, sim::btp::start};
const sim::Command btp_stop{sim::port::btp, sim::btp::stop};
const sim::Command mms_range{sim::port::gtp, sim::gtp::mms_range};
const sim::Command control{sim::port::gtp, sim::gtp::control};

constexpr uint32_t first_time = 1700000000;
constexpr unsigned acquisitions = 100;
constexpr uint32_t station = 812;
constexpr uint32_t download_time = 1700003600;

unsigned fixed_clock()
{
    return download_time;
}

class FlashDownload : public Operations {
protected:
    void SetUp() override
    {
        Operations::SetUp();
        time_set_clock(fixed_clock);
        for (unsigned i = 0; i < acquisitions; ++i) {
            const sim::Bytes records = sim::acquisition_records(first_time + 600 * i, station);
            if (i == skipped_acquisitions)
                start_of_new = static_cast<uint32_t>(flash.size());
            flash.insert(flash.end(), records.begin(), records.end());
        }
        logger.update([this](sim::State& s) {
            s.flash = flash;
            s.variables[sim::var::next_download_address] = start_of_new;
        });
        module.setParameter("path_bin", bin.path().c_str());
        master.setParameter("path_xml", xml.path().c_str());
    }

    void TearDown() override { time_set_clock(nullptr); }

    // Runs the operation to the master's end line: whenever the line has been
    // quiet for a moment the virtual clock moves on by 100 ms, and every tenth
    // step gives the one-second tick. at_step may act in the middle.
    std::string runToEnd(const std::function<void()>& at_step = {})
    {
        const int before = ends();
        for (int step = 0; step < 6000 && ends() == before; ++step) {
            if (pump.window.pumpUntil([&] { return ends() > before; }, 20))
                break;
            if (at_step)
                at_step();
            pump.window.advance(100);
            if (step % 10 == 9)
                master.On_1Hz();
        }
        for (const std::string& line : recorded::log_lines())
            if (line.find("Tcalyxo_master : terminated") != std::string::npos)
                last_end = line;
        return ends() > before ? last_end : "";
    }

    // The lines appear in the log in this order (others may come between).
    static void expectLogInOrder(const std::vector<std::string>& expected)
    {
        const std::vector<std::string> lines = recorded::log_lines();
        std::size_t at = 0;
        for (const std::string& line : lines)
            if (at < expected.size() && line == expected[at])
                ++at;
        std::string all;
        for (const std::string& line : lines)
            all += line + "\n";
        ASSERT_EQ(at, expected.size()) << "missing or out of order: \"" << expected[at] << "\" in\n" << all;
    }

    static std::string header(uint32_t address, uint32_t size, const std::string& status)
    {
        return "<DOWNLOAD timestamp=\"" + std::to_string(download_time) + "\" station_id=\"" +
               std::to_string(station) + "\" download_address=\"" + std::to_string(address) +
               "\" download_size=\"" + std::to_string(size) + "\" status=\"" + status +
               "\" next_download_address=\"" + std::to_string(address + size) + "\"/>";
    }

    // The status text that the download's own variable reads leave: the
    // station id (82), NEXT_DOWNLOAD_ADDRESS (8E), MMS_PT (8C), as they apply.
    static std::string status(const std::vector<std::pair<const char*, uint32_t>>& reads)
    {
        std::string text;
        char hex[9];
        for (const auto& read : reads) {
            std::snprintf(hex, sizeof hex, "%08X", read.second);
            text += std::string(read.first) + hex;
        }
        return text;
    }

    std::string flashText(uint32_t address, uint32_t size) const
    {
        return std::string(flash.begin() + address, flash.begin() + address + size);
    }

    // "/download_<station>_<local standard time>.bin"
    static std::string downloadName()
    {
        time_fields t{};
        time_to_local_fields(&t, download_time, true);
        char name[64];
        std::snprintf(name, sizeof name, "/download_%08u_%04d%02d%02d%02d%02d%02d.bin", station, t.year, t.month,
                      t.day, t.hour, t.minute, t.second);
        return name;
    }

    std::string downloadFile() const { return read_file_bytes(module.download_file_name); }

    // The download file is the header and then these bytes; said in short when not.
    void expectDownloadFile(const std::string& head, const std::string& bytes) const
    {
        const std::string file = downloadFile();
        ASSERT_EQ(file.substr(0, head.size()), head);
        EXPECT_EQ(file.size(), head.size() + bytes.size());
        EXPECT_TRUE(file.compare(head.size(), std::string::npos, bytes) == 0) << "the raw bytes differ";
    }

    Ttemp_dir bin;
    Ttemp_dir xml;
    sim::Bytes flash;
    static constexpr unsigned skipped_acquisitions = 10;
    uint32_t start_of_new = 0;
};

TEST_F(FlashDownload, AnIncrementalDownloadSavesTheNewRecordsAndConvertsThem)
{
    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd(), master_success);

    const uint32_t size = static_cast<uint32_t>(flash.size()) - start_of_new;
    const std::vector<std::string> expected_log{
        "INFO  : (@830) Starting download " + std::to_string(size) + " bytes from " + std::to_string(start_of_new),
        "INFO    : download done",
        master_success,
    };
    EXPECT_EQ(recorded::log_lines(), expected_log);
    const std::string name = downloadName();
    EXPECT_EQ(std::string(module.download_file_name), bin.path() + name);
    expectDownloadFile(header(start_of_new, size, status({{"82", station}, {"8E", start_of_new}, {"8C", static_cast<uint32_t>(flash.size())}})),
                       flashText(start_of_new, size));

    // What was saved is taken as downloaded; acquisition runs again.
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), flash.size());
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);

    // One time step per new acquisition, in the measurement XML file.
    ASSERT_NE(master.converted_xml[0], '\0');
    EXPECT_EQ(std::string(master.converted_xml).rfind(xml.path(), 0), 0u);
    Txml_parser reader;
    ASSERT_EQ(reader.parseFile(master.converted_xml), 0);
    EXPECT_EQ(reader.timeSteps()->count(), static_cast<int>(acquisitions - skipped_acquisitions));
    EXPECT_EQ(reader.stationId(), station);
}

TEST_F(FlashDownload, FramesLostOnTheLineAreRequestedAgainUntilTheFileIsComplete)
{
    // One stretch inside the first block is lost twice, one in the second once.
    logger.update([](sim::State& s) {
        s.btp_chunk = 64;
        s.btp_holes = {{1000, 300, 2}, {5000, 100, 1}};
    });
    module.downloadManager().trace |= TRACE_PROGRESS;
    const uint32_t size = static_cast<uint32_t>(flash.size());
    ASSERT_FALSE(master.start_download(0, size, false));
    EXPECT_EQ(runToEnd(), master_success);

    expectLogInOrder({
        "INFO    : download manager : send_BTP_download(0,4096)",
        "INFO    : download manager : hole detected, will retry (1)",
        "INFO    : download manager : send_BTP_download(1000,300)",
        "INFO    : download manager : hole detected, will retry (2)",
        "INFO    : download manager : send_BTP_download(1000,300)",
        "INFO    : download manager : No hole",
        "INFO    : download manager : send_BTP_download(4096," + std::to_string(size - 4096) + ")",
        "INFO    : download manager : hole detected, will retry (1)",
        "INFO    : download manager : send_BTP_download(5000,100)",
        "INFO    : download manager : No hole",
        "INFO    : download done",
    });
    EXPECT_EQ(logger.executions(btp_start), 5u);
    expectDownloadFile(header(0, size, status({{"82", station}})), flashText(0, size));
    // Not incremental: NEXT_DOWNLOAD_ADDRESS stays.
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), start_of_new);
}

TEST_F(FlashDownload, ACancelInTheMiddleLeavesAFileThatSaysWhatItHoldsAndAcquisitionAsItWas)
{
    // Acquisition was off: the closing step must not switch it on.
    logger.update([](sim::State& s) {
        s.variables[sim::var::acq_enable] = 0;
        s.pace_output = true;
    });
    const uint32_t size = static_cast<uint32_t>(flash.size());
    ASSERT_FALSE(master.start_download(0, size - start_of_new, true));
    // Cancelled once the first block is in the temporary file.
    bool stopped = false;
    const std::string end = runToEnd([&] {
        if (!stopped && module.downloadManager().block_address > start_of_new) {
            master.STOP.signal();
            stopped = true;
        }
    });
    EXPECT_EQ(end, master_cancelled);
    ASSERT_TRUE(stopped);
    EXPECT_EQ(module.downloadManager().state, 0);
    EXPECT_GE(logger.executions(btp_stop), 2u);

    // The file holds a whole prefix and its header counts just that.
    const std::string file = downloadFile();
    const std::size_t end_of_header = file.find("/>");
    ASSERT_NE(end_of_header, std::string::npos);
    const uint32_t held = static_cast<uint32_t>(file.size() - end_of_header - 2);
    EXPECT_EQ(held, Tdownload_manager::block_size);
    expectDownloadFile(header(start_of_new, held, status({{"82", station}, {"8E", start_of_new}})),
                       flashText(start_of_new, held));

    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 0u);
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), start_of_new);
}

TEST_F(FlashDownload, ADownloadFileThatCannotBeWrittenFailsAndLeavesNextDownloadAddressAlone)
{
    ASSERT_FALSE(master.start_download(0, 0, true));
    // A folder in the place of the file that the download file is written as.
    const std::string part = bin.path() + downloadName() + ".part";
    ASSERT_FALSE(make_dir_path(part.c_str()));
    EXPECT_EQ(runToEnd(), master_error);
    EXPECT_TRUE(logged("ERROR : unable to create result file \"" + part + "\""));
    // The bytes received are kept in the temporary file, which says so.
    const std::string tmp = module.download_tmp_file_name;
    const uint32_t size = static_cast<uint32_t>(flash.size()) - start_of_new;
    EXPECT_TRUE(logged("ERROR : the " + std::to_string(size) + " downloaded bytes stay in \"" + tmp + "\""));
    EXPECT_EQ(read_file_bytes(tmp), flashText(start_of_new, size));
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), start_of_new);
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
    EXPECT_EQ(module.download_file_name[0], '\0');
    EXPECT_EQ(master.converted_xml[0], '\0');
}

TEST_F(FlashDownload, TheSlowPathReadsTheRangeInPiecesOf248Bytes)
{
    master.setParameter("slow_download", "1");
    ASSERT_FALSE(master.start_download(4096, 1000, false));
    // The range cuts records at both ends: the conversion leaves bytes and says
    // where they are kept, so the operation ends in error.
    EXPECT_EQ(runToEnd(), master_error);
    EXPECT_TRUE(logged("ERROR : the records not converted are kept in \"" + bin.path() + downloadName() + "\""));
    EXPECT_EQ(logger.executions(mms_range), 5u);
    EXPECT_EQ(logger.executions(btp_start), 0u);
    expectDownloadFile(header(4096, 1000, status({{"82", station}})), flashText(4096, 1000));
    EXPECT_TRUE(logged("INFO    : ... download done"));

    std::vector<std::string> progress;
    for (const auto& call : recorded::gui_calls())
        if (call.first == 55)
            progress.push_back(call.second);
    const std::vector<std::string> expected{"0", "SHOW", "24", "49", "74", "99", "100", "HIDE"};
    EXPECT_EQ(progress, expected);
}

TEST_F(FlashDownload, ASlowReadAnsweredShortFailsAndSavesOnlyWhatCameWhole)
{
    // The range runs past the end of the logger's flash: the last read comes short.
    logger.update([](sim::State& s) {
        s.flash_size = 4096 + 500;
        s.flash.resize(s.flash_size);
    });
    master.setParameter("slow_download", "1");
    ASSERT_FALSE(master.start_download(4096, 1000, false));
    EXPECT_EQ(runToEnd(), master_error);
    EXPECT_EQ(logger.executions(mms_range), 3u);
    EXPECT_TRUE(logged("ERROR : module resource : MMS range answer of 4 bytes for 248 asked at 4592"));
    expectDownloadFile(header(4096, 496, status({{"82", station}})), flashText(4096, 496));
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
}

TEST_F(FlashDownload, AHealthCheckDownloadsTheRecordsOfItsAcquisition)
{
    const sim::Bytes fresh = sim::acquisition_records(download_time, station);
    logger.update([&](sim::State& s) {
        s.acquisition_records = fresh;
        s.hold_acquisitions = true;
    });
    ASSERT_FALSE(master.start_get_health());
    ASSERT_TRUE(waitExecuted(control, 1));
    // The master asks for the full health cycle.
    std::vector<std::vector<uint8_t>> controls;
    for (const sim::Received& frame : logger.received())
        if (frame.port == sim::port::gtp && frame.command() == sim::gtp::control)
            controls.push_back(frame.body());
    ASSERT_FALSE(controls.empty());
    EXPECT_EQ(controls.front(), std::vector<uint8_t>{66});
    // The control's answer is PENDING; the late answer comes when the logger is done.
    EXPECT_TRUE(pump.untilLogged("INFO  : PENDING........"));
    logger.releaseLate();
    EXPECT_EQ(runToEnd(), master_success);
    EXPECT_TRUE(logged("INFO    : ........ DONE"));
    const uint32_t size = static_cast<uint32_t>(fresh.size());
    const uint32_t before = static_cast<uint32_t>(flash.size());
    expectDownloadFile(header(before, size, status({{"82", station}, {"8C", before}, {"8C", before + size}})),
                       std::string(fresh.begin(), fresh.end()));
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
    Txml_parser reader;
    ASSERT_EQ(reader.parseFile(master.converted_xml), 0);
    EXPECT_EQ(reader.timeSteps()->count(), 1);
}

TEST_F(FlashDownload, AHealthCheckCancelledWhileTheLoggerMeasuresPutsAcquisitionBack)
{
    logger.update([](sim::State& s) {
        s.variables[sim::var::acq_enable] = 0;
        s.hold_acquisitions = true;
    });
    ASSERT_FALSE(master.start_get_health());
    EXPECT_TRUE(pump.untilLogged("INFO  : PENDING........"));
    master.STOP.signal();
    EXPECT_EQ(runToEnd(), master_cancelled);
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 0u);
    EXPECT_EQ(logger.executions(btp_start), 0u);
    EXPECT_EQ(module.download_file_name[0], '\0');
}

}  // namespace
