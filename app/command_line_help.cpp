// The Linux program's texts about itself: --help, --version and the usage
// written with a refusal.
#include <cstdio>

#include "app/command_line.h"
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

const char kUsageFormat[] =
    "Usage: %s [--record FILE]\n"
    "       %s --address DEVICE [--yes] [--json] [--local-address ADDRESS] [--user NAME]\n"
    "           [--password-file FILE|-] [--request-wait SECONDS] [--record FILE]\n"
    "       %s --help | --version\n";

}  // namespace

void WriteUsage(const char* name) { std::fprintf(stderr, kUsageFormat, name, name, name); }

void WriteHelp(const char* name) {
    CarriedFirmware carried = ReadCarriedFirmware();
    char path[512];
    ProgramPath(path, sizeof path);
    std::printf(kUsageFormat, name, name, name);
    std::printf(
        "\n"
        "Upgrades the firmware of one QEV network device (a telephone adapter or an\n"
        "IP phone) over the local network: a warning; the device's IPv4 address and\n"
        "the address of this PC that the device is to reach back to; a query of the\n"
        "device's status page; a confirmation; the transfer. The device fetches the\n"
        "firmware from this PC by TFTP, installs it and reboots; then its installed\n"
        "version is checked.\n"
        "\n"
        "Firmware carried: version %s, for the %s (%s).\n",
        carried.targetVersion, carried.productName, carried.deviceClass);
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
        "Without --address the dialogs lead the way. In a terminal they fill the\n"
        "screen: Tab and Shift-Tab move between the controls, Enter presses the\n"
        "default button, Esc cancels, and the bottom row lists the keys of the\n"
        "control in focus. When standard input or output is not a terminal, each\n"
        "dialog is written as lines and answered line by line (a button by its\n"
        "caption, Enter for the one in brackets).\n"
        "\n"
        "With --address the upgrade runs without dialogs, for scripts: progress as\n"
        "lines on standard error, each beginning with the device's address; the\n"
        "warning and the confirmation asked on standard input unless --yes is given;\n"
        "each query of the device waits %u s at most for its reply; Ctrl-C cancels.\n"
        "\n"
        "Options:\n"
        "  --address DEVICE         the device's IPv4 address: run without dialogs\n"
        "  --yes                    do not ask: the warning is accepted, the upgrade confirmed\n"
        "  --json                   one JSON object per event on standard output\n"
        "                           ({\"event\": ...}) instead of the lines\n"
        "  --local-address ADDRESS  the address of this PC the device fetches the\n"
        "                           firmware from (default: the one this PC sends\n"
        "                           from to reach the device)\n"
        "  --user NAME              the user name for the device's password (admin)\n"
        "  --password-file FILE     the device's password: the first line of FILE,\n"
        "                           or of standard input with -; else the\n"
        "                           environment variable QEV_PASSWORD. Never on the\n"
        "                           command line. A device that asks for a password\n"
        "                           when none was given fails the run at once.\n"
        "  --request-wait SECONDS   how long to wait for the device to ask for the\n"
        "                           firmware after the upgrade command (%u); then the\n"
        "                           run fails, saying what to check\n"
        "  --record FILE            append one JSON line about the run to FILE (also\n"
        "                           with the dialogs); several copies may share it\n"
        "  --help                   this text\n"
        "  --version                the tool's version and the firmware's\n"
        "\n"
        "Exit status:\n"
        "  0  upgraded, and the installed version checked (also after --help, --version)\n"
        "  1  the upgrade failed (the message and a hint on standard error say why)\n"
        "  2  the command line was refused; nothing ran\n"
        "  3  cancelled: Cancel, Esc, Ctrl-C, 'cancel', the end of the input at a\n"
        "     question, a declined warning or confirmation\n"
        "  4  the device was not heard from after its reboot: the upgrade may have worked\n"
        "\n"
        "Several copies may run side by side, one device each: each takes the next\n"
        "free port from 69. For example, a list of addresses, four at a time:\n"
        "  xargs -P 4 -I{} %s --address {} --yes --record upgrades.jsonl < devices.txt\n",
        path, kReplyLimitSeconds, static_cast<unsigned>(kDefaultRequestWaitSeconds), name);
}

void WriteVersion(const char* name) {
    CarriedFirmware carried = ReadCarriedFirmware();
    std::printf("%s %s\nfirmware %s for the %s\n", name, QEV_TOOL_VERSION, carried.targetVersion,
                carried.productName);
    if (carried.transitionVersion[0] != 0) std::printf("transition firmware %s\n", carried.transitionVersion);
}
