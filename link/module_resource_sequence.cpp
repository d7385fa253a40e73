// Configuration sequences: a list of small steps (read or write a variable,
// a control, read or write-and-verify an EEPROM page) run in one go.
#include <cstring>

#include "base/log.h"
#include "link/module_resource.h"
#include "link/mscp_ccp_socket.h"
#include "link/sequence_report.h"

namespace {

// A get step's value until the logger answers: the float no-value marker.
constexpr uint32_t no_value_pattern = 0x7F7FF023;
constexpr unsigned half_page = 128;

enum : int {
    STATE_NEXT_ITEM = module_states::conf_sequence.first,
    STATE_READ_FIRST_HALF = 5006,
    STATE_READ_SECOND_HALF = 5008,
    STATE_WRITE_BEGIN = 5010,
    STATE_WRITE_CHUNK = 5012,
    STATE_VERIFY_CHUNK = 5014,
    STATE_WRITE_END = 5019,
    STATE_ITEM_DONE = 5089,
    STATE_SEQUENCE_DONE = 5090,
};
static_assert(module_states::conf_sequence.holds(STATE_SEQUENCE_DONE), "sequence states in their range");

}  // namespace

void Tmodule_resource::clearConfSequence()
{
    sequence.clear();
    sequence_cursor = 0;
    sequence_item = nullptr;
}

Tconf_sequence_item& Tmodule_resource::appendConfItem(uint8_t kind)
{
    sequence.push_back(std::make_unique<Tconf_sequence_item>(kind));
    return *sequence.back();
}

void Tmodule_resource::addConfEnd()
{
    appendConfItem(Tconf_sequence_item::KIND_END);
}

void Tmodule_resource::addConfGetVar(uint8_t id)
{
    Tconf_sequence_item& item = appendConfItem(Tconf_sequence_item::KIND_GET_VAR);
    item.variable_id = id;
    item.value = no_value_pattern;
}

void Tmodule_resource::addConfSetVar(uint8_t id, uint32_t value)
{
    Tconf_sequence_item& item = appendConfItem(Tconf_sequence_item::KIND_SET_VAR);
    item.variable_id = id;
    item.value = value;
}

void Tmodule_resource::addConfControl(uint8_t length, const uint8_t control[Tconf_sequence_item::max_control_length])
{
    Tconf_sequence_item& item = appendConfItem(Tconf_sequence_item::KIND_CONTROL);
    const uint8_t kept = length < Tconf_sequence_item::max_control_length
                             ? length
                             : static_cast<uint8_t>(Tconf_sequence_item::max_control_length);
    item.control_length = kept;
    if (control)
        std::memcpy(item.control, control, Tconf_sequence_item::max_control_length);
}

void Tmodule_resource::addConfReadPage(uint8_t page)
{
    appendConfItem(Tconf_sequence_item::KIND_READ_PAGE).page = page;
}

void Tmodule_resource::addConfWritePage(uint8_t page, const uint8_t* bytes, uint16_t length)
{
    Tconf_sequence_item& item = appendConfItem(Tconf_sequence_item::KIND_WRITE_PAGE);
    item.page = page;
    item.length = bytes ? (length < sizeof item.buffer ? length : static_cast<uint16_t>(sizeof item.buffer)) : 0;
    if (item.length)
        std::memcpy(item.buffer, bytes, item.length);
}

const Tconf_sequence_item* Tmodule_resource::confSequenceItem(int index) const
{
    return index >= 0 && index < confSequenceCount() ? sequence[static_cast<std::size_t>(index)].get() : nullptr;
}

int Tmodule_resource::start_conf_sequence()
{
    if (state != STATE_IDLE || sequence.empty())
        return 1;
    sequence_cursor = 0;
    sequence_item = nullptr;
    START_CONF_SEQUENCE.signal();
    return 0;
}

void Tmodule_resource::startConfItem()
{
    sequence_item = sequence_cursor < sequence.size() ? sequence[sequence_cursor++].get() : nullptr;
    if (!sequence_item) {
        DONE.signal();
        return;
    }
    Tconf_sequence_item& item = *sequence_item;
    switch (item.kind) {
    case Tconf_sequence_item::KIND_GET_VAR:
        failIfRefused(mscp_gtp_sendGetVar(item.variable_id));
        break;
    case Tconf_sequence_item::KIND_READ_PAGE:
        EE_READ.signal();
        break;
    case Tconf_sequence_item::KIND_WRITE_PAGE:
        (item.length ? EE_WRITE : SKIP).signal();
        break;
    case Tconf_sequence_item::KIND_CONTROL:
        failIfRefused(mscp_gtp_sendControl(item));
        break;
    case Tconf_sequence_item::KIND_SET_VAR:
        failIfRefused(mscp_gtp_sendSetVar(item.variable_id, item.value, 0));
        break;
    case Tconf_sequence_item::KIND_SET_VAR_FROM_GET: {
        uint32_t value = 0;
        for (const auto& earlier : sequence) {
            if (earlier->kind == Tconf_sequence_item::KIND_GET_VAR && earlier->variable_id == item.variable_id) {
                value = earlier->value;
                break;
            }
        }
        failIfRefused(mscp_gtp_sendSetVar(item.variable_id, value, 0));
        break;
    }
    default:
        // An end item, or one this program does not know: the sequence is over.
        DONE.signal();
        break;
    }
}

void Tmodule_resource::sendConfWriteChunk()
{
    Tconf_sequence_item& item = *sequence_item;
    chunk_length = static_cast<uint16_t>(page_bytes_left < static_cast<int32_t>(max_chunk) ? page_bytes_left : max_chunk);
    log_hex_dump(item.buffer + transfer_offset, chunk_length, dump_bytes_per_line);
    failIfRefused(mscp_gtp_sendMemWrite(item.page * eeprom_page_size + transfer_offset,
                                        static_cast<uint8_t>(chunk_length), item.buffer + transfer_offset));
}

bool Tmodule_resource::runConfSequence()
{
    if (!module_states::conf_sequence.holds(state))
        return false;
    Tconf_sequence_item* item = sequence_item;
    switch (state) {
    case STATE_NEXT_ITEM:
        if (consumed)
            startConfItem();
        onEvent(&DONE, STATE_SEQUENCE_DONE);
        onEvent(&SKIP, STATE_ITEM_DONE);
        onEvent(&SET_DONE, STATE_ITEM_DONE);
        onEvent(&CONTROL_DONE, STATE_ITEM_DONE);
        if (onEvent(&GET_DONE, STATE_ITEM_DONE) && item && item->kind == Tconf_sequence_item::KIND_GET_VAR)
            item->value = last_variable_value;
        onEvent(&EE_READ, STATE_READ_FIRST_HALF);
        onEvent(&EE_WRITE, STATE_WRITE_BEGIN);
        if (onEvent(&gtpSocket().PENDING_ARRIVAL, -1))
            PENDING_ARRIVAL.signal();
        break;
    case STATE_READ_FIRST_HALF:
    case STATE_READ_SECOND_HALF: {
        const unsigned half = state == STATE_READ_FIRST_HALF ? 0 : half_page;
        if (consumed)
            failIfRefused(mscp_gtp_sendEepromRead(item->page * eeprom_page_size + half, half_page));
        if (onEvent(&GET_DONE, state == STATE_READ_FIRST_HALF ? STATE_READ_SECOND_HALF : STATE_ITEM_DONE)) {
            std::memcpy(item->buffer + half, eeprom_read_buffer, half_page);
            log_printf("read EEPROM %d ", item->page);
            log_hex_dump(item->buffer + half, half_page, dump_bytes_per_line);
            if (half) {
                eeprom.loadPage(item->page, item->buffer, sizeof item->buffer);
                eeprom.dump();
                Tmy_string setup_text;
                eeprom.writeSetupXml(&setup_text);
                log_printf("%s", setup_text.c_str());
            }
        }
        break;
    }
    case STATE_WRITE_BEGIN:
        if (consumed) {
            transfer_offset = 0;
            page_bytes_left = item->length;
            // Any differing chunk marks the page; a later equal one does not clear it.
            item->verify_failed = 0;
            log_printf("write EEPROM %d ", item->page);
            (item->length ? CONTINUE : SKIP).signal();
        }
        onEvent(&CONTINUE, STATE_WRITE_CHUNK);
        onEvent(&SKIP, STATE_WRITE_END);
        break;
    case STATE_WRITE_CHUNK:
        if (consumed)
            sendConfWriteChunk();
        onEvent(&SET_DONE, STATE_VERIFY_CHUNK);
        break;
    case STATE_VERIFY_CHUNK:
        if (consumed)
            failIfRefused(mscp_gtp_sendEepromRead(item->page * eeprom_page_size + transfer_offset,
                                                  static_cast<uint8_t>(chunk_length)));
        if (onEvent(&GET_DONE, STATE_WRITE_END)) {
            if (std::memcmp(eeprom_read_buffer, item->buffer + transfer_offset, chunk_length) != 0)
                item->verify_failed = 1;
            log_printf("read EEPROM %d ", item->page);
            log_hex_dump(eeprom_read_buffer, chunk_length, dump_bytes_per_line);
            transfer_offset += chunk_length;
            if (page_bytes_left > chunk_length) {
                page_bytes_left -= chunk_length;
                setNextState(STATE_WRITE_CHUNK);
            }
        }
        break;
    case STATE_WRITE_END:
    case STATE_SEQUENCE_DONE:
        if (consumed)
            DONE.signal();
        onEvent(&DONE, state == STATE_WRITE_END ? static_cast<int>(STATE_ITEM_DONE) : static_cast<int>(STATE_SUCCESS));
        break;
    case STATE_ITEM_DONE:
        if (consumed)
            LOOP.signal();
        onEvent(&LOOP, STATE_NEXT_ITEM);
        break;
    default:
        return false;
    }
    // The EEPROM steps wait for their answers only: a cancel or a lost answer
    // ends the sequence there too.
    endOnStopOrError();
    return true;
}
