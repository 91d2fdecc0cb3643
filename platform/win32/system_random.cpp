// The operating system's random generator on Windows: BCryptGenRandom with
// the system's preferred generator.
#include "platform/win32/windows_headers.h"

#include <bcrypt.h>

#include "platform/platform.h"

bool ReadSystemRandom(void* bytes, std::size_t length) {
    NTSTATUS status = ::BCryptGenRandom(nullptr, static_cast<PUCHAR>(bytes), static_cast<ULONG>(length),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    return status >= 0;
}
