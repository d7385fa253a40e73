#include "link/mlp_communication_interface.h"

#include <algorithm>

#include "base/parse.h"
#include "link/mlp_message.h"

Tmlp_communication_interface::Tmlp_communication_interface()
{
    MLP_MSG_ARRIVAL.init("MLP_MSG_ARRIVAL", this);
    MLP_MSG_SENT.init("MLP_MSG_SENT", this);
    START_CONNECT.init("START_CONNECT", this);
    START_DISCONNECT.init("START_DISCONNECT", this);
    DISCONNECTED.init("DISCONNECTED", this);
    DONE.init("DONE", this);
}

void Tmlp_communication_interface::setParameter(const char* key, const char* value)
{
    if (key && value && text_compare_nocase(key, "max_message_size") == 0) {
        unsigned size = 0;
        parse_uint(value, &size);
        // The receiver collects into one message: a larger limit would overrun it.
        max_message_size = static_cast<int>(std::min<unsigned>(size, Tmlp_message::capacity));
        return;
    }
    Tsequence::setParameter(key, value);
}
