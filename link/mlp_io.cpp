#include "link/mlp_io.h"

#include "base/log.h"
#include "base/parse.h"
#include "link/mlp_message.h"

namespace {


void report(Tevent_resource* receiver, Tmy_event* event)
{
    if (receiver)
        receiver->OnNotification(event);
}

}  // namespace

Tmlp_io::Tmlp_io()
{
    Tsequence::setParameter("name", "io");
    MLP_MSG_ARRIVAL.init("MLP_MSG_ARRIVAL", this);
    MLP_MSG_SENT.init("MLP_MSG_SENT", this);
    TX.init("TX", this);
    RX.init("RX", this);
    DISCONNECTED.init("DISCONNECTED", this);
    com.setParameter("name", "com32");
    com.setOwner(this);
}

void Tmlp_io::setParameter(const char* key, const char* value)
{
    if (!key || !value)
        return;
    if (text_compare_nocase(key, "sel_com_interface") == 0) {
        if (text_compare_nocase(value, "COM") == 0)
            sel_com_interface = 0;
        return;
    }
    if (text_compare_nocase(key, "verbose") == 0)
        trace = text_to_int(value) != 0 ? static_cast<unsigned>(TRACE_VERBOSE) : 0u;
    com.setParameter(key, value);
    Tsequence::setParameter(key, value);
}

int Tmlp_io::getIntParameter(const char* key)
{
    if (!key)
        return 0;
    if (text_compare_nocase(key, "verbose") == 0)
        return trace != 0 ? 1 : 0;
    return Tsequence::getIntParameter(key);
}

bool Tmlp_io::request(unsigned code)
{
    return com.request(code);
}

bool Tmlp_io::sendMessage(const Tmlp_message* msg)
{
    if (msg && (trace & TRACE_DUMPS))
        log_hex_dump_labelled("mlp_io:sendMessage  >> ", msg->bytes, msg->length, dump_bytes_per_line);
    return com.sendMessage(msg);
}

Tmlp_message* Tmlp_io::getRxMessage()
{
    Tmlp_message* msg = com.getRxMessage();
    if (msg && (trace & TRACE_DUMPS))
        log_hex_dump_labelled("mlp_io:getRxMessage << ", msg->bytes, msg->length, dump_bytes_per_line);
    return msg;
}

void Tmlp_io::releaseRxMessage()
{
    com.releaseRxMessage();
}

bool Tmlp_io::isPortOpen() const
{
    return com.isPortOpen();
}

void Tmlp_io::stopWorker()
{
    com.serial.close();
}

void Tmlp_io::OnNotification(Tmy_event* event)
{
    if (!event)
        return;
    if (event == &com.SUCCESS) {
        report(master, &SUCCESS);
    } else if (event == &com.CANCELLED) {
        report(master, &CANCELLED);
    } else if (event == &com.ERROR) {
        report(master, &ERROR);
    } else if (event == &com.DISCONNECTED) {
        report(master, &DISCONNECTED);
    } else if (event == &com.MLP_MSG_ARRIVAL) {
        report(master, &RX);
        report(module_resource, &MLP_MSG_ARRIVAL);
        // A message nobody released would block the receiver for good.
        com.releaseRxMessage();
    } else if (event == &com.MLP_MSG_SENT) {
        report(master, &TX);
        report(module_resource, &MLP_MSG_SENT);
    }
    Tsequence::OnNotification(event);
}
