// The Linux program's two modes, and what follows either (see program.h).
#include "cli/program.h"

#include <cstdlib>
#include <cstring>

#include "app/exit_status.h"
#include "app/upgrade_main.h"
#include "cli/headless_run.h"
#include "cli/hints.h"
#include "cli/run_log.h"
#include "common/exit_status.h"
#include "common/text.h"
#include "platform/platform.h"
#include "platform/platform_cli.h"
#include "ui/dialog_view.h"

namespace {

constexpr std::size_t kPasswordFileSize = 4096;

void Complain(const CommandLine& line, const char* text) {
    char message[kHintSize + 128];  // the program's name and "hint: " before a whole hint
    FormatText(message, sizeof message, "%s: %s\n", line.programName, text);
    WriteStandardError(message);
}

// The password: the first line of the file (standard input for "-"), else
// the environment's. Returns kExitUpgraded when it is read (or none is
// given), else the exit status, the reason told: a file that cannot be read
// or holds none is a usage error, Ctrl-C at the prompt a cancel.
int ReadPassword(const CommandLine& line, char* password, std::size_t capacity) {
    password[0] = '\0';
    if (line.passwordFile == nullptr) {
        const char* variable = std::getenv(kPasswordVariable);
        if (variable != nullptr) CopyText(password, capacity, variable);
        return kExitUpgraded;
    }
    char text[kPasswordFileSize];
    char reason[512];
    if (std::strcmp(line.passwordFile, "-") == 0) {
        if (StandardInputIsTerminal()) WriteStandardError("Password: ");
        LineRead read = ReadStandardInputLine(text, sizeof text, true);
        if (read == LineRead::Interrupted) return kExitCancelled;
        if (read != LineRead::Line) text[0] = '\0';
    } else if (!ReadWholeFile(line.passwordFile, text, sizeof text)) {
        FormatText(reason, sizeof reason, "the password file %s cannot be read", line.passwordFile);
        Complain(line, reason);
        return kExitUsage;
    }
    text[std::strcspn(text, "\r\n")] = '\0';
    if (text[0] == '\0' || std::strlen(text) >= capacity) {
        FormatText(reason, sizeof reason, "no password (1 to %d characters) in %s", static_cast<int>(capacity - 1),
                   std::strcmp(line.passwordFile, "-") == 0 ? "standard input" : line.passwordFile);
        Complain(line, reason);
        return kExitUsage;
    }
    CopyText(password, capacity, text);
    return kExitUpgraded;
}

void AppendRecord(const CommandLine& line, const RunRecord& record, Outcome outcome) {
    if (line.recordPath == nullptr) return;
    char time[kUtcTimeSize];
    FormatUtcTime(time, sizeof time);
    JsonLine entry;
    FormRunLine(record, outcome, time, &entry);
    if (AppendToFile(line.recordPath, entry.Finish())) return;
    char reason[512];
    FormatText(reason, sizeof reason, "the record %s could not be written", line.recordPath);
    Complain(line, reason);
}

int RunWithDialogs(const CommandLine& line) {
    DialogView view(nullptr);
    DialogView listenerView(nullptr);
    RunRecord record;
    Outcome outcome = UpgradeMain(nullptr, view, listenerView, UpgradeSettings(), &record);
    ReleaseTerminal();  // the hints stand below what the dialogs left
    Hint hints[kMaxHints];
    int count = FormHints(record, outcome, hints);
    for (int i = 0; i < count; ++i) {
        char text[kHintSize + 16];
        FormatText(text, sizeof text, "hint: %s", hints[i].text);
        Complain(line, text);
    }
    AppendRecord(line, record, outcome);
    return ExitStatus(outcome);
}

int RunWithoutDialogs(const CommandLine& line) {
    WatchInterrupts();  // from the password prompt on
    HeadlessCredentials credentials;
    CopyText(credentials.user, sizeof credentials.user, line.user);
    int read = ReadPassword(line, credentials.password, sizeof credentials.password);
    if (read != kExitUpgraded) return read;

    HeadlessSettings settings;
    std::memset(&settings, 0, sizeof settings);
    settings.deviceAddress = line.deviceAddress;
    CopyText(settings.deviceAddressText, sizeof settings.deviceAddressText, line.deviceAddressText);
    settings.yes = line.yes;
    settings.requestWaitSeconds = line.requestWaitSeconds;
    settings.localAddress = line.localAddress;
    std::uint32_t mask = 0;
    if (settings.localAddress != 0 && !LocalAddressMask(settings.localAddress, &mask)) {
        Complain(line, "--local-address: that is not an address of this PC");
        return kExitUsage;
    }
    // No route: left 0, the first of this PC's addresses, and the query says the rest.
    if (settings.localAddress == 0) RoutedLocalAddress(settings.deviceAddress, &settings.localAddress);

    SystemStreams streams;
    RunRecord record;
    Outcome outcome = RunHeadless(settings, credentials, line.json, streams, &record);
    // A run that ended before the sequence took the device (a declined
    // warning) still names it in the record.
    if (record.deviceAddress == 0) {
        record.deviceAddress = settings.deviceAddress;
        CopyText(record.deviceAddressText, sizeof record.deviceAddressText, settings.deviceAddressText);
        record.localAddress = settings.localAddress;
    }
    AppendRecord(line, record, outcome);
    return ExitStatus(outcome);
}

}  // namespace

int RunProgram(const CommandLine& line) {
    switch (line.mode) {
        case ProgramMode::Dialogs: return RunWithDialogs(line);
        case ProgramMode::Headless: return RunWithoutDialogs(line);
        case ProgramMode::Finished: break;
    }
    return line.exitStatus;
}
