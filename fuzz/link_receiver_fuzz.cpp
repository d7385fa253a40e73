// The fuzzer plays the logger: its bytes arrive on the serial link's receiver
// one by one and every completed frame goes through the link selector into the
// module resource core (checks, routing by port, CCP sockets, PIPO and BASICIO
// handlers, dump decoder, download manager) while a status read or a flash
// download waits for answers. The first byte chooses the setting.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "fuzz/manual_pump_input.h"
#include "link/download_manager.h"
#include "link/mlp_io.h"
#include "link/module_resource.h"
#include "link/mscp_ccp_socket.h"

namespace {

// Bits of the first byte.
enum : uint8_t {
    LARGE_FRAMES = 0x01,  // the receiver collects up to a message's capacity
    LINE_MODE = 0x02,     // "EOL" instead of the wake-up framing
    ALL_FIELDS = 0x04,    // the status read asks for every field
    DOWNLOAD = 0x08,      // a flash download runs instead of the status read
    TRACED = 0x10,        // every trace line of the core and its sockets
};

// Bytes between two ticks of the one-second timer.
constexpr std::size_t bytes_per_tick = 48;

class Tquiet_owner : public Tevent_resource {};

void run(const uint8_t* data, std::size_t size, Tmanual_signal_window& window)
{
    Tquiet_owner owner;
    Tmlp_io io;
    Tmodule_resource module;
    io.setModuleResource(&module);
    module.setOwner(&owner);
    module.setMlpIo(&io);

    const uint8_t setting = data[0];
    if (setting & LARGE_FRAMES)
        io.setParameter("max_message_size", "384");
    if (setting & LINE_MODE)
        io.setParameter("mode", "EOL");
    if (setting & ALL_FIELDS)
        module_view.setPresentAll(1);
    if (setting & TRACED) {
        module.trace = 0xFFFF;
        module.gtpSocket().trace = 0xFFFF;
        module.downloadManager().trace = 0xFFFF;
    }
    FILE* download = nullptr;
    if (setting & DOWNLOAD) {
        download = std::tmpfile();
        module.downloadManager().setResultFile(download);
        module.downloadManager().start(0, 6000);
    } else {
        module.start_status();
    }
    window.pumpAll();

    for (std::size_t i = 1; i < size; ++i) {
        io.com.OnComRX(data[i]);
        window.pumpAll();
        if (i % bytes_per_tick == 0) {
            module.On_1Hz();
            window.advance(1000);
        }
    }
    window.advance(3000);
    module.downloadManager().setResultFile(nullptr);
    if (download)
        std::fclose(download);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    run_on_manual_pump([&](Tmanual_signal_window& window) { run(data, size, window); });
    return 0;
}
