#pragma once

// An MSCP message in memory: destination, source, payload length n, port, the
// n payload bytes and a checksum byte that makes the sum of all n + 5 bytes
// 0xFF (modulo 256). Held by value; every operation stays inside the buffer.
struct Tmlp_message {
    static constexpr unsigned short capacity = 384;
    // A frame's n + 5 bytes must fit in the 8-bit length byte.
    static constexpr unsigned max_payload = 250;

    // Fill byte n + 4 with the checksum of bytes 0 .. n + 3 and set length to n + 5,
    // n taken from byte 2.
    void seal();
    // 0 when bytes 0 .. n + 4 sum to 0xFF, else 1.
    unsigned char check() const;
    // Complete and sound as received: length = n + 5 within the frame limit and
    // a correct checksum. Received frames are acted on only when this holds.
    bool wellFormed() const;
    // The first min(source length, maximum) bytes; a null source does nothing.
    void copy(const Tmlp_message* source, unsigned short maximum);
    // count bytes from offset (count below 0: to the end), clamped to what the
    // source holds; a null source leaves the message empty.
    void copyPart(const Tmlp_message* source, int offset, int count);

    unsigned char payloadLength() const { return bytes[2]; }

    unsigned short length = 0;
    unsigned char bytes[capacity] = {};
};
