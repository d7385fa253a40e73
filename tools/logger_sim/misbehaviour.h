#pragma once

#include "tools/logger_sim/protocol.h"

#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <vector>

// Faults the simulated logger commits on request. Frame counters count the
// frames it would send from the moment they are set: 1 is the next frame; they
// fire once and return to 0.
namespace sim {

// When a late answer goes out after its PENDING: on releaseLate(), or after the delay.
struct LateRule {
    bool manual = false;
    std::chrono::milliseconds delay{0};
};

struct Misbehaviour {
    unsigned drop_frame = 0;     // this frame is not sent
    unsigned corrupt_frame = 0;  // this frame goes out with its checksum plus one
    // No frame that answers these requests is sent (the command still runs).
    std::set<Command> drop_answers_to;
    // These requests are answered FAIL and do nothing (not counted as executions).
    std::set<Command> refuse;
    bool wrong_source = false;                  // frames carry the own address XOR 0x80 as source
    std::chrono::milliseconds frame_delay{0};   // every frame waits this long before it may go
    bool byte_by_byte = false;                  // one write per byte, at least 1 ms apart
    std::map<Command, LateRule> pending;        // answer PENDING, then the answer late
    std::map<Command, std::size_t> multipart;   // answer in parts of this many data bytes
    // Cut a frame answering this request in half and close the line, after
    // close_after_frames such frames went out whole (one shot). The line is
    // reopened at once on a new pty under the same COM number.
    std::optional<Command> close_in_answer_to;
    unsigned close_after_frames = 0;
    // The frame answering this request after drop_after_answers such frames is
    // not sent (one shot): one lost answer, which a copy of the request gets again.
    std::optional<Command> drop_answer_to;
    unsigned drop_after_answers = 0;
    // With close_in_answer_to: the line is closed and not reopened, as when the
    // device is pulled out.
    bool close_for_good = false;
    // After silent_after_frames frames answering this request went out (one
    // shot), the logger sends nothing more until silent is cleared: a stalled
    // logger. Commands still run.
    std::optional<Command> silent_after_answer_to;
    unsigned silent_after_frames = 0;
    bool silent = false;
    // After mute_after_frames frames answering this request went out, no frame
    // answering it is sent any more (it joins drop_answers_to): a transfer
    // whose data stop from a chosen step while the logger answers the rest.
    std::optional<Command> mute_after_answer_to;
    unsigned mute_after_frames = 0;
    unsigned cut_frame = 0;  // this frame goes out with only its first half; the line stays
    // The next noise_frames frames each go out after these bytes.
    std::vector<uint8_t> noise;
    unsigned noise_frames = 0;
    // The next wrong_sequence_answers CCP answers carry their sequence number plus one.
    unsigned wrong_sequence_answers = 0;
};

}  // namespace sim
