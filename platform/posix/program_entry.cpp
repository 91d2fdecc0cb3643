// The Linux program's entry point: the command line decides the mode (the
// dialogs, or a run without them), and the run's exit status ends the
// process (common/exit_status.h).
#include "app/command_line.h"
#include "cli/program.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    CommandLine line = ReadCommandLine(argc, argv);
    if (line.mode == ProgramMode::Finished) return line.exitStatus;
    EndProcess(RunProgram(line));
}
