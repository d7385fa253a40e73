#include "link/mlp_message.h"

#include <algorithm>
#include <cstring>

namespace {

unsigned char byte_sum(const unsigned char* bytes, unsigned count)
{
    unsigned char sum = 0;
    for (unsigned i = 0; i < count; ++i)
        sum = static_cast<unsigned char>(sum + bytes[i]);
    return sum;
}

}  // namespace

void Tmlp_message::seal()
{
    // n is at most 255, so the checksum at n + 4 always lies inside the buffer.
    const unsigned n = payloadLength();
    bytes[n + 4] = static_cast<unsigned char>(0xFF - byte_sum(bytes, n + 4));
    length = static_cast<unsigned short>(n + 5);
}

unsigned char Tmlp_message::check() const
{
    return byte_sum(bytes, payloadLength() + 5u) == 0xFF ? 0 : 1;
}

bool Tmlp_message::wellFormed() const
{
    const unsigned n = payloadLength();
    return n <= max_payload && length == n + 5 && check() == 0;
}

void Tmlp_message::copy(const Tmlp_message* source, unsigned short maximum)
{
    if (!source)
        return;
    const unsigned short count = std::min({source->length, maximum, capacity});
    std::memmove(bytes, source->bytes, count);
    length = count;
}

void Tmlp_message::copyPart(const Tmlp_message* source, int offset, int count)
{
    if (!source) {
        length = 0;
        return;
    }
    // The source may be this message: read its length before changing ours.
    const int held = std::min<int>(source->length, capacity);
    const int start = std::clamp(offset, 0, held);
    const int available = held - start;
    const int taken = std::min({count < 0 ? available : count, available, static_cast<int>(capacity)});
    std::memmove(bytes, source->bytes + start, static_cast<std::size_t>(taken));
    length = static_cast<unsigned short>(taken);
}
