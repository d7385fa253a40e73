// A 64 KiB flash download through the module resource and the link over a pty
// to the simulated logger, which writes at the line's baud rate. The timers and
// the one-second tick follow the steady clock here, so the download manager's
// 2-second waits last what they last in the program. The figures are the
// payload rate as a share of the line's byte rate (baud / 10), the share that
// the frames themselves allow (their addresses, framing and escapes), and the
// first as a share of the second.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "base/event.h"
#include "link/download_manager.h"
#include "link/mlp_io.h"
#include "link/module_resource.h"
#include "platform/manual_signal_window.h"
#include "tests/support/temp_dir.h"
#include "tools/logger_sim/byte_order.h"
#include "tools/logger_sim/flash_records.h"
#include "tools/logger_sim/line_framing.h"
#include "tools/logger_sim/logger.h"
#include "tools/logger_sim/mscp_frame.h"
#include "tools/logger_sim/protocol.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t download_bytes = 64 * 1024;
constexpr uint32_t station = 812;
constexpr uint32_t first_time = 1765000000;
constexpr double settle_seconds = 0.2;  // the download manager's pause after the opening BTP stop
constexpr double target_of_line = 0.85;
constexpr auto run_limit = std::chrono::minutes(5);

// Remembers "<resource>:<event>" of every end reported to it.
class Tend_listener : public Tsequence {
public:
    void OnNotification(Tmy_event* event) override
    {
        if (event)
            last = std::string(event->getResourceName()) + ":" + event->getName();
        ++ends;
    }

    std::string last;
    int ends = 0;
};

// Flash filled with acquisitions up to at least the download's size.
sim::Bytes acquisitions_flash()
{
    sim::Bytes flash;
    flash.reserve(download_bytes + 256);
    for (uint32_t i = 0; flash.size() < download_bytes; ++i) {
        const sim::Bytes records = sim::acquisition_records(first_time + 600 * i, station);
        flash.insert(flash.end(), records.begin(), records.end());
    }
    return flash;
}

std::size_t line_bytes(const sim::Frame& frame)
{
    return sim::frame_for_line(sim::encode_frame(frame)).size();
}

// Bytes on the line for one block: the PC's BTP start, then the logger's data
// frames of chunk bytes each, with their framing and escapes.
std::size_t block_line_bytes(const sim::Bytes& flash, uint32_t address, uint32_t length, std::size_t chunk)
{
    sim::Frame request{1, 0, sim::port::btp, {sim::btp::start}};
    sim::put_be32(request.payload, address);
    sim::put_be32(request.payload, length);
    std::size_t bytes = line_bytes(request);
    for (uint32_t at = address; at < address + length; at += static_cast<uint32_t>(chunk)) {
        const uint32_t count = std::min<uint32_t>(static_cast<uint32_t>(chunk), address + length - at);
        sim::Frame data{0, 1, sim::port::btp, {}};
        data.payload.reserve(4 + count);
        sim::put_be32(data.payload, at);
        data.payload.insert(data.payload.end(), flash.begin() + at, flash.begin() + at + count);
        bytes += line_bytes(data);
    }
    return bytes;
}

// The shortest download the line allows: the settling pause, then every
// block's request and frames at the line's rate.
double bound_seconds(const sim::Bytes& flash, unsigned baud, std::size_t chunk)
{
    double seconds = settle_seconds;
    for (uint32_t address = 0; address < download_bytes; address += Tdownload_manager::block_size) {
        const uint32_t length = std::min<uint32_t>(Tdownload_manager::block_size, download_bytes - address);
        seconds += static_cast<double>(block_line_bytes(flash, address, length, chunk)) * 10 / baud;
    }
    return seconds;
}

// The product's stack over one simulated logger, with the event pump in real time.
class Tdownload_stack {
public:
    Tdownload_stack()
    {
        setenv("CALYXO_PORTS_DIR", ports.path().c_str(), 1);
        // The benchmark's thread pumps the queue: the workers' lines wait for it.
        gui_thread_record();
        event_queue_attach(&window);
    }
    ~Tdownload_stack()
    {
        window.pumpAll();
        event_queue_detach();
        logger.stop();
        unsetenv("CALYXO_PORTS_DIR");
    }
    Tdownload_stack(const Tdownload_stack&) = delete;
    Tdownload_stack& operator=(const Tdownload_stack&) = delete;

    // "" when the logger runs and the link is open at baud, else what failed.
    std::string open(unsigned baud, const sim::Bytes& flash)
    {
        if (!logger.start({0, ports.path()}))
            return logger.error();
        logger.update([&flash](sim::State& s) {
            s.flash = flash;
            s.variables[sim::var::acq_enable] = 1;
            s.variables[sim::var::station_id] = station;
            s.pace_output = true;
        });
        io.setMaster(&link_ends);
        io.setModuleResource(&module);
        module.setOwner(&operation_ends);
        module.setMlpIo(&io);
        const std::string port = "\\\\.\\COM" + std::to_string(logger.comNumber());
        io.setParameter("sel_com_interface", "COM");
        io.setParameter("port", port.c_str());
        io.setParameter("baudrate", std::to_string(baud).c_str());
        if (io.request(1) || !run([&] { return link_ends.ends > 0; }) || link_ends.last != "io:SUCCESS")
            return "the link did not open: " + link_ends.last;
        module.setParameter("path_bin", bin.path().c_str());
        module.setParameter("path_xml", xml.path().c_str());
        module.setParameter("com_port", port.c_str());
        module.timestamp = first_time;
        module.download_start = 0;
        module.download_size = download_bytes;
        module.download_incremental = 0;
        return "";
    }

    // "" when the download ended in success, else how it ended.
    std::string download()
    {
        const int before = operation_ends.ends;
        if (module.start_download(false))
            return "the module resource is busy";
        if (!run([&] { return operation_ends.ends > before && module.state == 0; }))
            return "no end within the time limit";
        return operation_ends.last.find("SUCCESS") != std::string::npos ? "" : operation_ends.last;
    }

    // The download file holds the header and then exactly the flash bytes asked for.
    bool fileHolds(const sim::Bytes& flash) const
    {
        const std::string file = read_file_bytes(module.download_file_name);
        const std::size_t end_of_header = file.find("/>");
        return end_of_header != std::string::npos && file.size() == end_of_header + 2 + download_bytes &&
               file.compare(end_of_header + 2, std::string::npos,
                            std::string(flash.begin(), flash.begin() + download_bytes)) == 0;
    }

    std::size_t btpChunk() const
    {
        return logger.read([](const sim::State& s) { return s.btp_chunk; });
    }

private:
    // Pumps until done holds: the window's clock follows the steady clock and
    // the module resource gets its tick once a second.
    bool run(const std::function<bool()>& done)
    {
        const Clock::time_point start = Clock::now();
        Clock::time_point clock_at = start;
        Clock::time_point next_tick = start + std::chrono::seconds(1);
        while (!done()) {
            window.pumpUntil(done, 2);
            const Clock::time_point now = Clock::now();
            const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - clock_at);
            if (elapsed.count() > 0) {
                window.advance(static_cast<unsigned>(elapsed.count()));
                clock_at += elapsed;
            }
            if (now >= next_tick) {
                module.On_1Hz();
                next_tick += std::chrono::seconds(1);
            }
            if (now - start > run_limit)
                return done();
        }
        return true;
    }

    Ttemp_dir ports;
    Ttemp_dir bin;
    Ttemp_dir xml;
    Tmanual_signal_window window;
    sim::Logger logger;
    Tend_listener link_ends;
    Tend_listener operation_ends;
    Tmlp_io io;
    Tmodule_resource module;
};

void BM_flash_download(benchmark::State& state)
{
    const unsigned baud = static_cast<unsigned>(state.range(0));
    const sim::Bytes flash = acquisitions_flash();
    Tdownload_stack stack;
    const std::string opened = stack.open(baud, flash);
    if (!opened.empty()) {
        state.SkipWithError(opened.c_str());
        return;
    }
    double seconds = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const std::string failed = stack.download();
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        if (!failed.empty()) {
            state.SkipWithError(failed.c_str());
            return;
        }
    }
    if (!stack.fileHolds(flash)) {
        state.SkipWithError("the download file does not hold the flash bytes");
        return;
    }
    const double line_bytes_per_s = baud / 10.0;
    const double measured = download_bytes / (seconds / static_cast<double>(state.iterations())) / line_bytes_per_s;
    const double bound = download_bytes / bound_seconds(flash, baud, stack.btpChunk()) / line_bytes_per_s;
    state.counters["payload_KiB"] = download_bytes / 1024.0;
    state.counters["of_line"] = measured;
    state.counters["bound_of_line"] = bound;
    state.counters["of_bound"] = measured / bound;
    state.counters["target_met"] = measured >= target_of_line ? 1 : 0;
}

BENCHMARK(BM_flash_download)->Arg(9600)->Arg(38400)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
