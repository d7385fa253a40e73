#pragma once

#include "tools/logger_sim/firmware_memory.h"

#include <cstdint>
#include <map>

// The two programs of a firmware update over REDP. The running firmware writes
// the update program into `updater`; its jump starts the update program, which
// writes the new firmware into `firmware`; its jump starts that firmware.
// Both memories start holding an old program. A program takes a clear only
// after its init request, and a write only after both.
namespace sim {

enum class Program { firmware, updater };

struct FirmwareUpdate {
    Program running = Program::firmware;
    uint32_t firmware_version = 0x00010203;  // REDP variable 10 while the firmware runs
    uint32_t updater_version = 0x00000901;   // REDP variable 10 while the update program runs
    FirmwareMemory updater{FirmwareMemory::Start::old_program};
    FirmwareMemory firmware{FirmwareMemory::Start::old_program};
    bool initialised = false;   // the init request (0xF0 with 0x65B2) of the running program came
    bool cleared = false;       // and after it the clear request (0xF1 with 0x65BC)
    bool answer_jumps = false;  // a jump is answered OK before the restart (else not at all)
    unsigned jumps = 0;
    uint8_t firmware_address = 1;            // own address to go back to after the update program
    std::map<uint8_t, uint32_t> variables;   // other REDP variables, set and read as given
};

}  // namespace sim
