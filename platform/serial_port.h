#pragma once

#include <atomic>
#include <mutex>
#include <thread>

// What an open port tells its user. Every call comes from the port's worker
// thread.
struct Tserial_line_events {
    bool ring = false;              // the ring indicator came on
    bool carrier_changed = false;   // carrier detect went on or off
    bool received_char = false;     // bytes were received
    bool ring_on = false;           // modem status at the time of the report
    bool carrier_on = false;
};

class Tserial_port_listener {
public:
    virtual void onConnected() = 0;
    // The read buffer holds `length` bytes: the whole chunk that was asked for.
    virtual void onDataArrived(unsigned length) = 0;
    // Every byte of the write buffer went out to the device.
    virtual void onDataSent() = 0;
    // Only with line monitoring on.
    virtual void onLineEvents(const Tserial_line_events& events) = 0;
    // The last call: the worker has ended and closed the device.
    virtual void onDisconnected() = 0;

protected:
    ~Tserial_port_listener() = default;
};

struct Tserial_settings {
    int baud = 9600;
    int parity = 0;      // 0 none, 1 odd, 2 even; any other value none
    int data_bits = 8;   // 5..8
    int stop_bits = 1;   // 1 or 2
    int flow = 0;        // 1 RTS/CTS, 2 XON/XOFF, 3 RTS off, 4 RTS and DTR off, else none
    bool monitor_lines = false;
};

// Failure bits of Tserial_port::open.
enum : unsigned {
    SERIAL_OPEN_SETTINGS_FAILED = 0x20,
    SERIAL_OPEN_DEVICE_FAILED = 0x40,
    SERIAL_OPEN_NO_WAKEUP = 0x100,
};

// One serial device in raw mode with its worker thread. The worker waits in
// poll() on the device and on an eventfd through which open, close and the
// read and write requests wake it.
//
// Line monitoring: there is no wait for modem-line changes that poll() could
// join (and pseudo-terminals have no modem lines at all), so with monitoring
// on the worker samples the ring indicator and carrier detect every 200 ms
// when the device answers TIOCMGET, and reports a rising ring indicator and
// every carrier change. On every device it also reports received characters
// after each read that brought bytes. A device without modem lines reports
// both lines as off.
class Tserial_port {
public:
    explicit Tserial_port(Tserial_port_listener* listener);
    ~Tserial_port();
    Tserial_port(const Tserial_port&) = delete;
    Tserial_port& operator=(const Tserial_port&) = delete;

    // Close a port still open, open the device exclusively, apply the settings
    // and start the worker. 0 on success, else SERIAL_OPEN_* bits; then nothing runs.
    unsigned open(const char* device_path, const Tserial_settings& settings);
    // Stop the worker at once and wait for it. Safe when nothing runs.
    void close();
    bool isRunning() const { return running.load(); }

    // Hand a buffer to the worker: it fills all `length` bytes (1..) and then
    // reports onDataArrived; the buffer is the worker's until then.
    void requestRead(void* buffer, unsigned length);
    // Hand bytes to the worker: it writes them all and then reports onDataSent;
    // the buffer is the worker's until then.
    void requestWrite(const void* data, unsigned length);
    // Change the speed of the open device; false when it is closed or refuses.
    bool setBaudrate(int baud);

private:
    enum : unsigned { REQUEST_STOP = 1, REQUEST_READ = 2, REQUEST_WRITE = 4 };
    template <typename Byte>
    struct Ttransfer {
        Byte* data = nullptr;
        unsigned length = 0;
        unsigned done = 0;
        bool active = false;
    };

    void raise(unsigned request);
    void run();
    bool takeRequests();
    bool readSome();
    bool writeSome();
    void sampleLines();
    int modemLines() const;
    void reportLines(bool ring, bool carrier_changed, bool received_char, int lines);
    void closeDevice();

    Tserial_port_listener* const listener;
    int wakeup_fd = -1;
    std::atomic<bool> running{false};

    // The device is shared with setBaudrate; the worker closes it when it ends.
    std::mutex device_lock;
    int device_fd = -1;

    // The requests and the buffers that come with them, from any thread.
    std::mutex request_lock;
    unsigned requests = 0;
    Ttransfer<unsigned char> requested_read;
    Ttransfer<const unsigned char> requested_write;

    // Worker state.
    Ttransfer<unsigned char> read_transfer;
    Ttransfer<const unsigned char> write_transfer;
    bool monitor_lines = false;
    bool sample_lines = false;
    int last_lines = 0;

    std::thread worker;
};
