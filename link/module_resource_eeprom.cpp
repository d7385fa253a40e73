// EEPROM upload with read-back verification and EEPROM download of the
// image. Acquisition is switched off around the transfer and put back to what
// it was by the closing step, which also runs after a cancel or an error.
#include "base/log.h"
#include "base/my_string.h"
#include "link/module_resource.h"
#include "link/mscp_ccp_socket.h"
#include "link/sequence_report.h"

namespace {

// Data bytes of one 'X' or 'Z' request.
// The upload walk is over after page 250.
constexpr unsigned page_walk_end = 256;
constexpr unsigned last_low_page = 7;
// Control commands that make the logger take its new configuration.
constexpr uint8_t CONTROL_RELOAD = 0;
constexpr uint8_t CONTROL_RESTART_ACQ = 8;

enum : int {
    STATE_UP_READ_ACQ = module_states::eeprom_upload.first,
    STATE_UP_ACQ_OFF = 2003,
    STATE_UP_BEGIN = 2006,
    STATE_UP_WRITE = 2010,
    STATE_UP_WRITTEN = 2020,
    STATE_UP_VERIFY_BEGIN = 2070,
    STATE_UP_VERIFY_READ = 2080,
    STATE_UP_COMPARE = 2090,
    STATE_UP_INTERVAL_FIRST = 2100,
    STATE_UP_INTERVAL_LAST = 2130,
    STATE_UP_RELOAD = 2140,
    STATE_UP_RESTART = 2150,
    STATE_UP_CLOSE = 2199,
    STATE_DOWN_READ_ACQ = module_states::eeprom_download.first,
    STATE_DOWN_ACQ_OFF = 1503,
    STATE_DOWN_BEGIN = 1506,
    STATE_DOWN_PAGE = 1508,
    STATE_DOWN_READ = 1510,
    STATE_DOWN_STORE = 1520,
    STATE_DOWN_NEXT_PAGE = 1530,
    STATE_DOWN_CLOSE = 1599,
};
static_assert(module_states::eeprom_upload.holds(STATE_UP_CLOSE), "upload states in their range");
static_assert(module_states::eeprom_download.holds(STATE_DOWN_CLOSE), "download states in their range");

// The interval records that an upload also writes into the running logger.
struct Tinterval_write {
    int state;
    unsigned char tag;
    uint8_t variable;
};
const Tinterval_write interval_writes[] = {
    {2100, 133, 1},   // ACQ_INTERVAL0
    {2110, 136, 4},   // ACQ_INTERVAL1
    {2120, 134, 32},  // GSM_INTERVAL
    {2130, 135, 34},  // GSM_DURATION
};

const Tinterval_write* find_interval_write(int state)
{
    for (const Tinterval_write& write : interval_writes)
        if (write.state == state)
            return &write;
    return nullptr;
}

unsigned next_walk_page(unsigned page)
{
    if (page < last_low_page)
        return page + 1;
    return page == last_low_page ? eeprom_high_page : page_walk_end;
}

}  // namespace

bool Tmodule_resource::start_eeprom_upload_all()
{
    if (state != STATE_IDLE)
        return true;
    page_mask = 0xFF;
    include_page_250 = true;
    START_EEPROM_UPLOAD.signal();
    return false;
}

bool Tmodule_resource::start_eeprom_upload_pages(uint8_t mask)
{
    if (state != STATE_IDLE)
        return true;
    page_mask = mask;
    include_page_250 = false;
    START_EEPROM_UPLOAD.signal();
    return false;
}

bool Tmodule_resource::start_eeprom_download(uint8_t mask)
{
    if (state != STATE_IDLE)
        return true;
    page_mask = mask;
    START_EEPROM_DOWNLOAD.signal();
    return false;
}

bool Tmodule_resource::takesPart(unsigned page, bool read_back) const
{
    if (page == eeprom_high_page)
        return include_page_250 && !read_back;
    return page <= last_low_page && (page_mask & (1u << page)) != 0;
}

bool Tmodule_resource::sendNextUploadChunk(bool read_back)
{
    for (; transfer_page != page_walk_end; transfer_page = next_walk_page(transfer_page), transfer_offset = 0) {
        const unsigned length = eeprom.getPageLength(transfer_page);
        if (!takesPart(transfer_page, read_back) || length <= transfer_offset)
            continue;
        chunk_length = static_cast<uint16_t>(length - transfer_offset < max_chunk ? length - transfer_offset : max_chunk);
        const uint32_t address = transfer_page * eeprom_page_size + transfer_offset;
        bool refused = false;
        if (read_back) {
            refused = mscp_gtp_sendEepromRead(address, static_cast<uint8_t>(chunk_length));
        } else {
            uint8_t data[max_chunk];
            for (unsigned i = 0; i < chunk_length; ++i)
                data[i] = eeprom.byteAt(transfer_page, transfer_offset + i);
            refused = mscp_gtp_sendMemWrite(address, static_cast<uint8_t>(chunk_length), data);
            transfer_offset += chunk_length;
            // The logger may take the chunk even when its answer never comes.
            upload_page_in_part = static_cast<int>(transfer_page);
        }
        failIfRefused(refused);
        return true;
    }
    return false;
}

namespace {

// Bit of a page in the upload's page sets: n for page n, 8 for page 250.
unsigned page_bit(unsigned page)
{
    return page == eeprom_high_page ? 1u << (last_low_page + 1) : 1u << page;
}

}  // namespace

void Tmodule_resource::notePageWritten()
{
    if (transfer_offset >= eeprom.getPageLength(transfer_page)) {
        upload_pages_written = static_cast<uint16_t>(upload_pages_written | page_bit(transfer_page));
        upload_page_in_part = -1;
    }
}

void Tmodule_resource::reportUploadPages()
{
    Tmy_string written;
    Tmy_string not_written;
    for (unsigned page = 0; page != page_walk_end; page = next_walk_page(page)) {
        if (!takesPart(page, false) || eeprom.getPageLength(page) == 0 || static_cast<int>(page) == upload_page_in_part)
            continue;
        Tmy_string& list = (upload_pages_written & page_bit(page)) ? written : not_written;
        list.appendf(" %u", page);
    }
    Tmy_string text;
    text.printf("ERROR : EEPROM upload cut off: pages written:%s", written.length() ? written.c_str() : " none");
    if (upload_page_in_part >= 0)
        text.appendf(", page %d not confirmed", upload_page_in_part);
    text.appendf(", pages not written:%s", not_written.length() ? not_written.c_str() : " none");
    if (upload_verifying) {
        Tmy_string verified;
        Tmy_string not_verified;
        for (unsigned page = 0; page != page_walk_end; page = next_walk_page(page)) {
            if (!takesPart(page, true) || eeprom.getPageLength(page) == 0)
                continue;
            Tmy_string& list = (upload_pages_verified & page_bit(page)) ? verified : not_verified;
            list.appendf(" %u", page);
        }
        text.appendf(", pages verified:%s", verified.length() ? verified.c_str() : " none");
        text.appendf(", pages not verified:%s", not_verified.length() ? not_verified.c_str() : " none");
    }
    log_printf("%s", text.c_str());
}

bool Tmodule_resource::runEepromUpload()
{
    if (!module_states::eeprom_upload.holds(state))
        return false;
    bool refused = false;
    bool closes = true;  // STOP and ERROR lead to the closing step
    const Tinterval_write* interval = find_interval_write(state);
    if (interval) {
        unsigned value = 0;
        if (consumed) {
            if (eeprom.findValue(interval->tag, &value))
                refused = mscp_gtp_sendSetVar(interval->variable, value, 0);
            else
                SKIP.signal();
        }
        const int next = state == STATE_UP_INTERVAL_LAST ? STATE_UP_RELOAD : state + 10;
        onEvent(&SKIP, next);
        onEvent(&SET_DONE, next);
    } else {
        switch (state) {
        case STATE_UP_READ_ACQ:
            if (consumed)
                refused = readAcquisition();
            onEvent(&GET_DONE, STATE_UP_ACQ_OFF);
            closes = false;
            endOnStopOrError();
            break;
        case STATE_UP_ACQ_OFF:
            if (consumed)
                refused = switchAcquisitionOff(false);
            onEvent(&SET_DONE, STATE_UP_BEGIN);
            onEvent(&DONE, STATE_UP_BEGIN);
            break;
        case STATE_UP_BEGIN:
        case STATE_UP_VERIFY_BEGIN:
            if (consumed) {
                transfer_page = 0;
                transfer_offset = 0;
                // What was written stays to be told until the upload ends, read-back and closing write included.
                if (state == STATE_UP_BEGIN) {
                    upload_writing = true;
                    upload_pages_written = 0;
                    upload_page_in_part = -1;
                }
                upload_verifying = state == STATE_UP_VERIFY_BEGIN;
                upload_pages_verified = 0;
                DONE.signal();
            }
            onEvent(&DONE, state == STATE_UP_BEGIN ? STATE_UP_WRITE : STATE_UP_VERIFY_READ);
            break;
        case STATE_UP_WRITE:
            if (consumed && !sendNextUploadChunk(false))
                SKIP.signal();
            if (onEvent(&SET_DONE, STATE_UP_WRITTEN))
                notePageWritten();
            onEvent(&SKIP, STATE_UP_VERIFY_BEGIN);
            break;
        case STATE_UP_WRITTEN:
            if (consumed)
                DONE.signal();
            onEvent(&DONE, STATE_UP_WRITE);
            break;
        case STATE_UP_VERIFY_READ:
            if (consumed && !sendNextUploadChunk(true))
                SKIP.signal();
            onEvent(&GET_DONE, STATE_UP_COMPARE);
            onEvent(&SKIP, STATE_UP_INTERVAL_FIRST);
            break;
        case STATE_UP_COMPARE:
            if (consumed) {
                bool equal = true;
                for (unsigned i = 0; i < chunk_length; ++i)
                    equal = equal && eeprom_read_buffer[i] == eeprom.byteAt(transfer_page, transfer_offset + i);
                transfer_offset += chunk_length;
                if (equal && transfer_offset >= eeprom.getPageLength(transfer_page))
                    upload_pages_verified = static_cast<uint16_t>(upload_pages_verified | page_bit(transfer_page));
                (equal ? DONE : ERROR).signal();
            }
            onEvent(&DONE, STATE_UP_VERIFY_READ);
            break;
        case STATE_UP_RELOAD:
        case STATE_UP_RESTART:
            if (consumed) {
                control_block.setControl(state == STATE_UP_RELOAD ? CONTROL_RELOAD : CONTROL_RESTART_ACQ, nullptr, 0);
                refused = mscp_gtp_sendControl(control_block);
            }
            onEvent(&CONTROL_DONE, state == STATE_UP_RELOAD ? STATE_UP_RESTART : STATE_UP_CLOSE);
            break;
        case STATE_UP_CLOSE: {
            static const Tclosing_lines verification{"SUCCESS : EEPROM Verification ok",
                                                     "ERROR : EEPROM Verification Cancelled !",
                                                     "ERROR : EEPROM Verification Failed !"};
            runClosingStep(&verification);
            closes = false;
            break;
        }
        default:
            return false;
        }
    }
    failIfRefused(refused);
    if (closes)
        closeOnStopOrError(STATE_UP_CLOSE);
    return true;
}

bool Tmodule_resource::runEepromDownload()
{
    if (!module_states::eeprom_download.holds(state))
        return false;
    bool refused = false;
    bool closes = true;
    switch (state) {
    case STATE_DOWN_READ_ACQ:
        if (consumed)
            refused = readAcquisition();
        onEvent(&GET_DONE, STATE_DOWN_ACQ_OFF);
        closes = false;
        endOnStopOrError();
        break;
    case STATE_DOWN_ACQ_OFF:
        if (consumed)
            refused = switchAcquisitionOff(true);
        onEvent(&SET_DONE, STATE_DOWN_BEGIN);
        break;
    case STATE_DOWN_BEGIN:
        if (consumed) {
            download_page_index = 0;
            DONE.signal();
        }
        onEvent(&DONE, STATE_DOWN_PAGE);
        break;
    case STATE_DOWN_PAGE:
        if (consumed) {
            if (page_mask & (1u << download_page_index)) {
                transfer_offset = download_page_index * eeprom_page_size;
                eeprom.clearPage(download_page_index);
                page_bytes_left = eeprom_page_size;
                CONTINUE.signal();
            } else {
                SKIP.signal();
            }
        }
        onEvent(&CONTINUE, STATE_DOWN_READ);
        onEvent(&SKIP, STATE_DOWN_NEXT_PAGE);
        break;
    case STATE_DOWN_READ:
        if (consumed) {
            const unsigned n = page_bytes_left < static_cast<int32_t>(max_chunk) ? page_bytes_left : max_chunk;
            if (n == 0) {
                DONE.signal();
            } else {
                chunk_length = static_cast<uint16_t>(n);
                refused = mscp_gtp_sendEepromRead(transfer_offset, static_cast<uint8_t>(n));
            }
        }
        onEvent(&GET_DONE, STATE_DOWN_STORE);
        onEvent(&DONE, STATE_DOWN_NEXT_PAGE);
        break;
    case STATE_DOWN_STORE:
        if (consumed) {
            eeprom.setBytes(transfer_offset, eeprom_read_buffer, chunk_length);
            page_bytes_left -= chunk_length;
            transfer_offset += chunk_length;
            (page_bytes_left > 0 ? LOOP : DONE).signal();
        }
        onEvent(&LOOP, STATE_DOWN_READ);
        onEvent(&DONE, STATE_DOWN_NEXT_PAGE);
        break;
    case STATE_DOWN_NEXT_PAGE:
        if (consumed) {
            ++download_page_index;
            (download_page_index > last_low_page ? DONE : LOOP).signal();
        }
        onEvent(&LOOP, STATE_DOWN_PAGE);
        onEvent(&DONE, STATE_DOWN_CLOSE);
        break;
    case STATE_DOWN_CLOSE: {
        static const Tclosing_lines download{"INFO  : EEPROM Download ok", "ERROR : EEPROM Download Cancelled !",
                                             "ERROR : EEPROM Download Failed !"};
        runClosingStep(trace & TRACE_OPERATOR ? &download : nullptr);
        closes = false;
        break;
    }
    default:
        return false;
    }
    failIfRefused(refused);
    if (closes)
        closeOnStopOrError(STATE_DOWN_CLOSE);
    return true;
}
