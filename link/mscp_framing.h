#pragma once

// How a message travels on the serial line: a wake-up byte, '$', the message
// with '$', '!' and '~' sent as '~' and the byte XOR 0x40, then '!'.
constexpr unsigned char MSCP_WAKEUP = 0xFF;
constexpr unsigned char MSCP_FRAME_START = '$';
constexpr unsigned char MSCP_FRAME_END = '!';
constexpr unsigned char MSCP_ESCAPE = '~';
constexpr unsigned char MSCP_ESCAPE_XOR = 0x40;

bool mscp_needs_escape(unsigned char byte);

// Writes the framed form of length message bytes into out and returns its size;
// 0 (nothing written) when it would not fit into out_size bytes.
unsigned mscp_frame_wakeup(const unsigned char* message, unsigned length, unsigned char* out, unsigned out_size);
