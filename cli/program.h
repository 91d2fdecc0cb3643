// The Linux program as its command line asks for it: the upgrade with its
// dialogs, or without them (--address); then, in either mode, the hints on
// standard error once the terminal is the shell's again, and the run's line
// in the record (--record). Returns the exit status (common/exit_status.h).
#pragma once

#include "app/command_line.h"

int RunProgram(const CommandLine& line);
