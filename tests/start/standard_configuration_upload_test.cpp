// Each standard configuration uploaded through the module resource to the
// simulated logger and verified by reading it back.

#include <gtest/gtest.h>

#include <vector>

#include "programs/start/standard_configuration.h"
#include "tests/e2e/logger_stack_test_base.h"
#include "tests/start/standard_configuration_golden.h"

namespace {

const sim::Command mem_write{sim::port::gtp, sim::gtp::mem_write};
const sim::Command eeprom_read{sim::port::gtp, sim::gtp::eeprom_read};

class StandardConfigurationUpload : public Tlogger_stack_test {
protected:
    void SetUp() override { openLink("38400", listener); }

    // Runs the upload of the module's image to its end; the verification line.
    std::string upload()
    {
        recorded::clear_log();
        if (module.start_eeprom_upload_all())
            return "refused";
        runUntil([&] { return module.state == 0 && recorded::log_contains("EEPROM Verification"); });
        for (const char* line : {"SUCCESS : EEPROM Verification ok", "ERROR : EEPROM Verification Failed !"})
            if (recorded::log_contains(line))
                return line;
        return "unfinished";
    }

    sim::Eeprom::Page loggerPage(unsigned page)
    {
        return logger.read([page](const sim::State& s) { return s.eeprom.page(static_cast<uint8_t>(page)); });
    }
};

class EveryStandardConfiguration : public StandardConfigurationUpload, public ::testing::WithParamInterface<int> {};

TEST_P(EveryStandardConfiguration, TheLoggerHoldsEveryGoldenPageAfterAVerifiedUpload)
{
    const int type = GetParam();
    ASSERT_TRUE(build_standard_configuration(type, &module.eeprom));
    ASSERT_EQ(upload(), "SUCCESS : EEPROM Verification ok");
    EXPECT_GT(logger.executions(eeprom_read), 0u);

    const auto golden = start_test::golden_pages(type);
    ASSERT_EQ(golden.size(), 4u);
    for (unsigned page : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u}) {
        const auto found = golden.find(page);
        const sim::Eeprom::Page stored = loggerPage(page);
        for (unsigned i = 0; i < stored.size(); ++i) {
            // A page built holds its bytes, the rest of it and the pages not built stay erased.
            const uint8_t expected = found != golden.end() && i < found->second.size() ? found->second[i] : 0xFF;
            ASSERT_EQ(stored[i], expected) << "type " << type << " page " << page << " byte " << i;
        }
    }
    // The intervals of page 0 are taken into the running logger as well.
    unsigned interval = 0;
    ASSERT_TRUE(module.eeprom.getValue(&interval, 0, 133));
    EXPECT_EQ(logger.read([](const sim::State& s) { return s.variables.at(sim::var::acq_interval0); }), interval);
}

INSTANTIATE_TEST_SUITE_P(Types, EveryStandardConfiguration,
                         ::testing::Values(STANDARD_KLVR_VEXL, STANDARD_KLVR_VEXL_COM, STANDARD_CALIBRATION,
                                           STANDARD_FLOW));

TEST_F(StandardConfigurationUpload, AConfigurationThatDoesNotReadBackFailsItsUpload)
{
    // A byte of the flow program on page 1 does not take the new value.
    logger.update([](sim::State& s) { s.eeprom.stuck.insert(1 * 256 + 30); });
    ASSERT_TRUE(build_standard_configuration(STANDARD_FLOW, &module.eeprom));
    EXPECT_EQ(upload(), "ERROR : EEPROM Verification Failed !");
    EXPECT_GT(logger.executions(mem_write), 0u);
}

}  // namespace
