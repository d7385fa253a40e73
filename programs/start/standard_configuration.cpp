#include "programs/start/standard_configuration.h"

#include <vector>

#include "data/eeprom_configurer.h"
#include "data/eeprom_generator.h"
#include "data/eeprom_sequence_generator.h"

namespace {

// Record tags of the pages built here.
constexpr unsigned char ACQ_INTERVAL0 = 133;
constexpr unsigned char ACQ_INTERVAL1 = 136;
constexpr unsigned char SEQUENCE_0 = 8;
constexpr unsigned char SEQUENCE_1 = 9;
constexpr unsigned char SEQUENCE_2 = 10;
constexpr unsigned char GPRS_URL = 118;
constexpr unsigned char USERNAME = 119;
constexpr unsigned char PASSWORD = 120;
constexpr unsigned char GPRS_APN_USERNAME = 121;
constexpr unsigned char GPRS_APN_PASSWORD = 122;
constexpr unsigned char GPRS_APN_NAME = 123;
constexpr unsigned char HTTP_HOST = 124;
constexpr unsigned char GSM_INTERVAL = 134;
constexpr unsigned char GSM_DURATION = 135;
constexpr unsigned char GSM_STEP = 157;

// Placeholders the technician replaces for a real data server and network.
constexpr const char* default_http_host = "data.example.org";
constexpr unsigned char default_http_port = 80;
constexpr const char* default_apn = "internet";

constexpr unsigned one_day = 86400;

// One instruction of an acquisition program, as the sequence builder takes it.
enum Top { TIMEOUT, ACQ, CONFIG, ACTION, WAIT, LOOP, LOOP_END };
struct Tstep {
    Top op;
    // The builder operation's numbers in its order; CONFIG: module, parameter
    // and the four value bytes as one number, most significant first.
    unsigned a = 0, b = 0, c = 0;
};
using Tprogram = std::vector<Tstep>;

// The instructions the programs share: module 0 is the logger itself (its
// output 23 powers the probe, ACQ 160 its battery), module 27 the probe.
const Tstep timeout_3{TIMEOUT, 3};
const Tstep wait_3{WAIT, 3};
const Tstep logger_reset{ACTION, 0, 253, 0};
const Tstep battery{ACQ, 0, 160, 21};
const Tstep probe_setup{CONFIG, 27, 0, 0x00080005};
const Tstep probe_power_on{ACTION, 0, 23, 1};
const Tstep probe_power_off{ACTION, 0, 23, 0};
const Tstep reading_to_32{ACQ, 27, 21, 32};
const Tstep reading_to_41{ACQ, 27, 21, 41};

struct Tconfiguration {
    bool communication;  // the GSM, call and GPRS flags of SYSCTRL
    unsigned acq_interval0;
    unsigned acq_interval1;
    unsigned gsm_interval;
    unsigned gsm_step;
    Tprogram sequence[3];  // tags 8, 9 and 10; empty: none
    Tprogram page2_sequence1;
};

const Tconfiguration& configuration_of(int type)
{
    static const Tconfiguration configurations[4] = {
        {false, 900, 3600, one_day, one_day,
         {{timeout_3, logger_reset, battery, probe_setup, probe_power_on, wait_3, reading_to_32, probe_power_off},
          {},
          {timeout_3, battery, probe_setup, probe_power_on, wait_3, {ACQ, 27, 144, 10}, {ACQ, 27, 145, 11},
           {ACQ, 27, 146, 12}, {ACQ, 27, 147, 13}, {ACQ, 27, 148, 14}, reading_to_32, probe_power_off}},
         {probe_power_on, timeout_3, probe_setup, reading_to_32}},
        {true, 900, 3600, 3600, 3000,
         {{timeout_3, probe_setup, probe_power_on, wait_3, reading_to_32, probe_power_off},
          {},
          {timeout_3, probe_setup, probe_power_on, wait_3, {ACQ, 27, 144, 10}, {ACQ, 27, 145, 11},
           {ACQ, 27, 146, 12}, {ACQ, 27, 147, 13}, {ACQ, 27, 148, 14}, reading_to_32, probe_power_off}},
         {}},
        {false, one_day, one_day, one_day, one_day,
         {{timeout_3, probe_setup, probe_power_on, wait_3, reading_to_32}, {probe_power_off}, {probe_power_off}},
         {}},
        {false, one_day, one_day, one_day, one_day,
         {{timeout_3, logger_reset, battery, probe_setup, probe_power_on, wait_3, reading_to_41, probe_power_off},
          {timeout_3, probe_power_on, probe_setup, wait_3, {LOOP, 3000}, reading_to_41, {LOOP_END},
           probe_power_off},
          {timeout_3, logger_reset, battery, probe_setup, probe_power_on, wait_3, reading_to_41, probe_power_off}},
         {}},
    };
    return configurations[type - 1];
}

void add_step(Teeprom_sequence_generator& builder, const Tstep& step)
{
    switch (step.op) {
    case TIMEOUT:
        builder.addTimeout(step.a);
        break;
    case ACQ:
        builder.addAcq32(step.a, step.b, step.c);
        break;
    case CONFIG:
        builder.addConfig32(step.a, step.b, static_cast<unsigned char>(step.c >> 24),
                            static_cast<unsigned char>(step.c >> 16), static_cast<unsigned char>(step.c >> 8),
                            static_cast<unsigned char>(step.c));
        break;
    case ACTION:
        builder.addAction32(step.a, step.b, step.c);
        break;
    case WAIT:
        builder.addWait(step.a);
        break;
    case LOOP:
        builder.addLoop(step.a);
        break;
    case LOOP_END:
        builder.addLoopEnd();
        break;
    }
}

// A program in a fresh builder, closed and added as its record; none when empty.
void add_program(Teeprom_generator& page, unsigned char tag, const Tprogram& program)
{
    if (program.empty())
        return;
    Teeprom_sequence_generator builder;
    for (const Tstep& step : program)
        add_step(builder, step);
    builder.addEnd();
    page.addRecord(tag, builder.getBuffer(), builder.getLength());
}

void load_page(Teeprom_generator& page, unsigned number, Teeprom_configurer* image)
{
    page.addEnd();
    page.dump();
    image->loadPage(number, page.getBuffer(), page.getLength());
}

}  // namespace

bool build_standard_configuration(int type, Teeprom_configurer* image)
{
    if (!image || type < STANDARD_KLVR_VEXL || type > STANDARD_FLOW)
        return false;
    const Tconfiguration& configuration = configuration_of(type);
    const int gsm = configuration.communication ? 1 : 0;
    image->clear();
    Teeprom_generator page;

    page.clear();
    page.addSysctrl(1, 1, 1, gsm, gsm, gsm, 0, 2, "");
    page.addValue(ACQ_INTERVAL0, configuration.acq_interval0);
    page.addValue(ACQ_INTERVAL1, configuration.acq_interval1);
    page.addSystemConfig(5, 0, 0, 3, 0);
    load_page(page, 0, image);

    page.clear();
    const unsigned char sequence_tags[3] = {SEQUENCE_0, SEQUENCE_1, SEQUENCE_2};
    for (unsigned i = 0; i < 3; ++i)
        add_program(page, sequence_tags[i], configuration.sequence[i]);
    load_page(page, 1, image);

    page.clear();
    add_program(page, SEQUENCE_1, configuration.page2_sequence1);
    load_page(page, 2, image);

    page.clear();
    page.addByteAndString(HTTP_HOST, default_http_port, default_http_host);
    page.addString(GPRS_URL, "/gprs/default.php");
    page.addString(USERNAME, "vornhal");
    page.addString(PASSWORD, "gowp");
    page.addString(GPRS_APN_USERNAME, "");
    page.addString(GPRS_APN_PASSWORD, "");
    page.addString(GPRS_APN_NAME, default_apn);
    page.addValue(GSM_INTERVAL, configuration.gsm_interval);
    page.addValue(GSM_STEP, configuration.gsm_step);
    page.addValue(GSM_DURATION, 300);
    page.addPinCode("0583");
    load_page(page, 6, image);
    return true;
}

const char* standard_configuration_display_mode(int type)
{
    switch (type) {
    case STANDARD_KLVR_VEXL:
        return "KLVR_VEXL";
    case STANDARD_KLVR_VEXL_COM:
        return "KLVR_VEXL_COM";
    default:
        return nullptr;
    }
}
