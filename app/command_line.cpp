// --help, --version and the refusal of other arguments (see command_line.h).
#include "app/command_line.h"

#include <cstdio>
#include <cstring>

#include "common/text.h"
#include "image/firmware_image.h"
#include "image/product_table.h"
#include "platform/platform.h"

#ifndef QEV_TOOL_VERSION
#error "QEV_TOOL_VERSION: the tool's version, set by the build"
#endif

namespace {

constexpr int kShownTextSize = 64;

// What the program carries, as the upgrade itself would find it at start-up.
struct CarriedFirmware {
    char targetVersion[kShownTextSize];
    char transitionVersion[kShownTextSize];  // empty: a program with the target image alone
    const char* deviceClass;                 // "adapter" or "phone"
    char productName[kShownTextSize];        // the product the target image names
};

// A text from the image, safe to write to a terminal: control characters
// and bytes outside ASCII shown as '?'.
void CopyShown(char* destination, std::size_t capacity, const char* text) {
    std::size_t length = CopyText(destination, capacity, text);
    for (std::size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(destination[i]);
        if (c < 0x20 || c > 0x7E) destination[i] = '?';
    }
}

CarriedFirmware ReadCarriedFirmware() {
    CarriedFirmware carried;
    char version[kVersionTextSize];
    FirmwareImage target = LoadFirmwareImage(kTargetFirmwareResource);
    CopyHeaderVersion(version, target.header);
    CopyShown(carried.targetVersion, sizeof carried.targetVersion, version);
    ProductIdentity product = IdentifyProduct(target.header);
    CopyShown(carried.productName, sizeof carried.productName, product.displayName);
    carried.deviceClass = product.deviceClass == kDevicePhone ? "phone" : "adapter";
    carried.transitionVersion[0] = 0;
    FirmwareImage transition = LoadFirmwareImage(kTransitionFirmwareResource);
    if (transition.location != nullptr) {
        CopyHeaderVersion(version, transition.header);
        CopyShown(carried.transitionVersion, sizeof carried.transitionVersion, version);
    }
    return carried;
}

// The program's name: the path's last component.
const char* ProgramName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

void WriteHelp(const char* name) {
    CarriedFirmware carried = ReadCarriedFirmware();
    char path[512];
    ProgramPath(path, sizeof path);
    std::printf(
        "Usage: %s [--help | --version]\n"
        "\n"
        "Upgrades the firmware of one QEV network device (a telephone adapter or an\n"
        "IP phone) over the local network. Its dialogs lead the way: a warning; the\n"
        "device's IPv4 address and the address of this PC that the device is to\n"
        "reach back to; a query of the device's status page; a confirmation; the\n"
        "transfer. The device fetches the firmware from this PC by TFTP, installs it\n"
        "and reboots; then its installed version is checked.\n"
        "\n"
        "Firmware carried: version %s, for the %s (%s).\n",
        name, carried.targetVersion, carried.productName, carried.deviceClass);
    if (carried.transitionVersion[0] != 0)
        std::printf("Transition firmware carried: version %s, installed first by devices\n"
                    "with older firmware.\n",
                    carried.transitionVersion);
    std::printf(
        "\n"
        "What it needs:\n"
        "  UDP ports 69 to 168 on this PC: the first free one serves the firmware;\n"
        "  TCP port 80 on the device: its web pages, for its status and the command;\n"
        "  root, or the capability CAP_NET_BIND_SERVICE, for the ports below 1024:\n"
        "    sudo setcap cap_net_bind_service=+ep %s\n"
        "\n"
        "In a terminal the dialogs fill the screen: Tab and Shift-Tab move between\n"
        "the controls, Enter presses the default button, Esc cancels, and the bottom\n"
        "row lists the keys of the control in focus. When standard input or output\n"
        "is not a terminal, each dialog is written as lines and answered line by\n"
        "line (a button by its caption, Enter for the one in brackets), so that a\n"
        "run can be scripted.\n"
        "\n"
        "Options:\n"
        "  --help     this text\n"
        "  --version  the tool's version and the firmware's\n",
        path);
}

void WriteVersion(const char* name) {
    CarriedFirmware carried = ReadCarriedFirmware();
    std::printf("%s %s\nfirmware %s for the %s\n", name, QEV_TOOL_VERSION, carried.targetVersion,
                carried.productName);
    if (carried.transitionVersion[0] != 0) std::printf("transition firmware %s\n", carried.transitionVersion);
}

}  // namespace

int HandleCommandLine(int argc, char** argv) {
    if (argc <= 1) return kRunTheUpgrade;
    const char* name = ProgramName(argv[0] != nullptr ? argv[0] : "qev-upgrade");
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        WriteHelp(name);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        WriteVersion(name);
        return 0;
    }
    // The first argument that cannot stand: the one unknown, or the one too many.
    bool known = std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "--version") == 0;
    char refused[kShownTextSize];
    CopyShown(refused, sizeof refused, known ? argv[2] : argv[1]);
    std::fprintf(stderr, "%s: %s argument '%s'\nUsage: %s [--help | --version]\n", name,
                 known ? "one more" : "unknown", refused, name);
    return 2;
}
