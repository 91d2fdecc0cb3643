// The Linux program's command line: without arguments the upgrade runs
// with its dialogs; --help and --version describe the program and the
// firmware it carries; anything else is refused before anything runs.
#pragma once

constexpr int kRunTheUpgrade = -1;

// Handles the arguments. Returns kRunTheUpgrade when there are none, else
// the exit status once the text asked for is written: 0 for --help and
// --version, 2 for any other argument (refused with a usage line on
// standard error).
int HandleCommandLine(int argc, char** argv);
