// The master's operations that run one module operation per step: variables,
// outputs, controls, parameters, EEPROM uploads and downloads and the
// pulse-meter constants. Each step starts its module operation, waits for its
// end and goes on; a cancel stops the module operation and waits for it.
#include <cmath>

#include "base/log.h"
#include "base/program_interface.h"
#include "base/xml.h"
#include "link/calyxo_master.h"
#include "link/gui_ids.h"
#include "link/logger_variables.h"
#include "link/main_window_port.h"
#include "link/module_resource.h"
#include "link/sequence_report.h"

namespace {

enum class Tstart { started, refused, skipped };

Tstart started_unless(bool refused)
{
    return refused ? Tstart::refused : Tstart::started;
}

constexpr uint8_t CONTROL_RESTART_ACQ = 8;
constexpr uint8_t PULSE_METER_PAGE_MASK = 0x08;
constexpr uint8_t DECODE_PULSE_METER = 3;
constexpr int PULSE_METER_DISPLAY = 3500;

// gui_set ids of the pulse-meter dialog's fields.

Tstart set_var(Tcalyxo_master& m)
{
    return started_unless(m.module->start_set_var(m.variable_id, m.variable_value, m.set_flag));
}

Tstart add_var(Tcalyxo_master& m)
{
    return started_unless(m.module->start_read_add_write_var(m.variable_id, static_cast<int32_t>(m.variable_value)));
}

Tstart out_control(Tcalyxo_master& m)
{
    return started_unless(m.module->start_out_control(m.output_kind, m.output_mask, m.output_value));
}

Tstart control(Tcalyxo_master& m)
{
    return started_unless(m.module->start_control(m.control_type, m.control_data, m.control_data_count, 0));
}

Tstart quick_sync(Tcalyxo_master& m)
{
    return started_unless(m.module->start_quick_sync(m.quick_sync_period));
}

Tstart upload_all(Tcalyxo_master& m)
{
    return started_unless(m.module->start_eeprom_upload_all());
}

Tstart upload_control(Tcalyxo_master& m)
{
    if (!m.upload_control)
        return Tstart::skipped;
    return started_unless(m.module->start_control(CONTROL_RESTART_ACQ, nullptr, 0, 0));
}

// Pages the download does not read are cleared first, so that what is shown
// afterwards is only what the logger holds.
Tstart download(Tcalyxo_master& m, uint8_t mask)
{
    if (m.module->state != Tmodule_resource::STATE_IDLE)
        return Tstart::refused;
    m.module->eeprom.clear();
    return started_unless(m.module->start_eeprom_download(mask));
}

Tstart eeprom_download(Tcalyxo_master& m)
{
    return download(m, m.eeprom_page_mask);
}

Tstart upload_pages(Tcalyxo_master& m)
{
    return started_unless(m.module->start_eeprom_upload_pages(m.eeprom_page_mask));
}

Tstart parameter_get(Tcalyxo_master& m)
{
    m.parameter_length = 0;
    return started_unless(m.module->start_get_parameter(m.variable_id, m.parameter_buffer,
                                                        static_cast<uint8_t>(sizeof m.parameter_buffer),
                                                        &m.parameter_length));
}

Tstart macro_upload(Tcalyxo_master& m)
{
    return m.macro_skip ? Tstart::skipped : upload_all(m);
}

Tstart macro_set_index(Tcalyxo_master& m)
{
    if (m.macro_skip)
        return Tstart::skipped;
    return started_unless(m.module->start_set_var(VAR_PULSE_INDEX, m.pulse_index_value, 0));
}

Tstart macro_download(Tcalyxo_master& m)
{
    return m.macro_skip ? Tstart::skipped : download(m, PULSE_METER_PAGE_MASK);
}

Tstart macro_read_index(Tcalyxo_master& m)
{
    if (m.macro_skip)
        return Tstart::skipped;
    m.decode_mode = DECODE_PULSE_METER;
    m.decodeEepromDownload();
    return started_unless(m.module->start_get_var(VAR_PULSE_INDEX, &m.pulse_meter_index));
}

struct Tmodule_step {
    int state;  // state + 1 is its cancel state
    Tstart (*start)(Tcalyxo_master&);
    void (Tcalyxo_master::*after_success)();  // null: none
    int next;
};

const Tmodule_step module_steps[] = {
    {250, set_var, nullptr, Tcalyxo_master::STATE_SUCCESS},
    {260, add_var, nullptr, Tcalyxo_master::STATE_SUCCESS},
    {270, out_control, nullptr, Tcalyxo_master::STATE_SUCCESS},
    {320, control, nullptr, Tcalyxo_master::STATE_SUCCESS},
    {360, upload_all, nullptr, 370},
    {420, quick_sync, nullptr, Tcalyxo_master::STATE_SUCCESS},
    {370, upload_control, nullptr, Tcalyxo_master::STATE_SUCCESS},
    {520, eeprom_download, &Tcalyxo_master::decodeEepromDownload, Tcalyxo_master::STATE_SUCCESS},
    {600, upload_pages, nullptr, Tcalyxo_master::STATE_SUCCESS},
    {700, parameter_get, &Tcalyxo_master::showParameter, Tcalyxo_master::STATE_SUCCESS},
    {2000, macro_upload, nullptr, 2010},
    {2010, macro_set_index, nullptr, Tcalyxo_master::STATE_SUCCESS},
    {3000, macro_download, nullptr, 3010},
    {3010, macro_read_index, nullptr, PULSE_METER_DISPLAY},
};

const Tmodule_step* find_module_step(int state)
{
    for (const Tmodule_step& step : module_steps)
        if (step.state == state || step.state + 1 == state)
            return &step;
    return nullptr;
}

bool weight_is(float weight, double value)
{
    return std::fabs(static_cast<double>(weight) - value) < 1e-6;
}

// Pulses a cubic metre: the weights other than 0.1 and 0.01 count as 1.0.
double pulses_per_unit(float weight)
{
    return weight_is(weight, 0.1) ? 10 : weight_is(weight, 0.01) ? 100 : 1;
}

}  // namespace

bool pulse_count_of_index(double index, float weight, uint32_t* pulses)
{
    // Rounded: 0.29 m3 of 0.01 are 29 pulses, not the 28 that truncation gives.
    const double count = std::round(index * pulses_per_unit(weight));
    if (!(count >= 0 && count <= static_cast<double>(UINT32_MAX)))
        return false;
    *pulses = static_cast<uint32_t>(count);
    return true;
}

double largest_pulse_index(float weight)
{
    return static_cast<double>(UINT32_MAX) / pulses_per_unit(weight);
}

void Tcalyxo_master::startOperations()
{
    struct Tfirst_state {
        Tmy_event Tcalyxo_master::*event;
        int state;
    };
    static const Tfirst_state first_states[] = {
        {&Tcalyxo_master::START_SET_VAR, 250},
        {&Tcalyxo_master::START_ADD_VAR, 260},
        {&Tcalyxo_master::START_OUT_CONTROL, 270},
        {&Tcalyxo_master::START_CONTROL, 320},
        {&Tcalyxo_master::START_EEPROM_UPLOAD, 360},
        {&Tcalyxo_master::START_QUICK_SYNC, 420},
        {&Tcalyxo_master::START_EEPROM_DOWNLOAD, 520},
        {&Tcalyxo_master::START_EEPROM_UPLOAD_PAGES, 600},
        {&Tcalyxo_master::START_PARAMETER_GET, 700},
        {&Tcalyxo_master::START_MACRO_WRITE, 2000},
        {&Tcalyxo_master::START_MACRO_READ, 3000},
        {&Tcalyxo_master::START_SCRIPT, 1600},
    };
    for (const Tfirst_state& first : first_states)
        if (onEvent(&(this->*first.event), first.state))
            end_code = STATE_SUCCESS;
}

bool Tcalyxo_master::start_set_var(uint8_t id, uint32_t value, uint8_t flag)
{
    if (refuseStart(true))
        return true;
    variable_id = id;
    variable_value = value;
    set_flag = flag;
    begin(START_SET_VAR);
    return false;
}

bool Tcalyxo_master::start_add_var(uint8_t id, int32_t delta)
{
    if (refuseStart(true))
        return true;
    variable_id = id;
    variable_value = static_cast<uint32_t>(delta);
    begin(START_ADD_VAR);
    return false;
}

bool Tcalyxo_master::start_parameter_get(uint8_t id)
{
    if (refuseStart(true))
        return true;
    variable_id = id;
    begin(START_PARAMETER_GET);
    return false;
}

bool Tcalyxo_master::start_out_control(uint8_t kind, uint8_t mask, uint8_t value)
{
    if (refuseStart(true))
        return true;
    output_kind = kind;
    output_mask = mask;
    output_value = value;
    begin(START_OUT_CONTROL);
    return false;
}

bool Tcalyxo_master::start_control(uint8_t type)
{
    if (refuseStart(true))
        return true;
    // The commands that clear data carry a key.
    static const uint8_t clear_flash_key[2] = {202, 73};
    static const uint8_t type7_key[2] = {23, 182};
    control_type = type;
    control_data_count = type == 6 || type == 7 ? 2 : 0;
    if (control_data_count) {
        const uint8_t* key = type == 6 ? clear_flash_key : type7_key;
        control_data[0] = key[0];
        control_data[1] = key[1];
    }
    begin(START_CONTROL);
    return false;
}

bool Tcalyxo_master::start_quick_sync(uint32_t period)
{
    if (refuseStart(true))
        return true;
    quick_sync_period = period;
    begin(START_QUICK_SYNC);
    return false;
}

bool Tcalyxo_master::start_macro_write(uint32_t meter_snr, float weight, double index)
{
    if (refuseStart(true))
        return true;
    uint32_t pulses = 0;
    if (!pulse_count_of_index(index, weight, &pulses)) {
        log_printf("ERROR : pulse meter index %f is no count of pulses from 0 to %u", index, UINT32_MAX);
        return true;
    }
    uint32_t config = weight_is(weight, 1.0) ? 18 : 16;
    if (weight_is(weight, 0.1))
        config |= 5;
    else if (weight_is(weight, 0.01))
        config |= 4;
    pulse_index_value = pulses;
    pulse_snr = meter_snr;
    pulse_weight = weight;
    pulse_config = config;

    myXMLdocument doc("STATION");
    Txml_element configuration = xml_NewEntity(doc.root, "CONFIGURATION");
    xml_SetAttributeInt(configuration, "value", 3);
    Tmy_string text;
    text.printf("%0.2f", static_cast<double>(weight));
    xml_SetAttribute(xml_NewEntity(configuration, "CONST_WEIGHT"), "value_float", text.c_str());
    text.printf("%u", meter_snr);
    xml_SetAttribute(xml_NewEntity(configuration, "CONST_SNR"), "value_int", text.c_str());
    text.printf("%u", config);
    xml_SetAttribute(xml_NewEntity(configuration, "CONST_CONFIG"), "value_int", text.c_str());
    xml_LogEntity(doc.root, 0, -1);
    Teeprom_configurer image;
    if (image.parseStation(doc.root, 0, "", false) != 0) {
        log_printf("ERROR : %s : pulse-meter constants do not compile", nameText());
        return true;
    }
    macro_skip = false;
    beginUpload(image, START_MACRO_WRITE);
    return false;
}

bool Tcalyxo_master::start_macro_read()
{
    if (refuseStart(true))
        return true;
    macro_skip = false;
    begin(START_MACRO_READ);
    return false;
}

void Tcalyxo_master::beginUpload(const Teeprom_configurer& image, Tmy_event& start)
{
    image.copyTo(&module->eeprom);
    module->eeprom.dump();
    begin(start);
}

bool Tcalyxo_master::runModuleSteps()
{
    const Tmodule_step* step = find_module_step(state);
    if (!step)
        return false;
    if (state == step->state) {
        if (consumed) {
            const Tstart started = step->start(*this);
            if (started == Tstart::refused)
                ERROR.signal();
            else if (started == Tstart::skipped)
                DONE.signal();
        }
        if (onEvent(&module->SUCCESS, step->next) && step->after_success)
            (this->*step->after_success)();
        onEvent(&DONE, step->next);
        onEvent(&module->ERROR, STATE_FAILED);
        onEvent(&ERROR, STATE_FAILED);
        onEvent(&STOP, state + 1);
    } else {
        if (consumed)
            module->stop(this);
        onEvent(&module->CANCELLED, STATE_CANCELLED);
        onEvent(&STOP, STATE_CANCELLED);
        // The module's closing step may fail after the cancel.
        onEvent(&module->ERROR, STATE_FAILED);
    }
    return true;
}

bool Tcalyxo_master::runPulseMeterDisplay()
{
    if (state != PULSE_METER_DISPLAY)
        return false;
    if (consumed) {
        if (pulse_weight == 0)
            pulse_weight = 1.0f;
        const double value = pulse_meter_index * static_cast<double>(pulse_weight);
        const char* format = weight_is(pulse_weight, 1.0) ? "%0.0f" : weight_is(pulse_weight, 0.1) ? "%0.1f" : "%0.2f";
        Tmy_string text;
        text.printf(format, value);
        gui_set(GUI_PULSE_VALUE, text.c_str());
        text.printf("%d", static_cast<int>(pulse_snr));
        gui_set(GUI_PULSE_SNR, text.c_str());
        text.printf("%f", static_cast<double>(pulse_weight));
        gui_set(GUI_PULSE_WEIGHT, text.c_str());
        if (window)
            window->show_pulse_meter_form();
        DONE.signal();
    }
    onEvent(&DONE, STATE_SUCCESS);
    return true;
}
