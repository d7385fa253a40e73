// EEPROM operations of the master against the simulated logger: uploads from a
// setup file with read-back verification, serial numbers, pulse meters, COM
// settings, downloads and their decoding.
#include <cstring>

#include "data/eeprom_generator.h"
#include "tests/e2e/operations_fixture.h"

namespace {

using operations_test::master_cancelled;
using operations_test::master_error;
using operations_test::master_success;
using operations_test::Operations;

const sim::Command mem_write{sim::port::gtp, sim::gtp::mem_write};
const sim::Command eeprom_read{sim::port::gtp, sim::gtp::eeprom_read};
const sim::Command control{sim::port::gtp, sim::gtp::control};

const char* const setup_text =
    "<SETUP><STATIONS><STATION id=\"499\" pin=\"4729\">"
    "<CONFIGURATION value=\"0\"><ACQ_INTERVAL0 value=\"900\"/><ACQ_INTERVAL1 value=\"3600\"/></CONFIGURATION>"
    "<CONFIGURATION value=\"2\"><SMS_NUMBER_1 value=\"+41791234567\"/>"
    "<SMS_TEXT_1 value=\"River gauge: a level alarm that takes more than one chunk of the upload\"/>"
    "</CONFIGURATION>"
    "<CONFIGURATION value=\"6\"><GSM_INTERVAL value=\"3600\"/><GSM_DURATION value=\"300\"/>"
    "<HTTP_URL value=\"/upload\"/></CONFIGURATION>"
    "</STATION></STATIONS></SETUP>";

class EepromOperations : public Operations {
protected:
    void SetUp() override
    {
        Operations::SetUp();
        ASSERT_TRUE(write_file_bytes(setup_file, setup_text));
    }

    // Every written byte of the module image's pages 0 to 7 is on the logger.
    void expectLoggerHoldsImage()
    {
        for (unsigned page = 0; page < 8; ++page) {
            const auto stored = logger.read([page](const sim::State& s) { return s.eeprom.page(static_cast<uint8_t>(page)); });
            for (unsigned i = 0; i < eeprom_page_size; ++i) {
                if (module.eeprom.isWritten(page, i)) {
                    ASSERT_EQ(stored[i], module.eeprom.byteAt(page, i)) << "page " << page << " byte " << i;
                }
            }
        }
    }

    Ttemp_dir files;
    std::string setup_file = files.file("setup.xml");
};

TEST_F(EepromOperations, AnUploadFromASetupFileIsVerifiedAndTakenIntoUse)
{
    ASSERT_EQ(master.start_eeprom_upload_file(setup_file.c_str()), 0);
    EXPECT_EQ(finish(), master_success);
    EXPECT_TRUE(logged("SUCCESS : EEPROM Verification ok"));
    expectLoggerHoldsImage();
    EXPECT_GT(module.eeprom.getPageLength(2), 48u);  // more than one chunk
    // The intervals found in the image are written into the running logger.
    EXPECT_EQ(loggerVariable(sim::var::acq_interval0), 900u);
    EXPECT_EQ(loggerVariable(sim::var::acq_interval1), 3600u);
    EXPECT_EQ(loggerVariable(sim::var::gsm_interval), 3600u);
    EXPECT_EQ(loggerVariable(sim::var::gsm_duration), 300u);
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
    // Controls 0 and 8 by the upload, and 8 once more for a setup file.
    std::vector<uint8_t> controls;
    for (const sim::Received& frame : logger.received())
        if (frame.port == sim::port::gtp && frame.command() == sim::gtp::control)
            controls.push_back(frame.body().at(0));
    const std::vector<uint8_t> expected = {0, 8, 8};
    EXPECT_EQ(controls, expected);
}

TEST_F(EepromOperations, ASetupThatCannotBeUsedIsReportedAndStartsNothing)
{
    EXPECT_NE(master.start_eeprom_upload_file(files.file("missing.xml").c_str()), 0);
    ASSERT_TRUE(write_file_bytes(setup_file, "<SETUP><STATIONS/></SETUP>"));
    EXPECT_EQ(master.start_eeprom_upload_file(setup_file.c_str()), 1);
    EXPECT_EQ(master.state, 0);
    EXPECT_TRUE(logger.received().empty());
}

TEST_F(EepromOperations, AReadBackMismatchFailsTheUploadAndPutsAcquisitionBack)
{
    logger.update([](sim::State& s) { s.eeprom.stuck.insert(2 * 256 + 60); });
    ASSERT_EQ(master.start_eeprom_upload_file(setup_file.c_str()), 0);
    EXPECT_EQ(finish(), master_error);
    EXPECT_TRUE(logged("ERROR : EEPROM Verification Failed !"));
    EXPECT_FALSE(logged("SUCCESS : EEPROM Verification ok"));
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
    EXPECT_EQ(logger.executions(control), 0u);
}

TEST_F(EepromOperations, ARefusedWriteFailsTheUpload)
{
    logger.update([](sim::State& s) { s.eeprom.write_protected = true; });
    ASSERT_EQ(master.start_eeprom_upload_file(setup_file.c_str()), 0);
    EXPECT_EQ(finish(), master_error);
    EXPECT_TRUE(logged("ERROR : EEPROM Verification Failed !"));
    EXPECT_TRUE(recorded::log_contains("ERROR : EEPROM upload cut off: pages written: none, page 0 not confirmed, "));
    EXPECT_EQ(logger.executions(mem_write), 1u);
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
}

TEST_F(EepromOperations, ATimeOutInTheMiddleFailsTheUploadAndPutsAcquisitionBack)
{
    // Every page is written; the read-back gets no answer.
    logger.update([](sim::State& s) { s.misbehaviour.drop_answers_to.insert(eeprom_read); });
    ASSERT_EQ(master.start_eeprom_upload_file(setup_file.c_str()), 0);
    EXPECT_EQ(finish(true), master_error);
    EXPECT_TRUE(logged("ERROR : Timeout - No Answer"));
    EXPECT_TRUE(logged("ERROR : EEPROM Verification Failed !"));
    EXPECT_GT(logger.executions(mem_write), 3u);
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
}

TEST_F(EepromOperations, ACancelledUploadEndsCancelledWithAcquisitionAsItWas)
{
    // The first write is answered PENDING and its answer held back, so that
    // the cancel always finds the upload under way, however fast the rest
    // of it would run.
    logger.update([](sim::State& s) {
        s.variables[sim::var::acq_enable] = 0;
        s.misbehaviour.pending[mem_write] = sim::LateRule{true, {}};
    });
    ASSERT_EQ(master.start_eeprom_upload_file(setup_file.c_str()), 0);
    ASSERT_TRUE(waitExecuted(mem_write, 1));
    master.STOP.signal();
    EXPECT_EQ(finish(), master_cancelled);
    EXPECT_TRUE(logged("ERROR : EEPROM Verification Cancelled !"));
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 0u);
    EXPECT_EQ(logger.executions(control), 0u);
}

TEST_F(EepromOperations, ASerialNumberIsProgrammedWithoutTheExtraControl)
{
    EXPECT_EQ(master.start_program_snr(4711), 0);
    EXPECT_EQ(finish(), master_success);
    EXPECT_TRUE(logged("INFO  : Programming SNR 4711"));
    unsigned snr = 0;
    ASSERT_TRUE(module.eeprom.findValue(130, &snr));
    EXPECT_EQ(snr, 4711u);
    expectLoggerHoldsImage();
    EXPECT_EQ(logger.executions(control), 2u);  // 0 and 8 of the upload only
}

TEST_F(EepromOperations, PulseMeterConstantsGoUpAndComeBackRounded)
{
    master.start_macro_write(1234, 0.01f, 0.29);
    EXPECT_EQ(finish(), master_success);
    EXPECT_EQ(loggerVariable(sim::var::pulse_counter0), 29u);  // not the 28 of truncation

    master.pulse_weight = 0;
    master.pulse_snr = 0;
    master.start_macro_read();
    EXPECT_EQ(finish(), master_success);
    EXPECT_TRUE(logged("CONST_WEIGHT = 0.010000"));
    EXPECT_TRUE(logged("CONST_SNR = 1234"));
    EXPECT_TRUE(logged("CONST_CONFIG = 20"));
    const std::vector<std::pair<int, std::string>> fields = {{0, "0.29"}, {1, "1234"}, {2, "0.010000"}};
    EXPECT_EQ(recorded::gui_calls(), fields);
    EXPECT_EQ(shown.pulse_meter_forms, 1);
}

TEST_F(EepromOperations, ADownloadShowsOnlyThePagesItRead)
{
    Teeprom_generator page6;
    page6.clear();
    page6.addValue(134, 1800);
    page6.addString(118, "/gprs/in.php");
    page6.addByteAndString(124, 81, "data.example.org");
    page6.addValue(157, 42);  // a record the operator's page does not generate
    page6.addEnd();
    // An image compiled earlier holds pages the download does not read.
    ASSERT_EQ(master.start_eeprom_upload_file(setup_file.c_str()), 0);
    ASSERT_EQ(finish(), master_success);
    logger.update([&](sim::State& s) {
        s.eeprom.setPage(6, std::vector<uint8_t>(page6.getBuffer(), page6.getBuffer() + page6.getLength()));
        s.eeprom.setPage(0, {133, 0, 0, 3, 0x84, 0xFF});  // ACQ_INTERVAL0 = 900
        s.variables[sim::var::acq_enable] = 0;
    });
    recorded::clear_log();
    const unsigned reads_before = logger.executions(eeprom_read);

    master.start_eeprom_download(0x41, 0);
    EXPECT_EQ(finish(), master_success);
    EXPECT_TRUE(logged("INFO  : EEPROM Download ok"));
    EXPECT_EQ(module.eeprom.getPageLength(2), 0u);
    EXPECT_EQ(module.eeprom.byteAt(6, 0), 134);
    for (const char* line : {"GSM_INTERVAL = 1800", "HTTP_HOST = data.example.org, port=81",
                             "HTTP_URL = /gprs/in.php", "ACQ_INTERVAL = 900"})
        EXPECT_TRUE(logged(line)) << line;
    EXPECT_EQ(shown.com_settings["HTTP_HOST"], "data.example.org");
    EXPECT_EQ(shown.com_settings["GSM_INTERVAL"], "1800");
    EXPECT_FALSE(shown.text_window.empty());
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 0u);
    EXPECT_EQ(logger.executions(eeprom_read) - reads_before, 12u);  // two pages of six reads

    // The COM settings go back with the foreign record kept.
    master.setParameter("GSM_INTERVAL", "600");
    master.start_com_settings_upload();
    EXPECT_EQ(finish(), master_success);
    const auto stored = logger.read([](const sim::State& s) { return s.eeprom.page(6); });
    Teeprom_configurer read_back;
    read_back.loadPage(6, stored.data(), eeprom_page_size);
    unsigned value = 0;
    ASSERT_TRUE(read_back.getValue(&value, 6, 134));
    EXPECT_EQ(value, 600u);
    ASSERT_TRUE(read_back.getValue(&value, 6, 157));
    EXPECT_EQ(value, 42u);
}

TEST_F(EepromOperations, AnUploadOfNoPagesStillSetsTheIntervalsAndTheControls)
{
    ASSERT_EQ(master.start_eeprom_upload_file(setup_file.c_str()), 0);
    ASSERT_EQ(finish(), master_success);
    logger.clearReceived();
    const unsigned writes = logger.executions(mem_write);
    const unsigned reads = logger.executions(eeprom_read);
    logger.update([](sim::State& s) { s.variables[sim::var::acq_interval0] = 1; });
    ASSERT_FALSE(module.start_eeprom_upload_pages(0));
    ASSERT_TRUE(pump.until([&] { return module.state == 0 && logged("SUCCESS : EEPROM Verification ok"); }));
    EXPECT_EQ(logger.executions(mem_write), writes);
    EXPECT_EQ(logger.executions(eeprom_read), reads);
    EXPECT_EQ(loggerVariable(sim::var::acq_interval0), 900u);
    std::vector<uint8_t> controls;
    for (const sim::Received& frame : logger.received())
        if (frame.port == sim::port::gtp && frame.command() == sim::gtp::control)
            controls.push_back(frame.body().at(0));
    const std::vector<uint8_t> expected = {0, 8};
    EXPECT_EQ(controls, expected);
}

TEST_F(EepromOperations, ACancelledDownloadEndsCancelledWithAcquisitionAsItWas)
{
    logger.update([](sim::State& s) { s.misbehaviour.drop_answers_to.insert(eeprom_read); });
    master.start_eeprom_download(0xFF, 0);
    ASSERT_TRUE(waitExecuted(eeprom_read, 1));
    master.STOP.signal();
    EXPECT_EQ(finish(), master_cancelled);
    EXPECT_TRUE(logged("ERROR : EEPROM Download Cancelled !"));
    EXPECT_TRUE(shown.text_window.empty());
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
}

TEST_F(EepromOperations, AFailedDownloadDecodesNothing)
{
    logger.update([](sim::State& s) { s.misbehaviour.drop_answers_to.insert(eeprom_read); });
    master.start_eeprom_download(0x40, 0);
    EXPECT_EQ(finish(true), master_error);
    EXPECT_TRUE(logged("ERROR : EEPROM Download Failed !"));
    EXPECT_TRUE(shown.com_settings.empty());
    EXPECT_TRUE(shown.text_window.empty());
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 1u);
}

}  // namespace

TEST_F(EepromOperations, AnUploadCutOffByALostDeviceSaysWhichPagesWereWritten)
{
    ASSERT_EQ(master.start_eeprom_upload_file(setup_file.c_str()), 0);
    // The pages the upload writes, in its order; the device goes with the
    // first answer of the second one.
    std::vector<unsigned> pages;
    for (unsigned page : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 250u})
        if (module.eeprom.getPageLength(page) > 0)
            pages.push_back(page);
    ASSERT_GE(pages.size(), 3u);
    const unsigned first_page_chunks = (module.eeprom.getPageLength(pages[0]) + 47) / 48;
    logger.update([first_page_chunks](sim::State& s) {
        s.misbehaviour.close_in_answer_to = mem_write;
        s.misbehaviour.close_after_frames = first_page_chunks;
        s.misbehaviour.close_for_good = true;
    });
    EXPECT_EQ(finish(), master_error);
    std::string not_written;
    for (std::size_t i = 2; i < pages.size(); ++i)
        not_written += " " + std::to_string(pages[i]);
    EXPECT_TRUE(logged("ERROR : EEPROM upload cut off: pages written: " + std::to_string(pages[0]) + ", page " +
                       std::to_string(pages[1]) + " not confirmed, pages not written:" + not_written));
    EXPECT_TRUE(logged("ERROR : acquisition is left off on the logger"));
    EXPECT_TRUE(recorded::log_contains("ERROR : module resource : connection to the logger lost @ "));
    EXPECT_FALSE(recorded::log_contains("Timeout"));
    // The logger holds the first page and is left without acquisition.
    const auto stored = logger.read([&](const sim::State& s) { return s.eeprom.page(static_cast<uint8_t>(pages[0])); });
    for (unsigned i = 0; i < module.eeprom.getPageLength(pages[0]); ++i)
        ASSERT_EQ(stored[i], module.eeprom.byteAt(pages[0], i)) << "byte " << i;
    EXPECT_EQ(logger.executions(mem_write), first_page_chunks + 1);
    EXPECT_EQ(loggerVariable(sim::var::acq_enable), 0u);
    EXPECT_EQ(logger.executions(control), 0u);
}

// The pages an upload of the module image writes and those it reads back, in its order.
void upload_pages(const Teeprom_configurer& image, std::vector<unsigned>* written, std::vector<unsigned>* read_back)
{
    for (unsigned page : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 250u}) {
        if (image.getPageLength(page) == 0)
            continue;
        written->push_back(page);
        if (page != 250)
            read_back->push_back(page);
    }
}

std::string page_list(const std::vector<unsigned>& pages, std::size_t from = 0)
{
    std::string text;
    for (std::size_t i = from; i < pages.size(); ++i)
        text += " " + std::to_string(pages[i]);
    return text;
}

TEST_F(EepromOperations, AnUploadSilentDuringItsReadBackSaysWhichPagesWereWrittenAndWhichVerified)
{
    ASSERT_EQ(master.start_eeprom_upload_file(setup_file.c_str()), 0);
    // Every page is written; the logger falls silent after the read-back of the first.
    std::vector<unsigned> written;
    std::vector<unsigned> read_back;
    upload_pages(module.eeprom, &written, &read_back);
    ASSERT_GE(read_back.size(), 2u);
    const unsigned first_page_chunks = (module.eeprom.getPageLength(read_back[0]) + 47) / 48;
    logger.update([first_page_chunks](sim::State& s) {
        s.misbehaviour.silent_after_answer_to = eeprom_read;
        s.misbehaviour.silent_after_frames = first_page_chunks;
    });
    EXPECT_EQ(finish(true), master_error);
    EXPECT_TRUE(logged("ERROR : EEPROM upload cut off: pages written:" + page_list(written) +
                       ", pages not written: none, pages verified: " + std::to_string(read_back[0]) +
                       ", pages not verified:" + page_list(read_back, 1)));
    EXPECT_TRUE(logged("ERROR : Timeout - No Answer"));
    EXPECT_TRUE(recorded::log_contains("ERROR : acquisition may be left off on the logger"));
    EXPECT_EQ(logger.executions(control), 0u);
}

TEST_F(EepromOperations, AnUploadSilentAtItsClosingWriteSaysEveryPageWasWrittenAndVerified)
{
    // A whole upload first, to count its variable writes: the last one puts acquisition back.
    const sim::Command var_set{sim::port::gtp, sim::gtp::var_set};
    ASSERT_EQ(master.start_eeprom_upload_file(setup_file.c_str()), 0);
    ASSERT_EQ(finish(), master_success);
    const unsigned writes = logger.executions(var_set);
    ASSERT_GE(writes, 2u);
    std::vector<unsigned> written;
    std::vector<unsigned> read_back;
    upload_pages(module.eeprom, &written, &read_back);

    recorded::clear_log();
    logger.update([&](sim::State& s) {
        s.misbehaviour.silent_after_answer_to = var_set;
        s.misbehaviour.silent_after_frames = writes - 1;
    });
    ASSERT_EQ(master.start_eeprom_upload_file(setup_file.c_str()), 0);
    EXPECT_EQ(finish(true), master_error);
    EXPECT_EQ(logger.executions(var_set), 2 * writes);
    EXPECT_TRUE(logged("ERROR : EEPROM upload cut off: pages written:" + page_list(written) +
                       ", pages not written: none, pages verified:" + page_list(read_back) +
                       ", pages not verified: none"));
    EXPECT_TRUE(recorded::log_contains("ERROR : acquisition may be left off on the logger"));
}
