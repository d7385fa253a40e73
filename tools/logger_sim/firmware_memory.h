#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

// Program memory written over REDP during a firmware update: sparse. Until
// it is cleared it still holds an old program (old_byte of each address);
// after a clear, bytes not written since read as 0xFF.
//
// Firmware CRC rule of the simulated logger: a REDP memory read of exactly 4
// bytes at address A is a CRC check. It is answered with 2 bytes, most
// significant first: crc16_modbus over the 256 bytes of the memory at
// A .. A + 255 (unwritten bytes 0xFF). Tests build the CRC entries of a firmware
// file with firmware_crc() over a memory filled with the file's DATA entries.
namespace sim {

class FirmwareMemory {
public:
    static constexpr std::size_t crc_block = 256;
    enum class Start { erased, old_program };

    explicit FirmwareMemory(Start start = Start::erased) : erased(start == Start::erased) {}

    void write(uint32_t address, const std::vector<uint8_t>& bytes);
    std::vector<uint8_t> read(uint32_t address, std::size_t count) const;
    void clear()
    {
        bytes.clear();
        erased = true;
    }
    bool isErased() const { return erased; }
    // Nothing written since the start or the last clear.
    bool empty() const { return bytes.empty(); }
    std::size_t writtenCount() const { return bytes.size(); }

    // What the old program holds at an address: never 0xFF, so that a block
    // that was not cleared shows in its CRC.
    static uint8_t old_byte(uint32_t address) { return static_cast<uint8_t>((address * 29 + 0x11) % 0xFF); }

private:
    std::map<uint32_t, uint8_t> bytes;
    bool erased;
};

uint16_t firmware_crc(const FirmwareMemory& memory, uint32_t address);

}  // namespace sim
