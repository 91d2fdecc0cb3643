// The hint after binds refused for want of privilege (see privileged_ports.h).
#include "platform/posix/privileged_ports.h"

#include "platform/platform.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The ports refused since the last successful bind; 0 when none. Binds come
// from one thread at a time, the process end from any: atomics suffice.
struct RefusedPorts {
    std::atomic<unsigned> first{0};
    std::atomic<unsigned> last{0};
};

RefusedPorts g_refused;

const char* ProgramName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

}  // namespace

void ProgramPath(char* path, std::size_t capacity) {
    ssize_t length = ::readlink("/proc/self/exe", path, capacity - 1);
    if (length <= 0) length = 0;
    path[length] = 0;
    if (path[0] == 0) std::snprintf(path, capacity, "qev-upgrade");
}

void NoteBindOutcome(bool bound, int error, unsigned port) {
    if (bound) {
        g_refused.first.store(0);
        g_refused.last.store(0);
    } else if (error == EACCES) {
        if (g_refused.first.load() == 0) g_refused.first.store(port);
        g_refused.last.store(port);
    }
}

void WritePrivilegedPortHint() {
    unsigned first = g_refused.first.load(), last = g_refused.last.load();
    if (first == 0) return;
    char path[512], ports[32], line[1536];
    ProgramPath(path, sizeof path);
    const char* name = ProgramName(path);
    if (first == last) {
        std::snprintf(ports, sizeof ports, "port %u", first);
    } else {
        std::snprintf(ports, sizeof ports, "ports %u to %u", first, last);
    }
    std::snprintf(line, sizeof line,
                  "%s: binding %s was refused: ports below 1024 need root or CAP_NET_BIND_SERVICE; "
                  "run it with sudo, or allow it once with: sudo setcap cap_net_bind_service=+ep %s\n",
                  name, ports, path);
    ssize_t ignored = ::write(STDERR_FILENO, line, std::strlen(line));
    (void)ignored;
}
