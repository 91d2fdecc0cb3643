// For the test of the hint after binds refused for want of privilege: binds
// a UDP socket on the loopback address to each port named, reports each
// outcome, then ends the process the way the program does, with a
// process-end hook standing in for the terminal's restoration.
#include <cstdio>
#include <cstdlib>

#include "common/socket_address.h"
#include "platform/platform.h"
#include "platform/posix/posix_hooks.h"

namespace {

void StandInForTerminalRestore() { WriteTraceText("terminal restored\n"); }

}  // namespace

int main(int argc, char** argv) {
    SetProcessEndHook(StandInForTerminalRestore);
    for (int i = 1; i < argc; ++i) {
        unsigned long port = std::strtoul(argv[i], nullptr, 10);
        SocketHandle socket = OpenUdpSocket();
        SocketAddress address;
        FillSocketAddress(0x7F000001u, static_cast<std::uint16_t>(port), &address);
        bool bound = socket != kInvalidSocket && BindSocket(socket, address);
        std::printf("port %lu %s\n", port, bound ? "bound" : "refused");
    }
    EndProcess(0);
}
