#include "tools/logger_sim/ccp_responder.h"

#include "tools/logger_sim/protocol.h"

#include <algorithm>

namespace sim {

CcpResponder::Bytes CcpResponder::Out::payload() const
{
    Bytes bytes;
    bytes.reserve(2 + data.size());
    bytes.push_back(code);
    bytes.push_back(seq);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

std::vector<CcpResponder::Out> CcpResponder::onFrame(const Bytes& payload, const Execute& execute)
{
    if (payload.size() < 2)
        return {};
    uint8_t code = payload[0];
    uint8_t seq = payload[1];
    if (code == ccp::init) {
        clearExchange();
        synced = true;
        request_seq = seq;
        next_seq = static_cast<uint8_t>(seq + 1);
        first = Out{ccp::ok, seq, {}, ccp::init, false};
        return {first};
    }
    if (code == ccp::next)
        return onNext(seq);
    if (code == ccp::late_ack) {
        if (late && !held && sent == frames.size() && seq == frames.back().seq)
            acknowledged = true;
        return {};
    }
    if (code >= ccp::ok || !synced)
        return {};
    return onRequest(code, seq, Bytes(payload.begin() + 2, payload.end()), execute);
}

std::vector<CcpResponder::Out> CcpResponder::onRequest(uint8_t command, uint8_t seq, const Bytes& body,
                                                       const Execute& execute)
{
    if (seq == request_seq)
        return {first};
    if (seq != next_seq)
        return {};
    clearExchange();
    Exchange exchange = execute(command, body);
    std::size_t part_size = exchange.part_size == 0 ? exchange.data.size() : exchange.part_size;
    std::size_t offset = 0;
    uint8_t number = seq;
    do {
        std::size_t count = std::min(part_size, exchange.data.size() - offset);
        bool last_part = offset + count >= exchange.data.size();
        uint8_t code = last_part ? exchange.code : (offset == 0 ? ccp::part_first : ccp::part);
        frames.push_back(Out{code, number++, Bytes(exchange.data.begin() + static_cast<std::ptrdiff_t>(offset),
                                                   exchange.data.begin() + static_cast<std::ptrdiff_t>(offset + count)),
                             command, exchange.late});
        offset += count;
    } while (offset < exchange.data.size());
    request_seq = seq;
    next_seq = number;
    late = exchange.late;
    held = exchange.late;
    if (held) {
        first = Out{ccp::pending, seq, {}, command, false};
        return {first};
    }
    sent = 1;
    first = frames.front();
    return {first};
}

std::vector<CcpResponder::Out> CcpResponder::onNext(uint8_t seq)
{
    if (held || sent == 0)
        return {};
    uint8_t last = frames[sent - 1].seq;
    uint8_t expected = late ? last : static_cast<uint8_t>(last + 1);
    if (seq == expected && sent < frames.size())
        return {frames[sent++]};
    if (seq == static_cast<uint8_t>(expected - 1))
        return {frames[sent - 1]};
    return {};
}

std::optional<CcpResponder::Out> CcpResponder::release()
{
    if (!held)
        return std::nullopt;
    held = false;
    sent = 1;
    return frames.front();
}

std::optional<CcpResponder::Out> CcpResponder::outstanding() const
{
    if (!late || held || acknowledged || sent == 0)
        return std::nullopt;
    return frames[sent - 1];
}

void CcpResponder::reset()
{
    synced = false;
    clearExchange();
}

void CcpResponder::clearExchange()
{
    frames.clear();
    sent = 0;
    late = false;
    held = false;
    acknowledged = false;
}

}  // namespace sim
