// The master's flash download and probe health check: the module resource
// copies the flash range into the download file, which the flash parser then
// turns into a measurement XML file for the result window (and, after a
// health check, the probes page). A failed conversion still ends in success:
// the download file holds the data.
#include "base/log.h"
#include "base/my_string.h"
#include "base/time_calendar.h"
#include "data/flash_parser.h"
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

bool Tcalyxo_master::convertDownload()
{
    converted_xml[0] = '\0';
    Tflash_parser parser;
    if (parser.convertToXml(path_xml.c_str(), module->download_file_name, converted_xml,
                            static_cast<int>(sizeof converted_xml)) != 0) {
        log_printf("ERROR : %s : the download \"%s\" could not be converted", nameText(), module->download_file_name);
        converted_xml[0] = '\0';
        return false;
    }
    return true;
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
        onEvent(&module->ERROR, STATE_FAILED);
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
        if (consumed) {
            if (convertDownload() && window) {
                if (state == STATE_HEALTH_CONVERT) {
                    Txml_parser reader;
                    if (reader.parseFile(converted_xml) == 0)
                        window->show_health(static_cast<const Tflash_parser_data*>(reader.timeSteps()->first()));
                }
                window->show_result(converted_xml);
            }
            DONE.signal();
        }
        onEvent(&DONE, STATE_SUCCESS);
        onEvent(&STOP, STATE_CANCELLED);
        return true;
    default:
        return false;
    }
}
