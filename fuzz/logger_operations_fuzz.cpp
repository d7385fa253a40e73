// The fuzzer plays the logger's answers to one operation of the master or of
// the module resource: the first byte chooses the operation, the rest is a
// series of answer frames handed to the module resource as the link selector
// hands it each received frame. Time passes only on the manual pump's virtual
// clock, so retries and time-outs run at once and alike on every replay.
//
// A frame in the input: a head byte, a payload length byte, the payload.
// Head bits 0-2 choose the port (or the line going away), bit 3 puts the
// socket's current sequence number after the command byte, so that the answer
// belongs to the request in flight; bits 4-5 give 0, 1, 4 or 30 one-second
// ticks before the frame; bit 6 sends it from an address other than the
// logger's (the next payload byte).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/manual_pump_input.h"
#include "base/time_calendar.h"
#include "link/calyxo_master.h"
#include "link/firmware_update.h"
#include "link/mlp_io.h"
#include "link/mlp_message.h"
#include "link/module_resource.h"
#include "link/mscp_ccp_socket.h"
#include "link/mscp_protocol.h"
#include "link/rfu_window_port.h"
#include "link/transaction_file.h"
#include "tests/e2e/master_stack.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr uint32_t fixed_time = 1700000000;
uint32_t fixed_clock()
{
    return fixed_time;
}

// A firmware file of both stages, two lines and one check each.
constexpr const char* firmware_text =
    "<F><RFU><DATA><LINE address=\"0\" data=\"00112233445566778899AABBCCDDEEFF\"/>"
    "<LINE address=\"16\" data=\"ffeeddccbbaa99887766554433221100\"/></DATA>"
    "<CRC><CHECK address=\"0\" value=\"4660\"/></CRC></RFU>"
    "<FIRMWARE><DATA><LINE address=\"0\" data=\"00112233445566778899AABBCCDDEEFF\"/></DATA>"
    "<CRC><CHECK address=\"0\" value=\"4660\"/></CRC></FIRMWARE></F>";

// The folders of the whole run: downloads, measurement files and the
// transactions folder under a home of this process; emptied for each input.
struct Tfolders {
    Tfolders()
    {
        setenv("HOME", home.path().c_str(), 1);
        firmware = files.file("firmware.xml");
        if (!write_file_bytes(firmware, firmware_text))
            std::abort();
    }
    void empty() const
    {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(output.path(), error))
            std::filesystem::remove_all(entry.path(), error);
        for (const auto& entry : std::filesystem::directory_iterator(home.path(), error))
            std::filesystem::remove_all(entry.path(), error);
    }
    Ttemp_dir home;
    Ttemp_dir files;
    Ttemp_dir output;
    std::string firmware;
};

// The update's timer runs on the ticks.
class Trfu_window : public Trfu_window_port {
public:
    void rfu_log(const char*) override {}
    void rfu_progress(int, int) override {}
    void rfu_wait(int ms) override { wait_ms = ms; }
    void rfu_failed(const char*) override {}
    int wait_ms = -1;
};

// The master's stack with the firmware update, its window unused: the
// station chooser is cancelled.
struct Tstack : e2e_test::Tmaster_stack {
    explicit Tstack(const Tfolders& folders)
    {
        master.setParameter("path_bin", folders.output.path().c_str());
        master.setParameter("path_xml", folders.output.path().c_str());
        module.setRedpHooks(&update);
        update.setWindow(&rfu);
        // Connecting opens a real port; the fuzzer's frames stand for the
        // logger behind it.
        master.link_state = Tcalyxo_master::LINK_CONNECTED;
    }
    ~Tstack() { module.setRedpHooks(nullptr); }

    void tick(Tmanual_signal_window& pump)
    {
        master.On_1Hz();
        pump.advance(1000);
        if (rfu.wait_ms >= 0) {
            rfu.wait_ms -= 1000;
            if (rfu.wait_ms < 0)
                update.rfu_on_timer();
        }
        pump.pumpAll();
    }

    bool busy() const { return master.state != 0 || module.state != 0 || update.state() != 0; }

    Tfirmware_update update{master};
    Trfu_window rfu;
};

const uint8_t page_bytes[256] = {0x12, 0x34, 0x56, 0x78, 0, 0, 3, 0x2C};

using Toperation = void (*)(Tstack&, const Tfolders&);
const Toperation operations[] = {
    [](Tstack& s, const Tfolders&) { s.master.start_status(); },
    [](Tstack& s, const Tfolders&) {
        module_view.setPresentAll(1);
        s.master.start_status();
    },
    [](Tstack& s, const Tfolders&) { s.master.start_quick_sync(900); },
    [](Tstack& s, const Tfolders&) { s.module.start_quick_sync(86400); },
    [](Tstack& s, const Tfolders&) { s.master.start_get_health(); },
    [](Tstack& s, const Tfolders&) { s.module.start_health(2, true); },
    [](Tstack& s, const Tfolders&) {
        const uint8_t control[Tconf_sequence_item::max_control_length] = {3, 1, 2};
        s.module.clearConfSequence();
        s.module.addConfGetVar(1);
        s.module.addConfSetVar(2, fixed_time + 60);
        s.module.addConfControl(3, control);
        s.module.addConfReadPage(3);
        s.module.addConfWritePage(4, page_bytes, sizeof page_bytes);
        s.module.addConfEnd();
        s.module.start_conf_sequence();
    },
    [](Tstack& s, const Tfolders&) { s.master.start_eeprom_download(0xFF, 0); },
    [](Tstack& s, const Tfolders&) { s.master.start_eeprom_download(0x08, 3); },
    [](Tstack& s, const Tfolders&) { s.module.start_eeprom_upload_pages(0x41); },
    [](Tstack& s, const Tfolders&) { s.module.start_eeprom_upload_all(); },
    [](Tstack& s, const Tfolders&) { s.master.start_com_settings_upload(); },
    [](Tstack& s, const Tfolders&) { s.master.start_program_snr(812); },
    [](Tstack& s, const Tfolders&) { s.master.start_macro_read(); },
    [](Tstack& s, const Tfolders&) { s.master.start_macro_write(4711, 0.1f, 123.4); },
    [](Tstack& s, const Tfolders&) { s.master.start_set_var(1, 900, 0); },
    [](Tstack& s, const Tfolders&) { s.master.start_add_var(16, -5); },
    [](Tstack& s, const Tfolders&) { s.master.start_parameter_get(162); },
    [](Tstack& s, const Tfolders&) { s.master.start_parameter_get(169); },
    [](Tstack& s, const Tfolders&) { s.master.start_out_control(1, 3, 1); },
    [](Tstack& s, const Tfolders&) { s.master.start_control(6); },
    [](Tstack& s, const Tfolders&) {
        const uint8_t data[5] = {1, 2, 3, 4, 5};
        s.module.start_control(66, data, sizeof data, 1);
    },
    [](Tstack& s, const Tfolders&) {
        // The module keeps the pointers until the answer.
        static uint8_t buffer[32];
        static uint8_t length;
        s.module.start_get_parameter(7, buffer, sizeof buffer, &length);
    },
    [](Tstack& s, const Tfolders&) { s.master.start_script("010100000384\r\n01040102030402030000000A"); },
    [](Tstack& s, const Tfolders&) { s.master.start_download(0, 4096, false); },
    [](Tstack& s, const Tfolders&) {
        s.master.setParameter("slow_download", "1");
        s.master.start_download(0, 600, true);
    },
    [](Tstack& s, const Tfolders&) { s.master.redp_get(3); },
    [](Tstack& s, const Tfolders&) { s.master.redp_set(3, 0x12345678); },
    [](Tstack& s, const Tfolders&) { s.master.redp_mem_write(0x100, page_bytes, 52); },
    [](Tstack& s, const Tfolders&) { s.master.redp_mem_read(0x100, 52); },
    [](Tstack& s, const Tfolders& folders) {
        if (s.update.rfu_load_file(folders.firmware.c_str()) != 0)
            std::abort();  // the harness's own file must load
        s.update.rfu_start();
    },
    [](Tstack& s, const Tfolders&) { s.master.start_key_and_mac(1234, 0); },
    // New keys come from the secure random source: only their read-back
    // compares differ from one replay to the next.
    [](Tstack& s, const Tfolders&) { s.master.start_key_and_mac(0, 2); },
};
constexpr std::size_t operation_count = sizeof operations / sizeof operations[0];

// Ticks before a frame, by head bits 4-5.
constexpr int ticks_by_head[4] = {0, 1, 4, 30};
// The time the longest operation's retries and time-outs take to run out.
constexpr int closing_ticks = 120;

enum Tframe_kind : uint8_t { GTP, REDP, BTP, PIPO, BASICIO, SAP, EDP, LINE_LOST };
constexpr uint8_t ports[] = {MSCP_PORT_GTP, MSCP_PORT_REDP, MSCP_PORT_BTP, MSCP_PORT_PIPO,
                             MSCP_PORT_BASICIO, MSCP_PORT_SAP, MSCP_PORT_EDP};

enum : uint8_t { KIND_MASK = 0x07, OWN_SEQUENCE = 0x08, TICKS_SHIFT = 4, OTHER_SOURCE = 0x40 };

void deliver(Tstack& s, uint8_t head, const uint8_t* payload, std::size_t length)
{
    const uint8_t kind = head & KIND_MASK;
    if (kind == LINE_LOST) {
        s.module.LINE_LOST.signal();
        return;
    }
    uint8_t source = MSCP_LOGGER_ADDRESS;
    if ((head & OTHER_SOURCE) && length > 0) {
        source = payload[0];
        ++payload;
        --length;
    }
    if (length > Tmlp_message::max_payload)
        length = Tmlp_message::max_payload;
    Tmlp_message frame;
    frame.bytes[MSCP_DESTINATION] = MSCP_LOCAL_ADDRESS;
    frame.bytes[MSCP_SOURCE] = source;
    frame.bytes[MSCP_PAYLOAD_LENGTH] = static_cast<uint8_t>(length);
    frame.bytes[MSCP_PORT] = ports[kind];
    for (std::size_t i = 0; i < length; ++i)
        frame.bytes[MSCP_COMMAND + i] = payload[i];
    if ((head & OWN_SEQUENCE) && length >= 2 && (kind == GTP || kind == REDP))
        frame.bytes[MSCP_SEQUENCE] = kind == GTP ? s.module.gtpSocket().seq : s.module.redpSocket().seq;
    frame.seal();
    s.module.mlpOnRx(&frame);
}

void run(const uint8_t* data, std::size_t size, Tmanual_signal_window& pump, const Tfolders& folders)
{
    Tstack stack(folders);
    operations[data[0] % operation_count](stack, folders);
    pump.pumpAll();
    std::size_t at = 1;
    while (at + 2 <= size) {
        const uint8_t head = data[at];
        std::size_t length = data[at + 1];
        at += 2;
        if (length > size - at)
            length = size - at;
        for (int tick = 0; tick < ticks_by_head[(head >> TICKS_SHIFT) & 0x3]; ++tick)
            stack.tick(pump);
        deliver(stack, head, data + at, length);
        pump.pumpAll();
        at += length;
    }
    for (int tick = 0; tick < closing_ticks && stack.busy(); ++tick)
        stack.tick(pump);
    pump.pumpAll();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    static const Tfolders folders;
    if (size == 0)
        return 0;
    time_set_clock(fixed_clock);
    transaction_reset_counter();
    run_on_manual_pump([&](Tmanual_signal_window& pump) { run(data, size, pump, folders); });
    time_set_clock(nullptr);
    folders.empty();
    return 0;
}
