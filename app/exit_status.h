// The one mapping from the outcome of a run to the Linux program's exit
// status (common/exit_status.h), and the outcome's name in what the program
// writes for other programs (its events and its record).
#pragma once

#include "common/outcome.h"

// 0 upgraded; 3 cancelled by the user (a declined warning or address entry
// too); 4 not heard from after the reboot; 1 every other end.
int ExitStatus(Outcome outcome);

// "upgraded", "no_response", "user_abort", ...: lower case, words joined by '_'.
const char* OutcomeName(Outcome outcome);
