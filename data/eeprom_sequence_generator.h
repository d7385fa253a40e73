#pragma once

#include "data/eeprom_configurer.h"

// Builds an acquisition sequence in the 32-bit dialect from code. An append whose
// start lies beyond the builder's limit writes nothing; the record that wraps the
// result (Teeprom_generator::addRecord) refuses a sequence too long for a page.
class Teeprom_sequence_generator {
public:
    Teeprom_sequence_generator();

    void reset();
    void addTimeout(unsigned n);
    void addAcq32(unsigned module, unsigned header, unsigned channel);
    void addConfig32(unsigned module, unsigned parameter, unsigned char b3, unsigned char b2,
                     unsigned char b1, unsigned char b0);
    void addAction32(unsigned module, unsigned and_mask, unsigned or_mask);
    void addWait(unsigned n);
    void addLoop(unsigned counter);
    void addLoopEnd();
    void addEnd();

    const unsigned char* getBuffer() const { return buffer; }
    unsigned char getLength() const { return static_cast<unsigned char>(length); }

private:
    // Appends when the length is at most last_start.
    void put(unsigned last_start, const unsigned char* bytes, unsigned n);

    unsigned char buffer[eeprom_page_size];
    unsigned length = 0;
};
