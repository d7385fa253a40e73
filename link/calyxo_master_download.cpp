// The master's flash download and probe health check: the module resource
// copies the flash range into the download file and turns it into a
// measurement XML file in path_xml before it moves NEXT_DOWNLOAD_ADDRESS on;
// the master shows that file in the result window (and, after a health check,
// on the probes page). Whatever the download file holds is converted, also
// when a later step of the operation failed; a failed conversion ends the
// operation in error, naming the file that keeps the data.
#include <memory>
#include <string>

#include "base/log.h"
#include "base/parse.h"
#include "base/my_string.h"
#include "base/time_calendar.h"
#include "data/flash_parser_data.h"
#include "data/xml_parser.h"
#include "link/calyxo_master.h"
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

bool Tcalyxo_master::start_download(uint32_t start_address, uint32_t size, bool incremental)
{
    if (refuseStart(true))
        return true;
    module->setDownloadRange(start_address, size, incremental);
    set_module_time(*module);
    module->setParameter("com_port", current_port ? current_port->port : "");
    module->setParameter("path_xml", path_xml.c_str());
    begin(START_DOWNLOAD);
    return false;
}

bool Tcalyxo_master::start_get_health()
{
    if (refuseStart(true))
        return true;
    set_module_time(*module);
    module->setParameter("path_xml", path_xml.c_str());
    begin(START_GET_HEALTH);
    return false;
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
            text_copy_bounded(converted_xml, module->converted_xml, static_cast<int>(sizeof converted_xml));
            // No download file: the logger had nothing new.
            const bool converted = !module->download_file_name[0] || converted_xml[0];
            const bool health = state == STATE_HEALTH_CONVERT || state == STATE_HEALTH_CONVERT_FAILED;
            // The file grows with the logger's records: it is read on a job.
            const bool reading = converted && converted_xml[0] && window && health &&
                                 health_read.start(
                                     [path = std::string(converted_xml)] {
                                         auto reader = std::make_unique<Txml_parser>();
                                         if (reader->parseFile(path.c_str()) != 0)
                                             reader.reset();
                                         return reader;
                                     },
                                     [this](std::unique_ptr<Txml_parser> reader) {
                                         if (reader && window)
                                             window->show_health(reader->stepAt(0));
                                         HEALTH_SHOWN.signal();
                                     });
            if (!reading)
                finishConversion(converted);
        }
        if (onEvent(&HEALTH_SHOWN, -1))
            finishConversion(true);
        onEvent(&DONE, operation_failed ? STATE_FAILED : STATE_SUCCESS);
        onEvent(&ERROR, STATE_FAILED);
        onEvent(&STOP, STATE_CANCELLED);
        return true;
    }
    default:
        return false;
    }
}

void Tcalyxo_master::finishConversion(bool converted)
{
    if (converted && converted_xml[0] && window)
        window->show_result(converted_xml);
    (converted ? DONE : ERROR).signal();
}

void Tcalyxo_master::abandonJobs()
{
    health_read.abandon();
}
