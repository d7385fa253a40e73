#pragma once

#include <atomic>
#include <deque>
#include <mutex>
#include <vector>

#include "base/event_resource.h"
#include "platform/port_list.h"
#include "platform/serial_port.h"

// Largest chunk of one send or one read.
constexpr int SERIAL_MAX_SIZE = 256;
// Writes that may wait behind the one going out; a send beyond them is refused
// with an ERROR line (only a peer that stopped reading gets there).
constexpr int SERIAL_MAX_QUEUED_WRITES = 64;

// Failure bits of Tserial_resource::open besides the port's own
// (SERIAL_OPEN_SETTINGS_FAILED 0x20, SERIAL_OPEN_DEVICE_FAILED 0x40,
// SERIAL_OPEN_NO_WAKEUP 0x100).
enum : unsigned {
    SERIAL_OPEN_NO_PLATFORM_PART = 0x01,
    SERIAL_OPEN_NULL_PATH = 0x02,
};

// Bit of Tserial_resource::options: sendData logs why it refuses.
constexpr unsigned SERIAL_OPTION_LOG_REJECTIONS = 4;

// The COM ports present on this machine.
class Tserial_enum {
public:
    // present[n] = 1 when COMn exists (n 1..255); present[0] stays 0.
    void scan();

    unsigned char present[256] = {};

private:
    Tport_list ports;
};

class Tserial_resource;

// The platform part of a serial resource: the port with its worker thread, the
// buffers handed between the GUI thread and the worker, and the events by which
// the worker reports to the GUI thread.
class Tserial_resource_win32 : public Tevent_resource, private Tserial_port_listener {
public:
    explicit Tserial_resource_win32(Tserial_resource* facade);
    ~Tserial_resource_win32() override;

    void OnNotification(Tmy_event* event) override;

    unsigned open(const char* port_path, const Tserial_settings& settings);
    void close();
    bool isRunning() const { return port.isRunning(); }
    bool sendData(const void* data, int length, bool log_rejections);
    void dataHasBeenRead();
    void setBaudrate(int baud);
    void setRxChunkSize(int n);

    Tmy_event win32_CONNECTED;
    Tmy_event win32_DISCONNECTED;
    Tmy_event win32_DATA_ARRIVAL;
    Tmy_event win32_DATA_SENT;
    Tmy_event win32_RING;
    Tmy_event win32_CD_ON;
    Tmy_event win32_CD_OFF;

    // Set from the accepted send until the last queued write went out.
    std::atomic<bool> write_in_progress{false};
    unsigned char receive_buffer[SERIAL_MAX_SIZE] = {};
    std::atomic<int> read_chunk_size{1};
    std::atomic<int> received_length{0};
    unsigned char send_buffer[SERIAL_MAX_SIZE] = {};
    int send_length = 0;
    Tserial_resource* const parent;
    std::atomic<int> debug_io{0};
    // Bytes written out and read in since the port was opened, for traces and
    // for tests that wait until everything sent has arrived on the other side.
    std::atomic<unsigned long> bytes_sent{0};
    std::atomic<unsigned long> bytes_received{0};
    // CONNECTED and DISCONNECTED reported so far, each counted once queued:
    // equal once a worker that ended has said so.
    std::atomic<unsigned> connections{0};
    std::atomic<unsigned> disconnections{0};

private:
    // Worker thread.
    void onConnected() override;
    void onDataArrived(unsigned length) override;
    void onDataSent() override;
    void onLineEvents(const Tserial_line_events& events) override;
    void onDisconnected() override;

    void requestRead();
    void startWrite(const unsigned char* data, int length);

    // The writes accepted while another was going out, in order; the worker
    // starts the next one as soon as the previous is out.
    std::mutex write_lock;
    std::deque<std::vector<unsigned char>> queued_writes;

    // Last, so that it goes first: its worker uses everything above.
    Tserial_port port;
};

// A serial port as an event resource: it reports CONNECTED, DATA_ARRIVAL (one
// chunk at a time, released by dataHasBeenRead), DATA_SENT, DISCONNECTED and,
// with line monitoring, RING, CD_ON and CD_OFF to its owner. GUI thread only.
class Tserial_resource : public Tevent_resource {
public:
    Tserial_resource();
    ~Tserial_resource() override;

    // port_path: "\\.\COM<N>", "COM<N>" or a device path. parity 0 none, 1 odd,
    // 2 even; flow 1 RTS/CTS, 2 XON/XOFF, 3 RTS off, 4 RTS and DTR off, else
    // none. 0 on success, else the SERIAL_OPEN_* bits of what failed.
    unsigned open(const char* port_path, int baud, int parity, int data_bits, bool monitor_lines,
                  int flow, int stop_bits);
    // Stops the worker at once and waits for it; DISCONNECTED follows.
    void close();
    bool is_open() const;
    // true when refused: no bytes or more than SERIAL_MAX_SIZE, no data, the
    // port not open, or SERIAL_MAX_QUEUED_WRITES already waiting. The bytes are
    // copied; a send while a write is going out waits and goes out after it, in
    // order. DATA_SENT follows each write out (writes that went out before it
    // was handled bring one, as an event is queued once).
    bool sendData(const void* data, int length);
    int getRxLength() const;
    const char* getRxData() const;
    // The owner has taken the chunk of DATA_ARRIVAL: the next read starts.
    void dataHasBeenRead();
    void setBaudrate(int baud);
    // Bytes per DATA_ARRIVAL, 1..SERIAL_MAX_SIZE (others are clamped).
    void setRxChunkSize(int n);
    void setDebugIO(int on);

    void OnNotification(Tmy_event* event) override;

    Tmy_event CANCEL;
    Tmy_event SUCCESS;
    Tmy_event CANCELLED;
    Tmy_event DATA_ARRIVAL;
    Tmy_event DATA_SENT;
    Tmy_event CONNECTED;
    Tmy_event DISCONNECTED;
    Tmy_event ERROR;
    Tmy_event RING;
    Tmy_event CD_ON;
    Tmy_event CD_OFF;

    Tserial_resource_win32* win32;
    unsigned options = 0;
};
