// Flash download: a range of the logger's flash memory into the download file,
// over BTP through the download manager or, slow, by 'Q' reads, and that file
// into a measurement file, on a worker thread while the operation waits in its
// converting state, so that the windows go on. Acquisition is switched off
// around the transfer and put back to what it was by the closing step, which
// also runs after a cancel or an error. NEXT_DOWNLOAD_ADDRESS moves only over
// records that reached a measurement file whole, also after a transfer that
// failed on the way, and only over whole time steps where the data end before
// the write pointer, so that no time step is split between two downloads.
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "base/log.h"
#include "base/parse.h"
#include "base/paths.h"
#include "base/program_interface.h"
#include "base/time_calendar.h"
#include "data/flash_parser.h"
#include "data/flash_parser_hooks.h"
#include "link/download_manager.h"
#include "link/gui_ids.h"
#include "link/logger_variables.h"
#include "link/module_resource.h"
#include "link/module_view.h"
#include "link/mscp_ccp_socket.h"
#include "link/sequence_report.h"

namespace {

// Data bytes of one 'Q' request.
constexpr uint32_t max_mms_request = 248;
constexpr unsigned copy_block = 512;

enum : int {
    STATE_READ_ACQ = module_states::flash_download.first,
    STATE_ACQ_OFF = 810,
    STATE_STATION_ID = 815,
    STATE_NEXT_ADDRESS = 817,
    STATE_TOTAL_SIZE = 820,
    STATE_CHOOSE_MODE = 822,
    STATE_BTP = 830,
    STATE_BTP_CANCEL = 831,
    STATE_MMS_BEGIN = 840,
    STATE_MMS_REQUEST = 844,
    STATE_MMS_STORE = 846,
    STATE_CONVERT = 848,
    STATE_SAVE_NEXT_ADDRESS = 850,
    STATE_CLOSE = 890,
};
static_assert(module_states::flash_download.holds(STATE_CLOSE), "download states in their range");

const int opening_states[3] = {STATE_READ_ACQ, STATE_ACQ_OFF, STATE_STATION_ID};

}  // namespace

bool Tmodule_resource::start_download(bool slow)
{
    if (state != STATE_IDLE)
        return true;
    slow_download = slow;
    START_DOWNLOAD.signal();
    return false;
}

void Tmodule_resource::prepareDownloadFiles()
{
    if (make_dir_path(path_bin))
        log_printf("ERROR : unable to create directory \"%s\"", path_bin);
    char name[sizeof download_tmp_file_name];
    std::snprintf(name, sizeof name, "tmp%s.bin", com_port);
    text_replace_char(name, ':', '_');
    text_replace_char(name, '/', '_');
    text_replace_char(name, '\\', '_');
    char wanted[sizeof download_tmp_file_name];
    if (path_join(wanted, sizeof wanted, path_bin, name) == 0)
        wanted[0] = '\0';
    // An earlier download that was killed left the bytes it received: they are
    // kept, this one takes a free name. The file is made only by the transfer,
    // so that an operation that fails before it leaves no empty file.
    struct stat info;
    if (wanted[0] && stat(wanted, &info) == 0 && info.st_size == 0)
        std::remove(wanted);
    const std::string free_name = wanted[0] ? free_file_name(wanted) : std::string();
    if (free_name != wanted)
        log_printf("WARNING : an earlier unfinished download file was found and kept: \"%s\"; this download "
                   "goes to \"%s\"",
                   wanted, free_name.c_str());
    text_copy_bounded(download_tmp_file_name, free_name.c_str(), sizeof download_tmp_file_name);
    // No download file until this operation writes one.
    download_file_name[0] = '\0';
    download_file_failed = false;
    saved_bytes = 0;
    converted_xml[0] = '\0';
    converted_bytes = 0;
    range_ends_at_write_pointer = false;
}

void Tmodule_resource::openTransferFile()
{
    openDownloadTmpFile();
    if (!download_tmp_file)
        log_printf("ERROR : unable to create temporary download file \"%s\"", download_tmp_file_name);
}

void Tmodule_resource::takeTotalSize(uint32_t mms_pt)
{
    total_size = mms_pt > download_address ? mms_pt - download_address : 0;
    range_ends_at_write_pointer = true;
    // The logger's memory started again below where the last download
    // stopped: the records there are not new to an incremental download.
    if (mms_pt < download_address && download_incremental)
        log_printf("WARNING : MMS_PT %u is below NEXT_DOWNLOAD_ADDRESS %u: the logger's memory started again, "
                   "nothing is downloaded; a full download gets its records",
                   static_cast<unsigned>(mms_pt), static_cast<unsigned>(download_address));
}

void Tmodule_resource::startBtpTransfer()
{
    Tdownload_manager& manager = downloadManager();
    manager.short_answer = text_compare_nocase(download_protocol.c_str(), "slow_btp") == 0 ? 1 : 0;
    manager.quiet = download_quiet;
    if (trace & TRACE_PROGRESS)
        log_printf("%s : (@%d) starting download", getParameter("name"), state);
    if (trace & TRACE_OPERATOR)
        log_printf("INFO  : (@%d) Starting download %d bytes from %d", state, static_cast<int>(total_size),
                   static_cast<int>(download_address));
    openTransferFile();
    manager.setResultFile(download_tmp_file);
    if (manager.start(download_address, total_size)) {
        log_printf("ERROR : %s : the download manager is busy", getParameter("name"));
        ERROR.signal();
    }
}

void Tmodule_resource::endTransfer(bool writes_file, int next, int converting_state, int closing_state)
{
    downloadManager().setResultFile(nullptr);
    closeDownloadTmpFile();
    gui_set(GUI_PROGRESS, "HIDE");
    converted_xml[0] = '\0';
    converted_bytes = 0;
    after_conversion = next;
    conversion_closing_state = closing_state;
    if (writes_file)
        saved_bytes = writeDownloadFile();
    if (!writes_file || download_file_failed || !download_file_name[0]) {
        continueAfterConversion(writes_file && download_file_failed);
        return;
    }
    if (!startConversion()) {
        continueAfterConversion(takeConversion());
        return;
    }
    setNextState(converting_state);
}

bool Tmodule_resource::startConversion()
{
    conversion = Tdownload_conversion{};
    conversion.output_folder = path_xml;
    conversion.download_file = download_file_name;
    // Only a range read whole up to the write pointer ends with a whole record.
    conversion.reaches_write_pointer = range_ends_at_write_pointer && saved_bytes == total_size;
    // The worker decodes radio telegrams but leaves the live view, which is
    // the GUI thread's, alone.
    const bool started = conversion_job.start(
        [work = conversion, decoders = Tflash_decoding_hooks(flash_parser_hooks())]() mutable {
            Tflash_parser parser;
            parser.setHooks(&decoders);
            parser.setDataReachWritePointer(work.reaches_write_pointer);
            // Short of the write pointer the last time step may go on in the flash.
            parser.setDataEndBeforeLoggerEnd(!work.reaches_write_pointer);
            work.failed = parser.convertToXml(work.output_folder.c_str(), work.download_file.c_str(), work.xml,
                                              static_cast<int>(sizeof work.xml)) != 0;
            work.record_bytes = work.failed ? 0 : parser.recordBytes();
            return work;
        },
        [this](Tdownload_conversion done) {
            conversion = std::move(done);
            CONVERTED.signal();
        });
    if (!started) {
        log_printf("ERROR : %s : no thread to convert the download \"%s\"", getParameter("name"), download_file_name);
        conversion.failed = true;
        return false;
    }
    conversion_under_way = true;
    gui_set(GUI_PENDING_TEXT, "Converting the download, please wait...");
    gui_set(GUI_PENDING, "SHOW");
    return true;
}

bool Tmodule_resource::takeConversion()
{
    conversion_under_way = false;
    gui_set(GUI_PENDING, "HIDE");
    if (conversion.failed) {
        log_printf("ERROR : %s : the download \"%s\" could not be converted", getParameter("name"),
                   conversion.download_file.c_str());
        log_printf("ERROR : the records not converted are kept in \"%s\"", conversion.download_file.c_str());
        converted_xml[0] = '\0';
        converted_bytes = 0;
        return true;
    }
    text_copy_bounded(converted_xml, conversion.xml, static_cast<int>(sizeof converted_xml));
    converted_bytes = conversion.record_bytes;
    return false;
}

void Tmodule_resource::continueAfterConversion(bool failed)
{
    if (failed && conversion_closing_state != -1)
        startClosing(STATE_FAILED, conversion_closing_state);
    else
        setNextState(after_conversion);
}

void Tmodule_resource::runConversionWait(int closing_state)
{
    if (onEvent(&CONVERTED, -1))
        continueAfterConversion(takeConversion());
    // The conversion runs on and its measurement file is kept; once it has
    // ended the operation closes without moving NEXT_DOWNLOAD_ADDRESS.
    if (onEvent(&STOP, -1) || onEvent(&ERROR, -1)) {
        // A failure seen before stays the result.
        if (current_event == &ERROR || pending_result == STATE_SUCCESS)
            pending_result = current_event == &STOP ? STATE_CANCELLED : STATE_FAILED;
        after_conversion = closing_state;
        conversion_closing_state = -1;
    }
}

void Tmodule_resource::abandonTransfer()
{
    downloadManager().abandon();
    if (download_tmp_file)
        endTransfer(transfer_writes_file, state, state, -1);
    // The operation ends now: a conversion under way is waited for, so that
    // its measurement file is whole and named as after any other end.
    if (conversion_under_way) {
        conversion_job.finishNow();
        event_remove_from_queue(&CONVERTED);
        takeConversion();
    }
}

void Tmodule_resource::abandonConversion()
{
    conversion_job.abandon();
}

void Tmodule_resource::runBtpTransfer(int success_state, int closing_state, int cancel_state, int converting_state,
                                      bool writes_file)
{
    Tdownload_manager& manager = downloadManager();
    if (consumed) {
        transfer_writes_file = writes_file;
        startBtpTransfer();
    }
    if (onEvent(&manager.SUCCESS, success_state)) {
        if (trace & TRACE_OPERATOR)
            log_printf("INFO    : download done");
        endTransfer(writes_file, success_state, converting_state, closing_state);
    }
    // The records that came whole before the transfer failed count as downloaded.
    if (onEvent(&manager.ERROR, success_state)) {
        if (trace & TRACE_OPERATOR)
            log_printf("Error : Download failed");
        pending_result = STATE_FAILED;
        endTransfer(writes_file, success_state, converting_state, -1);
    }
    // The manager may still write into the temporary file: it is stopped
    // before the file is closed.
    if (onEvent(&STOP, cancel_state))
        pending_result = STATE_CANCELLED;
    if (onEvent(&ERROR, cancel_state))
        pending_result = STATE_FAILED;
}

void Tmodule_resource::runBtpCancel(int closing_state, int converting_state, bool writes_file)
{
    Tdownload_manager& manager = downloadManager();
    if (consumed) {
        if (manager.state == 0)
            DONE.signal();
        else
            manager.stop(this);
    }
    const bool ended = onEvent(&manager.CANCELLED, closing_state) || onEvent(&manager.SUCCESS, closing_state) ||
                       onEvent(&manager.ERROR, closing_state) || onEvent(&DONE, closing_state);
    if (ended)
        endTransfer(writes_file, closing_state, converting_state, -1);
    // A second cancel hurries the manager on; the file stays open until it ends.
    if (onEvent(&STOP, -1))
        manager.stop(this);
}

void Tmodule_resource::requestMmsRange()
{
    mms_request_length = static_cast<uint8_t>(bytes_left < max_mms_request ? bytes_left : max_mms_request);
    if (mms_request_length == 0)
        SKIP.signal();
    else
        failIfRefused(SendMMSrange(read_address, mms_request_length));
}

void Tmodule_resource::storeMmsAnswer()
{
    // Anything but the bytes asked for would leave a gap or an overlap.
    if (mms_length != mms_request_length) {
        log_printf("ERROR : %s : MMS range answer of %u bytes for %u asked at %u", getParameter("name"),
                   static_cast<unsigned>(mms_length), static_cast<unsigned>(mms_request_length),
                   static_cast<unsigned>(read_address));
        ERROR.signal();
        return;
    }
    if (!download_tmp_file || std::fwrite(mms_buffer, 1, mms_length, download_tmp_file) != mms_length ||
        std::fflush(download_tmp_file) != 0) {
        log_printf("ERROR : unable to write temporary download file \"%s\"", download_tmp_file_name);
        ERROR.signal();
        return;
    }
    read_address += mms_length;
    bytes_left -= mms_length;
    OnDownloadProgress(static_cast<int>((1.0 - static_cast<double>(bytes_left) / total_size) * 100.0));
    DONE.signal();
}

uint32_t Tmodule_resource::writeDownloadFile()
{
    download_file_name[0] = '\0';
    download_file_failed = false;
    FILE* in = std::fopen(download_tmp_file_name, "rb");
    if (!in) {
        log_printf("ERROR : unable to read temporary download file \"%s\"", download_tmp_file_name);
        download_file_failed = true;
        return 0;
    }
    // The header gives the bytes the file holds, so that a transfer that
    // ended early does not claim the whole range.
    const int size = file_size(in);
    const uint32_t held = size > 0 ? static_cast<uint32_t>(size) : 0;
    if (held == 0) {
        // Nothing arrived: no download file, nothing to convert.
        std::fclose(in);
        std::remove(download_tmp_file_name);
        return 0;
    }
    time_fields t{};
    time_to_local_fields(&t, timestamp, true);
    char name[128];
    std::snprintf(name, sizeof name, "download_%08u_%04d%02d%02d%02d%02d%02d.bin", station_id, t.year, t.month,
                  t.day, t.hour, t.minute, t.second);
    char wanted[sizeof download_file_name];
    if (path_join(wanted, sizeof wanted, path_bin, name) == 0)
        wanted[0] = '\0';
    // Written under a temporary name, so that no half file carries the name.
    const std::string part = std::string(wanted) + ".part";
    FILE* out = wanted[0] ? std::fopen(part.c_str(), "wb") : nullptr;
    uint32_t copied = 0;
    bool written = out != nullptr;
    if (!out) {
        log_printf("ERROR : unable to create result file \"%s\"", part.c_str());
    } else {
        written = std::fprintf(out,
                               "<DOWNLOAD timestamp=\"%u\" station_id=\"%d\" download_address=\"%d\" "
                               "download_size=\"%d\" status=\"%s\" next_download_address=\"%d\"/>",
                               timestamp, static_cast<int>(station_id), static_cast<int>(download_address),
                               static_cast<int>(held), status_text.c_str(),
                               static_cast<int>(download_address + held)) > 0;
        unsigned char block[copy_block];
        while (copied < held && written) {
            const std::size_t got = std::fread(block, 1, sizeof block, in);
            if (got == 0)
                break;
            written = std::fwrite(block, 1, got, out) == got;
            copied += static_cast<uint32_t>(got);
        }
        written = std::fflush(out) == 0 && written && copied == held;
        if (std::fclose(out) != 0)
            written = false;
        if (!written) {
            struct stat info;
            const long on_disk = stat(part.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : 0;
            log_printf("ERROR : download file \"%s\" holds %ld bytes, not the header and %u data bytes",
                       part.c_str(), on_disk, static_cast<unsigned>(held));
        } else if (place_file(part.c_str(), wanted, download_file_name, sizeof download_file_name)) {
            log_printf("ERROR : unable to create result file \"%s\"", wanted);
            written = false;
        }
        // The bytes stay whole in the temporary file: a copy beside it would only mislead.
        if (!written)
            std::remove(part.c_str());
    }
    std::fclose(in);
    if (!written) {
        download_file_name[0] = '\0';
        download_file_failed = true;
        log_printf("ERROR : the %u downloaded bytes stay in \"%s\"", static_cast<unsigned>(held),
                   download_tmp_file_name);
        return 0;
    }
    std::remove(download_tmp_file_name);
    return held;
}

void Tmodule_resource::runTransferStart(const int (&states)[3], int after, bool* refused, bool* closes)
{
    if (state == states[0]) {
        if (consumed) {
            prepareDownloadFiles();
            *refused = readAcquisition();
        }
        onEvent(&GET_DONE, states[1]);
        // Acquisition is as it was: nothing to put back.
        *closes = false;
        endOnStopOrError();
    } else if (state == states[1]) {
        if (consumed)
            *refused = switchAcquisitionOff(false);
        onEvent(&SET_DONE, states[2]);
        onEvent(&DONE, states[2]);
    } else {
        if (consumed)
            *refused = mscp_gtp_sendGetVar(VAR_STATION_ID);
        if (onEvent(&GET_DONE, after))
            station_id = last_variable_value;
    }
}

bool Tmodule_resource::runDownload()
{
    if (!module_states::flash_download.holds(state))
        return false;
    bool refused = false;
    bool closes = true;  // STOP and ERROR lead to the closing step
    switch (state) {
    case STATE_READ_ACQ:
    case STATE_ACQ_OFF:
    case STATE_STATION_ID:
        if (state == STATE_READ_ACQ && consumed) {
            if (trace & TRACE_PROGRESS)
                log_printf("%s : (@%d) starting download", getParameter("name"), state);
            download_address = download_start;
        }
        runTransferStart(opening_states, STATE_NEXT_ADDRESS, &refused, &closes);
        break;
    case STATE_NEXT_ADDRESS:
        if (consumed) {
            if (download_incremental)
                refused = mscp_gtp_sendGetVar(VAR_NEXT_DOWNLOAD_ADDRESS);
            else
                DONE.signal();
        }
        if (onEvent(&GET_DONE, STATE_TOTAL_SIZE))
            download_address = last_variable_value;
        onEvent(&DONE, STATE_TOTAL_SIZE);
        break;
    case STATE_TOTAL_SIZE:
        if (consumed) {
            total_size = download_size;
            if (download_size != 0)
                DONE.signal();
            else
                refused = mscp_gtp_sendGetVar(VAR_MMS_PT);
        }
        if (onEvent(&GET_DONE, STATE_CHOOSE_MODE))
            takeTotalSize(last_variable_value);
        onEvent(&DONE, STATE_CHOOSE_MODE);
        break;
    case STATE_CHOOSE_MODE:
        if (consumed)
            (slow_download ? DONE : SKIP).signal();
        onEvent(&DONE, STATE_MMS_BEGIN);
        onEvent(&SKIP, STATE_BTP);
        break;
    case STATE_BTP:
        closes = false;
        runBtpTransfer(STATE_SAVE_NEXT_ADDRESS, STATE_CLOSE, STATE_BTP_CANCEL, STATE_CONVERT,
                       dump_downloaded_file != 0);
        break;
    case STATE_BTP_CANCEL:
        closes = false;
        runBtpCancel(STATE_CLOSE, STATE_CONVERT, dump_downloaded_file != 0);
        break;
    case STATE_MMS_BEGIN:
        if (consumed) {
            openTransferFile();
            transfer_writes_file = dump_downloaded_file != 0;
            read_address = download_address;
            bytes_left = total_size;
            if (!download_quiet)
                OnDownloadStart(total_size);
            DONE.signal();
        }
        onEvent(&DONE, STATE_MMS_REQUEST);
        break;
    case STATE_MMS_REQUEST:
    case STATE_MMS_STORE:
        if (consumed) {
            if (state == STATE_MMS_REQUEST)
                requestMmsRange();
            else
                storeMmsAnswer();
        }
        onEvent(&DONE, state == STATE_MMS_REQUEST ? STATE_MMS_STORE : STATE_MMS_REQUEST);
        closes = false;
        if (onEvent(&SKIP, -1)) {
            if (trace & TRACE_OPERATOR)
                log_printf("INFO    : ... download done");
            endTransfer(dump_downloaded_file != 0, STATE_SAVE_NEXT_ADDRESS, STATE_CONVERT, STATE_CLOSE);
        }
        if (onEvent(&STOP, -1)) {
            pending_result = STATE_CANCELLED;
            endTransfer(dump_downloaded_file != 0, STATE_CLOSE, STATE_CONVERT, -1);
        }
        // The records that came whole before the reads failed count as downloaded.
        if (onEvent(&ERROR, -1)) {
            pending_result = STATE_FAILED;
            endTransfer(dump_downloaded_file != 0, STATE_SAVE_NEXT_ADDRESS, STATE_CONVERT, -1);
        }
        break;
    case STATE_CONVERT:
        closes = false;
        runConversionWait(STATE_CLOSE);
        break;
    case STATE_SAVE_NEXT_ADDRESS:
        // Only whole records that reached a measurement file count as downloaded.
        if (consumed) {
            if (download_incremental && converted_bytes > 0) {
                next_address_value = download_address + converted_bytes;
                refused = mscp_gtp_sendSetVar(VAR_NEXT_DOWNLOAD_ADDRESS, next_address_value, 0);
                next_address_sent = !refused;
            } else {
                DONE.signal();
            }
        }
        // The status page, and the download dialog's start from it, show the new address.
        if (onEvent(&SET_DONE, STATE_CLOSE)) {
            module_view.setVarValue(VAR_NEXT_DOWNLOAD_ADDRESS, next_address_value);
            module_view.setStatus(STATUS_NEXT_DOWNLOAD_ADDRESS, next_address_value);
        }
        onEvent(&DONE, STATE_CLOSE);
        break;
    case STATE_CLOSE:
        runClosingStep();
        closes = false;
        break;
    default:
        return false;
    }
    failIfRefused(refused);
    if (closes)
        closeOnStopOrError(STATE_CLOSE);
    return true;
}
