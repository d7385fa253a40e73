#include "link/firmware_update.h"

#include "base/log.h"
#include "base/my_string.h"
#include "base/regular_file.h"
#include "link/calyxo_master.h"
#include "link/firmware_file.h"
#include "link/rfu_window_port.h"

namespace {

// REDP variables of the update and the values that unlock them.
constexpr uint8_t probe_id = 10;
constexpr uint8_t init_id = 0xF0;
constexpr uint32_t init_value = 26034;
constexpr uint8_t clear_id = 0xF1;
constexpr uint32_t clear_value = 26044;
constexpr uint8_t jump_id = 0xF2;
constexpr uint32_t jump_value = 26054;
// A CRC check reads 4 bytes and is answered with 2.
constexpr unsigned crc_read_count = 4;
constexpr unsigned crc_answer_count = 2;
// Consecutive memory lines merged into one write at most.
constexpr unsigned lines_per_write = 3;

constexpr int updater_start_ms = 4000;
constexpr int baud_switch_ms = 1000;
constexpr int firmware_start_ms = 2500;

// The second stage's states are the first stage's plus this.
constexpr uint32_t second_stage = 1000;

enum : uint32_t {
    STEP_IDLE = 0,
    STEP_PROBE = 100,
    STEP_INIT = 200,
    STEP_CLEAR = 300,
    STEP_DATA_LIST = 500,
    STEP_DATA = 501,
    STEP_CRC_LIST = 505,
    STEP_CRC = 506,
    STEP_UPDATER_JUMP = 900,
    STEP_BAUD_SWITCH = 950,
    STEP_FIRMWARE_JUMP = 1900,
};

const char* const error_init = "Error : could not start init  ";
const char* const error_clear = "Error : could not start clearing flash ";
const char* const error_send = "Error : could not start sending data ";
const char* const error_check = "Error : could not start checking the CRC ";

struct Tstage_lists {
    const char* data_path;
    const char* data_line;
    const char* crc_path;
    const char* crc_line;
};

// The update program's lists, then the new firmware's.
const Tstage_lists stage_lists[] = {
    {"/RFU/DATA", "- Send RFU Data", "/RFU/CRC", "- Check RFU Data"},
    {"/FIRMWARE/DATA", "- Send Firmware Data", "/FIRMWARE/CRC", "- Check Firmware Data"},
};

unsigned address_of(Txml_element entry)
{
    return xml_GetAttributeUnsigned(entry, "address");
}

}  // namespace

Tfirmware_update::Tfirmware_update(Tcalyxo_master& owner) : master(owner) {}

void Tfirmware_update::log(const char* text)
{
    if (window)
        window->rfu_log(text);
}

void Tfirmware_update::progress(int kind, int value)
{
    if (window)
        window->rfu_progress(kind, value);
}

void Tfirmware_update::wait(int ms)
{
    if (window)
        window->rfu_wait(ms);
}

void Tfirmware_update::fail(const char* text)
{
    update_state = STEP_IDLE;
    log_printf("%s", text);
    if (window)
        window->rfu_failed(text);
}

void Tfirmware_update::sent(bool refused)
{
    if (refused)
        fail("ERROR : firmware update : the logger link is busy, request not sent");
}

int Tfirmware_update::rfu_load_file(const char* path)
{
    data_cursor = nullptr;
    crc_cursor = nullptr;
    file_loaded = false;
    Tfile_read_error read_error;
    if (!xml_LoadFile(path, &document, &read_error)) {
        log_printf("ERROR : unable to read \"%s\" file correctly", path ? path : "");
        log_printf("ERROR : \"%s\" %s", path ? path : "", file_read_error_text(read_error).c_str());
        return 1;
    }
    Tmy_string error;
    if (firmware_file_check(&document, &error)) {
        log_printf("ERROR : unable to read \"%s\" file correctly", path);
        log_printf("ERROR : firmware file : %s", error.c_str());
        return 1;
    }
    file_loaded = true;
    log_printf("      : reading firmware file \"%s\"", path);
    return 0;
}

void Tfirmware_update::rfu_start()
{
    log(nullptr);
    if (!file_loaded) {
        fail("ERROR : no valid firmware file loaded, nothing programmed");
        return;
    }
    log("- Start");
    link_switched = false;
    update_state = STEP_PROBE;
    rfu_step(STEP_PROBE);
}

int Tfirmware_update::startList(bool data, uint32_t next_state)
{
    const Tstage_lists& lists = stage_lists[next_state >= second_stage ? 1 : 0];
    Txml_element first =
        xml_FirstChildEntity(xml_FindDocumentPath(&document, data ? lists.data_path : lists.crc_path));
    int entries = 0;
    for (Txml_element entry = first; entry; entry = xml_NextEntity(entry))
        ++entries;
    progress(2, entries);
    count = 0;
    (data ? data_cursor : crc_cursor) = first;
    if (!first)
        return 1;
    log(data ? lists.data_line : lists.crc_line);
    update_state = next_state;
    if (data)
        sendEntry();
    else
        checkEntry();
    return 0;
}

int Tfirmware_update::nextEntry(bool data)
{
    Txml_element& cursor = data ? data_cursor : crc_cursor;
    cursor = xml_NextEntity(cursor);
    if (!cursor)
        return 1;
    if (data)
        sendEntry();
    else
        checkEntry();
    return 0;
}

void Tfirmware_update::sendEntry()
{
    uint8_t bytes[lines_per_write * firmware_line_bytes];
    const unsigned address = address_of(data_cursor);
    firmware_line_data(data_cursor, bytes);
    unsigned length = firmware_line_bytes;
    ++count;
    // Lines that follow without a gap go out in the same write.
    while (length < sizeof bytes) {
        Txml_element next = xml_NextEntity(data_cursor);
        if (!next || address_of(next) != address + length)
            break;
        data_cursor = next;
        firmware_line_data(next, bytes + length);
        length += firmware_line_bytes;
        ++count;
    }
    sent(master.redp_mem_write(address, bytes, length));
    progress(1, count);
}

void Tfirmware_update::checkEntry()
{
    expected_crc = static_cast<uint16_t>(xml_GetAttributeUnsigned(crc_cursor, "value"));
    ++count;
    progress(1, count);
    sent(master.redp_mem_read(address_of(crc_cursor), crc_read_count));
}

int Tfirmware_update::rfu_step(uint32_t step_state)
{
    switch (step_state) {
    case STEP_PROBE:
    case STEP_PROBE + second_stage:
        sent(master.redp_get(probe_id));
        return 0;
    case STEP_INIT:
    case STEP_INIT + second_stage:
        sent(master.redp_set(init_id, init_value));
        return 0;
    case STEP_CLEAR:
    case STEP_CLEAR + second_stage:
        sent(master.redp_set(clear_id, clear_value));
        return 0;
    case STEP_DATA_LIST:
    case STEP_DATA_LIST + second_stage:
        return startList(true, step_state + (STEP_DATA - STEP_DATA_LIST));
    case STEP_DATA:
    case STEP_DATA + second_stage:
        return nextEntry(true);
    case STEP_CRC_LIST:
    case STEP_CRC_LIST + second_stage:
        return startList(false, step_state + (STEP_CRC - STEP_CRC_LIST));
    case STEP_CRC:
    case STEP_CRC + second_stage:
        return nextEntry(false);
    case STEP_UPDATER_JUMP:
        sent(master.redp_set(jump_id, jump_value));
        log("- RFU start .... (wait 5 sec)");
        wait(updater_start_ms);
        return 0;
    case STEP_FIRMWARE_JUMP:
        log("--> New firmware Jump");
        sent(master.redp_set(jump_id, jump_value));
        wait(firmware_start_ms);
        return 0;
    default:
        return 0;
    }
}

void Tfirmware_update::advance(uint32_t next_state, const char* error)
{
    update_state = next_state;
    if (rfu_step(next_state) == 1)
        fail(error);
}

void Tfirmware_update::on_redp_get_done(uint32_t value)
{
    (void)value;
    if (update_state == STEP_PROBE) {
        advance(STEP_INIT, error_init);
    } else if (update_state == STEP_PROBE + second_stage) {
        log("- RFU started - Clearing memory");
        advance(STEP_INIT + second_stage, error_init);
    }
}

void Tfirmware_update::on_redp_set_done()
{
    switch (update_state) {
    case STEP_INIT:
    case STEP_INIT + second_stage:
        advance(update_state + (STEP_CLEAR - STEP_INIT), error_clear);
        break;
    case STEP_CLEAR:
    case STEP_CLEAR + second_stage:
        advance(update_state + (STEP_DATA_LIST - STEP_CLEAR), error_send);
        break;
    case STEP_UPDATER_JUMP:
        // An answered jump waits for the timer as a silent one does: the
        // update program must be up, and in extension mode be reached at its
        // rate and address, before it is probed.
        break;
    case STEP_FIRMWARE_JUMP:
        // The new firmware answered before it started: back to its link.
        leaveUpdateProgram();
        update_state = STEP_IDLE;
        log_printf("------------------------------ <DONE> ----------------");
        break;
    default:
        break;
    }
}

void Tfirmware_update::on_redp_mem_w_range_done()
{
    if (update_state != STEP_DATA && update_state != STEP_DATA + second_stage)
        return;
    if (rfu_step(update_state) == 1)
        advance(update_state + (STEP_CRC_LIST - STEP_DATA), error_check);
}

void Tfirmware_update::on_redp_mem_r_range_done(const uint8_t* data, unsigned length)
{
    if (update_state != STEP_CRC && update_state != STEP_CRC + second_stage)
        return;
    if (length != crc_answer_count) {
        Tmy_string text;
        text.printf("ERROR : CRC read returned %u bytes, not %u", length, crc_answer_count);
        fail(text.c_str());
        return;
    }
    const uint16_t rx = static_cast<uint16_t>((data[0] << 8) | data[1]);
    if (update_state == STEP_CRC) {
        if (rx != expected_crc) {
            Tmy_string text;
            text.printf("ERROR : CRC wrong ! rx=x%04x  expected=x%04x", rx, expected_crc);
            fail(text.c_str());
        } else if (rfu_step(STEP_CRC) == 1) {
            advance(STEP_UPDATER_JUMP, nullptr);
        }
    } else if (rx != expected_crc) {
        log("!!! Data verification error");
        fail("ERROR : CRC wrong !");
    } else if (rfu_step(STEP_CRC + second_stage) == 1) {
        advance(STEP_FIRMWARE_JUMP, nullptr);
    }
}

void Tfirmware_update::on_redp_timeout()
{
    // A program that jumps does not answer its jump; the timer goes on from there.
    if (update_state == STEP_IDLE || update_state == STEP_UPDATER_JUMP || update_state == STEP_FIRMWARE_JUMP)
        return;
    fail("ERROR : firmware update : no answer from the logger");
}

void Tfirmware_update::on_redp_line_lost()
{
    if (update_state == STEP_IDLE)
        return;
    fail("ERROR : firmware update : connection to the logger lost");
}

void Tfirmware_update::on_redp_refused(uint8_t command, uint8_t code)
{
    if (update_state == STEP_IDLE)
        return;
    Tmy_string text;
    text.printf("ERROR : firmware update : request x%02X refused by the logger (x%02X)", command, code);
    fail(text.c_str());
}

void Tfirmware_update::leaveUpdateProgram()
{
    master.redp_restart_session();
    if (link_switched) {
        master.setParameter("baudrate", "9600");
        master.setParameter("mscp_dest", "254");
        link_switched = false;
    }
}

void Tfirmware_update::rfu_on_timer()
{
    switch (update_state) {
    case STEP_UPDATER_JUMP:
        // The jump restarted the logger's program: a new session with the
        // update program, whether the jump was answered or not.
        master.redp_stop();
        master.redp_restart_session();
        // The update program listens at 38400 baud on address 1.
        if (master.getModeFlag("extension") == 1) {
            master.setParameter("baudrate", "38400");
            master.setParameter("mscp_dest", "1");
            link_switched = true;
        }
        wait(baud_switch_ms);
        update_state = STEP_BAUD_SWITCH;
        break;
    case STEP_BAUD_SWITCH:
        log_printf("-->starting RFU program @ 38400 addr 1");
        advance(STEP_PROBE + second_stage, error_send);
        break;
    case STEP_FIRMWARE_JUMP:
        // The new firmware does not answer the jump: nothing waits for it.
        master.redp_stop();
        leaveUpdateProgram();
        update_state = STEP_IDLE;
        master.stop(nullptr);
        log_printf("------------------------------ <DONE - CHECK device> ----------------");
        break;
    default:
        break;
    }
}
