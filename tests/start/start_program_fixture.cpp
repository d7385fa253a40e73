#include "tests/start/start_program_fixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <chrono>

#include "programs/start/globals.h"
#include "tests/support/recording_program.h"
#include "tests/ui/ui_application.h"

namespace {

Tstart_program* under_test = nullptr;

void forward_log(const char* line)
{
    if (under_test)
        under_test->logOutput(line);
}
void forward_gui(int id, const char* text) { under_test->guiSet(id, text); }
const char* forward_gui_get(int id) { return under_test->guiGet(id); }
void forward_select(int channel) { under_test->selectOutput(channel); }
void forward_clear() { under_test->clearOutput(); }

}  // namespace

void Tstart_program_fixture::SetUpTestSuite()
{
    ensure_ui_application();
}

void Tstart_program_fixture::SetUp()
{
    program = std::make_unique<Tstart_program>();
    under_test = program.get();
    program->globals.data_dir.assign(data.path().c_str());
    if (day_log_ == Tday_log::in_data_folder) {
        ASSERT_EQ(program->day_log.setDirectory(data.path().c_str()), 0);
    }
    program->createForms();
    pump = std::make_unique<link_test::Tevent_pump>();
    program->installHooks();
    recorded::set_log_forward(forward_log);
    recorded::set_gui_forward(forward_gui);
    recorded::set_gui_get_forward(forward_gui_get);
    recorded::set_output_forward(forward_select, forward_clear);
    frame = program->frame;
}

void Tstart_program_fixture::TearDown()
{
    recorded::set_log_forward(nullptr);
    recorded::set_gui_forward(nullptr);
    recorded::set_gui_get_forward(nullptr);
    recorded::set_output_forward(nullptr, nullptr);
    pump.reset();
    program.reset();
    under_test = nullptr;
}

void Tstart_program_fixture::startOnFlowingLogger(sim::Logger& logger)
{
    logger.update([](sim::State& s) {
        s.schedule.run = true;
        s.schedule.flow_interval = std::chrono::milliseconds(300);
    });
    ASSERT_TRUE(logger.start({0, ports.path()})) << logger.error();
    startOn(logger, MODE_KLVR);
}

bool Tstart_program_fixture::tickUntil(const std::function<bool()>& done, int seconds,
                                       const std::function<bool()>& before_tick)
{
    for (int s = 0; s < seconds; ++s) {
        if (!pump->untilLineQuiet(program->io, peer_quiet, done) || done())
            return done();
        if (before_tick && !before_tick())
            return done();
        pump->window.advance(1000);
    }
    return done();
}

void Tstart_program_fixture::click(const char* name)
{
    QPushButton* b = child<QPushButton>(frame, name);
    ASSERT_NE(b, nullptr);
    b->click();
}

void Tstart_program_fixture::fillCalibrationPage(const char* serial_number, int model, int configuration)
{
    click("Panel12");
    child<QLineEdit>(frame, "fluo_cal_ed_SNR")->setText(QString::fromLatin1(serial_number));
    QComboBox* models = child<QComboBox>(frame, "fluo_cal_cb_model");
    models->setCurrentIndex(models->findData(model));
    QComboBox* configurations = child<QComboBox>(frame, "fluo_cal_cb_configuration");
    configurations->setCurrentIndex(configurations->findData(configuration));
}
