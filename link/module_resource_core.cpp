#include "link/module_resource_core.h"

#include <string_view>

#include "base/log.h"
#include "base/parse.h"
#include "link/download_manager.h"
#include "link/mlp_io.h"
#include "link/module_view.h"
#include "link/mscp_ccp_socket.h"
#include "link/mscp_protocol.h"
#include "link/mscp_trace.h"
#include "link/sequence_report.h"

namespace {

// Longest BASICIO text output that is logged.
constexpr unsigned stringout_max = 127;
// A frame needs its header, a command byte and the checksum to be read at all.
constexpr unsigned shortest_frame = 6;

unsigned parsed_uint(const char* value)
{
    unsigned number = 0;
    parse_uint(value, &number);  // a bad text keeps what was read before it
    return number;
}

bool is_true(const char* value)
{
    return text_compare_nocase(value, "true") == 0;
}

void setup_socket(Tmscp_ccpSocket& socket, const char* name, unsigned char port)
{
    socket.setParameter("name", name);
    socket.setLocalAddress(MSCP_LOCAL_ADDRESS);
    socket.setPort(port);
}

}  // namespace

Tmodule_resource_core::Tmodule_resource_core()
    : download_manager(std::make_unique<Tdownload_manager>(this)),
      gtp_socket(std::make_unique<Tmscp_ccpSocket>(this)),
      redp_socket(std::make_unique<Tmscp_ccpSocket>(this))
{
    Tsequence::setParameter("name", "core");
    MLP_MSG_SENT.init("MLP_MSG_SENT", this);
    VIEW_UPDATED.init("VIEW_UPDATED", this);
    PENDING_ARRIVAL.init("PENDING_ARRIVAL", this);

    setup_socket(*gtp_socket, "module_resource->gtp_socket", MSCP_PORT_GTP);
    gtp_socket->setRetryCount(5);
    gtp_socket->setWaitLateTime(600);
    setup_socket(*redp_socket, "module_resource->redp_socket", MSCP_PORT_REDP);
    download_manager->setParameter("name", "download manager");
    download_manager->setOwner(this);
    setDestination(MSCP_LOGGER_ADDRESS);
}

Tmodule_resource_core::~Tmodule_resource_core()
{
    closeResultFile();
    closeDownloadTmpFile();
}

void Tmodule_resource_core::closeResultFile()
{
    if (result_file)
        std::fclose(result_file);
    result_file = nullptr;
}

void Tmodule_resource_core::setDestination(uint8_t address)
{
    destination = address;
    gtp_socket->setRemoteAddress(address);
    redp_socket->setRemoteAddress(address);
}

void Tmodule_resource_core::setDownloadRange(uint32_t start, uint32_t size, bool incremental)
{
    download_start = start;
    download_size = size;
    download_incremental = incremental ? 1 : 0;
}

void Tmodule_resource_core::setParameter(const char* key, const char* value)
{
    if (!key || !value)
        return;
    if (text_compare_nocase(key, "timestamp") == 0) {
        timestamp = parsed_uint(value);
    } else if (text_compare_nocase(key, "station_id") == 0) {
        station_id = parsed_uint(value);
    } else if (text_compare_nocase(key, "download_start") == 0) {
        download_start = std::string_view(value) == "-1" ? 0 : parsed_uint(value);
    } else if (text_compare_nocase(key, "log_path") == 0) {
        log_path.assign(value);
    } else if (text_compare_nocase(key, "download_size") == 0) {
        download_size = parsed_uint(value);
    } else if (text_compare_nocase(key, "download_incremental") == 0) {
        download_incremental = is_true(value);
    } else if (text_compare_nocase(key, "dump_downloaded_file") == 0) {
        dump_downloaded_file = is_true(value);
    } else if (text_compare_nocase(key, "download_protocol") == 0) {
        download_protocol.assign(value);
    } else if (text_compare_nocase(key, "retry_timer") == 0) {
        retry_timer = parsed_uint(value);
        gtp_socket->setRetryTimer(static_cast<unsigned char>(retry_timer));
        redp_socket->setRetryTimer(static_cast<unsigned char>(retry_timer));
    } else if (text_compare_nocase(key, "init_timer") == 0) {
        init_timer = parsed_uint(value);
        gtp_socket->setReadyTime(static_cast<unsigned char>(init_timer));
        redp_socket->setReadyTime(static_cast<unsigned char>(init_timer));
    } else if (text_compare_nocase(key, "destination") == 0) {
        setDestination(static_cast<uint8_t>(text_to_int(value)));
    } else {
        Tsequence::setParameter(key, value);
    }
}

const char* Tmodule_resource_core::getParameter(const char* key)
{
    if (!key)
        return "";
    if (text_compare_nocase(key, "download_file_name") == 0)
        return download_file_name;
    if (text_compare_nocase(key, "download_tmp_file_name") == 0)
        return download_tmp_file_name;
    if (text_compare_nocase(key, "station_id") == 0) {
        station_id_text.printf("%u", station_id);
        return station_id_text.c_str();
    }
    return Tsequence::getParameter(key);
}

unsigned char Tmodule_resource_core::process_tx(const Tmlp_message* msg)
{
    if (!msg)
        return 1;
    if (msg->length == 0)
        return 0;
    if (trace & TRACE_PROTOCOL) {
        log_printf("#<mlpTx ----------");
        log_hex_dump_labelled("#<mlpTx", msg->bytes, msg->length, dump_bytes_per_line);
        mscp_trace_message(msg);
        // Every message is handed over: the serial resource queues a write
        // asked for while another is going out.
        log_printf("process_tx tx_busy=%d mlp_io=%d", 0, mlp_io ? 1 : 0);
    }
    tx.copy(msg, Tmlp_message::capacity);
    if (trace & TRACE_PROTOCOL)
        log_printf("error = mlp_io.sendMessage(msg);  ** default ** ");
    if (mlp_io)
        mlp_io->sendMessage(&tx);
    return 0;
}

void Tmodule_resource_core::releaseRx()
{
    if (mlp_io)
        mlp_io->releaseRxMessage();
}

bool Tmodule_resource_core::mlpOnRx(const Tmlp_message* frame)
{
    if (!frame)
        return false;
    if (trace & TRACE_PROTOCOL) {
        log_printf("#>mlpOnRx ----------");
        log_hex_dump(frame->bytes, frame->length, dump_bytes_per_line);
        mscp_trace_message(frame);
    }
    rx.copy(frame, Tmlp_message::capacity);
    if (rx.length < shortest_frame) {
        if (trace & TRACE_PROTOCOL)
            log_printf("ERROR : %s : check sum (B)", getParameter("name"));
        return false;
    }
    // Line noise is dropped quietly; the waiting exchange repeats or times out.
    if (rx.check() != 0) {
        if (trace & TRACE_PROTOCOL)
            log_printf("ERROR : %s : check sum (A)", getParameter("name"));
        return false;
    }
    if (!rx.wellFormed()) {
        if (trace & TRACE_PROTOCOL)
            log_printf("ERROR : size error ");
        return false;
    }
    routeRx();
    if (module_view.takeChanged())
        VIEW_UPDATED.signal();
    return true;
}

void Tmodule_resource_core::routeRx()
{
    switch (rx.bytes[MSCP_PORT]) {
    case MSCP_PORT_PIPO:
        OnPipoMessage(&rx);
        break;
    case MSCP_PORT_BASICIO:
        OnBasicioMessage(&rx);
        break;
    case MSCP_PORT_BTP:
        download_manager->OnNotification(&MLP_MSG_ARRIVAL);
        break;
    case MSCP_PORT_GTP:
        gtp_socket->OnNotification(&MLP_MSG_ARRIVAL);
        break;
    case MSCP_PORT_REDP:
        redp_socket->OnNotification(&MLP_MSG_ARRIVAL);
        break;
    default:
        break;
    }
}

void Tmodule_resource_core::OnNotification(Tmy_event* event)
{
    if (!event)
        return;
    if (trace & TRACE_NOTIFICATION)
        log_printf("%s : OnNotification(FROM:\"%s\", EVENT:\"%s\") @ STATE=%d", getParameter("name"),
                   event->getResourceName(), event->getName(), state);
    if ((event == &VIEW_UPDATED || event == &PENDING_ARRIVAL) && owner)
        owner->OnNotification(event);
    if (mlp_io && event == &mlp_io->MLP_MSG_ARRIVAL) {
        mlpOnRx(mlp_io->getRxMessage());
        mlp_io->releaseRxMessage();
    }
    Tsequence::OnNotification(event);
}

void Tmodule_resource_core::On_1Hz()
{
    gtp_socket->On_1Hz();
    redp_socket->On_1Hz();
}

void Tmodule_resource_core::OnPipoMessage(Tmlp_message*) {}

void Tmodule_resource_core::OnBasicioMessage(Tmlp_message* msg)
{
    if (!msg || msg->length < shortest_frame || msg->bytes[MSCP_COMMAND] != '@')
        return;
    // The text runs from after the command byte to before the checksum.
    unsigned count = msg->length - shortest_frame;
    if (count > stringout_max)
        count = stringout_max;
    char text[stringout_max + 1];
    for (unsigned i = 0; i < count; ++i) {
        const unsigned char c = msg->bytes[MSCP_COMMAND + 1 + i];
        text[i] = (c >= 32 && c <= 126) ? static_cast<char>(c) : '.';
    }
    text[count] = '\0';
    log_printf("INFO  : BASICIO stringout=\"%s\"", text);
}

void Tmodule_resource_core::finish(uint8_t kind)
{
    sequence_terminate(this, static_cast<Ttermination>(kind));
}

void Tmodule_resource_core::openDownloadTmpFile()
{
    closeDownloadTmpFile();
    download_tmp_file = std::fopen(download_tmp_file_name, "wb");
}

void Tmodule_resource_core::closeDownloadTmpFile()
{
    if (download_tmp_file)
        std::fclose(download_tmp_file);
    download_tmp_file = nullptr;
}
