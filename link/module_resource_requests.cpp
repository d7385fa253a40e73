// The module resource's requests to the logger and the routing of the GTP
// answers to the events its operations wait for.
#include <cstring>

#include "base/log.h"
#include "base/parse.h"
#include "base/time_calendar.h"
#include "link/module_resource.h"
#include "link/module_view.h"
#include "link/mscp_ccp_socket.h"
#include "link/mscp_protocol.h"
#include "link/sequence_report.h"

namespace {

// Text bytes that one BASICIO command carries at most.
constexpr unsigned basicio_text_max = 58;

// GTP commands.
enum : uint8_t {
    GTP_SET_VAR = 'S',
    GTP_GET_VAR = 'T',
    GTP_GET_PARAMETER = ']',
    GTP_CONTROL = '[',
    GTP_MMS_RANGE = 'Q',
    GTP_MEM_WRITE = 'X',
    GTP_EEPROM_READ = 'Z',
    GTP_OUT_SET = '\\',
};

// The control command that asks for the acquisition mode.
constexpr uint8_t CONTROL_ACQ_MODE = 2;

// Variables whose value the module view keeps in its VAR table.
bool is_viewed_variable(uint8_t id)
{
    return id <= 4 || id == 16 || (id >= 32 && id <= 38) || id == 39 || id == 40 || id == 135;
}

// How a variable's answer reaches the status block.
enum class Tstatus_effect { time, value, low_byte, system_info };

struct Tvariable_row {
    uint8_t id;
    const char* name;  // in the status XML file
    const char* log_line;
    const char* status_code;  // in the status text, or null
    Tstatus_effect effect;
    Tstatus_field_id field;
};

const Tvariable_row variable_rows[] = {
    {0, "TIME", "VAR_TIME         = %u", "80", Tstatus_effect::time, STATUS_FIELD_COUNT},
    {1, "ACQ_INTERVAL0", "VAR_ACQ_INTERVAL0 = %u", nullptr, Tstatus_effect::value, STATUS_ACQ_INTERVAL0},
    {2, "ACQ_NEXT", "VAR_ACQ_NEXT     = %u", "9C", Tstatus_effect::value, STATUS_ACQ_NEXT},
    {3, "ACQ_ENABLE", "VAR_ACQ_ENABLE   = %u", nullptr, Tstatus_effect::low_byte, STATUS_ACQ},
    {4, "ACQ_INTERVAL1", "VAR_ACQ_INTERVAL1 = %u", nullptr, Tstatus_effect::value, STATUS_ACQ_INTERVAL1},
    {16, "MMS_PT", "VAR_MMS_PT       = %u", "8C", Tstatus_effect::value, STATUS_MMS_PT},
    {32, "GSM_INTERVAL", "VAR_GSM_INTERVAL = %u", nullptr, Tstatus_effect::value, STATUS_GSM_INTERVAL},
    {33, "GSM_NEXT", "VAR_GSM_NEXT     = %u", "8D", Tstatus_effect::value, STATUS_GSM_NEXT},
    {34, "GSM_DURATION", "VAR_GSM_DURATION = %u", nullptr, Tstatus_effect::value, STATUS_GSM_DURATION},
    {35, "GSM_ENABLE", "VAR_GSM_ENABLE   = %u", nullptr, Tstatus_effect::low_byte, STATUS_GSM},
    {36, "GSM_NEXT_OFF", "VAR_GSM_NEXT_OFF = %u", "8F", Tstatus_effect::value, STATUS_GSM_NEXT_OFF},
    {37, "ACQ_LAST_BLOCK", "VAR_ACQ_LAST_BLOCK = %u", nullptr, Tstatus_effect::value, STATUS_LAST_BLOCK},
    {38, "STATION_ID", "VAR_STATION_ID       = %u", "82", Tstatus_effect::value, STATUS_STATION_ID},
    {39, "SYSTEM_INFO", "VAR_SYSTEM_INFO       = x%08X", nullptr, Tstatus_effect::system_info, STATUS_SYSTEM_INFO},
    {40, "NEXT_DOWNLOAD_ADDRESS", "VAR_NEXT_DOWNLOAD_ADDRESS = %u", "8E", Tstatus_effect::value, STATUS_NEXT_DOWNLOAD_ADDRESS},
};

const Tvariable_row* find_variable_row(uint8_t id)
{
    for (const Tvariable_row& row : variable_rows)
        if (row.id == id)
            return &row;
    return nullptr;
}

// Flash size by the memory bits (6 and 7) of SYSTEM_INFO.
uint32_t flash_size_of(uint32_t system_info)
{
    return ((system_info >> 6) & 3u) == 1 ? 0x400000u : 0x100000u;
}

}  // namespace

bool Tmodule_resource::sendGtp(uint8_t command, const uint8_t* data, uint8_t count)
{
    request.bytes[MSCP_COMMAND] = command;
    if (count)
        std::memcpy(request.bytes + ccp_data, data, count);
    return gtpSocket().sendRequest(&request, count);
}

bool Tmodule_resource::mscp_gtp_sendSetVar(uint8_t id, uint32_t value, uint8_t flag)
{
    uint8_t data[6] = {id, flag};
    write_be32(data + 2, value);
    return sendGtp(GTP_SET_VAR, data, sizeof data);
}

bool Tmodule_resource::mscp_gtp_sendGetVar(uint8_t id)
{
    return sendGtp(GTP_GET_VAR, &id, 1);
}

bool Tmodule_resource::mscp_gtp_sendGetParameter(uint8_t id)
{
    return sendGtp(GTP_GET_PARAMETER, &id, 1);
}

bool Tmodule_resource::mscp_gtp_sendControl(const Tconf_sequence_item& item)
{
    const uint8_t count = item.control_length < Tconf_sequence_item::max_control_length
                              ? item.control_length
                              : static_cast<uint8_t>(Tconf_sequence_item::max_control_length);
    return sendGtp(GTP_CONTROL, item.control, count);
}

bool Tmodule_resource::SendMMSrange(uint32_t address, uint8_t count)
{
    if (trace & TRACE_PROTOCOL)
        log_printf("SendMMSrange(%d,%d)", static_cast<int>(address), count);
    uint8_t data[5];
    write_be32(data, address);
    data[4] = count;
    return sendGtp(GTP_MMS_RANGE, data, sizeof data);
}

bool Tmodule_resource::mscp_gtp_sendMemWrite(uint32_t address, uint8_t count, const uint8_t* data)
{
    // Address, count and the data must fit one frame; the socket refuses more.
    uint8_t body[Tmlp_message::max_payload] = {};
    write_be32(body, address);
    body[4] = count;
    const unsigned room = sizeof body - 5;
    if (data && count)
        std::memcpy(body + 5, data, count < room ? count : room);
    const unsigned total = 5u + count;
    return sendGtp(GTP_MEM_WRITE, body, static_cast<uint8_t>(total < sizeof body ? total : sizeof body));
}

bool Tmodule_resource::mscp_gtp_sendEepromRead(uint32_t address, uint8_t count)
{
    uint8_t data[5];
    write_be32(data, address);
    data[4] = count;
    return sendGtp(GTP_EEPROM_READ, data, sizeof data);
}

bool Tmodule_resource::mscp_gtp_sendOutSet(uint8_t a, uint8_t b, uint8_t c)
{
    if (trace & TRACE_PROTOCOL)
        log_printf("mscp_gtp_sendOutSet(%d,%d,%d)", a, b, c);
    const uint8_t data[3] = {a, b, c};
    return sendGtp(GTP_OUT_SET, data, sizeof data);
}

void Tmodule_resource::sendPlain(uint8_t port, const uint8_t* payload, uint8_t count)
{
    Tmlp_message msg;
    msg.bytes[MSCP_DESTINATION] = destination;
    msg.bytes[MSCP_SOURCE] = MSCP_LOCAL_ADDRESS;
    msg.bytes[MSCP_PAYLOAD_LENGTH] = count;
    msg.bytes[MSCP_PORT] = port;
    std::memcpy(msg.bytes + MSCP_COMMAND, payload, count);
    msg.seal();
    process_tx(&msg);
}

void Tmodule_resource::mscp_pipo_sendPing()
{
    sendPlain(MSCP_PORT_PIPO, reinterpret_cast<const uint8_t*>("PING"), 4);
}

void Tmodule_resource::mscp_pipo_sendBreakLoop()
{
    const uint8_t command = 'L';
    sendPlain(MSCP_PORT_PIPO, &command, 1);
}

void Tmodule_resource::mscp_basicio_sendCommand(uint8_t command, const char* text, unsigned length)
{
    uint8_t payload[basicio_text_max + 1];
    payload[0] = command;
    const unsigned kept = text ? (length < basicio_text_max ? length : basicio_text_max) : 0;
    if (kept)
        std::memcpy(payload + 1, text, kept);
    sendPlain(MSCP_PORT_BASICIO, payload, static_cast<uint8_t>(kept + 1));
}

void Tmodule_resource::handleGtpEvent(Tmy_event* event)
{
    Tmscp_ccpSocket& socket = gtpSocket();
    if (event == &socket.ACK_TIMEOUT) {
        log_printf("ERROR : Timeout - No Answer");
        ERROR.signal();
    } else if (event == &socket.ANSWER_ARRIVAL) {
        routeGtpAnswer();
        socket.answerDone();
    } else if (event == &socket.REQUEST_ARRIVAL) {
        socket.requestDone();
    } else if (event == &socket.PENDING_ARRIVAL) {
        activity.ping_countdown = 20;
        if (trace & TRACE_OPERATOR)
            log_printf("INFO  : PENDING........");
    }
}

void Tmodule_resource::failAnswer(const char* what, unsigned data_length)
{
    log_printf("ERROR : %s : answer to %s with %u data bytes", getParameter("name"), what, data_length);
    ERROR.signal();
}

void Tmodule_resource::routeGtpAnswer()
{
    const Tmlp_message& answer = *gtpSocket().getAnswer();
    const Tmlp_message& asked = *gtpSocket().getRequest();
    const uint8_t code = answer.bytes[MSCP_COMMAND];
    const bool ok = code == CCP_STATUS_OK;
    const uint8_t* data = answer.bytes + ccp_data;
    // The socket hands on answers of 7 bytes or more only.
    const unsigned data_length = answer.length > ccp_overhead ? answer.length - ccp_overhead : 0;

    switch (asked.bytes[MSCP_COMMAND]) {
    case GTP_SET_VAR:
        if (ok)
            onVariableWritten(asked.bytes[ccp_data], read_be32(asked.bytes + ccp_data + 2));
        (ok ? SET_DONE : ERROR).signal();
        break;
    case GTP_MEM_WRITE:
    case GTP_OUT_SET:
        // A refused write is an error: a verification must not pass over it.
        (ok ? SET_DONE : ERROR).signal();
        break;
    case GTP_GET_VAR:
        if (!ok) {
            ERROR.signal();
        } else if (data_length != 4) {
            failAnswer("VARGET", data_length);
        } else {
            onVariableAnswer(asked.bytes[ccp_data], read_be32(data));
            GET_DONE.signal();
        }
        break;
    case GTP_EEPROM_READ:
        if (!ok) {
            if (code == CCP_STATUS_FAIL)
                log_printf("%s : EER failed", getParameter("name"));
            ERROR.signal();
        } else if (data_length != asked.bytes[ccp_data + 4]) {
            failAnswer("EEPROM read", data_length);
        } else {
            std::memcpy(eeprom_read_buffer, data, data_length);
            eeprom_read_length = static_cast<uint16_t>(data_length);
            if (trace & TRACE_PROTOCOL)
                log_hex_dump(data, data_length, dump_bytes_per_line);
            GET_DONE.signal();
        }
        break;
    case GTP_MMS_RANGE:
        mms_length = 0;
        if (!ok) {
            if (code == CCP_STATUS_FAIL)
                log_printf("%s : MMSrange failed", getParameter("name"));
            ERROR.signal();
        } else if (data_length > asked.bytes[ccp_data + 4]) {
            failAnswer("MMSRANGE", data_length);
        } else {
            std::memcpy(mms_buffer, data, data_length);
            mms_length = static_cast<uint16_t>(data_length);
            if (trace & TRACE_PROTOCOL)
                log_hex_dump(data, data_length, dump_bytes_per_line);
            DONE.signal();
        }
        break;
    case GTP_CONTROL:
        if (code == CCP_STATUS_FAIL) {
            ERROR.signal();
            log_printf("ERROR : %s : Control_Arrival failed", getParameter("name"));
        } else if (!ok) {
            log_printf("ERROR : %s : control answered with code x%02X", getParameter("name"), code);
            ERROR.signal();
        } else if (asked.bytes[ccp_data] != CONTROL_ACQ_MODE) {
            CONTROL_DONE.signal();
        } else if (data_length != 1) {
            failAnswer("the ACQ mode control", data_length);
        } else {
            onAcqModeAnswer(data[0]);
            CONTROL_DONE.signal();
        }
        break;
    case GTP_GET_PARAMETER:
        if (!ok) {
            ERROR.signal();
            break;
        }
        if (parameter_buffer && data_length > 0) {
            const unsigned kept = data_length < parameter_capacity ? data_length : parameter_capacity;
            std::memcpy(parameter_buffer, data, kept);
            if (parameter_length)
                *parameter_length = static_cast<uint8_t>(kept);
        }
        GET_DONE.signal();
        break;
    default:
        break;
    }
}

void Tmodule_resource::onVariableAnswer(uint8_t id, uint32_t value)
{
    last_variable_value = value;
    if (is_viewed_variable(id))
        module_view.setVarValue(id, value);
    if (id == 38)
        module_view.setStatusValue(STATUS_ITEM_STATION_ID, value);
    const Tvariable_row* row = find_variable_row(id);
    if (!row)
        return;
    if (trace & TRACE_PROTOCOL)
        log_printf(row->log_line, value);
    if (row->status_code)
        status_text.appendf("%s%08X", row->status_code, value);
    switch (row->effect) {
    case Tstatus_effect::time:
        module_view.setTime(value, time_now());
        break;
    case Tstatus_effect::value:
        module_view.setStatus(row->field, value);
        break;
    case Tstatus_effect::low_byte:
        module_view.setStatus(row->field, value & 0xFFu);
        break;
    case Tstatus_effect::system_info:
        module_view.setStatus(row->field, value);
        module_view.setFlashSize(flash_size_of(value));
        break;
    }
    writeStatusVariable(row->name, value);
}

void Tmodule_resource::onAcqModeAnswer(uint8_t fast)
{
    const uint32_t mode = fast ? 1 : 0;
    writeStatusLine("\t<VARIABLE name=\"ACQ_MODE_FAST\" value=\"%u\"/>\n", mode);
    module_view.setStatus(STATUS_ACQ_MODE, mode);
}
