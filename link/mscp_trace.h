#pragma once

struct Tmlp_message;

// Log one decoded line of a frame: addresses with the higher one on the left,
// payload length, port name, command name and byte 5 (the sequence number on
// the CCP ports). A null message logs nothing.
void mscp_trace_message(const Tmlp_message* msg);
