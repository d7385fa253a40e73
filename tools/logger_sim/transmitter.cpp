#include "tools/logger_sim/transmitter.h"

#include "tools/logger_sim/line_framing.h"

#include <algorithm>
#include <unistd.h>

namespace sim {

namespace {

constexpr auto byte_gap = std::chrono::milliseconds(1);

// Counts a frame against a "the Nth frame" switch; true for the Nth.
bool count_down(unsigned& counter)
{
    if (counter == 0)
        return false;
    return --counter == 0;
}

std::chrono::microseconds line_time(std::size_t bytes, unsigned baud)
{
    return std::chrono::microseconds(static_cast<long long>(bytes) * 10 * 1000000 / std::max(baud, 1u));
}

// One "after so many frames answering this" switch: true when the frame that
// answers is the one after them (the switch is then spent).
bool count_answers(std::optional<Command>& to, unsigned& after, const std::optional<Command>& answers)
{
    if (!answers || !to || !(*to == *answers))
        return false;
    if (after > 0) {
        --after;
        return false;
    }
    to.reset();
    return true;
}

}  // namespace

void Transmitter::send(Frame frame, std::optional<Command> answers, Misbehaviour& misbehaviour, Time now)
{
    if (count_answers(misbehaviour.silent_after_answer_to, misbehaviour.silent_after_frames, answers))
        misbehaviour.silent = true;
    if (misbehaviour.silent)
        return;
    if (count_answers(misbehaviour.mute_after_answer_to, misbehaviour.mute_after_frames, answers))
        misbehaviour.drop_answers_to.insert(*answers);
    if (answers && misbehaviour.drop_answers_to.count(*answers))
        return;
    if (count_answers(misbehaviour.drop_answer_to, misbehaviour.drop_after_answers, answers))
        return;
    if (count_down(misbehaviour.drop_frame))
        return;
    if (misbehaviour.wrong_source)
        frame.src ^= 0x80;
    std::vector<uint8_t> raw = encode_frame(frame);
    if (raw.empty())
        return;
    if (count_down(misbehaviour.corrupt_frame))
        ++raw.back();
    const bool cut = count_answers(misbehaviour.close_in_answer_to, misbehaviour.close_after_frames, answers);
    std::vector<uint8_t> line = frame_for_line(raw);
    if (count_down(misbehaviour.cut_frame))
        line.resize(line.size() / 2);
    if (misbehaviour.noise_frames > 0) {
        --misbehaviour.noise_frames;
        line.insert(line.begin(), misbehaviour.noise.begin(), misbehaviour.noise.end());
    }
    queueBytes(std::move(line), misbehaviour, cut, now);
}

void Transmitter::queueBytes(std::vector<uint8_t> line, const Misbehaviour& misbehaviour, bool cut, Time now)
{
    if (cut)
        line.resize(std::max<std::size_t>(1, line.size() / 2));
    Time not_before = now + misbehaviour.frame_delay;
    if (!misbehaviour.byte_by_byte) {
        queue.push_back(Pending{std::move(line), 0, not_before, false, cut});
        return;
    }
    for (std::size_t i = 0; i < line.size(); ++i)
        queue.push_back(Pending{{line[i]}, 0, not_before, true, cut && i + 1 == line.size()});
}

std::optional<Transmitter::Time> Transmitter::nextWrite() const
{
    if (queue.empty())
        return std::nullopt;
    return std::max(queue.front().not_before, line_free);
}

Transmitter::Result Transmitter::write(int fd, Time now, unsigned baud, bool pace)
{
    Result result = Result::waiting;
    while (!queue.empty() && std::max(queue.front().not_before, line_free) <= now) {
        Pending& head = queue.front();
        ssize_t count = ::write(fd, head.bytes.data() + head.written, head.bytes.size() - head.written);
        if (count <= 0)
            return result;  // full (or gone): the caller polls again
        head.written += static_cast<std::size_t>(count);
        written_total += static_cast<unsigned long>(count);
        result = Result::wrote;
        if (head.written < head.bytes.size())
            return result;
        std::chrono::microseconds gap = pace ? line_time(head.bytes.size(), baud) : std::chrono::microseconds(0);
        if (head.single_byte)
            gap = std::max<std::chrono::microseconds>(gap, byte_gap);
        line_free = now + gap;
        bool cut = head.cut;
        queue.pop_front();
        if (cut)
            return Result::line_cut;
    }
    return result;
}

void Transmitter::discard()
{
    queue.clear();
}

}  // namespace sim
