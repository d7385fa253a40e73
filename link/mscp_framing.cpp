#include "link/mscp_framing.h"

bool mscp_needs_escape(unsigned char byte)
{
    return byte == MSCP_FRAME_START || byte == MSCP_FRAME_END || byte == MSCP_ESCAPE;
}

unsigned mscp_frame_wakeup(const unsigned char* message, unsigned length, unsigned char* out, unsigned out_size)
{
    unsigned size = 3;  // wake-up byte, start and end
    for (unsigned i = 0; i < length; ++i)
        size += mscp_needs_escape(message[i]) ? 2 : 1;
    if (size > out_size)
        return 0;
    unsigned at = 0;
    out[at++] = MSCP_WAKEUP;
    out[at++] = MSCP_FRAME_START;
    for (unsigned i = 0; i < length; ++i) {
        if (mscp_needs_escape(message[i])) {
            out[at++] = MSCP_ESCAPE;
            out[at++] = static_cast<unsigned char>(message[i] ^ MSCP_ESCAPE_XOR);
        } else {
            out[at++] = message[i];
        }
    }
    out[at++] = MSCP_FRAME_END;
    return at;
}
