#include "link/download_manager.h"

#include <algorithm>
#include <cstring>

#include "base/log.h"
#include "base/parse.h"
#include "link/mlp_message.h"
#include "link/mscp_protocol.h"
#include "link/mscp_trace.h"
#include "link/protocol_core.h"
#include "link/sequence_report.h"

namespace {

enum : int {
    IDLE = 0,
    BEGIN = 100,
    SETTLE = 105,
    PREPARE_BLOCK = 110,
    REQUEST = 120,
    WAIT = 130,
    EVALUATE = 140,
    HOLE_SEARCH = 200,
    WRITE_BLOCK = 220,
    CANCELLING = 901,
    END_SUCCESS = Tsequence::STATE_SUCCESS,
    END_CANCELLED = Tsequence::STATE_CANCELLED,
    END_ERROR = Tsequence::STATE_FAILED,
};

constexpr unsigned settle_ms = 200;
constexpr unsigned wait_ms = 2000;
// The slowest rate the completion time-out assumes, in bytes per wait.
constexpr unsigned min_rate = 300;
// Waits before the measured rate is trusted.
constexpr unsigned rate_waits = 5;
// A data frame's payload: the 32-bit flash address, then the data.
constexpr unsigned btp_address_bytes = 4;

void build_btp(Tmlp_message* msg, unsigned char n, unsigned char command)
{
    msg->bytes[MSCP_DESTINATION] = MSCP_LOGGER_ADDRESS;
    msg->bytes[MSCP_SOURCE] = MSCP_LOCAL_ADDRESS;
    msg->bytes[MSCP_PAYLOAD_LENGTH] = n;
    msg->bytes[MSCP_PORT] = MSCP_PORT_BTP;
    msg->bytes[MSCP_COMMAND] = command;
}

}  // namespace

Tdownload_manager::Tdownload_manager(Tprotocol_core* owning_core) : core(owning_core)
{
    START_DOWNLOAD.init("START_DOWNLOAD", this);
    SKIP.init("SKIP", this);
    DONE.init("DONE", this);
    LOOP.init("LOOP", this);
    SHORT_ANSWER_RX.init("SHORT_ANSWER_RX", this);
    BLOCK_COMPLETE.init("BLOCK_COMPLETE", this);
    timer.setOwner(this);
    setOwner(owning_core);
}

bool Tdownload_manager::start(unsigned address, unsigned size)
{
    if (state != IDLE)
        return true;
    start_address = address;
    total_size = size;
    START_DOWNLOAD.signal();
    return false;
}

void Tdownload_manager::abandon()
{
    timer.stopTimer();
    state = IDLE;
    result_file = nullptr;
    block_len = 0;
}

void Tdownload_manager::transmit(Tmlp_message* msg)
{
    msg->seal();
    if (trace & TRACE_PROTOCOL) {
        log_hex_dump(msg->bytes, msg->length, dump_bytes_per_line);
        mscp_trace_message(msg);
    }
    if (core)
        core->process_tx(msg);
}

void Tdownload_manager::send_BTP_download(unsigned address, unsigned length)
{
    if (trace & TRACE_PROGRESS)
        log_printf("INFO    : %s : send_BTP_download(%d,%d)", getParameter("name"), address, length);
    Tmlp_message msg;
    build_btp(&msg, 9, BTP_START);
    write_be32(msg.bytes + MSCP_COMMAND + 1, address);
    write_be32(msg.bytes + MSCP_COMMAND + 5, length);
    transmit(&msg);
}

void Tdownload_manager::send_BTP_stop()
{
    if (trace & TRACE_PROGRESS)
        log_printf("INFO    : %s : send_BTP_stop()", getParameter("name"));
    Tmlp_message msg;
    build_btp(&msg, 1, BTP_STOP);
    transmit(&msg);
}

int Tdownload_manager::OnDataArrival(const unsigned char* bytes, unsigned count, unsigned address)
{
    if (!bytes || total_size == 0)
        return 0;
    if (trace & TRACE_PROGRESS)
        log_printf("Tdownload_manager::OnDataArrival(%u,%u)", address, count);
    last_arrival_wait = waits;
    // In 64 bits: an address near the top must not wrap into the block.
    const unsigned long long block_begin = block_address;
    const unsigned long long block_end = block_begin + block_len;
    for (unsigned i = 0; i < count; ++i) {
        const unsigned long long at = static_cast<unsigned long long>(address) + i;
        if (at < block_begin || at >= block_end)
            continue;
        const unsigned offset = static_cast<unsigned>(at - block_begin);
        if (!arrival[offset]) {
            ++bytes_received;
            ++block_received;
        }
        data[offset] = bytes[i];
        arrival[offset] = 1;
        // Bytes before the current request (a hole's) tell nothing of its reach.
        if (at >= req_address)
            reach = std::max(reach, static_cast<unsigned>(at - req_address + 1));
    }
    return static_cast<int>(100.0 * bytes_received / total_size);
}

void Tdownload_manager::OnBtpRx(const Tmlp_message& f)
{
    if (trace & TRACE_PROTOCOL) {
        log_hex_dump(f.bytes, f.length, dump_bytes_per_line);
        mscp_trace_message(&f);
    }
    if (state == IDLE)
        return;  // no download runs: nothing to store, nothing to report
    const unsigned n = f.payloadLength();
    if (!f.wellFormed() || n < btp_address_bytes) {
        log_printf("ERROR : %s : BTP frame of %d bytes ignored", getParameter("name"), f.length);
        return;
    }
    const unsigned char* payload = f.bytes + MSCP_COMMAND;
    const int percent = OnDataArrival(payload + btp_address_bytes, n - btp_address_bytes, read_be32(payload));
    if (!quiet && core)
        core->OnDownloadProgress(percent);
    if (short_answer)
        SHORT_ANSWER_RX.signal();
    else if (block_len > 0 && block_received == block_len)
        BLOCK_COMPLETE.signal();
}

void Tdownload_manager::wait(unsigned ms)
{
    timer.stopTimer();  // a running timer would ignore the new delay
    timer.setDelay(ms);
}

void Tdownload_manager::beginDownload()
{
    if (!result_file) {
        log_printf("ERROR : result file not opened ");
        ERROR.signal();
        return;
    }
    remaining = total_size;
    if (!quiet && core)
        core->OnDownloadStart(total_size);
    bytes_received = 0;
    block_address = start_address;
    // No block is collected before the first one is prepared: frames of a
    // transfer still running must not count.
    block_len = 0;
    (total_size == 0 ? SKIP : DONE).signal();
}

void Tdownload_manager::prepareBlock()
{
    std::memset(arrival, 0, sizeof arrival);
    block_received = 0;
    req_len = std::min(remaining, short_answer ? short_block_size : block_size);
    block_len = req_len;
    req_address = block_address;
    block_retries = 0;
    DONE.signal();
}

void Tdownload_manager::requestBlock()
{
    reach = 0;
    waits = 0;
    last_arrival_wait = 0;
    wait_limit = req_len / min_rate + 2;
    send_BTP_download(req_address, req_len);
    DONE.signal();
}

void Tdownload_manager::evaluate()
{
    const bool progress = (trace & TRACE_PROGRESS) != 0;
    ++waits;
    if (waits >= wait_limit) {
        if (progress)
            log_printf("INFO    : %s :  completion timeout reached %d", getParameter("name"), waits);
        DONE.signal();
        return;
    }
    if (reach > 0 && waits >= rate_waits) {
        const unsigned last = last_arrival_wait == 0 ? 1 : last_arrival_wait;
        const unsigned rate = std::max(reach / (last + 1), min_rate);
        const unsigned q = req_len / rate;
        wait_limit = q + q / 16 + 4;
    }
    if (reach >= req_len) {
        if (progress)
            log_printf("INFO    : %s OK all segments transfered in that block", getParameter("name"));
        DONE.signal();
    } else {
        if (progress)
            log_printf("INFO    : %s not OK all segments transfered in that block", getParameter("name"));
        LOOP.signal();
    }
}

void Tdownload_manager::findHole()
{
    const bool progress = (trace & TRACE_PROGRESS) != 0;
    const unsigned char* const map_begin = arrival;
    const unsigned char* const map_end = map_begin + block_len;
    const unsigned char* first = std::find(map_begin, map_end, static_cast<unsigned char>(0));
    if (first == map_end) {
        if (progress)
            log_printf("INFO    : %s : No hole", getParameter("name"));
        DONE.signal();
        return;
    }
    const unsigned char* end = std::find(first, map_end, static_cast<unsigned char>(1));
    req_address = block_address + static_cast<unsigned>(first - map_begin);
    req_len = static_cast<unsigned>(end - first);
    ++block_retries;
    if (block_retries > max_block_retries) {
        if (progress)
            log_printf("INFO    : %s : hole detected, ERROR", getParameter("name"));
        log_printf("ERROR : %s : %u bytes at %u did not come after %u requests", getParameter("name"), req_len,
                   req_address, max_block_retries);
        ERROR.signal();
        return;
    }
    if (progress)
        log_printf("INFO    : %s : hole detected, will retry (%d)", getParameter("name"), block_retries);
    // Said every time, so that a silent line shows long before the last request.
    log_printf("INFO    : %s : %u bytes at %u missing, asking again, %u of %u", getParameter("name"), req_len,
               req_address, block_retries, max_block_retries);
    LOOP.signal();
}

void Tdownload_manager::writeBlock()
{
    // Flushed at once: a full disk must fail this block, not a later close.
    if (std::fwrite(data, 1, block_len, result_file) != block_len || std::fflush(result_file) != 0) {
        // Going on would leave a gap in the file that nobody sees.
        log_printf("ERROR : %s : the result file could not be written", getParameter("name"));
        ERROR.signal();
        return;
    }
    remaining -= block_len;
    block_address += block_len;
    block_len = 0;
    (remaining > 0 ? LOOP : DONE).signal();
}

void Tdownload_manager::finish(int kind)
{
    timer.stopTimer();
    sequence_terminate(this, kind == END_SUCCESS ? TERMINATE_SUCCESS
                             : kind == END_CANCELLED ? TERMINATE_CANCELLED
                                                     : TERMINATE_ERROR);
}

void Tdownload_manager::OnNotification(Tmy_event* event)
{
    if (!event)
        return;
    sequence_trace_notification(this, event);
    if (core && event == &core->MLP_MSG_ARRIVAL) {
        if (const Tmlp_message* f = core->getRx())
            OnBtpRx(*f);
        core->releaseRx();
    }

    beginEvent(event);
    do {
        switch (state) {
        case IDLE:
            onEvent(&START_DOWNLOAD, BEGIN);
            onEvent(&ERROR, END_ERROR);
            break;
        case BEGIN:
            if (consumed)
                beginDownload();
            onEvent(&DONE, SETTLE);
            onEvent(&SKIP, END_SUCCESS);
            onEvent(&ERROR, END_ERROR);
            onEvent(&STOP, CANCELLING);
            break;
        case SETTLE:
            if (consumed) {
                send_BTP_stop();
                wait(settle_ms);
            }
            onEvent(&timer.SUCCESS, PREPARE_BLOCK);
            onEvent(&STOP, CANCELLING);
            break;
        case PREPARE_BLOCK:
            if (consumed)
                prepareBlock();
            onEvent(&DONE, REQUEST);
            onEvent(&STOP, CANCELLING);
            break;
        case REQUEST:
            if (consumed)
                requestBlock();
            onEvent(&DONE, WAIT);
            onEvent(&STOP, CANCELLING);
            break;
        case WAIT:
            if (consumed)
                wait(wait_ms);
            onEvent(&timer.SUCCESS, EVALUATE);
            if (onEvent(&SHORT_ANSWER_RX, EVALUATE))
                timer.stopTimer();
            // A wake-up left over from the block before does not count.
            if (block_received == block_len && onEvent(&BLOCK_COMPLETE, EVALUATE))
                timer.stopTimer();
            onEvent(&STOP, CANCELLING);
            break;
        case EVALUATE:
            if (consumed)
                evaluate();
            onEvent(&DONE, HOLE_SEARCH);
            onEvent(&LOOP, WAIT);
            onEvent(&STOP, CANCELLING);
            break;
        case HOLE_SEARCH:
            if (consumed)
                findHole();
            onEvent(&DONE, WRITE_BLOCK);
            onEvent(&LOOP, REQUEST);
            onEvent(&ERROR, END_ERROR);
            onEvent(&STOP, CANCELLING);
            break;
        case WRITE_BLOCK:
            if (consumed)
                writeBlock();
            onEvent(&DONE, END_SUCCESS);
            onEvent(&LOOP, PREPARE_BLOCK);
            onEvent(&ERROR, END_ERROR);
            onEvent(&STOP, CANCELLING);
            break;
        case CANCELLING:
            if (consumed) {
                send_BTP_stop();
                wait(settle_ms);
            }
            onEvent(&timer.SUCCESS, END_CANCELLED);
            onEvent(&STOP, END_CANCELLED);
            break;
        case END_SUCCESS:
        case END_CANCELLED:
        case END_ERROR:
            if (consumed)
                finish(state);
            break;
        default:
            break;
        }
    } while (advance());
    Tsequence::OnNotification(event);
}
