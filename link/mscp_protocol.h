#pragma once

// Numbers of the logger protocol: addresses, protocol ports, CCP codes and the
// BTP commands.

// The programs' own address: the source of every frame they build.
constexpr unsigned char MSCP_LOCAL_ADDRESS = 0;
// The logger in normal mode, and the address of a CCP socket never given one.
constexpr unsigned char MSCP_LOGGER_ADDRESS = 1;
constexpr unsigned char MSCP_UNKNOWN_ADDRESS = 255;

enum : unsigned char {
    MSCP_PORT_PIPO = 0x20,
    MSCP_PORT_BASICIO = 0x22,
    MSCP_PORT_EDP = 0x23,
    MSCP_PORT_BTP = 0x24,
    MSCP_PORT_GTP = 0x81,
    MSCP_PORT_SAP = 0x82,
    MSCP_PORT_REDP = 0xA3,
};

// Command byte 0x01 and the codes from 0xF0 up mean the same on every CCP port;
// a command byte below 0xF0 is a request, 0xF0 and above an answer.
enum : unsigned char {
    CCP_SEQ_INIT = 0x01,
    CCP_FIRST_ANSWER_CODE = 0xF0,
    CCP_STATUS_OK = 0xF0,
    CCP_STATUS_FAIL = 0xF1,
    CCP_STATUS_PENDING = 0xF2,
    CCP_LATE_ACKNOWLEDGE = 0xF4,
    CCP_NEXT = 0xF5,
    CCP_PART_FIRST = 0xF6,
    CCP_PART = 0xF7,
};

enum : unsigned char {
    BTP_START = 'A',
    BTP_STOP = 'Z',
};

// Byte offsets inside a frame.
enum : unsigned {
    MSCP_DESTINATION = 0,
    MSCP_SOURCE = 1,
    MSCP_PAYLOAD_LENGTH = 2,
    MSCP_PORT = 3,
    MSCP_COMMAND = 4,
    MSCP_SEQUENCE = 5,
    // Header and checksum around the payload.
    MSCP_FRAME_OVERHEAD = 5,
};

// Where the data of a CCP request or answer starts: after command and sequence number.
constexpr unsigned ccp_data = MSCP_SEQUENCE + 1;
// A CCP frame's bytes besides its data: header, command, sequence number, checksum.
constexpr unsigned ccp_overhead = ccp_data + 1;
