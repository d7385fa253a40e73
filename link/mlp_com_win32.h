#pragma once

#include "base/serial_resource.h"
#include "link/mlp_communication_interface.h"
#include "link/mlp_message.h"

// The serial message link: opens a COM port through a serial resource, frames
// each outgoing message (mode "mscp_wakeup") or sends it as it is (mode "EOL"),
// and reassembles incoming messages byte by byte.
class Tmlp_com_win32 : public Tmlp_communication_interface {
public:
    Tmlp_com_win32();

    // "port", "max_message_size", "baudrate", "debug_IO", "mode"
    // ("mscp_wakeup" or "EOL"); other keys to the sequence ("name").
    void setParameter(const char* key, const char* value) override;
    const char* getParameter(const char* key) override;
    void OnNotification(Tmy_event* event) override;

    // Refused unless idle.
    bool request(unsigned code) override;
    // Refused for a null or empty message, while not connected, when the framed
    // form does not fit the transmit buffer, or by the serial resource.
    bool sendMessage(const Tmlp_message* msg) override;
    Tmlp_message* getRxMessage() override;
    void releaseRxMessage() override;
    bool isPortOpen() const;

    // The receiver: one byte as it came from the line.
    void OnComRX(unsigned char c);

    enum : int { RX_IDLE = 0, RX_RECEIVING = 1, RX_COMPLETE = 2 };
    enum : int { ESC_OUTSIDE = 0, ESC_INSIDE = 1, ESC_AFTER_ESCAPE = 2 };
    // debug_IO bits
    enum : int { DEBUG_SERIAL = 1, DEBUG_MESSAGES = 2 };

    int rx_state = RX_IDLE;
    int esc_state = ESC_OUTSIDE;
    unsigned char eol = 0;
    Tserial_resource serial;
    char port[32] = "Com1";
    int baudrate = 9600;
    int debug_IO = 0;
    unsigned char link_open = 0;
    int end_state = 0;
    Tmlp_message rx;
    unsigned char tx[514] = {};

private:
    void OnRxData();
    void store(unsigned char c);
    void complete();
    void open();
    void close();
    void finish(int kind);
};
