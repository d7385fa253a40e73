#pragma once

#include <cstdint>

class Tmy_string;

// Each programming of a device's serial number, MAC and key is recorded as a
// small JSON file in the transactions folder ($HOME/vornhal/transactions),
// named after the host that the folder's "__config.txt" names ("host=...").

// The running counter in the file names; 0 at program start.
void transaction_reset_counter();
// The folder the files go to.
void transaction_folder(Tmy_string* out);
// The rest of the first "host=" line of "__config.txt" (case-insensitive);
// "undef" when the file or the line is missing.
void transaction_read_host(Tmy_string* out);
// The JSON record of one programming, timestamp in seconds since 1970 (UTC).
void transaction_build_key_json(Tmy_string* out, const char* host, int32_t serial, uint32_t timestamp,
                                const uint8_t mac[8], const uint8_t key[16]);
// Makes the folder and writes content to prefix + "<time>_<counter>.trans",
// never over an existing file; the counter advances in every case. True when
// no complete file was written (a partial one is removed); path_out (may be
// null) gets the path tried.
bool transaction_write_file(const char* prefix, const char* content, Tmy_string* path_out);
// The record of one key-and-MAC programming; true when it was not written.
bool transaction_write_key(int32_t serial, const uint8_t mac[8], const uint8_t key[16], Tmy_string* path_out);
