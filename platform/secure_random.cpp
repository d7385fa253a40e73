#include "platform/secure_random.h"

#include <cerrno>
#include <cstring>
#include <sys/random.h>
#include <sys/types.h>

bool secure_random_bytes(void* out, std::size_t count)
{
    if (!out)
        return true;
    unsigned char* bytes = static_cast<unsigned char*>(out);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = getrandom(bytes + done, count - done, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            std::memset(out, 0, count);
            return true;
        }
        done += static_cast<std::size_t>(got);
    }
    return false;
}
