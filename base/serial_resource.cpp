#include "base/serial_resource.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "base/log.h"

namespace {


struct Tline_report {
    bool Tserial_line_events::*flag;
    const char* text;
};

constexpr Tline_report line_reports[] = {
    {&Tserial_line_events::ring, "CommEvent EV_RING\t\t "},
    {&Tserial_line_events::carrier_changed, "CommEvent EV_RLSD\t\t "},
    {&Tserial_line_events::received_char, "CommEvent EV_RXCHAR\t"},
    {&Tserial_line_events::ring_on, "ModemStat MS_RING_ON\t "},
    {&Tserial_line_events::carrier_on, "ModemStat MS_RLSD_ON\t "},
};

}  // namespace

void Tserial_enum::scan() {
    ports.scan();
    for (int number = 0; number <= Tport_list::max_number; ++number) {
        present[number] = ports.isPresent(number) ? 1 : 0;
    }
}

Tserial_resource_win32::Tserial_resource_win32(Tserial_resource* facade)
    : parent(facade), port(this) {
    setParameter("name", "srw32");
    setOwner(facade);
    win32_CONNECTED.init("win32_CONNECTED", this);
    win32_DISCONNECTED.init("win32_DISCONNECTED", this);
    win32_DATA_ARRIVAL.init("win32_DATA_ARRIVAL", this);
    win32_DATA_SENT.init("win32_DATA_SENT", this);
    win32_RING.init("win32_RING", this);
    win32_CD_ON.init("win32_CD_ON", this);
    win32_CD_OFF.init("win32_CD_OFF", this);
}

Tserial_resource_win32::~Tserial_resource_win32() {
    // No worker may signal once the queue has been cleared of this part's events.
    port.close();
    event_remove_resource(this);
}

void Tserial_resource_win32::OnNotification(Tmy_event* event) {
    if (parent) {
        parent->OnNotification(event);
    }
}

unsigned Tserial_resource_win32::open(const char* port_path, const Tserial_settings& settings) {
    // The old worker ends first, so that it cannot touch the fresh flags.
    port.close();
    {
        std::lock_guard<std::mutex> guard(write_lock);
        queued_writes.clear();
        write_in_progress = false;
    }
    received_length = 0;
    bytes_sent = 0;
    bytes_received = 0;
    const std::string device = Tport_list().resolve(port_path);
    const unsigned result = port.open(device.empty() ? nullptr : device.c_str(), settings);
    if (result == 0) {
        requestRead();
    }
    return result;
}

void Tserial_resource_win32::close() {
    port.close();
}

bool Tserial_resource_win32::sendData(const void* data, int length, bool log_rejections) {
    if (length > SERIAL_MAX_SIZE) {
        if (log_rejections) {
            log_printf("Tserial_resource::sendData rejected : size>SERIAL_MAX_SIZE");
        }
        return true;
    }
    if (length < 1) {
        if (log_rejections) {
            log_printf("Tserial_resource::sendData rejected : size<1");
        }
        return true;
    }
    if (!data || !port.isRunning()) {
        return true;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::lock_guard<std::mutex> guard(write_lock);
    if (write_in_progress) {
        if (queued_writes.size() >= static_cast<std::size_t>(SERIAL_MAX_QUEUED_WRITES)) {
            log_printf("ERROR : serial port : %d bytes not sent, %d writes already wait for the port", length,
                       SERIAL_MAX_QUEUED_WRITES);
            return true;
        }
        queued_writes.emplace_back(bytes, bytes + length);
        return false;
    }
    write_in_progress = true;
    startWrite(bytes, length);
    return false;
}

void Tserial_resource_win32::startWrite(const unsigned char* data, int length) {
    std::memcpy(send_buffer, data, static_cast<std::size_t>(length));
    send_length = length;
    if (debug_io) {
        log_hex_dump_labelled("serial TX ", send_buffer, static_cast<unsigned>(length), dump_bytes_per_line);
    }
    port.requestWrite(send_buffer, static_cast<unsigned>(send_length));
}

void Tserial_resource_win32::dataHasBeenRead() {
    received_length = 0;
    requestRead();
}

void Tserial_resource_win32::setBaudrate(int baud) {
    if (port.isRunning() && !port.setBaudrate(baud)) {
        log_printf("ERROR : serial port : baud rate %d refused", baud);
    }
}

void Tserial_resource_win32::setRxChunkSize(int n) {
    read_chunk_size = std::clamp(n, 1, SERIAL_MAX_SIZE);
}

void Tserial_resource_win32::requestRead() {
    port.requestRead(receive_buffer, static_cast<unsigned>(read_chunk_size.load()));
}

void Tserial_resource_win32::onConnected() {
    win32_CONNECTED.signal();
    ++connections;
}

void Tserial_resource_win32::onDataArrived(unsigned length) {
    received_length = static_cast<int>(length);
    if (debug_io) {
        log_hex_dump_labelled("serial RX ", receive_buffer, length, dump_bytes_per_line);
    }
    win32_DATA_ARRIVAL.signal();
    // Counted once the chunk's event is queued: whoever sees the count finds the event.
    bytes_received += length;
}

void Tserial_resource_win32::onDataSent() {
    {
        std::lock_guard<std::mutex> guard(write_lock);
        bytes_sent += static_cast<unsigned long>(send_length);
        if (queued_writes.empty()) {
            write_in_progress = false;
        } else {
            startWrite(queued_writes.front().data(), static_cast<int>(queued_writes.front().size()));
            queued_writes.pop_front();
        }
    }
    win32_DATA_SENT.signal();
}

void Tserial_resource_win32::onLineEvents(const Tserial_line_events& events) {
    for (const Tline_report& report : line_reports) {
        if (events.*report.flag) {
            log_printf("%s", report.text);
        }
    }
    if (events.ring_on) {
        win32_RING.signal();
    }
    if (events.carrier_changed) {
        (events.carrier_on ? win32_CD_ON : win32_CD_OFF).signal();
    }
}

void Tserial_resource_win32::onDisconnected() {
    win32_DISCONNECTED.signal();
    ++disconnections;
}

Tserial_resource::Tserial_resource() : win32(new (std::nothrow) Tserial_resource_win32(this)) {
    CANCEL.init("CANCEL", this);
    SUCCESS.init("SUCCESS", this);
    CANCELLED.init("CANCELLED", this);
    DATA_ARRIVAL.init("DATA_ARRIVAL", this);
    DATA_SENT.init("DATA_SENT", this);
    CONNECTED.init("CONNECTED", this);
    DISCONNECTED.init("DISCONNECTED", this);
    ERROR.init("ERROR", this);
    RING.init("RING", this);
    CD_ON.init("CD_ON", this);
    CD_OFF.init("CD_OFF", this);
}

Tserial_resource::~Tserial_resource() {
    close();
    delete win32;
    event_remove_resource(this);
}

unsigned Tserial_resource::open(const char* port_path, int baud, int parity, int data_bits,
                                bool monitor_lines, int flow, int stop_bits) {
    unsigned result = 0;
    if (!win32) {
        result |= SERIAL_OPEN_NO_PLATFORM_PART;
    }
    if (!port_path) {
        result |= SERIAL_OPEN_NULL_PATH;
    }
    if (result != 0) {
        return result;
    }
    Tserial_settings settings;
    settings.baud = baud;
    settings.parity = parity;
    settings.data_bits = data_bits;
    settings.stop_bits = stop_bits;
    settings.flow = flow;
    settings.monitor_lines = monitor_lines;
    return win32->open(port_path, settings);
}

void Tserial_resource::close() {
    if (win32) {
        win32->close();
    }
}

bool Tserial_resource::is_open() const {
    return win32 && win32->isRunning();
}

bool Tserial_resource::sendData(const void* data, int length) {
    return !win32 || win32->sendData(data, length, (options & SERIAL_OPTION_LOG_REJECTIONS) != 0);
}

int Tserial_resource::getRxLength() const {
    return win32 ? win32->received_length.load() : 0;
}

const char* Tserial_resource::getRxData() const {
    return win32 ? reinterpret_cast<const char*>(win32->receive_buffer) : nullptr;
}

void Tserial_resource::dataHasBeenRead() {
    if (win32) {
        win32->dataHasBeenRead();
    }
}

void Tserial_resource::setBaudrate(int baud) {
    if (win32) {
        win32->setBaudrate(baud);
    }
}

void Tserial_resource::setRxChunkSize(int n) {
    if (win32) {
        win32->setRxChunkSize(n);
    }
}

void Tserial_resource::setDebugIO(int on) {
    if (win32) {
        win32->debug_io = on;
    }
}

void Tserial_resource::OnNotification(Tmy_event* event) {
    if (!owner || !win32 || !event) {
        return;
    }
    const std::pair<const Tmy_event*, Tmy_event*> routes[] = {
        {&win32->win32_CONNECTED, &CONNECTED},     {&win32->win32_DISCONNECTED, &DISCONNECTED},
        {&win32->win32_DATA_ARRIVAL, &DATA_ARRIVAL}, {&win32->win32_DATA_SENT, &DATA_SENT},
        {&win32->win32_RING, &RING},               {&win32->win32_CD_ON, &CD_ON},
        {&win32->win32_CD_OFF, &CD_OFF},
    };
    for (const auto& route : routes) {
        if (route.first == event) {
            owner->OnNotification(route.second);
            return;
        }
    }
}
