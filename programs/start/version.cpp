#include "programs/start/version.h"

#include <cstring>

unsigned get_version_id(char* buffer)
{
    static const char id[version_id_size] = "480315_j03";
    if (buffer)
        std::memcpy(buffer, id, sizeof id);
    return version_id_size;
}
