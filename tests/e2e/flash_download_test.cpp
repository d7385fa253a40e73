// Flash download and probe health through the master against the simulated
// logger: the download file (header and raw bytes), its measurement XML, frames
// lost on the line, the slow 'Q' path, a cancel in the middle, and the
// logger's acquisition and NEXT_DOWNLOAD_ADDRESS afterwards. The download
// manager's waits run on the virtual clock, which the tests move on.
#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

#include "base/parse.h"
#include "base/paths.h"
#include "base/time_calendar.h"
#include "base/xml.h"
#include "data/xml_parser.h"
#include "link/download_manager.h"
#include "link/gui_ids.h"
#include "link/module_view.h"
#include "tests/e2e/operations_fixture.h"
#include "tests/support/file_size_limit.h"
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

// Names of the files in a folder.
std::vector<std::string> files_in(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* entry = readdir(d))
            if (entry->d_name[0] != '.')
                names.push_back(entry->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

constexpr const char* converting_text = "Converting the download, please wait...";

// True when the pending window was shown with the converting text and hidden after it.
bool conversionShownPending()
{
    const std::vector<std::pair<int, std::string>> calls = recorded::gui_calls();
    const auto text =
        std::find(calls.begin(), calls.end(), std::make_pair(GUI_PENDING_TEXT, std::string(converting_text)));
    const auto shown = std::find(text, calls.end(), std::make_pair(GUI_PENDING, std::string("SHOW")));
    return shown != calls.end() &&
           std::find(shown, calls.end(), std::make_pair(GUI_PENDING, std::string("HIDE"))) != calls.end();
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

    // Runs the operation to the master's end line: whenever the line is quiet
    // the virtual clock moves on by 100 ms, and every tenth step gives the
    // one-second tick. at_step may act in the middle.
    // step_ms longer than 100 moves a line that stays silent on faster.
    std::string runToEnd(const std::function<void()>& at_step = {}, unsigned step_ms = 100)
    {
        const int before = ends();
        auto ended = [&] { return ends() > before; };
        unsigned since_tick = 0;
        for (int step = 0; step < 6000 && ends() == before; ++step) {
            if (!pump.untilQuiet(io, logger, ended) || ended())
                break;
            if (at_step)
                at_step();
            pump.window.advance(step_ms);
            since_tick += step_ms;
            if (since_tick >= 1000) {
                since_tick -= 1000;
                master.On_1Hz();
            }
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

    // The conversion ran on a worker with the pending window shown.
    EXPECT_TRUE(conversionShownPending());

    // One time step per new acquisition, in the measurement XML file.
    ASSERT_NE(master.converted_xml[0], '\0');
    EXPECT_EQ(std::string(master.converted_xml).rfind(xml.path(), 0), 0u);
    Txml_parser reader;
    ASSERT_EQ(reader.parseFile(master.converted_xml), 0);
    EXPECT_EQ(reader.timeSteps()->count(), static_cast<int>(acquisitions - skipped_acquisitions));
    EXPECT_EQ(reader.stationId(), station);
}

// The start travels as a 32-bit unsigned number: one above the signed range
// is not taken for "no start" (from 0) on its way.
TEST_F(FlashDownload, AStartAddressAboveTheSignedRangeIsTakenAsItIs)
{
    ASSERT_FALSE(master.start_download(3000000000u, 0, false));
    EXPECT_EQ(runToEnd(), master_success);
    EXPECT_EQ(module.download_start, 3000000000u);
    // Above MMS_PT: nothing to download.
    EXPECT_EQ(logger.executions(btp_start), 0u);
    EXPECT_EQ(module.download_file_name[0], '\0');
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
    // Acquisition was off: the closing step must not switch it on. The data
    // stop after the first block, so that the cancel finds the second one
    // under way however slow the machine.
    logger.update([](sim::State& s) {
        s.variables[sim::var::acq_enable] = 0;
        s.pace_output = true;
        s.misbehaviour.mute_after_answer_to = btp_start;
        s.misbehaviour.mute_after_frames = static_cast<unsigned>(Tdownload_manager::block_size / s.btp_chunk);
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
    // The logger may take the last stop after the operation has ended.
    EXPECT_TRUE(pump.until([&] { return logger.executions(btp_stop) >= 2u; }));

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

// ---- faults of the disk, the line and the logger ----

class FlashDownloadFaults : public FlashDownload {
protected:
    static bool logContains(const std::string& text) { return recorded::log_contains(text); }

    // Appends acquisitions after what the logger holds; their bytes.
    std::string addAcquisitions(unsigned count)
    {
        const sim::Bytes records = sim::acquisition_series(first_time + 600 * acquisitions, 600, count, station);
        const std::string added(records.begin(), records.end());
        flash.insert(flash.end(), added.begin(), added.end());
        logger.update([this](sim::State& s) { s.flash = flash; });
        return added;
    }

    // The measurement file of the last conversion holds this many time steps.
    void expectConverted(int steps) const
    {
        ASSERT_NE(master.converted_xml[0], '\0');
        Txml_parser reader;
        ASSERT_EQ(reader.parseFile(master.converted_xml), 0);
        EXPECT_EQ(reader.timeSteps()->count(), steps);
    }

    std::string newBytes() const { return flashText(start_of_new, static_cast<uint32_t>(flash.size()) - start_of_new); }
    uint32_t newSize() const { return static_cast<uint32_t>(flash.size()) - start_of_new; }
    std::string incrementalHeader(uint32_t size) const
    {
        return header(start_of_new, size,
                      status({{"82", station}, {"8E", start_of_new}, {"8C", static_cast<uint32_t>(flash.size())}}));
    }
};

TEST_F(FlashDownloadFaults, ADiskFullDuringTheTransferFailsAndKeepsTheBytesThatWereWritten)
{
    ASSERT_FALSE(master.start_download(0, 0, true));
    std::string end;
    {
        Tfile_size_limit full(2000);
        ASSERT_TRUE(full.applied());
        end = runToEnd();
    }
    EXPECT_EQ(end, master_error);
    EXPECT_TRUE(logged("ERROR : download manager : the result file could not be written"));
    // The temporary file holds what the disk took and is the only file left:
    // no partial download file beside it, and nothing is converted.
    const std::string tmp = module.download_tmp_file_name;
    const std::string part = bin.path() + downloadName() + ".part";
    EXPECT_EQ(read_file_bytes(tmp), flashText(start_of_new, 2000));
    EXPECT_EQ(files_in(bin.path()), std::vector<std::string>{tmp.substr(bin.path().size() + 1)});
    EXPECT_TRUE(logged("ERROR : download file \"" + part + "\" holds 2000 bytes, not the header and 2000 data bytes"));
    EXPECT_TRUE(logged("ERROR : the 2000 downloaded bytes stay in \"" + tmp + "\""));
    EXPECT_EQ(module.download_file_name[0], '\0');
    EXPECT_EQ(master.converted_xml[0], '\0');
    EXPECT_TRUE(files_in(xml.path()).empty());
    // The records are still to be downloaded; acquisition runs again.
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), start_of_new);
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
}

TEST_F(FlashDownloadFaults, AFullDiskForTheMeasurementFileFailsTheOperationAndTheNextDownloadConvertsTheRecords)
{
    // The download file fits, its measurement file does not.
    ASSERT_FALSE(master.start_download(0, 0, true));
    std::string end;
    {
        Tfile_size_limit full(newSize() + 400);
        ASSERT_TRUE(full.applied());
        end = runToEnd();
    }
    EXPECT_EQ(end, master_error);
    expectDownloadFile(incrementalHeader(newSize()), newBytes());
    EXPECT_TRUE(logged("ERROR : the records not converted are kept in \"" + std::string(module.download_file_name) + "\""));
    EXPECT_EQ(master.converted_xml[0], '\0');
    EXPECT_TRUE(files_in(xml.path()).empty());
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
    // The records are in no measurement file: NEXT_DOWNLOAD_ADDRESS stays before them.
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), start_of_new);

    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd(), master_success);
    expectConverted(static_cast<int>(acquisitions - skipped_acquisitions));
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), flash.size());
}

TEST_F(FlashDownloadFaults, AMeasurementFolderThatCannotBeWrittenFailsTheOperationAndNamesTheDownloadFile)
{
    // A folder under a regular file cannot be made or written, also by root:
    // it stands for a read-only measurement folder.
    ASSERT_TRUE(write_file_bytes(xml.file("file"), "not a folder"));
    master.setParameter("path_xml", xml.file("file/measures").c_str());
    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd(), master_error);
    const std::string name = module.download_file_name;
    EXPECT_EQ(name, bin.path() + downloadName());
    expectDownloadFile(incrementalHeader(newSize()), newBytes());
    EXPECT_TRUE(logged("ERROR : the records not converted are kept in \"" + name + "\""));
    EXPECT_EQ(master.converted_xml[0], '\0');
    // Not in a measurement file yet: the next incremental download fetches them again.
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), start_of_new);
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);

    master.setParameter("path_xml", xml.path().c_str());
    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd(), master_success);
    const std::string second = downloadFile();
    EXPECT_EQ(second.substr(second.find("/>") + 2), newBytes());
    expectConverted(static_cast<int>(acquisitions - skipped_acquisitions));
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), flash.size());
}

// The measurement file's name fits its buffer with one character to spare; the
// name taken beside an existing file ("_2") does not: that is a failed
// conversion, not a success without a file, and NEXT_DOWNLOAD_ADDRESS stays.
TEST_F(FlashDownloadFaults, AMeasurementPathThatDoesNotFitFailsTheOperationAndLeavesNextDownloadAddress)
{
    time_fields t{};
    time_to_local_fields(&t, download_time, true);
    char name[64];
    std::snprintf(name, sizeof name, "measures_%08u_%04d%02d%02d%02d%02d%02d.xml", station, t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    const std::size_t room = sizeof module.converted_xml - 1;
    std::string folder = xml.path();
    while (folder.size() + 1 + std::strlen(name) + 60 <= room)
        folder += "/" + std::string(50, 'd');
    folder += "/" + std::string(room - 3 - std::strlen(name) - folder.size(), 'e');
    const std::string taken = folder + "/" + name;
    ASSERT_EQ(taken.size(), room - 1);
    ASSERT_FALSE(make_dir_path(folder.c_str()));
    ASSERT_TRUE(write_file_bytes(taken, "an earlier measurement file"));
    master.setParameter("path_xml", folder.c_str());

    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd(), master_error);
    EXPECT_TRUE(logContains("longer than the " + std::to_string(room) + " characters it may take"));
    EXPECT_TRUE(logged("ERROR : the records not converted are kept in \"" + std::string(module.download_file_name) +
                       "\""));
    EXPECT_EQ(master.converted_xml[0], '\0');
    EXPECT_EQ(files_in(folder), std::vector<std::string>{name});
    EXPECT_EQ(read_file_bytes(taken), "an earlier measurement file");
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), start_of_new);
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
}

TEST_F(FlashDownloadFaults, ALineDroppedAfterTheDataEndsAtOnceConvertsTheDataAndSaysWhatIsLeft)
{
    // The answer to the NEXT_DOWNLOAD_ADDRESS write (the second variable
    // write, after acquisition off) is cut and the line reopened.
    logger.update([](sim::State& s) {
        s.misbehaviour.close_in_answer_to = sim::Command{sim::port::gtp, sim::gtp::var_set};
        s.misbehaviour.close_after_frames = 1;
    });
    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd(), master_error);
    EXPECT_GE(logger.lineGeneration(), 1u);
    EXPECT_EQ(master.getLinkState(), Tcalyxo_master::LINK_DISCONNECTED);
    expectLogInOrder({
        "INFO    : download done",
        "ERROR : module resource : connection to the logger lost @ 850",
        "ERROR : NEXT_DOWNLOAD_ADDRESS := " + std::to_string(flash.size()) +
            " not confirmed by the logger: the next incremental download may fetch these records again",
        "ERROR : acquisition is left off on the logger",
        master_error,
    });
    EXPECT_FALSE(logContains("Timeout"));
    expectDownloadFile(incrementalHeader(newSize()), newBytes());
    expectConverted(static_cast<int>(acquisitions - skipped_acquisitions));
    // The logger took the write whose answer was lost.
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), flash.size());
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 0u);
}

TEST_F(FlashDownloadFaults, ALoggerThatStallsAfterTheDataStillGetsItConvertedAndTheNextDownloadFetchesOnlyNewRecords)
{
    // Silent from the answer to the NEXT_DOWNLOAD_ADDRESS write on.
    logger.update([](sim::State& s) {
        s.misbehaviour.silent_after_answer_to = sim::Command{sim::port::gtp, sim::gtp::var_set};
        s.misbehaviour.silent_after_frames = 1;
    });
    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd(), master_error);
    expectLogInOrder({
        "INFO    : download done",
        "ERROR : Timeout - No Answer",
        "ERROR : NEXT_DOWNLOAD_ADDRESS := " + std::to_string(flash.size()) +
            " not confirmed by the logger: the next incremental download may fetch these records again",
        "ERROR : acquisition may be left off on the logger: switching it back on was not confirmed",
        master_error,
    });
    const std::string first_file = module.download_file_name;
    expectDownloadFile(incrementalHeader(newSize()), newBytes());
    const std::string first_content = read_file_bytes(first_file);
    expectConverted(static_cast<int>(acquisitions - skipped_acquisitions));
    const std::string first_xml = master.converted_xml;
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), flash.size());
    const uint32_t acquisition_left = loggerVariable(sim::var::acq_enable);

    // The logger answers again and has measured more: the next incremental
    // download takes only that, into files of their own beside the first.
    logger.update([](sim::State& s) { s.misbehaviour.silent = false; });
    const std::string added = addAcquisitions(3);
    recorded::clear_log();
    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd(), master_success);
    EXPECT_NE(std::string(module.download_file_name), first_file);
    EXPECT_EQ(read_file_bytes(first_file), first_content);
    const std::string second = downloadFile();
    EXPECT_EQ(second.substr(second.find("/>") + 2), added);
    expectConverted(3);
    EXPECT_NE(std::string(master.converted_xml), first_xml);
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), flash.size());
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), acquisition_left);
}

TEST_F(FlashDownloadFaults, TheDeviceGoneAfterTheFirstBlockEndsAtOnceAndKeepsTheBlock)
{
    // The first frame of the second block is cut and the pty closed for good.
    logger.update([](sim::State& s) {
        s.misbehaviour.close_in_answer_to = sim::Command{sim::port::btp, sim::btp::start};
        s.misbehaviour.close_after_frames = Tdownload_manager::block_size / 128;
        s.misbehaviour.close_for_good = true;
        s.btp_chunk = 128;
    });
    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd(), master_error);
    expectLogInOrder({
        "ERROR : module resource : connection to the logger lost @ 830",
        "ERROR : acquisition is left off on the logger",
        master_error,
    });
    EXPECT_FALSE(logContains("Timeout"));
    expectDownloadFile(header(start_of_new, Tdownload_manager::block_size,
                              status({{"82", station}, {"8E", start_of_new}, {"8C", static_cast<uint32_t>(flash.size())}})),
                       flashText(start_of_new, Tdownload_manager::block_size));
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), start_of_new);
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 0u);
}

TEST_F(FlashDownloadFaults, NoiseAndCutFramesByteByByteStillGiveTheExactFile)
{
    logger.update([](sim::State& s) {
        s.misbehaviour.byte_by_byte = true;
        // A frame start with garbage after it, an escape and a wake-up byte.
        s.misbehaviour.noise = {0x00, '$', 0x12, '~', 0x99, 0xFF, 0x21};
        s.misbehaviour.noise_frames = 8;
        s.misbehaviour.cut_frame = 5;
    });
    // A size short of the write pointer: the last acquisition may go on
    // after it, so it is left out of the measurement file.
    ASSERT_FALSE(master.start_download(0, start_of_new, false));
    EXPECT_EQ(runToEnd(), master_success);
    expectDownloadFile(header(0, start_of_new, status({{"82", station}})), flashText(0, start_of_new));
    expectConverted(static_cast<int>(skipped_acquisitions) - 1);
    EXPECT_TRUE(logContains("time step " + std::to_string(first_time + 600 * (skipped_acquisitions - 1)) + " ("));
}

TEST_F(FlashDownloadFaults, AnswersWithAWrongSequenceNumberAreIgnored)
{
    logger.update([](sim::State& s) { s.misbehaviour.wrong_sequence_answers = 2; });
    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd(), master_success);
    expectDownloadFile(incrementalHeader(newSize()), newBytes());
    // The requests whose answers were ignored went out again, as they were.
    const std::vector<sim::Received> frames = logger.received();
    unsigned repeated = 0;
    for (std::size_t i = 1; i < frames.size(); ++i)
        if (frames[i].port == sim::port::gtp && frames[i].raw == frames[i - 1].raw)
            ++repeated;
    EXPECT_GE(repeated, 2u);
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), flash.size());
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
}

TEST_F(FlashDownloadFaults, ALostAnswerToTheNextDownloadAddressWriteIsGotAgainAndTheNextDownloadTakesOnlyNewRecords)
{
    logger.update([](sim::State& s) {
        s.misbehaviour.drop_answer_to = sim::Command{sim::port::gtp, sim::gtp::var_set};
        s.misbehaviour.drop_after_answers = 1;
    });
    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd(), master_success);
    EXPECT_FALSE(logContains("not confirmed"));
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), flash.size());
    // Acquisition off, NEXT_DOWNLOAD_ADDRESS, acquisition on: run once each,
    // the second asked twice.
    unsigned var_sets = 0;
    for (const sim::Received& frame : logger.received())
        if (frame.port == sim::port::gtp && frame.command() == sim::gtp::var_set)
            ++var_sets;
    EXPECT_EQ(logger.executions({sim::port::gtp, sim::gtp::var_set}), 3u);
    EXPECT_GE(var_sets, 4u);

    const std::string added = addAcquisitions(2);
    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd(), master_success);
    const std::string second = downloadFile();
    EXPECT_EQ(second.substr(second.find("/>") + 2), added);
    expectConverted(2);
}

TEST_F(FlashDownloadFaults, AnMmsPointerBelowNextDownloadAddressWarnsAndDownloadsNothing)
{
    const uint32_t beyond = static_cast<uint32_t>(flash.size()) + 1000;
    logger.update([beyond](sim::State& s) { s.variables[sim::var::next_download_address] = beyond; });
    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd(), master_success);
    EXPECT_TRUE(logged("WARNING : MMS_PT " + std::to_string(flash.size()) + " is below NEXT_DOWNLOAD_ADDRESS " +
                       std::to_string(beyond) +
                       ": the logger's memory started again, nothing is downloaded; a full download gets its records"));
    EXPECT_EQ(module.download_file_name[0], '\0');
    EXPECT_TRUE(files_in(bin.path()).empty());
    EXPECT_TRUE(files_in(xml.path()).empty());
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), beyond);
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
}

TEST_F(FlashDownloadFaults, TwoDownloadsInTheSameSecondKeepBothFilesAndNoTemporaryFile)
{
    const uint32_t size = start_of_new;
    ASSERT_FALSE(master.start_download(0, size, false));
    EXPECT_EQ(runToEnd(), master_success);
    const std::string first_xml = master.converted_xml;
    ASSERT_FALSE(master.start_download(0, size, false));
    EXPECT_EQ(runToEnd(), master_success);
    const std::string name = downloadName().substr(1);
    const std::string second_name = name.substr(0, name.size() - 4) + "_2.bin";
    EXPECT_EQ(files_in(bin.path()), (std::vector<std::string>{name, second_name}));
    for (const std::string& file : {name, second_name}) {
        const std::string bytes = read_file_bytes(bin.file(file));
        EXPECT_EQ(bytes.substr(bytes.find("/>") + 2), flashText(0, size)) << file;
    }
    EXPECT_EQ(files_in(xml.path()).size(), 2u);
    EXPECT_NE(std::string(master.converted_xml), first_xml);
    // The size ends short of the write pointer: the last step may go on after it.
    expectConverted(static_cast<int>(skipped_acquisitions) - 1);
}

TEST_F(FlashDownloadFaults, AHealthCheckWhoseLineDropsAfterTheDataStillConvertsIt)
{
    const sim::Bytes fresh = sim::acquisition_records(download_time, station);
    // The answer to the closing write that puts acquisition back (the second
    // variable write) is cut and the line reopened.
    logger.update([&](sim::State& s) {
        s.acquisition_records = fresh;
        s.acquisition_time = std::chrono::milliseconds(0);
        s.misbehaviour.close_in_answer_to = sim::Command{sim::port::gtp, sim::gtp::var_set};
        s.misbehaviour.close_after_frames = 1;
    });
    ASSERT_FALSE(master.start_get_health());
    EXPECT_EQ(runToEnd(), master_error);
    expectLogInOrder({
        "ERROR : module resource : connection to the logger lost @ 2490",
        "ERROR : acquisition may be left off on the logger: switching it back on was not confirmed",
        master_error,
    });
    const uint32_t before = static_cast<uint32_t>(flash.size());
    expectDownloadFile(header(before, static_cast<uint32_t>(fresh.size()),
                              status({{"82", station}, {"8C", before}, {"8C", before + static_cast<uint32_t>(fresh.size())}})),
                       std::string(fresh.begin(), fresh.end()));
    expectConverted(1);
    // The logger took the write whose answer was cut.
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
}

// ---- a download that ends inside a record, and data that are not records ----

class FlashDownloadCuts : public FlashDownloadFaults {
protected:
    // Where the record that holds the byte at address starts.
    uint32_t recordStartAt(uint32_t address) const
    {
        uint32_t start = 0;
        for (const sim::Bytes& record : sim::split_records(flash)) {
            if (start + record.size() > address)
                return start;
            start += static_cast<uint32_t>(record.size());
        }
        return start;
    }

    // Time records (type 128) that start in [from, to): the time steps of their file.
    int timeRecordsIn(uint32_t from, uint32_t to) const
    {
        int count = 0;
        uint32_t start = 0;
        for (const sim::Bytes& record : sim::split_records(flash)) {
            if (start >= from && start + record.size() <= to && record[0] == 128)
                ++count;
            start += static_cast<uint32_t>(record.size());
        }
        return count;
    }

    // The last conversion holds the time steps of [from, to) and no value that was never measured.
    void expectConvertedRange(uint32_t from, uint32_t to) const
    {
        expectConverted(timeRecordsIn(from, to));
        const std::string text = read_file_bytes(master.converted_xml);
        EXPECT_EQ(text.find("nan"), std::string::npos);
        EXPECT_EQ(text.find("FFFFFFFF"), std::string::npos);
    }

    // Where the time step that holds the byte at address starts.
    uint32_t stepStartAt(uint32_t address) const
    {
        uint32_t start = 0;
        uint32_t step = 0;
        for (const sim::Bytes& record : sim::split_records(flash)) {
            if (start > address)
                break;
            if (record[0] == 128)
                step = start;
            start += static_cast<uint32_t>(record.size());
        }
        return step;
    }

    // The time step at address, left out of the file: the log names it, its
    // time and where the next download fetches it whole.
    void expectStepLeftOut(uint32_t address) const
    {
        const uint32_t time = read_be32(flash.data() + address + 1);
        const std::string step = "time step " + std::to_string(time) + " (";
        const std::string where = "at flash address " + std::to_string(address) + " may lack records that follow it";
        EXPECT_TRUE(logContains(step)) << step;
        EXPECT_TRUE(logContains(where)) << where;
        EXPECT_TRUE(logContains("the next incremental download fetches it whole from " + std::to_string(address)));
    }

    // The next incremental download starts at cut with the record whole and takes the rest.
    void expectNextDownloadFrom(uint32_t cut)
    {
        logger.update([](sim::State& s) {
            s.misbehaviour.drop_answers_to.clear();
            s.btp_holes.clear();
        });
        recorded::clear_log();
        ASSERT_FALSE(master.start_download(0, 0, true));
        EXPECT_EQ(runToEnd(), master_success);
        const std::string file = downloadFile();
        EXPECT_TRUE(file.substr(file.find("/>") + 2) == flashText(cut, static_cast<uint32_t>(flash.size()) - cut))
            << "the download does not start with the cut record";
        expectConvertedRange(cut, static_cast<uint32_t>(flash.size()));
        EXPECT_FALSE(logContains("cut off"));
        EXPECT_FALSE(logContains("may lack records"));
        EXPECT_EQ(loggerVariable(sim::var::next_download_address), flash.size());
    }
};

TEST_F(FlashDownloadCuts, DataLostMidBlockGiveNoInventedRecordAndTheNextDownloadTakesTheCutRecordWhole)
{
    // The stream of the second block stops after eight of its frames and
    // never comes again; the logger answers everything else.
    logger.update([](sim::State& s) {
        s.btp_chunk = 128;
        s.misbehaviour.mute_after_answer_to = btp_start;
        s.misbehaviour.mute_after_frames = Tdownload_manager::block_size / 128 + 8;
    });
    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd({}, 1000), master_error);
    // Every request again is said as it goes out, the first within 30 s.
    for (unsigned retry = 1; retry <= Tdownload_manager::max_block_retries; ++retry)
        EXPECT_TRUE(logContains("asking again, " + std::to_string(retry) + " of 16")) << retry;
    EXPECT_TRUE(logContains("did not come after 16 requests"));
    // The first block is in the download file; the time step that the record
    // it cuts belongs to is left out.
    const uint32_t held = Tdownload_manager::block_size;
    expectDownloadFile(incrementalHeader(held), flashText(start_of_new, held));
    const uint32_t cut = recordStartAt(start_of_new + held);
    ASSERT_LT(cut, start_of_new + held) << "the block ends between records: no cut to test";
    const uint32_t step = stepStartAt(cut);
    expectStepLeftOut(step);
    expectConvertedRange(start_of_new, step);
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), step);
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
    expectNextDownloadFrom(step);
}

TEST_F(FlashDownloadCuts, ReadsLostOnTheSlowPathGiveNoInventedRecordAndTheNextDownloadTakesTheCutRecordWhole)
{
    // The 'Q' reads go unanswered from the fifth on.
    master.setParameter("slow_download", "1");
    logger.update([](sim::State& s) {
        s.misbehaviour.mute_after_answer_to = mms_range;
        s.misbehaviour.mute_after_frames = 4;
    });
    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd(), master_error);
    EXPECT_TRUE(logged("ERROR : Timeout - No Answer"));
    const uint32_t held = 4 * 248;
    const std::string file = downloadFile();
    EXPECT_EQ(file.substr(file.find("/>") + 2), flashText(start_of_new, held));
    const uint32_t cut = recordStartAt(start_of_new + held);
    ASSERT_LT(cut, start_of_new + held);
    const uint32_t step = stepStartAt(cut);
    expectStepLeftOut(step);
    expectConvertedRange(start_of_new, step);
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), step);
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
    master.setParameter("slow_download", "0");
    expectNextDownloadFrom(step);
}

TEST_F(FlashDownloadCuts, ADownloadSizeThatCutsARecordLeavesItsStepForTheNextDownload)
{
    const uint32_t size = 1000;
    const uint32_t cut = recordStartAt(start_of_new + size);
    ASSERT_LT(cut, start_of_new + size);
    ASSERT_FALSE(master.start_download(0, size, true));
    EXPECT_EQ(runToEnd(), master_success);
    const std::string file = downloadFile();
    EXPECT_EQ(file.substr(file.find("/>") + 2), flashText(start_of_new, size));
    const uint32_t step = stepStartAt(cut);
    expectStepLeftOut(step);
    expectConvertedRange(start_of_new, step);
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), step);
    expectNextDownloadFrom(step);
}

TEST_F(FlashDownloadCuts, BytesThatAreNotRecordsFailTheDownloadAndLeaveNextDownloadAddress)
{
    struct Case {
        const char* name;
        sim::Bytes after;
    };
    // Random flash; a long record that claims far more than the logger wrote.
    sim::Bytes random(3000);
    uint32_t seed = 18;
    for (uint8_t& byte : random) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(seed >> 16);
    }
    const Case cases[] = {
        {"random flash", random},
        {"a record far longer than the data", {0xC2, 0xEA, 0x60, 0x01, 0x02, 0x03}},
    };
    const sim::Bytes records(flash.begin(), flash.begin() + start_of_new);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorded::clear_log();
        flash = records;
        flash.insert(flash.end(), c.after.begin(), c.after.end());
        logger.update([this](sim::State& s) { s.flash = flash; });
        ASSERT_FALSE(master.start_download(0, 0, true));
        EXPECT_EQ(runToEnd(), master_error);
        const std::string name = module.download_file_name;
        ASSERT_FALSE(name.empty());
        const std::string file = downloadFile();
        EXPECT_TRUE(file.substr(file.find("/>") + 2) == newBytes()) << "the download file does not hold the bytes";
        EXPECT_TRUE(logged("ERROR : the records not converted are kept in \"" + name + "\""));
        EXPECT_FALSE(logContains("WARNING : record"));
        EXPECT_EQ(master.converted_xml[0], '\0');
        EXPECT_TRUE(files_in(xml.path()).empty());
        EXPECT_EQ(loggerVariable(sim::var::next_download_address), start_of_new);
        EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
    }
}

TEST_F(FlashDownloadCuts, ACompleteBlockIsTakenWithoutWaitingOutTheTwoSecondStep)
{
    // Two blocks; the virtual clock moves only for the opening pause.
    ASSERT_GT(newSize(), Tdownload_manager::block_size);
    ASSERT_FALSE(master.start_download(0, 0, true));
    const int before = ends();
    unsigned advanced = 0;
    for (int step = 0; step < 2000 && ends() == before; ++step) {
        if (!pump.untilQuiet(io, logger, [&] { return ends() > before; }) || ends() > before)
            break;
        if (module.downloadManager().state == 105) {
            pump.window.advance(200);
            advanced += 200;
        }
    }
    ASSERT_GT(ends(), before);
    EXPECT_TRUE(logged(master_success));
    EXPECT_LT(advanced, 2000u);
    expectDownloadFile(incrementalHeader(newSize()), newBytes());
    EXPECT_EQ(logger.executions(btp_start), 2u);
}

TEST_F(FlashDownloadCuts, AKilledDownloadsTemporaryFileIsKeptAndTheNextDownloadTakesAFreeName)
{
    // What a download killed in the middle leaves: the bytes it received.
    std::string stem = port.port;
    for (char& c : stem)
        if (c == '\\' || c == '/' || c == '.' || c == ':')
            c = '_';
    const std::string left = bin.path() + "/tmp" + stem + ".bin";
    const std::string received = flashText(start_of_new, 2048);
    ASSERT_TRUE(write_file_bytes(left, received));
    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd(), master_success);
    const std::string taken = bin.path() + "/tmp" + stem + "_2.bin";
    EXPECT_TRUE(logged("WARNING : an earlier unfinished download file was found and kept: \"" + left +
                       "\"; this download goes to \"" + taken + "\""));
    EXPECT_EQ(read_file_bytes(left), received);
    expectDownloadFile(incrementalHeader(newSize()), newBytes());
    // Beside the kept file only the new download file.
    EXPECT_EQ(files_in(bin.path()), (std::vector<std::string>{downloadName().substr(1), left.substr(bin.path().size() + 1)}));
}

TEST_F(FlashDownloadCuts, AnOperationThatFailsInItsOpeningStepsLeavesNoEmptyTemporaryFile)
{
    logger.update([](sim::State& s) { s.misbehaviour.refuse.insert(sim::Command{sim::port::gtp, sim::gtp::var_get}); });
    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd(), master_error);
    EXPECT_TRUE(files_in(bin.path()).empty());
}

TEST_F(FlashDownloadCuts, AcquisitionFoundOffIsSaidAndPutBackOff)
{
    logger.update([](sim::State& s) { s.variables[sim::var::acq_enable] = 0; });
    ASSERT_FALSE(master.start_download(0, 0, true));
    EXPECT_EQ(runToEnd(), master_success);
    EXPECT_TRUE(logged("WARNING : acquisition is off on the logger: it is put back off at the end, the logger does "
                       "not measure"));
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 0u);
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), flash.size());
}

// ---- no time step split between two downloads ----

// The time steps of a measurement file in file order: the time and the names
// of its elements; records kept before the first time record come as a step
// of time -1.
struct Tfile_step {
    int64_t time;
    std::vector<std::string> names;
};

std::vector<Tfile_step> file_steps(const std::string& path)
{
    std::vector<Tfile_step> steps;
    myXMLdocument document;
    Txml_element data = xml_LoadFile(path.c_str(), &document) ? xml_FindDocumentPath(&document, "/DATA") : nullptr;
    for (Txml_element e = data ? xml_FirstChildEntity(data) : nullptr; e; e = xml_NextEntity(e)) {
        const std::string name = xml_GetName(e);
        if (name != "time" && name != "continued_step")
            continue;
        Tfile_step step{name == "time" ? xml_GetAttributeInt(e, "v") : -1, {}};
        for (Txml_element child = xml_FirstChildEntity(e); child; child = xml_NextEntity(child))
            step.names.push_back(xml_GetName(child));
        steps.push_back(step);
    }
    return steps;
}

class FlashDownloadSteps : public FlashDownloadCuts {
protected:
    // Flash addresses of the time records, in flash order.
    std::vector<uint32_t> timeRecords() const
    {
        std::vector<uint32_t> starts;
        uint32_t start = 0;
        for (const sim::Bytes& record : sim::split_records(flash)) {
            if (record[0] == 128)
                starts.push_back(start);
            start += static_cast<uint32_t>(record.size());
        }
        return starts;
    }

    // Runs an incremental download of size (0: to MMS_PT) to its end line and
    // gives the measurement file it made ("" none).
    std::string download(uint32_t size, const std::string& expected_end,
                         const std::function<void()>& at_step = {}, unsigned step_ms = 100)
    {
        if (master.getLinkState() != Tcalyxo_master::LINK_CONNECTED) {
            EXPECT_FALSE(master.start_connect());
            EXPECT_EQ(finish(), master_success);
        }
        recorded::clear_log();
        EXPECT_FALSE(master.start_download(0, size, true));
        EXPECT_EQ(runToEnd(at_step, step_ms), expected_end);
        // The module's: a cancelled operation gives the master none.
        return module.converted_xml;
    }

    // The files together hold every time step of the flash from first_step on
    // whole, with the records of a step continued in the next file added to it.
    // A step in two files (the earlier file's NEXT_DOWNLOAD_ADDRESS not written)
    // is whole and the same in both, and only then allowed.
    void expectEveryStepOnceAndWhole(const std::vector<std::string>& files, std::size_t first_step,
                                     bool repeats_allowed) const
    {
        const std::vector<std::string> whole{"a130", "a145", "a163", "a21"};
        std::map<int64_t, std::vector<std::string>> steps;
        int64_t last = -1;
        for (const std::string& file : files) {
            ASSERT_FALSE(file.empty());
            for (const Tfile_step& step : file_steps(file)) {
                if (step.time == -1) {
                    ASSERT_NE(last, -1) << "records before the first time step of all";
                    steps[last].insert(steps[last].end(), step.names.begin(), step.names.end());
                    continue;
                }
                if (steps.count(step.time)) {
                    EXPECT_TRUE(repeats_allowed) << "time step " << step.time << " in two files";
                    EXPECT_EQ(steps[step.time], step.names) << "two versions of time step " << step.time;
                }
                steps[step.time] = step.names;
                last = step.time;
            }
        }
        ASSERT_EQ(steps.size(), acquisitions - first_step);
        for (std::size_t i = first_step; i < acquisitions; ++i) {
            const int64_t time = first_time + 600 * static_cast<int64_t>(i);
            ASSERT_TRUE(steps.count(time)) << "time step " << time << " in no file";
            EXPECT_EQ(steps[time], whole) << "time step " << time;
        }
    }

};

// Every way a download can end inside a time step; then the next incremental
// download. The step is left out of the first file and comes whole in the
// second; where the logger's end lies inside a step, the second file holds
// that step's rest in its continued_step element.
TEST_F(FlashDownloadSteps, ADownloadEndingInsideAStepLeavesItWholeForTheNext)
{
    const std::vector<uint32_t> times = timeRecords();
    ASSERT_EQ(times.size(), acquisitions);
    const sim::Bytes full = flash;
    const uint32_t step = 50;  // the step a chosen size ends in
    // The step that the first block's end lies in.
    const uint32_t block_end = start_of_new + Tdownload_manager::block_size;
    const uint32_t block_step = static_cast<uint32_t>(
        std::upper_bound(times.begin(), times.end(), block_end) - times.begin() - 1);
    ASSERT_NE(times[block_step], block_end) << "the block ends between steps: nothing to test";
    const unsigned first_block_frames = static_cast<unsigned>(Tdownload_manager::block_size / 128);
    struct Case {
        const char* name;
        std::function<void(sim::State&)> fault;
        uint32_t size;
        const char* end;
        uint32_t left_out;  // the step left out of the first file
        bool next_written;
        std::function<void()> at_step;
        unsigned step_ms;
    };
    bool stopped = false;
    const Case cases[] = {
        {"a size ending at a record boundary inside a step", {}, times[step] + 10 - start_of_new, master_success,
         step, true, {}, 100},
        {"a size ending inside a record", {}, times[step] + 30 - start_of_new, master_success, step, true, {}, 100},
        {"the line lost at a block boundary inside a step",
         [&](sim::State& s) {
             s.misbehaviour.mute_after_answer_to = btp_start;
             s.misbehaviour.mute_after_frames = first_block_frames;
         },
         0, master_error, block_step, true, {}, 1000},
        {"the device gone inside a step",
         [&](sim::State& s) {
             s.misbehaviour.close_in_answer_to = btp_start;
             s.misbehaviour.close_after_frames = first_block_frames;
         },
         0, master_error, block_step, false, {}, 100},
        {"a cancel inside a step",
         [&](sim::State& s) {
             s.pace_output = true;
             s.misbehaviour.mute_after_answer_to = btp_start;
             s.misbehaviour.mute_after_frames = first_block_frames;
         },
         0, master_cancelled, block_step, false,
         [&] {
             // Once the first block of this download is written.
             const Tdownload_manager& manager = module.downloadManager();
             if (!stopped && manager.state != 0 && manager.block_address > start_of_new) {
                 master.STOP.signal();
                 stopped = true;
             }
         },
         100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        logger.update([&](sim::State& s) {
            s.flash = full;
            s.variables[sim::var::next_download_address] = start_of_new;
            s.misbehaviour = sim::Misbehaviour{};
            s.pace_output = false;
            if (c.fault)
                c.fault(s);
        });
        stopped = false;
        const std::string first = download(c.size, c.end, c.at_step, c.step_ms);
        ASSERT_FALSE(first.empty());
        expectStepLeftOut(times[c.left_out]);
        std::vector<Tfile_step> steps = file_steps(first);
        ASSERT_FALSE(steps.empty());
        EXPECT_EQ(steps.back().time, first_time + 600 * (c.left_out - 1));
        EXPECT_EQ(loggerVariable(sim::var::next_download_address), c.next_written ? times[c.left_out] : start_of_new);
        // What the status page shows and hands to the download dialog.
        EXPECT_EQ(module_view.status(STATUS_NEXT_DOWNLOAD_ADDRESS).value,
                  c.next_written ? times[c.left_out] : start_of_new);

        logger.update([](sim::State& s) {
            s.misbehaviour = sim::Misbehaviour{};
            s.pace_output = false;
        });
        const std::string second = download(0, master_success);
        EXPECT_FALSE(recorded::log_contains("may lack records"));
        EXPECT_FALSE(recorded::log_contains("stand before its first time record"));
        EXPECT_EQ(file_steps(second).front().time,
                  first_time + 600 * (c.next_written ? c.left_out : skipped_acquisitions));
        EXPECT_EQ(loggerVariable(sim::var::next_download_address), full.size());
        expectEveryStepOnceAndWhole({first, second}, skipped_acquisitions, !c.next_written);
    }

    // MMS_PT inside the last step, which the logger is still writing: the
    // download reaches the logger's end and keeps what there is of the step;
    // the next one begins with the step's rest.
    SCOPED_TRACE("MMS_PT inside a step");
    const uint32_t mms_pt = times.back() + 10;
    logger.update([&](sim::State& s) {
        s.flash.assign(full.begin(), full.begin() + mms_pt);
        s.variables[sim::var::next_download_address] = start_of_new;
        s.misbehaviour = sim::Misbehaviour{};
    });
    const std::string first = download(0, master_success);
    EXPECT_FALSE(recorded::log_contains("may lack records"));
    EXPECT_EQ(file_steps(first).back().names, (std::vector<std::string>{"a130"}));
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), mms_pt);
    logger.update([&](sim::State& s) { s.flash = full; });
    const std::string second = download(0, master_success);
    const std::vector<Tfile_step> rest = file_steps(second);
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].time, -1);
    EXPECT_TRUE(recorded::log_contains("3 records of the download from " + std::to_string(mms_pt) +
                                       " stand before its first time record (a145 @" + std::to_string(mms_pt) +
                                       ", a163 @" + std::to_string(mms_pt + 5) + ", a21 @" +
                                       std::to_string(mms_pt + 10) + ")"));
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), full.size());
    expectEveryStepOnceAndWhole({first, second}, skipped_acquisitions, false);
}

// NEXT_DOWNLOAD_ADDRESS set by hand inside a step: the records before the
// first time record are kept in the continued_step element and named.
TEST_F(FlashDownloadSteps, ADownloadBeginningInsideAStepKeepsAndNamesItsFirstRecords)
{
    const std::vector<uint32_t> times = timeRecords();
    const uint32_t from = times[50] + 10;
    logger.update([&](sim::State& s) { s.variables[sim::var::next_download_address] = from; });
    const std::string file = download(0, master_success);
    EXPECT_TRUE(logged("WARNING : 3 records of the download from " + std::to_string(from) +
                       " stand before its first time record (a145 @" + std::to_string(from) + ", a163 @" +
                       std::to_string(from + 5) + ", a21 @" + std::to_string(from + 10) +
                       "): they belong to the time step before this download and are kept in its continued_step "
                       "element"));
    const std::vector<Tfile_step> steps = file_steps(file);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.front().time, -1);
    EXPECT_EQ(steps.front().names, (std::vector<std::string>{"a145", "a163", "a21"}));
    EXPECT_NE(read_file_bytes(file).find("<continued_step download_address=\"" + std::to_string(from) + "\">"),
              std::string::npos);
    // The time steps read as before: the ones after the first time record.
    expectConverted(static_cast<int>(acquisitions - 51));
    EXPECT_EQ(loggerVariable(sim::var::next_download_address), flash.size());
}

// ---- a cancel or a lost line while the download is converted ----

// Runs at the moment the pending window says that the conversion has started.
std::function<void()> on_conversion_started;

void watch_for_conversion(int id, const char* text)
{
    static bool converting_text_set = false;
    if (id == GUI_PENDING_TEXT)
        converting_text_set = std::string(text) == converting_text;
    if (id == GUI_PENDING && std::string(text) == "SHOW" && converting_text_set && on_conversion_started) {
        on_conversion_started();
        on_conversion_started = nullptr;
    }
}

class FlashDownloadWhileConverting : public FlashDownloadFaults {
protected:
    void SetUp() override
    {
        FlashDownloadFaults::SetUp();
        recorded::set_gui_forward(watch_for_conversion);
    }
    void TearDown() override
    {
        recorded::set_gui_forward(nullptr);
        on_conversion_started = nullptr;
        FlashDownloadFaults::TearDown();
    }
};

TEST_F(FlashDownloadWhileConverting, ACancelOrALostLineLeavesNextDownloadAddressAndKeepsTheMeasurementFile)
{
    struct Tcase {
        const char* what;
        bool slow;
        bool line_lost;
        const char* end;
    };
    const Tcase cases[] = {
        {"cancel after BTP", false, false, master_cancelled},
        {"cancel after 'Q' reads", true, false, master_cancelled},
        // Last: it leaves acquisition off on the logger.
        {"line lost after BTP", false, true, master_error},
    };
    for (const Tcase& c : cases) {
        SCOPED_TRACE(c.what);
        recorded::clear_log();
        recorded::clear_gui();
        // Queued before the worker can report its end: it comes to the module
        // in the converting state, whatever the worker's speed.
        bool triggered = false;
        on_conversion_started = [&] {
            triggered = true;
            (c.line_lost ? module.LINE_LOST : master.STOP).signal();
        };
        master.setParameter("slow_download", c.slow ? "1" : "0");
        ASSERT_FALSE(master.start_download(0, 0, true));
        EXPECT_EQ(runToEnd(), c.end);
        ASSERT_TRUE(triggered);
        EXPECT_EQ(module.state, Tmodule_resource::STATE_IDLE);
        EXPECT_TRUE(conversionShownPending());

        // The records are in the download file and the conversion's measurement
        // file, but NEXT_DOWNLOAD_ADDRESS did not move over them.
        const std::string file = downloadFile();
        EXPECT_EQ(file.substr(file.find("/>") + 2), newBytes());
        ASSERT_NE(module.converted_xml[0], '\0');
        Txml_parser reader;
        ASSERT_EQ(reader.parseFile(module.converted_xml), 0);
        EXPECT_EQ(reader.timeSteps()->count(), static_cast<int>(acquisitions - skipped_acquisitions));
        EXPECT_EQ(loggerVariable(sim::var::next_download_address), start_of_new);
        EXPECT_FALSE(recorded::log_contains("NEXT_DOWNLOAD_ADDRESS := "));
        if (c.line_lost) {
            EXPECT_TRUE(recorded::log_contains("connection to the logger lost @ 848"));
            EXPECT_TRUE(recorded::log_contains("ERROR : acquisition is left off on the logger"));
        } else {
            EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
        }
        std::remove(module.converted_xml);
        std::remove(module.download_file_name);
    }
}
