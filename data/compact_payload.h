#pragma once

// Logs the compact payload of the logger's LoRaWAN radio module, one line per
// field: a main header byte, then typed fields.
void decode_tx_payload(const unsigned char* bytes, unsigned count);
