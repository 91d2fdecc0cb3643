// The operating system's random generator on POSIX: getrandom().
#include <sys/random.h>

#include <cerrno>

#include "platform/platform.h"

bool ReadSystemRandom(void* bytes, std::size_t length) {
    unsigned char* at = static_cast<unsigned char*>(bytes);
    while (length > 0) {
        ssize_t got = ::getrandom(at, length, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        at += got;
        length -= static_cast<std::size_t>(got);
    }
    return true;
}
