#include "data/eeprom_sequence_generator.h"

#include <cstring>

#include "base/log.h"

namespace {

// The last length at which an instruction may start: one byte is kept for the
// end instruction, and CONFIG32, the longest, one byte earlier.
constexpr unsigned last_start = 249;
constexpr unsigned last_config32_start = 248;

unsigned char byte_of(unsigned value)
{
    return static_cast<unsigned char>(value & 0xFFu);
}

}  // namespace

Teeprom_sequence_generator::Teeprom_sequence_generator()
{
    reset();
}

void Teeprom_sequence_generator::reset()
{
    std::memset(buffer, 0xFF, sizeof buffer);
    length = 0;
}

void Teeprom_sequence_generator::put(unsigned last, const unsigned char* bytes, unsigned n)
{
    if (length > last) {
        // The sequence would lack this instruction: say so rather than drop it unseen.
        log_printf("ERROR : Teeprom_sequence_generator, instruction 0x%02X refused at %u", bytes[0], length);
        return;
    }
    std::memcpy(buffer + length, bytes, n);
    length += n;
}

void Teeprom_sequence_generator::addTimeout(unsigned n)
{
    const unsigned char instruction[1] = {byte_of(0x10 + (n & 0x0F))};
    put(last_start, instruction, sizeof instruction);
}

void Teeprom_sequence_generator::addAcq32(unsigned module, unsigned header, unsigned channel)
{
    const unsigned char instruction[3] = {byte_of(0x40 + (module & 0x1F)), byte_of(header & 0x3F),
                                          byte_of(((module >> 5) << 7) + (channel & 0x7F))};
    put(last_start, instruction, sizeof instruction);
}

void Teeprom_sequence_generator::addConfig32(unsigned module, unsigned parameter, unsigned char b3,
                                             unsigned char b2, unsigned char b1, unsigned char b0)
{
    const unsigned char instruction[6] = {byte_of(0xC0 + (module & 0x3F)), byte_of(parameter), b3, b2, b1, b0};
    put(last_config32_start, instruction, sizeof instruction);
}

void Teeprom_sequence_generator::addAction32(unsigned module, unsigned and_mask, unsigned or_mask)
{
    unsigned char instruction[3] = {byte_of(0x60 + module), byte_of(and_mask), byte_of(or_mask)};
    if (module >= 16) {
        // Bits 4 and 5 of the module ride in the top of the and byte.
        instruction[0] = byte_of(0x90 + (module & 0x0F));
        instruction[1] = byte_of(((module >> 4) << 6) + (and_mask & 0x3F));
    }
    put(last_start, instruction, sizeof instruction);
}

void Teeprom_sequence_generator::addWait(unsigned n)
{
    const unsigned char instruction[1] = {byte_of(0xA0 + (n & 0x1F))};
    put(last_start, instruction, sizeof instruction);
}

void Teeprom_sequence_generator::addLoop(unsigned counter)
{
    const unsigned char instruction[3] = {0x05, byte_of(counter >> 8), byte_of(counter)};
    put(last_start, instruction, sizeof instruction);
}

void Teeprom_sequence_generator::addLoopEnd()
{
    const unsigned char instruction[1] = {0x06};
    put(last_start, instruction, sizeof instruction);
}

void Teeprom_sequence_generator::addEnd()
{
    const unsigned char instruction[1] = {0x00};
    put(last_start, instruction, sizeof instruction);
}
