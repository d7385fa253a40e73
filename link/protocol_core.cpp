#include "link/protocol_core.h"

Tprotocol_core::Tprotocol_core()
{
    MLP_MSG_ARRIVAL.init("MLP_MSG_ARRIVAL", this);
}

void Tprotocol_core::OnDownloadStart(unsigned) {}

void Tprotocol_core::OnDownloadProgress(int) {}
