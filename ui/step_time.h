#pragma once

struct Tflash_parser_data;

// The time of a step as the result displays show it, seconds since 1970. The
// reader keeps it in 64 bits; the calendar takes unsigned 32-bit times, so a
// time outside them is no time to show. False when the step has none.
bool step_time(const Tflash_parser_data& step, unsigned* seconds);
