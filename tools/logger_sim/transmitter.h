#pragma once

#include "tools/logger_sim/misbehaviour.h"
#include "tools/logger_sim/mscp_frame.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

// The logger's output: frames are framed for the line, pass the misbehaviour
// switches when they are queued, and go out in order on a non-blocking fd,
// paced at the line's baud rate when asked.
namespace sim {

class Transmitter {
public:
    using Time = std::chrono::steady_clock::time_point;

    // answers: the request this frame answers, if it is an answer.
    void send(Frame frame, std::optional<Command> answers, Misbehaviour& misbehaviour, Time now);

    bool idle() const { return queue.empty(); }
    // Bytes written by write() since the start.
    unsigned long written() const { return written_total; }
    // When the next bytes may go; none when nothing waits.
    std::optional<Time> nextWrite() const;

    enum class Result { waiting, wrote, line_cut };
    // Writes what is due. line_cut: a frame that was to be cut has gone out in
    // part and the line must now be closed.
    Result write(int fd, Time now, unsigned baud, bool pace);
    void discard();

private:
    struct Pending {
        std::vector<uint8_t> bytes;
        std::size_t written = 0;
        Time not_before;
        bool single_byte = false;  // written alone, with a gap after it
        bool cut = false;          // the line closes after these bytes
    };
    std::deque<Pending> queue;
    Time line_free{};
    unsigned long written_total = 0;

    void queueBytes(std::vector<uint8_t> line, const Misbehaviour& misbehaviour, bool cut, Time now);
};

}  // namespace sim
