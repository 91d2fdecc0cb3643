// The Linux program's command line. Without arguments the upgrade runs with
// its dialogs (a record of the run may be asked for with --record); with
// --address it runs without them, from this command line; --help and
// --version describe the program and the firmware it carries. Anything
// else is refused before anything runs, with exit status 2.
#pragma once

#include <cstdint>

enum class ProgramMode {
    Dialogs,   // the ten dialogs, in the terminal or as lines
    Headless,  // no dialogs: --address and the options below
    Finished,  // --help, --version or a refusal was written: exit with exitStatus
};

// How long a run without dialogs waits for the device to ask for the image.
constexpr std::uint32_t kDefaultRequestWaitSeconds = 120;
constexpr std::uint32_t kLongestRequestWaitSeconds = 86400;
// How long each query of the device waits for its reply in a run without
// dialogs, which has no Cancel button to end the wait for a device that
// takes the connection and says nothing: the query then counts as one
// without a reply, timed out.
constexpr unsigned kReplyLimitSeconds = 30;
constexpr int kAddressArgumentSize = 16;  // a dotted quad
// The environment variable that may hold the device's password.
extern const char kPasswordVariable[];    // "QEV_PASSWORD"

struct CommandLine {
    ProgramMode mode;
    int exitStatus;                  // Finished only
    const char* programName;         // the last component of argv[0]
    const char* recordPath;          // --record FILE; null: none
    // Without dialogs only (refused with the dialogs):
    std::uint32_t deviceAddress;     // --address, host order
    char deviceAddressText[kAddressArgumentSize];
    std::uint32_t localAddress;      // --local-address; 0: the one the system routes to the device from
    const char* user;                // --user; "admin"
    const char* passwordFile;        // --password-file; "-": standard input; null: QEV_PASSWORD, if set
    bool yes;                        // --yes: the warning and the confirmation are not asked
    bool json;                       // --json: JSON events on standard output
    std::uint32_t requestWaitSeconds;  // --request-wait
};

// Reads the arguments. --help and --version write their text to standard
// output, a refusal its reason and the usage on standard error; the mode
// is then Finished.
CommandLine ReadCommandLine(int argc, char** argv);

// ---- the texts (command_line_help.cpp) ----------------------------------

void WriteHelp(const char* programName);
void WriteVersion(const char* programName);
void WriteUsage(const char* programName);  // on standard error
