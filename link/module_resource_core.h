#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "base/my_string.h"
#include "link/basicio_dump.h"
#include "link/mlp_message.h"
#include "link/protocol_core.h"

class Tmlp_io;
class Tmscp_ccpSocket;
class Tdownload_manager;

// The protocol layer under every logger operation: owns the GTP and REDP CCP
// sockets and the flash download manager, sends through the link selector,
// checks each received frame and routes it by its port byte, and reports
// changes of the module view (VIEW_UPDATED) to its owner. The module resource
// derives from it and fills in the operations through the virtual hooks.
class Tmodule_resource_core : public Tprotocol_core {
public:
    Tmodule_resource_core();
    ~Tmodule_resource_core() override;

    // "timestamp", "station_id", "download_start" ("-1": none, from 0), "log_path",
    // "download_size", "download_incremental", "dump_downloaded_file",
    // "download_protocol", "retry_timer", "init_timer", "destination";
    // other keys to the sequence.
    void setParameter(const char* key, const char* value) override;
    // "download_file_name", "download_tmp_file_name", "station_id" ("%u").
    const char* getParameter(const char* key) override;
    void OnNotification(Tmy_event* event) override;
    // The next flash download's range, as numbers: a flash address is 32 bits
    // unsigned from the logger's answer to the download.
    void setDownloadRange(uint32_t start, uint32_t size, bool incremental);

    // Once a second: the sockets' retransmissions and time-outs.
    virtual void On_1Hz();
    // Well-formed frames of the PIPO and BASICIO ports, readable during the call.
    virtual void OnPipoMessage(Tmlp_message* msg);
    virtual void OnBasicioMessage(Tmlp_message* msg);
    // End of a run: state 0, the termination line, then the owner hears of it.
    virtual void finish(uint8_t kind);

    void setMlpIo(Tmlp_io* io) { mlp_io = io; }
    // Also resets both sockets to the new remote address.
    void setDestination(uint8_t address);

    // Hand one frame to the link: 1 for a null message, else 0 (a message the
    // link refuses is lost; its socket retransmits it).
    unsigned char process_tx(const Tmlp_message* msg) override;
    // One received frame: checked and routed; true when a receiver took it.
    bool mlpOnRx(const Tmlp_message* frame);
    Tmlp_message* getRx() override { return &rx; }
    void releaseRx() override;

    // The temporary download file, emptied ("wb"); closing forgets it.
    void openDownloadTmpFile();
    void closeDownloadTmpFile();

    Tmscp_ccpSocket& gtpSocket() { return *gtp_socket; }
    Tmscp_ccpSocket& redpSocket() { return *redp_socket; }
    Tdownload_manager& downloadManager() { return *download_manager; }

    // MLP_MSG_ARRIVAL (of the base) is the token of a received frame.
    Tmy_event MLP_MSG_SENT;
    Tmy_event VIEW_UPDATED;
    Tmy_event PENDING_ARRIVAL;

    Tmlp_message tx;
    Tmlp_message rx;
    // Acquisition running, modem on, seconds to the next automatic ping.
    Tlogger_activity activity;
    Tmlp_io* mlp_io = nullptr;
    uint8_t destination = 1;
    uint8_t local = 0;
    uint32_t station_id = 0;
    uint32_t timestamp = 0;
    Tmy_string log_path;
    // The result file of the operation that runs (the status XML file).
    FILE* result_file = nullptr;
    // The last challenge a PIPO 'H' frame carried.
    uint32_t challenge = 0;
    FILE* download_tmp_file = nullptr;
    uint32_t download_start = 0;
    uint32_t download_size = 0;
    uint8_t download_incremental = 0;
    uint8_t dump_downloaded_file = 0;
    Tmy_string download_protocol;
    char download_tmp_file_name[512] = {};
    char download_file_name[512] = {};
    uint32_t retry_timer = 2;
    uint32_t init_timer = 10;

protected:
    void closeResultFile();

private:
    void routeRx();

    Tmy_string station_id_text;
    std::unique_ptr<Tdownload_manager> download_manager;
    std::unique_ptr<Tmscp_ccpSocket> gtp_socket;
    std::unique_ptr<Tmscp_ccpSocket> redp_socket;
};
