// The master's flash download and probe health check: the module resource
// copies the flash range into the download file, which the flash parser then
// turns into a measurement XML file for the result window (and, after a
// health check, the probes page). Whatever the download file holds is
// converted, also when a later step of the operation failed; a failed
// conversion ends the operation in error, naming the file that keeps the data.
#include <cstdio>
#include <string>

#include "base/log.h"
#include "base/my_string.h"
#include "base/program_interface.h"
#include "base/time_calendar.h"
#include "data/flash_parser.h"
#include "data/flash_parser_data.h"
#include "data/xml_parser.h"
#include "link/calyxo_master.h"
#include "link/gui_ids.h"
#include "link/main_window_port.h"
#include "link/module_resource.h"

namespace {

enum : int {
    STATE_DOWNLOAD = 340,
    STATE_DOWNLOAD_CANCEL = 341,
    STATE_DOWNLOAD_CONVERT = 350,
    STATE_HEALTH = 400,
    STATE_HEALTH_CANCEL = 401,
    STATE_HEALTH_CONVERT = 410,
    // The module operation failed after it saved a download file.
    STATE_DOWNLOAD_CONVERT_FAILED = 351,
    STATE_HEALTH_CONVERT_FAILED = 411,
};

// The health check always takes the full cycle and shows its progress.
constexpr uint8_t HEALTH_KIND = 2;

void set_module_time(Tmodule_resource& module)
{
    Tmy_string now;
    now.printf("%u", time_now());
    module.setParameter("timestamp", now.c_str());
}

}  // namespace

namespace {

// The download file into measurement XML; false, logged, when it failed.
bool convert_download(Tcalyxo_master::Tconversion& work)
{
    Tflash_parser parser;
    if (parser.convertToXml(work.output_folder.c_str(), work.download_file.c_str(), work.xml,
                            static_cast<int>(sizeof work.xml)) != 0) {
        log_printf("ERROR : %s : the download \"%s\" could not be converted", work.master_name.c_str(),
                   work.download_file.c_str());
        log_printf("ERROR : the records not converted are kept in \"%s\"", work.download_file.c_str());
        work.xml[0] = '\0';
        return false;
    }
    return true;
}

}  // namespace

bool Tcalyxo_master::start_download(uint32_t start_address, uint32_t size, bool incremental)
{
    if (refuseStart(true))
        return true;
    Tmy_string text;
    text.printf("%u", start_address);
    module->setParameter("download_start", text.c_str());
    text.printf("%u", size);
    module->setParameter("download_size", text.c_str());
    module->setParameter("download_incremental", incremental ? "true" : "false");
    set_module_time(*module);
    module->setParameter("com_port", current_port ? current_port->port : "");
    begin(START_DOWNLOAD);
    return false;
}

bool Tcalyxo_master::start_get_health()
{
    if (refuseStart(true))
        return true;
    set_module_time(*module);
    begin(START_GET_HEALTH);
    return false;
}

void Tcalyxo_master::startConversion()
{
    conversion = std::make_unique<Tconversion>();
    Tconversion& work = *conversion;
    work.master_name = nameText();
    work.output_folder = path_xml.c_str();
    work.download_file = module->download_file_name;
    work.health = state == STATE_HEALTH_CONVERT || state == STATE_HEALTH_CONVERT_FAILED;
    const int conversion_state = state;
    const bool started = conversion_job.start(
        [&work] {
            work.converted = convert_download(work);
            if (work.converted && work.health)
                work.health_read = work.reader.parseFile(work.xml) == 0;
        },
        [this, conversion_state] { finishConversion(conversion_state); });
    if (!started) {
        log_printf("ERROR : %s : no thread to convert the download \"%s\"", nameText(), module->download_file_name);
        conversion.reset();
        ERROR.signal();
        return;
    }
    gui_set(GUI_PENDING_TEXT, "Converting the download, please wait...");
    gui_set(GUI_PENDING, "SHOW");
}

void Tcalyxo_master::finishConversion(int conversion_state)
{
    std::unique_ptr<Tconversion> work = std::move(conversion);
    gui_set(GUI_PENDING, "HIDE");
    // Stopped while it ran: the operation has ended without it.
    if (state != conversion_state || !work)
        return;
    if (work->converted)
        std::snprintf(converted_xml, sizeof converted_xml, "%s", work->xml);
    if (work->converted && converted_xml[0] && window) {
        if (work->health_read)
            window->show_health(work->reader.stepAt(0));
        window->show_result(converted_xml);
    }
    (work->converted ? DONE : ERROR).signal();
}

bool Tcalyxo_master::runDownload()
{
    switch (state) {
    case STATE_DOWNLOAD:
    case STATE_HEALTH:
        if (consumed) {
            const bool refused = state == STATE_DOWNLOAD ? module->start_download(slow_download)
                                                         : module->start_health(HEALTH_KIND, false);
            if (refused)
                ERROR.signal();
        }
        onEvent(&module->SUCCESS, state == STATE_DOWNLOAD ? STATE_DOWNLOAD_CONVERT : STATE_HEALTH_CONVERT);
        // What reached the download file is converted however the rest ended.
        if (onEvent(&module->ERROR, STATE_FAILED) && module->download_file_name[0])
            setNextState(state == STATE_DOWNLOAD ? STATE_DOWNLOAD_CONVERT_FAILED : STATE_HEALTH_CONVERT_FAILED);
        onEvent(&ERROR, STATE_FAILED);
        onEvent(&STOP, state + 1);
        return true;
    case STATE_DOWNLOAD_CANCEL:
    case STATE_HEALTH_CANCEL:
        if (consumed)
            module->stop(this);
        onEvent(&module->CANCELLED, STATE_CANCELLED);
        onEvent(&STOP, STATE_CANCELLED);
        // The module's closing step may fail after the cancel.
        onEvent(&module->ERROR, STATE_FAILED);
        return true;
    case STATE_DOWNLOAD_CONVERT:
    case STATE_HEALTH_CONVERT:
    case STATE_DOWNLOAD_CONVERT_FAILED:
    case STATE_HEALTH_CONVERT_FAILED: {
        const bool operation_failed = state == STATE_DOWNLOAD_CONVERT_FAILED || state == STATE_HEALTH_CONVERT_FAILED;
        if (consumed) {
            converted_xml[0] = '\0';
            // No download file: the logger had nothing new.
            if (module->download_file_name[0])
                startConversion();
            else
                DONE.signal();
        }
        onEvent(&DONE, operation_failed ? STATE_FAILED : STATE_SUCCESS);
        onEvent(&ERROR, STATE_FAILED);
        onEvent(&STOP, STATE_CANCELLED);
        return true;
    }
    default:
        return false;
    }
}
