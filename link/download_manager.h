#pragma once

#include <cstdio>

#include "base/event_resource.h"

class Tprotocol_core;
struct Tmlp_message;

// Reads a range of the logger's flash over BTP into the result file, in address
// order. The logger streams a requested range without acknowledgements, so the
// range is taken in blocks of up to 4096 bytes: every byte that arrives is
// marked, the block is waited for in 2-second steps until it is complete or a
// completion time-out adapted to the measured rate expires, then its missing
// stretches are requested again (up to 16 times) before it is written. A
// block whose every byte has arrived is evaluated at once: the 2-second step
// is only the time-out of a block still waiting for data.
// Reports SUCCESS, CANCELLED (after STOP) or ERROR to its owner.
class Tdownload_manager : public Tsequence {
public:
    explicit Tdownload_manager(Tprotocol_core* owning_core);

    // Refused (true) unless idle.
    bool start(unsigned address, unsigned size);
    void setResultFile(FILE* file) { result_file = file; }
    // Drops the download under way without a frame and without a report: the
    // line to the logger is gone.
    void abandon();
    void OnNotification(Tmy_event* event) override;

    void send_BTP_download(unsigned address, unsigned length);
    void send_BTP_stop();
    // Stores a run of bytes that arrived for address; the progress in percent.
    int OnDataArrival(const unsigned char* bytes, unsigned count, unsigned address);

    static constexpr unsigned block_size = 4096;
    static constexpr unsigned short_block_size = 52;
    static constexpr unsigned max_block_retries = 16;

    Tmy_event START_DOWNLOAD;
    Tmy_event SKIP;
    Tmy_event DONE;
    Tmy_event LOOP;
    Tmy_event SHORT_ANSWER_RX;
    Tmy_event BLOCK_COMPLETE;

    FILE* result_file = nullptr;
    Tdelay_resource timer;
    Tprotocol_core* const core;
    unsigned block_address = 0;
    unsigned block_len = 0;
    unsigned req_len = 0;
    unsigned req_address = 0;
    unsigned block_retries = 0;
    unsigned waits = 0;
    unsigned wait_limit = 0;
    unsigned last_arrival_wait = 0;
    unsigned reach = 0;
    unsigned bytes_received = 0;
    // Distinct bytes of the current block that have arrived.
    unsigned block_received = 0;
    unsigned remaining = 0;
    unsigned char data[block_size] = {};
    unsigned char arrival[block_size] = {};
    unsigned total_size = 0;
    unsigned start_address = 0;
    unsigned char quiet = 0;
    unsigned char short_answer = 0;

private:
    void OnBtpRx(const Tmlp_message& f);
    void transmit(Tmlp_message* msg);
    void wait(unsigned ms);
    void beginDownload();
    void prepareBlock();
    void requestBlock();
    void evaluate();
    void findHole();
    void writeBlock();
    void finish(int kind);
};
