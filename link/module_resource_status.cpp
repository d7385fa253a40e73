// The status operation: one read per field the logger has, into the module
// view, the status text and the status XML file.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/log.h"
#include "base/paths.h"
#include "base/time_calendar.h"
#include "link/module_resource.h"
#include "link/module_view.h"
#include "link/sequence_report.h"

namespace {

enum class Tread { variable, acq_mode, nvflags };

struct Tstatus_step {
    int state;
    Tread read;
    uint8_t variable;
    Tstatus_field_id field;  // read only when the logger has it
    int next;
};

// The TIME read of state 100 always runs.
const Tstatus_step status_steps[] = {
    {module_states::status.first, Tread::variable, 0, STATUS_FIELD_COUNT, 105},
    {105, Tread::variable, 38, STATUS_STATION_ID, 107},
    {107, Tread::variable, 39, STATUS_SYSTEM_INFO, 110},
    {110, Tread::variable, 3, STATUS_ACQ, 115},
    {115, Tread::acq_mode, 0, STATUS_ACQ_MODE, 120},
    {120, Tread::variable, 2, STATUS_ACQ_NEXT, 130},
    {130, Tread::variable, 1, STATUS_ACQ_INTERVAL0, 135},
    {135, Tread::variable, 4, STATUS_ACQ_INTERVAL1, 140},
    {140, Tread::variable, 16, STATUS_MMS_PT, 142},
    {142, Tread::variable, 40, STATUS_NEXT_DOWNLOAD_ADDRESS, 145},
    {145, Tread::variable, 35, STATUS_GSM, 150},
    {150, Tread::variable, 32, STATUS_GSM_INTERVAL, 160},
    {160, Tread::variable, 34, STATUS_GSM_DURATION, 170},
    {170, Tread::variable, 33, STATUS_GSM_NEXT, 172},
    {172, Tread::variable, 36, STATUS_GSM_NEXT_OFF, 176},
    {176, Tread::nvflags, 0, STATUS_NVFLAGS, 190},
};
constexpr int status_last_state = 190;
// The STATION_ID read: the states after it know the station.
constexpr int station_id_state = 105;
static_assert(module_states::status.holds(status_last_state), "status states in their range");

// The logger keeps its NVFLAGS byte at this EEPROM address.
constexpr uint32_t nvflags_address = 255;
constexpr uint8_t control_acq_mode = 2;

const Tstatus_step* find_step(int state)
{
    for (const Tstatus_step& step : status_steps)
        if (step.state == state)
            return &step;
    return nullptr;
}

bool is_time_variable(const char* name)
{
    static const char* const times[] = {"TIME", "ACQ_NEXT", "GSM_NEXT", "GSM_NEXT_OFF"};
    for (const char* time_name : times)
        if (std::strcmp(name, time_name) == 0)
            return true;
    return false;
}

}  // namespace

bool Tmodule_resource::start_status()
{
    if (state != STATE_IDLE)
        return true;
    closeStatusFile();
    // The file is named after the station it describes: it opens once the
    // read has the station id, and the lines before wait for it.
    status_file_wanted = log_path.length() > 0 && create_status_file;
    status_lines.clear();
    START_STATUS.signal();
    return false;
}

bool Tmodule_resource::runStatus()
{
    if (state == status_last_state) {
        if (consumed)
            DONE.signal();
        onEvent(&DONE, STATE_SUCCESS);
        return true;
    }
    const Tstatus_step* step = find_step(state);
    if (!step)
        return false;
    if (consumed && status_file_wanted && state > station_id_state)
        openStatusFile();
    if (consumed) {
        const bool wanted = step->field == STATUS_FIELD_COUNT || module_view.status(step->field).present;
        bool refused = false;
        if (state == status_steps[0].state)
            status_text.clear();
        if (!wanted) {
            DONE.signal();
        } else if (step->read == Tread::variable) {
            refused = mscp_gtp_sendGetVar(step->variable);
        } else if (step->read == Tread::acq_mode) {
            control_block.setControl(control_acq_mode, nullptr, 0);
            refused = mscp_gtp_sendControl(control_block);
        } else {
            refused = mscp_gtp_sendEepromRead(nvflags_address, 1);
        }
        if (refused) {
            log_printf("ERROR : %s : status request refused @ %d", getParameter("name"), state);
            ERROR.signal();
        }
    }
    if (onEvent(&GET_DONE, step->next)) {
        if (step->variable == 38)
            station_id = module_view.status(STATUS_STATION_ID).value;
        if (step->read == Tread::nvflags) {
            const uint8_t flags = eeprom_read_buffer[0];
            if (trace & TRACE_PROTOCOL)
                log_printf("NVFLAGS = %d", flags);
            writeStatusLine("\t<VARIABLE name=\"NVFLAGS\" value=\"%u\"/>\n", flags);
            module_view.setStatus(STATUS_NVFLAGS, flags);
        }
    }
    onEvent(&CONTROL_DONE, step->next);
    onEvent(&DONE, step->next);
    endOnStopOrError();
    return true;
}

void Tmodule_resource::openStatusFile()
{
    status_file_wanted = false;
    status_file_failed = false;
    status_file_path.clear();
    if (make_dir_path(log_path.c_str())) {
        log_printf("ERROR : unable to create directory \"%s\": the status is not saved", log_path.c_str());
        return;  // the read runs without a file
    }
    time_fields when;
    time_to_fields(&when, timestamp, 1);
    Tmy_string file_name;
    file_name.printf("getstatus_%08u_%04d%02d%02d%02d%02d%02d.xml", station_id, when.year, when.month, when.day,
                when.hour, when.minute, when.second);
    char path[512];
    if (path_join(path, sizeof path, log_path.c_str(), file_name.c_str()) == 0) {
        log_printf("ERROR : status file path too long in \"%s\": the status is not saved", log_path.c_str());
        return;
    }
    status_file_path = path;
    result_file = std::fopen(path, "w");
    if (!result_file) {
        log_printf("ERROR : unable to create status file \"%s\": %s", path, std::strerror(errno));
        return;
    }
    noteStatusWrite(std::fprintf(result_file, "<?xml version='1.0' encoding='utf-8' ?>\n"));
    noteStatusWrite(std::fprintf(result_file,
                                 "<GET_STATUS timestamp=\"%u\" year=\"%04d\" month=\"%02d\" day=\"%02d\" "
                                 "hour=\"%02d\" minute=\"%02d\" seconds=\"%02d\" station_id=\"%u\">\n",
                                 timestamp, when.year, when.month, when.day, when.hour, when.minute, when.second,
                                 station_id));
    if (status_lines.length() > 0 && std::fwrite(status_lines.c_str(), 1, status_lines.length(), result_file) !=
                                         status_lines.length())
        status_file_failed = true;
    status_lines.clear();
}

void Tmodule_resource::writeStatusLine(const char* format, ...)
{
    if (!result_file && !status_file_wanted)
        return;
    va_list args;
    va_start(args, format);
    if (result_file)
        noteStatusWrite(std::vfprintf(result_file, format, args));
    else
        status_lines.vappendf(format, args);
    va_end(args);
}

void Tmodule_resource::noteStatusWrite(int result)
{
    if (result < 0)
        status_file_failed = true;
}

void Tmodule_resource::writeStatusVariable(const char* variable, uint32_t value)
{
    if (is_time_variable(variable)) {
        char text[time_iso_text_size];
        time_format_iso(text, value, time_zone_offset(), true);
        writeStatusLine("\t<VARIABLE name=\"%s\" value=\"%u\" value_text=\"%s\"/>\n", variable, value, text);
    } else if (std::strcmp(variable, "SYSTEM_INFO") == 0) {
        writeStatusLine("\t<VARIABLE name=\"SYSTEM_INFO\" value=\"x%08X\" acq_number=\"%d\"   "
                        "acq_counter=\"%d\"  gsm_number=\"%d\"   gsm_counter=\"%d\" %s%s/>\n",
                        value, static_cast<int>((value >> 28) & 0xF), static_cast<int>((value >> 24) & 0xF),
                        static_cast<int>((value >> 20) & 0xF), static_cast<int>((value >> 16) & 0xF),
                        (value & 0x4) ? " acq_enabled=\"on\"" : " acq_enabled=\"off\"",
                        (value & 0x1) ? " mode=\"fast\"" : " mode=\"slow\"");
    } else {
        writeStatusLine("\t<VARIABLE name=\"%s\" value=\"%u\"/>\n", variable, value);
    }
}

void Tmodule_resource::closeStatusFile()
{
    // Ended before the station id was read: the file holds what was.
    if (status_file_wanted)
        openStatusFile();
    if (!result_file)
        return;
    noteStatusWrite(std::fprintf(result_file, "</GET_STATUS>\n"));
    if (std::fflush(result_file) != 0 || std::ferror(result_file))
        status_file_failed = true;
    closeResultFile();
    if (status_file_failed)
        log_printf("ERROR : status file \"%s\" could not be written completely", status_file_path.c_str());
}
