#include "link/mscp_trace.h"

#include <cstddef>

#include "base/log.h"
#include "base/my_string.h"
#include "base/parse.h"
#include "link/mlp_message.h"
#include "link/mscp_protocol.h"

namespace {

struct Tcode_name {
    unsigned char code;
    const char* name;
};

template <std::size_t N>
const char* name_of(const Tcode_name (&table)[N], unsigned char code)
{
    for (const Tcode_name& entry : table)
        if (entry.code == code)
            return entry.name;
    return nullptr;
}

const Tcode_name port_names[] = {
    {MSCP_PORT_PIPO, "PIPO"}, {MSCP_PORT_BASICIO, "BASICIO"}, {MSCP_PORT_EDP, "EDP"},
    {MSCP_PORT_BTP, "BTP"},   {MSCP_PORT_GTP, "GTP"},         {MSCP_PORT_SAP, "SAP"},
    {MSCP_PORT_REDP, "REDP"},
};

const Tcode_name basicio_commands[] = {{'@', "BASICIO_STRINGOUT"}};

const Tcode_name edp_commands[] = {
    {'@', "EDP_RESULT"},     {'a', "EDP_IOR"},         {'b', "EDP_IOW"},     {'d', "EDP_SHIFT"},
    {'e', "EDP_LCD_WRITE"}, {0x80, "EDP_TEST0"},      {0x81, "EDP_TEST1"}, {0x82, "EDP_TEST2"},
};

const Tcode_name btp_commands[] = {{BTP_START, "BTP_START"}, {BTP_STOP, "BTP_STOP"}};

const Tcode_name gtp_commands[] = {
    {CCP_SEQ_INIT, "CCP_SEQ_INIT"},
    {'Q', "MMSRANGE"},
    {'S', "VARSET"},
    {'T', "VARGET"},
    {'[', "CONTROL"},
    {CCP_STATUS_OK, "CCP_STATUS_OK"},
    {CCP_STATUS_FAIL, "CCP_STATUS_FAIL"},
    {CCP_STATUS_PENDING, "CCP_STATUS_PENDING"},
    {CCP_LATE_ACKNOWLEDGE, "CCP_LATE_ACKNOWLEDGE"},
};

const Tcode_name sap_commands[] = {
    {CCP_SEQ_INIT, "CCP_SEQ_INIT"},
    {'A', "ACQ"},
    {'B', "OUT_CONTROL"},
    {CCP_STATUS_OK, "CCP_STATUS_OK"},
    {CCP_STATUS_FAIL, "CCP_STATUS_FAIL"},
    {CCP_STATUS_PENDING, "CCP_STATUS_PENDING"},
    {CCP_LATE_ACKNOWLEDGE, "CCP_LATE_ACKNOWLEDGE"},
    {CCP_NEXT, "CCP_NEXT"},
    {CCP_PART_FIRST, "CCP_PART_FIRST"},
    {CCP_PART, "CCP_PART"},
};

const char* command_name(unsigned char port, unsigned char command)
{
    switch (port) {
    case MSCP_PORT_BASICIO:
        return name_of(basicio_commands, command);
    case MSCP_PORT_EDP:
    case MSCP_PORT_REDP:
        return name_of(edp_commands, command);
    case MSCP_PORT_BTP:
        return name_of(btp_commands, command);
    case MSCP_PORT_GTP:
        return name_of(gtp_commands, command);
    case MSCP_PORT_SAP:
        return name_of(sap_commands, command);
    default:
        return nullptr;
    }
}

// The PIPO payload in words; false when the payload is too short for its fields.
bool decode_pipo(const unsigned char* payload, unsigned n, Tmy_string* text)
{
    switch (payload[0]) {
    case 'A':
        if (n < 4)
            return false;
        text->printf("Status : %s %d %d", payload[1] ? "Access:granted" : "Access:denied", payload[2],
                     payload[3]);
        return true;
    case 'H':
        if (n < 6)
            return false;
        text->printf("PIPO_CHALLENGE, challenge=x%08X, validity=%d", read_be32(payload + 2), payload[1]);
        return true;
    case 'K':
        if (n < 6)
            return false;
        text->printf("PIPO_VAR, VAR_NUM=%d, value=%u, value=%f", payload[1], read_be32(payload + 2),
                     static_cast<double>(read_be_float(payload + 2, 4)));
        return true;
    case 'P':
        text->append(reinterpret_cast<const char*>(payload), n);
        return true;
    default:
        return false;
    }
}

// Decoded PIPO texts longer than the column leave it empty.
constexpr unsigned pipo_column_limit = 64;

}  // namespace

void mscp_trace_message(const Tmlp_message* msg)
{
    if (!msg)
        return;
    const unsigned char destination = msg->bytes[MSCP_DESTINATION];
    const unsigned char source = msg->bytes[MSCP_SOURCE];
    const unsigned char n = msg->payloadLength();
    const unsigned char port = msg->bytes[MSCP_PORT];
    const unsigned char* payload = msg->bytes + MSCP_COMMAND;

    const char* port_text = name_of(port_names, port);
    const char* command_text = nullptr;
    Tmy_string pipo;
    if (n > 0 && port == MSCP_PORT_PIPO) {
        if (decode_pipo(payload, n, &pipo))
            command_text = pipo.length() < pipo_column_limit ? pipo.c_str() : "";
    } else if (n > 0) {
        command_text = command_name(port, payload[0]);
    }

    Tmy_string body;
    body.printf(" [%d], %s, %s (%d)", n, port_text ? port_text : "-", command_text ? command_text : "-",
                msg->bytes[MSCP_SEQUENCE]);
    if (source > destination)
        log_printf("%d -->> %d %s", source, destination, body.c_str());
    else
        log_printf("%d <<-- %d %s", destination, source, body.c_str());
}
