#include "link/mlp_com_win32.h"

#include "base/log.h"
#include "base/parse.h"
#include "link/mscp_framing.h"
#include "link/sequence_report.h"

namespace {

enum : int {
    IDLE = 0,
    OPENING = 100,
    DISCONNECTING = 500,
    CLOSING = 900,
    END_CONNECTED = Tsequence::STATE_SUCCESS,
    END_CANCELLED = Tsequence::STATE_CANCELLED,
    END_ERROR = Tsequence::STATE_FAILED,
    END_DISCONNECTED = 1005,
};

enum : unsigned { TRACE_PORT = 0x100, TRACE_BYTES = 0x200 };

enum : unsigned { REQUEST_CONNECT = 1, REQUEST_DISCONNECT = 2, REQUEST_DONE = 5 };


}  // namespace

Tmlp_com_win32::Tmlp_com_win32()
{
    max_message_size = 255;
    serial.setOwner(this);
    serial.setRxChunkSize(1);
    serial.setParameter("name", "mlp_com.serial");
}

void Tmlp_com_win32::setParameter(const char* key, const char* value)
{
    if (!key || !value)
        return;
    if (text_compare_nocase(key, "port") == 0) {
        text_copy_bounded(port, value, sizeof port);
    } else if (text_compare_nocase(key, "max_message_size") == 0) {
        Tmlp_communication_interface::setParameter(key, value);
    } else if (text_compare_nocase(key, "baudrate") == 0) {
        parse_int(value, &baudrate);
        serial.setBaudrate(baudrate);
    } else if (text_compare_nocase(key, "debug_IO") == 0) {
        parse_int(value, &debug_IO);
        serial.setDebugIO(debug_IO & DEBUG_SERIAL);
    } else {
        if (text_compare_nocase(key, "mode") == 0) {
            if (text_compare_nocase(value, "mscp_wakeup") == 0)
                eol = 0;
            else if (text_compare_nocase(value, "EOL") == 0)
                eol = 1;
        }
        Tsequence::setParameter(key, value);
    }
}

const char* Tmlp_com_win32::getParameter(const char* key)
{
    if (key && text_compare_nocase(key, "port") == 0)
        return port;
    return Tsequence::getParameter(key);
}

bool Tmlp_com_win32::request(unsigned code)
{
    if (state != IDLE)
        return true;
    switch (code) {
    case REQUEST_CONNECT:
        START_CONNECT.signal();
        return false;
    case REQUEST_DISCONNECT:
        START_DISCONNECT.signal();
        return false;
    case REQUEST_DONE:
        DONE.signal();
        return false;
    default:
        return true;
    }
}

bool Tmlp_com_win32::sendMessage(const Tmlp_message* msg)
{
    if (!msg || msg->length == 0 || msg->length > Tmlp_message::capacity || link_open != 1)
        return true;
    unsigned count = msg->length;
    if (eol) {
        for (unsigned i = 0; i < count; ++i)
            tx[i] = msg->bytes[i];
    } else {
        count = mscp_frame_wakeup(msg->bytes, msg->length, tx, sizeof tx);
        if (count == 0) {
            log_printf("ERROR : %s : message of %d bytes too long to frame", getParameter("name"), msg->length);
            return true;
        }
    }
    if ((trace & TRACE_BYTES) || (debug_IO & DEBUG_MESSAGES))
        log_hex_dump_labelled("com Tx Msg", tx, count, dump_bytes_per_line);
    if (trace & TRACE_BYTES)
        log_printf("modem : sending serial.sendData");
    return serial.sendData(tx, static_cast<int>(count));
}

Tmlp_message* Tmlp_com_win32::getRxMessage()
{
    return rx_state == RX_COMPLETE ? &rx : nullptr;
}

void Tmlp_com_win32::releaseRxMessage()
{
    rx_state = RX_IDLE;
}

bool Tmlp_com_win32::isPortOpen() const
{
    return serial.is_open();
}

void Tmlp_com_win32::store(unsigned char c)
{
    // A frame longer than the limit starts over; its checksum then fails.
    if (rx.length >= max_message_size)
        rx.length = 0;
    rx.bytes[rx.length++] = c;
}

void Tmlp_com_win32::complete()
{
    rx_state = RX_COMPLETE;
    if (debug_IO & DEBUG_MESSAGES)
        log_hex_dump_labelled("com RX Msg", rx.bytes, rx.length, dump_bytes_per_line);
    if (owner)
        owner->OnNotification(&MLP_MSG_ARRIVAL);
}

void Tmlp_com_win32::OnComRX(unsigned char c)
{
    if (trace & TRACE_BYTES)
        log_printf("OnComRX(0x%02X==%c)   [%d],%d", c, c, rx_state, rx.length);
    if (rx_state == RX_IDLE) {
        rx.length = 0;
        rx_state = RX_RECEIVING;
    }
    if (rx_state != RX_RECEIVING)
        return;  // a complete message waits: bytes are lost until it is released
    if (eol) {
        store(c);
        if (c == '\n')
            complete();
        return;
    }
    if (c == MSCP_FRAME_START) {
        rx.length = 0;
        esc_state = ESC_INSIDE;
        return;
    }
    if (c == MSCP_FRAME_END) {
        esc_state = ESC_OUTSIDE;
        if (rx.length != 0)
            complete();
        return;
    }
    if (esc_state == ESC_INSIDE) {
        if (c == MSCP_ESCAPE)
            esc_state = ESC_AFTER_ESCAPE;
        else
            store(c);
    } else if (esc_state == ESC_AFTER_ESCAPE) {
        store(static_cast<unsigned char>(c ^ MSCP_ESCAPE_XOR));
        esc_state = ESC_INSIDE;
    }
}

void Tmlp_com_win32::OnRxData()
{
    const int count = serial.getRxLength();
    const unsigned char* data = reinterpret_cast<const unsigned char*>(serial.getRxData());
    if (!data || count <= 0)
        return;
    if (trace & TRACE_BYTES) {
        log_printf("Tmlp_com_win32::OnRxData");
        log_hex_dump(data, static_cast<unsigned>(count), dump_bytes_per_line);
    }
    for (int i = 0; i < count; ++i)
        OnComRX(data[i]);
}

void Tmlp_com_win32::open()
{
    if (serial.open(port, baudrate, 0, 8, false, 0, 1) != 0)
        ERROR.signal();
}

void Tmlp_com_win32::close()
{
    if (serial.is_open())
        serial.close();  // the serial resource reports DISCONNECTED
    else
        DISCONNECTED.signal();
}

void Tmlp_com_win32::finish(int kind)
{
    if (kind != END_DISCONNECTED) {
        sequence_terminate(this, kind == END_CONNECTED ? TERMINATE_SUCCESS
                                 : kind == END_CANCELLED ? TERMINATE_CANCELLED
                                                         : TERMINATE_ERROR);
        return;
    }
    state = IDLE;
    if (trace & TRACE_TERMINATION)
        log_printf("ERROR : %s : terminated TERMINATE_DISCONNECTED", getParameter("name"));
    if (owner)
        owner->OnNotification(&DISCONNECTED);
}

void Tmlp_com_win32::OnNotification(Tmy_event* event)
{
    if (!event)
        return;
    if (event != &serial.DATA_ARRIVAL)
        sequence_trace_notification(this, event);

    if (event == &DONE) {
        if (owner)
            owner->OnNotification(&CANCELLED);
    } else if (event == &serial.DISCONNECTED) {
        if (owner)
            owner->OnNotification(&DISCONNECTED);
    } else if (event == &serial.DATA_SENT) {
        if (owner)
            owner->OnNotification(&MLP_MSG_SENT);
    } else if (event == &serial.DATA_ARRIVAL) {
        if (link_open == 1)
            OnRxData();
        serial.dataHasBeenRead();
    }

    beginEvent(event);
    do {
        switch (state) {
        case IDLE:
            onEvent(&START_CONNECT, OPENING);
            if (onEvent(&START_DISCONNECT, DISCONNECTING))
                end_state = END_DISCONNECTED;
            break;
        case OPENING:
            if (consumed) {
                link_open = 0;
                open();
            }
            if (onEvent(&serial.CONNECTED, END_CONNECTED)) {
                link_open = 1;
                if (trace & TRACE_PORT)
                    log_printf("%s : try COM port \"%s\"@%d opened", getParameter("name"), port, baudrate);
            }
            if (onEvent(&ERROR, END_ERROR) && (trace & TRACE_PORT))
                log_printf("ERROR : %s : failed to open COM port \"%s\"@%d", getParameter("name"), port, baudrate);
            if (onEvent(&STOP, CLOSING))
                end_state = END_CANCELLED;
            break;
        case DISCONNECTING:
            if (consumed) {
                link_open = 0;
                DONE.signal();
            }
            onEvent(&DONE, CLOSING);
            break;
        case CLOSING:
            if (consumed)
                close();
            onEvent(&DISCONNECTED, end_state);
            onEvent(&serial.DISCONNECTED, end_state);
            break;
        case END_CONNECTED:
        case END_CANCELLED:
        case END_ERROR:
        case END_DISCONNECTED:
            if (consumed)
                finish(state);
            break;
        default:
            break;
        }
    } while (advance());
    Tsequence::OnNotification(event);
}
