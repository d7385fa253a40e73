#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/background_job.h"
#include "base/my_string.h"
#include "data/eeprom_configurer.h"
#include "link/conf_sequence_item.h"
#include "link/mlp_message.h"
#include "link/module_resource_core.h"
#include "link/module_resource_states.h"

class Tredp_hooks;

// The command layer between a program and one logger: every logger operation
// is one branch of a single state machine, started by a start method (refused
// with true while another runs) and ended in 1000, 1001 or 1002, which report
// SUCCESS, CANCELLED or ERROR to the owner by a direct call.
//
// The states are handled by groups (runIdle, runStatus, runEnd ...), each in
// the file of its operations; the table state_groups in module_resource.cpp
// lists them. A group returns false for a state that is not its own.
class Tmodule_resource : public Tmodule_resource_core {
public:
    Tmodule_resource();
    ~Tmodule_resource() override;

    void setDefaults() override;
    // "create_status_file", "disable_acq_during_download" (true only for
    // "true"), "path_bin", "path_xml" (where downloads are converted),
    // "com_port"; other keys to the core.
    void setParameter(const char* key, const char* value) override;
    void OnNotification(Tmy_event* event) override;
    void OnDownloadStart(unsigned size) override;
    void OnDownloadProgress(int percent) override;
    // Once a second: the automatic ping, then the sockets.
    void On_1Hz() override;
    void OnPipoMessage(Tmlp_message* msg) override;
    void OnBasicioMessage(Tmlp_message* msg) override;
    void finish(uint8_t kind) override;

    // The status read: every present field of the module view's status block,
    // into the view, the status text and (with create_status_file and a
    // log_path) the status XML file. True when refused.
    bool start_status();

    // Quick sync (module_resource_quick_sync.cpp): the next acquisition and
    // GSM times put on the grid of the period (900, 3600, 43200, 86400 s; any
    // other keeps them unless past); a logger clock more than 10 s behind is
    // set to the computer's time as it is when the write goes out. True when refused.
    bool start_quick_sync(uint32_t period);

    // Single REDP exchanges (module_resource_redp.cpp), true when refused. The
    // resource is busy (STATE_REDP) until the answer, a time-out or stop_redp;
    // the installed hooks hear how it ended. At most 52 data bytes per request.
    bool start_redp_set(uint8_t id, uint32_t value);
    bool start_redp_get(uint8_t id);
    bool start_redp_mem_write(uint32_t address, const uint8_t* data, unsigned count);
    bool start_redp_mem_read(uint32_t address, unsigned count);
    // Abandons the exchange under way; a later answer reaches no hook.
    void stop_redp();
    // The logger's program restarted (a jump): it knows no REDP session, so
    // the next exchange opens a new one. Abandons an exchange under way.
    void restart_redp_session();
    // Null: no hooks.
    void setRedpHooks(Tredp_hooks* hooks) { redp_hooks = hooks; }
    enum : int { STATE_REDP = module_states::redp.first };

    // Requests. The GTP ones go through the GTP socket; each is true when refused.
    bool mscp_gtp_sendSetVar(uint8_t id, uint32_t value, uint8_t flag);
    bool mscp_gtp_sendGetVar(uint8_t id);
    bool mscp_gtp_sendGetParameter(uint8_t id);
    bool mscp_gtp_sendControl(const Tconf_sequence_item& item);
    bool SendMMSrange(uint32_t address, uint8_t count);
    bool mscp_gtp_sendMemWrite(uint32_t address, uint8_t count, const uint8_t* data);
    bool mscp_gtp_sendEepromRead(uint32_t address, uint8_t count);
    bool mscp_gtp_sendOutSet(uint8_t a, uint8_t b, uint8_t c);
    void mscp_pipo_sendPing();
    void mscp_pipo_sendBreakLoop();
    // At most 58 text bytes go out.
    void mscp_basicio_sendCommand(uint8_t command, const char* text, unsigned length);

    // The short operations (module_resource_variables.cpp). Each is true when
    // refused; the result pointers may be null.
    bool start_set_var(uint8_t id, uint32_t value, uint8_t flag);
    bool start_get_var(uint8_t id, int32_t* result);
    // Reads, adds the delta (modulo 2^32) and writes back.
    bool start_read_add_write_var(uint8_t id, int32_t delta);
    // The output command with acquisition switched off around it.
    bool start_out_control(uint8_t kind, uint8_t mask, uint8_t value);
    // Command byte and at most 5 data bytes; with pending_is_success 1 a
    // PENDING answer ends the control in success.
    bool start_control(uint8_t command, const uint8_t* data, unsigned length, uint8_t pending_is_success);
    // At most capacity answer bytes into buffer, their count into *length.
    bool start_get_parameter(uint8_t id, uint8_t* buffer, uint8_t capacity, uint8_t* length);

    // EEPROM transfers of the image (module_resource_eeprom.cpp), true when
    // refused. Uploads verify pages 0 to 7 of the mask by reading them back.
    bool start_eeprom_upload_all();
    bool start_eeprom_upload_pages(uint8_t mask);
    bool start_eeprom_download(uint8_t mask);

    // Flash download (module_resource_flash.cpp) into the download file
    // "download_<station>_<time>.bin" in path_bin, over BTP or, slow, by 'Q'
    // reads; and the probe health check (module_resource_probe_health.cpp):
    // one acquisition cycle (kind below 2: control 3, else 66), then the
    // records it produced. True when refused.
    bool start_download(bool slow);
    bool start_health(uint8_t kind, bool quiet);

    // Configuration sequences (module_resource_sequence.cpp).
    void clearConfSequence();
    void addConfEnd();
    void addConfGetVar(uint8_t id);
    void addConfSetVar(uint8_t id, uint32_t value);
    void addConfControl(uint8_t length, const uint8_t control[Tconf_sequence_item::max_control_length]);
    void addConfReadPage(uint8_t page);
    // At most 256 bytes, written to the page and read back.
    void addConfWritePage(uint8_t page, const uint8_t* bytes, uint16_t length);
    // 1 when refused (busy or an empty list), else 0.
    int start_conf_sequence();
    int confSequenceCount() const { return static_cast<int>(sequence.size()); }
    // Null beyond the end.
    const Tconf_sequence_item* confSequenceItem(int index) const;

    // Operation end states.
    enum : int { STATE_IDLE = 0 };

    // The serial line is gone: the operation that runs ends at once in ERROR
    // (nothing more can reach the logger), keeping what it received, and the
    // log says what it leaves undone. Signalled by the owner.
    Tmy_event LINE_LOST;

    Tmy_event SKIP;
    Tmy_event LOOP;
    Tmy_event DONE;
    Tmy_event CONTINUE;
    Tmy_event EE_READ;
    Tmy_event EE_WRITE;
    Tmy_event AUTHENTICATED;
    Tmy_event UNAUTHENTICATED;
    Tmy_event PIPO_VAR_SET;
    Tmy_event CHALLENGE;
    Tmy_event SET_DONE;
    Tmy_event GET_DONE;
    Tmy_event CONTROL_DONE;
    Tmy_event REDP_CONTROL_DONE;
    Tmy_event REDP_SET_DONE;
    Tmy_event REDP_GET_DONE;
    Tmy_event REDP_MEM_W_RANGE_DONE;
    Tmy_event REDP_MEM_R_RANGE_DONE;
    Tmy_event START_CONTROL;
    Tmy_event START_DOWNLOAD;
    Tmy_event START_EEPROM_UPLOAD;
    Tmy_event START_EEPROM_DOWNLOAD;
    Tmy_event START_GET_VAR;
    Tmy_event START_SET_VAR;
    Tmy_event START_GET_PARAMETER;
    Tmy_event START_HEALTH;
    Tmy_event START_OUT_CONTROL;
    Tmy_event START_QUICK_SYNC;
    Tmy_event START_STATUS;
    Tmy_event START_R_A_W_VAR;
    Tmy_event START_CONF_SEQUENCE;

    bool create_status_file = false;
    char path_bin[512] = {};
    char com_port[256] = {};
    // Two-digit code and eight hex digits per variable of the last status read.
    Tmy_string status_text;
    // The command of the next CONTROL request.
    Tconf_sequence_item control_block{Tconf_sequence_item::KIND_CONTROL};
    bool access_granted = false;
    uint32_t last_variable_value = 0;
    bool disable_acq_during_download = true;
    uint8_t auto_ping_enabled = 1;

    // The image that uploads send, verifications compare and downloads fill.
    Teeprom_configurer eeprom;

    // Bytes of the flash range that the download file holds, 0 when none was
    // written (download_file_name is then "").
    uint32_t saved_bytes = 0;
    // The download file is converted into a measurement file in path_xml
    // before NEXT_DOWNLOAD_ADDRESS moves past its records: converted_xml is
    // the file placed ("" when none), converted_bytes the bytes of whole
    // records it holds, from the start of the range.
    char path_xml[512] = {};
    char converted_xml[512] = {};
    uint32_t converted_bytes = 0;

    // Caller's storage for GET_VAR and GET_PARAMETER answers (null: none).
    int32_t* get_var_result = nullptr;
    uint8_t* parameter_buffer = nullptr;
    uint8_t parameter_capacity = 0;
    uint8_t* parameter_length = nullptr;

    // Data of the last 'Z' (EEPROM read) and 'Q' (MMS range) answers.
    static constexpr unsigned answer_data_capacity = Tmlp_message::max_payload - 2;
    // EEPROM bytes one write or read request carries at most.
    static constexpr unsigned max_chunk = 48;
    uint8_t eeprom_read_buffer[answer_data_capacity] = {};
    uint16_t eeprom_read_length = 0;
    uint8_t mms_buffer[answer_data_capacity] = {};
    uint16_t mms_length = 0;
    // Data of the last REDP read or get answer.
    uint8_t redp_answer[answer_data_capacity] = {};
    uint16_t redp_answer_length = 0;

    // A conversion under way is waited for and its result dropped, for a
    // program whose windows are going; its measurement file is whole.
    void abandonConversion();

private:
    using Tstate_group = bool (Tmodule_resource::*)();
    static const Tstate_group state_groups[];

    // The socket events that every call handles before the state machine.
    void handleGtpEvent(Tmy_event* event);
    // The answer in the GTP socket, by the command of its request.
    void routeGtpAnswer();
    void onVariableAnswer(uint8_t id, uint32_t value);
    void onAcqModeAnswer(uint8_t fast);
    // An OK answer without the data its request asks for.
    void failAnswer(const char* what, unsigned data_length);
    void onStatusText(const Tmlp_message& msg);
    // PIPO and BASICIO frames, sent whole without sequence number.
    void sendPlain(uint8_t port, const uint8_t* payload, uint8_t count);
    bool sendGtp(uint8_t command, const uint8_t* data, uint8_t count);

    // State groups.
    bool runIdle();
    bool runDownload();
    bool runHealth();
    bool runVariables();
    bool runOutControl();
    bool runControl();
    bool runEepromUpload();
    bool runEepromDownload();
    bool runConfSequence();
    bool runStatus();
    bool runQuickSync();
    bool runEnd();
    // The transitions that every operation state has.
    void endOnStopOrError();

    // REDP: the socket events, the hooks of the done events, the busy state.
    void handleRedpEvent(Tmy_event* event);
    void routeRedpAnswer(uint8_t command, const Tmlp_message& answer);
    void callRedpHook(Tmy_event* event);
    bool sendRedp(uint8_t command, const uint8_t* data, uint8_t count);
    bool runRedp();
    Tredp_hooks* redp_hooks = nullptr;

    // The status XML file, named and headed with the station id once the
    // read has it. A file that cannot be made or written is logged; the read
    // goes on without it.
    void openStatusFile();
    // One line of the file during a status read: written, or kept until the
    // file opens.
    void writeStatusLine(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The line of one variable, by its name.
    void writeStatusVariable(const char* variable, uint32_t value);
    void closeStatusFile();
    // A write to the status file failed (a negative fprintf result).
    void noteStatusWrite(int result);
    std::string status_file_path;
    bool status_file_failed = false;
    // A status read wants its file and has not opened it yet.
    bool status_file_wanted = false;
    Tmy_string status_lines;

    Tmlp_message request;

    // Arguments of the short operations.
    uint8_t variable_id = 0;
    int32_t add_delta = 0;
    uint8_t set_flag = 0;
    uint8_t output_kind = 0;
    uint8_t output_mask = 0;
    uint8_t output_value = 0;
    uint8_t control_pending_is_success = 0;
    // Where a multi-step operation ends after its closing step.
    int pending_result = STATE_SUCCESS;

    // EEPROM transfer: pages of the mask (bit n = page n), the cursor and the
    // length of the chunk in flight.
    uint8_t page_mask = 0;
    bool include_page_250 = false;
    uint8_t download_page_index = 0;
    int32_t page_bytes_left = 0;
    unsigned transfer_page = 0;
    uint32_t transfer_offset = 0;
    uint16_t chunk_length = 0;
    // Sends the next chunk of the upload walk, or reading back; false when no
    // page is left.
    bool sendNextUploadChunk(bool read_back);
    bool takesPart(unsigned page, bool read_back) const;
    // A request the socket refused ends the step in ERROR.
    void failIfRefused(bool refused);
    // The closing step: acquisition enable back to the value read first.
    void restoreAcquisition();
    void startClosing(int result, int closing_state);
    // What an operation's closing step logs when it ends, by its result.
    struct Tclosing_lines {
        const char* success;
        const char* cancelled;
        const char* failed;
    };
    // The closing state of every operation that pauses acquisition: puts it
    // back, then ends with the pending result, logging that result's line when
    // lines are given; a STOP or an ERROR there ends it at once.
    void runClosingStep(const Tclosing_lines* lines = nullptr);
    // The opening steps of an operation that pauses acquisition: ACQ_ENABLE
    // read (the closing step writes it back), then written 0 when always or
    // disable_acq_during_download is set, else DONE. True when refused.
    bool readAcquisition();
    bool switchAcquisitionOff(bool always);
    // STOP and ERROR lead to the closing step with 1001 and 1002; true when one did.
    bool closeOnStopOrError(int closing_state);

    // What an operation leaves undone on the logger when it ends without its
    // closing steps, said in the log by finish.
    enum Tacquisition_switch : uint8_t { ACQ_AS_IT_WAS, ACQ_OFF_SENT, ACQ_OFF, ACQ_RESTORE_SENT };
    Tacquisition_switch acquisition_switch = ACQ_AS_IT_WAS;
    // A set-variable answer: what it confirms of the above.
    void onVariableWritten(uint8_t id, uint32_t value);
    void reportUndoneWork(uint8_t kind);
    // The line went away: the operation ends now.
    void abandonOnLineLost();
    // The NEXT_DOWNLOAD_ADDRESS write in flight, not yet confirmed.
    bool next_address_sent = false;
    uint32_t next_address_value = 0;
    // EEPROM upload: pages whose every byte the logger confirmed (bit n page n,
    // bit 8 page 250), the page with a write not confirmed (-1 none), the
    // upload under way (from its first write to its end).
    uint16_t upload_pages_written = 0;
    int upload_page_in_part = -1;
    bool upload_writing = false;
    // The read-back under way and the pages it found equal, bits as above.
    bool upload_verifying = false;
    uint16_t upload_pages_verified = 0;
    void notePageWritten();
    void reportUploadPages();

    // The range ends at the logger's write pointer (MMS_PT), where every record ends whole.
    bool range_ends_at_write_pointer = false;
    // The download file into the measurement file, on a worker so that the
    // windows go on: the worker is given a copy of what it needs and returns
    // it with what it made, which the hand-over puts here on the GUI thread.
    // Declared before the job, whose end (it waits for the worker) thus
    // comes first.
    struct Tdownload_conversion {
        std::string output_folder;
        std::string download_file;
        bool reaches_write_pointer = false;
        bool failed = false;
        char xml[sizeof converted_xml] = {};
        uint32_t record_bytes = 0;
    };
    Tdownload_conversion conversion;
    Tbackground_job conversion_job{"DOWNLOAD_CONVERTED"};
    // The conversion has ended (posted by the job's hand-over on the GUI thread).
    Tmy_event CONVERTED;
    // Where the operation goes once the conversion has ended, and its closing
    // step, where a failed conversion ends it instead (-1: it goes on).
    int after_conversion = 0;
    int conversion_closing_state = -1;
    // Started and its result not yet taken.
    bool conversion_under_way = false;
    // Starts the worker on download_file_name; false, logged, when no thread can be made.
    bool startConversion();
    // The worker's result into converted_xml and converted_bytes, logged;
    // true when the file could not be converted.
    bool takeConversion();
    // To after_conversion, or closing in failure.
    void continueAfterConversion(bool failed);
    // The converting state: waits for the worker; a cancel or an error then
    // leads to closing_state.
    void runConversionWait(int closing_state);
    // Flash download: the temporary file's name chosen (a free one beside the
    // file of an earlier download that did not end) and the file made when the
    // transfer begins; the transfer of the range by BTP and its end; the 'Q'
    // loop; the download file, whose header counts the bytes it holds
    // (returned, 0 when it was not written).
    void prepareDownloadFiles();
    void openTransferFile();
    // The first steps of both, states[0] to [2]: the temporary file's name
    // chosen and acquisition read, acquisition switched off, the station id
    // read; then the state after.
    void runTransferStart(const int (&states)[3], int after, bool* refused, bool* closes);
    void startBtpTransfer();
    void runBtpTransfer(int success_state, int closing_state, int cancel_state, int converting_state,
                        bool writes_file);
    void runBtpCancel(int closing_state, int converting_state, bool writes_file);
    // The transfer under way stopped where it is; what it received is saved.
    void abandonTransfer();
    // The transfer's bytes saved in the download file, which is then converted
    // while the operation waits in converting_state; then next, or
    // closing_state in failure (-1: next all the same) when the bytes could
    // not be saved or converted.
    void endTransfer(bool writes_file, int next, int converting_state, int closing_state);
    void takeTotalSize(uint32_t mms_pt);
    void requestMmsRange();
    void storeMmsAnswer();
    uint32_t writeDownloadFile();
    // The temporary file held bytes that no download file now holds.
    bool download_file_failed = false;
    // Whether the transfer under way ends in a download file however it ends.
    bool transfer_writes_file = false;
    bool slow_download = false;
    uint8_t download_quiet = 0;
    uint8_t health_kind = 0;
    uint32_t download_address = 0;
    uint32_t read_address = 0;
    uint32_t bytes_left = 0;
    uint32_t total_size = 0;
    uint8_t mms_request_length = 0;

    uint32_t quick_sync_period = 0;
    bool quick_sync_sets_clock = false;

    std::vector<std::unique_ptr<Tconf_sequence_item>> sequence;
    std::size_t sequence_cursor = 0;
    Tconf_sequence_item* sequence_item = nullptr;
    Tconf_sequence_item& appendConfItem(uint8_t kind);
    void startConfItem();
    void sendConfWriteChunk();
};
