// Drives a program in a terminal for the tests: a tmux server of its own
// runs the program in a pane of a given size; keys are sent as a user types
// them and the screen is read back as text. Everything the program writes
// is also logged, and the wrapper records the exit code and the terminal
// modes before and after, so that a test can tell the terminal was left sane.
#pragma once

#include <string>

class TerminalSession {
public:
    // Runs `command` (a shell command line) in a pane of columns x rows.
    TerminalSession(const std::string& command, int columns = 80, int rows = 24);
    ~TerminalSession();
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

    // A private directory for files the program and the test share.
    const std::string& Directory() const { return directory_; }
    // tmux key names: "Enter", "Escape", "Tab", "BTab", "Space", "C-c", "Down", "NPage"...
    void Keys(const std::string& keys);
    // Literal text, character by character.
    void Type(const std::string& text);
    std::string Screen();
    // Polls the screen until it shows `text`; false after the timeout.
    bool WaitForScreen(const std::string& text, int timeoutMs = 10000);
    // Polls the screen until `text` is no longer on it.
    bool WaitUntilGone(const std::string& text, int timeoutMs = 10000);
    bool WaitForFile(const std::string& name, int timeoutMs = 10000);
    // The program's exit code as the shell saw it; -1 when it has not ended in time.
    int WaitForExit(int timeoutMs = 10000);
    // Everything the program wrote, escape sequences included.
    std::string Log();
    // What the program wrote to standard error.
    std::string Errors();
    // True when the terminal modes after the run equal those before, the
    // pane has left the alternate screen and shows its cursor.
    bool TerminalIsSane(std::string* why);
    // Sends a signal to the program.
    void Signal(const char* name);
    void Touch(const std::string& name);

private:
    std::string Tmux(const std::string& arguments);
    std::string ReadFile(const std::string& name);

    std::string directory_;
    std::string socket_;
};

// The path of a program built with the tests (set by CMake).
std::string GalleryPath();
std::string DriverPath();
// The confirmation dialog showing the status page's fields as a shell
// command line; each field is a printf format, whose octal escapes stand
// for the bytes a device may send.
std::string ConfirmCommand(const char* product, const char* mac, const char* software, const char* hardware,
                           const char* serial);
// Fields that hold controls: a title sequence (OSC 0 ... BEL) and a
// clear-screen sequence (CSI 2 J).
constexpr char kProductWithTitleSequence[] = "QEV\\033]0;owned\\007-1040";
constexpr char kMacWithClearScreen[] = "\\033[2J00:00:5E:00:53:2A";
// Runs a shell command line; its standard output.
std::string RunShell(const std::string& command, int* status = nullptr);
