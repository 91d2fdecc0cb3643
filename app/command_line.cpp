// Reading the Linux program's command line (see command_line.h).
#include "app/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/exit_status.h"
#include "common/shown_text.h"
#include "common/text.h"
#include "http/digest.h"

const char kPasswordVariable[] = "QEV_PASSWORD";

namespace {

constexpr int kShownArgumentSize = 64;

// The options a run without dialogs takes; --record goes with either mode.
enum class Option { Address, LocalAddress, User, PasswordFile, Yes, Json, RequestWait, Record, Password };

struct OptionName {
    const char* name;
    Option option;
    bool takesValue;
};

const OptionName kOptions[] = {
    {"--address", Option::Address, true},         {"--local-address", Option::LocalAddress, true},
    {"--user", Option::User, true},               {"--password-file", Option::PasswordFile, true},
    {"--yes", Option::Yes, false},                {"--json", Option::Json, false},
    {"--request-wait", Option::RequestWait, true}, {"--record", Option::Record, true},
    {"--password", Option::Password, true},
};

const char* ProgramName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

// An argument as it may be written to a terminal: cut short, controls as '?'.
void CopyShownArgument(char* destination, std::size_t capacity, const char* argument) {
    std::size_t length = CopyText(destination, capacity, argument);
    MakeShown(destination, length, TerminalCharacterSet::Other, ShownLayout::OneLine);
}

// Four decimal numbers of 0 to 255 joined by dots, nothing else.
bool ParseDottedQuad(const char* text, std::uint32_t* address) {
    std::uint32_t value = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0 && *text++ != '.') return false;
        unsigned number = 0;
        int digits = 0;
        for (; *text >= '0' && *text <= '9' && digits < 4; ++text, ++digits) number = number * 10 + (*text - '0');
        if (digits == 0 || digits > 3 || number > 255) return false;
        value = (value << 8) | number;
    }
    if (*text != '\0') return false;
    *address = value;
    return true;
}

bool ParseSeconds(const char* text, std::uint32_t* seconds) {
    if (*text < '0' || *text > '9') return false;
    char* end = nullptr;
    unsigned long value = std::strtoul(text, &end, 10);
    if (*end != '\0' || value < 1 || value > kLongestRequestWaitSeconds) return false;
    *seconds = static_cast<std::uint32_t>(value);
    return true;
}

CommandLine Refuse(CommandLine line, const char* format, const char* argument) {
    char shown[kShownArgumentSize];
    CopyShownArgument(shown, sizeof shown, argument);
    char reason[256];
    FormatText(reason, sizeof reason, format, shown);
    std::fprintf(stderr, "%s: %s\n", line.programName, reason);
    WriteUsage(line.programName);
    line.mode = ProgramMode::Finished;
    line.exitStatus = kExitUsage;
    return line;
}

CommandLine Finished(CommandLine line, int status) {
    line.mode = ProgramMode::Finished;
    line.exitStatus = status;
    return line;
}

const OptionName* FindOption(const char* argument, const char** value) {
    *value = nullptr;
    for (const OptionName& option : kOptions) {
        std::size_t length = std::strlen(option.name);
        if (std::strncmp(argument, option.name, length) != 0) continue;
        if (argument[length] == '\0') return &option;
        if (argument[length] == '=' && option.takesValue) {
            *value = argument + length + 1;
            return &option;
        }
    }
    return nullptr;
}

}  // namespace

CommandLine ReadCommandLine(int argc, char** argv) {
    CommandLine line;
    std::memset(&line, 0, sizeof line);
    line.programName = ProgramName(argc > 0 && argv[0] != nullptr ? argv[0] : "qev-upgrade");
    line.user = "admin";
    line.requestWaitSeconds = kDefaultRequestWaitSeconds;
    line.mode = ProgramMode::Dialogs;

    // --help and --version stand alone.
    for (int i = 1; i < argc; ++i) {
        bool help = std::strcmp(argv[i], "--help") == 0, version = std::strcmp(argv[i], "--version") == 0;
        if (!help && !version) continue;
        if (argc > 2) return Refuse(line, "one more argument '%s'", argv[i == 1 ? 2 : 1]);
        if (help) {
            WriteHelp(line.programName);
        } else {
            WriteVersion(line.programName);
        }
        return Finished(line, kExitUpgraded);
    }

    const char* headlessOnly = nullptr;  // the first option that needs --address
    for (int i = 1; i < argc; ++i) {
        const char* value = nullptr;
        const OptionName* option = FindOption(argv[i], &value);
        if (option == nullptr) return Refuse(line, "unknown argument '%s'", argv[i]);
        if (option->takesValue && value == nullptr) {
            if (i + 1 >= argc) return Refuse(line, "'%s' needs a value", option->name);
            value = argv[++i];
        }
        switch (option->option) {
            case Option::Address:
                if (!ParseDottedQuad(value, &line.deviceAddress) || line.deviceAddress == 0)
                    return Refuse(line, "'%s' is not an IPv4 address such as 192.0.2.55", value);
                FormatText(line.deviceAddressText, sizeof line.deviceAddressText, "%s", value);
                break;
            case Option::LocalAddress:
                if (!ParseDottedQuad(value, &line.localAddress) || line.localAddress == 0)
                    return Refuse(line, "'%s' is not an IPv4 address of this PC", value);
                break;
            case Option::User:
                if (value[0] == '\0' || std::strlen(value) > static_cast<std::size_t>(kCredentialLimit))
                    return Refuse(line, "'%s' is not a user name (1 to 126 characters)", value);
                line.user = value;
                break;
            case Option::PasswordFile:
                if (value[0] == '\0') return Refuse(line, "'%s' needs a file, or - for standard input", option->name);
                line.passwordFile = value;
                break;
            case Option::Yes: line.yes = true; break;
            case Option::Json: line.json = true; break;
            case Option::RequestWait:
                if (!ParseSeconds(value, &line.requestWaitSeconds))
                    return Refuse(line, "'%s' is not a number of seconds from 1 to 86400", value);
                break;
            case Option::Record:
                if (value[0] == '\0') return Refuse(line, "'%s' needs a file", option->name);
                line.recordPath = value;
                break;
            case Option::Password:
                return Refuse(line,
                              "'%s' is refused: a password on the command line can be read by other users; give "
                              "it with --password-file FILE, --password-file - (standard input) or QEV_PASSWORD",
                              option->name);
        }
        if (option->option != Option::Address && option->option != Option::Record && headlessOnly == nullptr)
            headlessOnly = option->name;
    }
    if (line.deviceAddress != 0) {
        line.mode = ProgramMode::Headless;
    } else if (headlessOnly != nullptr) {
        return Refuse(line, "'%s' goes with --address (a run without dialogs)", headlessOnly);
    }
    return line;
}
