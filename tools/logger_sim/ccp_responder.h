#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The logger's side of CCP on one port, without timing: the loop that owns it
// decides when a held late answer goes out and when an unacknowledged one is
// repeated.
//
// - INIT (0x01) with sequence s is answered OK with s; the session is then
//   synchronised and the next request must carry s + 1. Requests before the
//   first INIT are ignored.
// - A request with the expected number runs once (execute); its answer frames
//   are numbered from the request's number on. A copy of the last request (same
//   number) gets the first answer frame again without running anything. Any
//   other number is ignored.
// - Multi-part: with a part size the data goes out in parts (0xF6 first, 0xF7
//   further) and the answer's own code closes it; each next part waits for NEXT
//   (0xF5). Answered at once, NEXT carries the last part's number + 1; after a
//   PENDING it carries the last part's own number. A NEXT one below that repeats
//   the last part.
// - Late: PENDING (0xF2) with the request's number goes out at once, the answer
//   is held until release(); its final frame waits for the late acknowledge
//   (0xF4 with its number) and is offered again by outstanding() until then.
namespace sim {

class CcpResponder {
public:
    using Bytes = std::vector<uint8_t>;

    // One answer frame: the payload is code, sequence number, data.
    struct Out {
        uint8_t code = 0;
        uint8_t seq = 0;
        Bytes data;
        uint8_t answers = 0;  // command byte of the request it answers
        bool late = false;    // sent after a PENDING
        Bytes payload() const;
    };

    // What running a request produced.
    struct Exchange {
        uint8_t code = 0xF0;
        Bytes data;
        bool late = false;          // PENDING first, the answer on release()
        std::size_t part_size = 0;  // 0: the data in one frame
    };
    using Execute = std::function<Exchange(uint8_t command, const Bytes& body)>;

    std::vector<Out> onFrame(const Bytes& payload, const Execute& execute);
    std::optional<Out> release();
    std::optional<Out> outstanding() const;
    bool holdsLate() const { return held; }
    // A restart of the logger's program: nothing synchronised, nothing held.
    void reset();

private:
    bool synced = false;
    uint8_t request_seq = 0;  // number of the last request taken (for copies)
    uint8_t next_seq = 0;     // number a new request carries
    Out first;                // first frame sent for the last request
    std::vector<Out> frames;  // answer frames of the last request, final last
    std::size_t sent = 0;     // how many of them went out
    bool late = false;
    bool held = false;
    bool acknowledged = false;

    std::vector<Out> onNext(uint8_t seq);
    std::vector<Out> onRequest(uint8_t command, uint8_t seq, const Bytes& body, const Execute& execute);
    void clearExchange();
};

}  // namespace sim
