// The tmux driver of the terminal tests.
#include "tests/terminal/terminal_session.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// Set the window title to "qev-end": written by the wrapper after the program.
const char kEndOfOutput[] = "\033]2;qev-end\007";

void Pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace

std::string GalleryPath() { return QEV_GALLERY_PATH; }
std::string DriverPath() { return QEV_DRIVER_PATH; }

std::string ConfirmCommand(const char* product, const char* mac, const char* software, const char* hardware,
                           const char* serial) {
    std::string command = QEV_CONFIRM_DRIVER_PATH;
    for (const char* field : {product, mac, software, hardware, serial})
        command += " \"$(printf " + Quote(field) + ")\"";
    return command;
}

std::string RunShell(const std::string& command, int* status) {
    std::string output;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, count);
    int result = ::pclose(pipe);
    if (status != nullptr) *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return output;
}

TerminalSession::TerminalSession(const std::string& command, int columns, int rows) {
    char pattern[] = "/tmp/qev-terminal-XXXXXX";
    char* made = ::mkdtemp(pattern);
    directory_ = made != nullptr ? made : "/tmp";
    // The server's socket lives in the private directory and goes with it.
    socket_ = directory_ + "/tmux.socket";
    // The wrapper waits until the log is attached, records the terminal
    // modes around the program and its exit code, and stays for reading.
    // After the program it writes a title sequence (not shown on the
    // screen) that marks the end of its output in the log; the exit code
    // comes last, so that everything else is complete once it is there.
    std::ofstream script(directory_ + "/run.sh");
    script << "cd " << Quote(directory_) << "\n"
           << "trap true INT\n"
           << "while [ ! -e go ]; do sleep 0.02; done\n"
           << "stty -g > before\n"
           << command << " 2> errors\n"
           << "status=$?\n"
           << "stty -g > after\n"
           << "printf '" << kEndOfOutput << "'\n"
           << "echo $status > exit.new; mv exit.new exit\n"
           << "exec sleep 600\n";
    script.close();
    Tmux("-f /dev/null new-session -d -s main -x " + std::to_string(columns) + " -y " + std::to_string(rows) +
         " " + Quote("sh " + directory_ + "/run.sh"));
    Tmux("set-option -g status off");
    Tmux("pipe-pane -t main -o " + Quote("cat >> " + directory_ + "/log"));
    Touch("go");
}

TerminalSession::~TerminalSession() {
    Tmux("kill-server");
    RunShell("rm -rf " + Quote(directory_));
}

std::string TerminalSession::Tmux(const std::string& arguments) {
    return RunShell("tmux -S " + Quote(socket_) + " " + arguments + " 2>&1");
}

void TerminalSession::Keys(const std::string& keys) {
    Tmux("send-keys -t main " + keys);
    Pause(60);  // lets the program read one batch before the next
}

void TerminalSession::Type(const std::string& text) {
    for (char c : text) {
        Tmux("send-keys -t main -l " + Quote(std::string(1, c)));
        Pause(15);
    }
    Pause(60);
}

std::string TerminalSession::Screen() { return Tmux("capture-pane -p -t main"); }

bool TerminalSession::WaitForScreen(const std::string& text, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        if (Screen().find(text) != std::string::npos) return true;
        Pause(50);
    }
    return false;
}

bool TerminalSession::WaitUntilGone(const std::string& text, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        if (Screen().find(text) == std::string::npos) return true;
        Pause(50);
    }
    return false;
}

bool TerminalSession::WaitForFile(const std::string& name, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (::access((directory_ + "/" + name).c_str(), F_OK) == 0) return true;
        Pause(20);
    }
    return false;
}

int TerminalSession::WaitForExit(int timeoutMs) {
    if (!WaitForFile("exit", timeoutMs)) return -1;
    // The log is written by tmux on its own: wait until it has caught up.
    for (int waited = 0; waited < 10000 && Log().find(kEndOfOutput) == std::string::npos; waited += 20) Pause(20);
    return static_cast<int>(std::strtol(ReadFile("exit").c_str(), nullptr, 10));
}

std::string TerminalSession::ReadFile(const std::string& name) {
    std::ifstream file(directory_ + "/" + name);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string TerminalSession::Log() { return ReadFile("log"); }
std::string TerminalSession::Errors() { return ReadFile("errors"); }

bool TerminalSession::TerminalIsSane(std::string* why) {
    std::string before = ReadFile("before"), after = ReadFile("after");
    if (before.empty() || before != after) {
        *why = "terminal modes before: " + before + " after: " + after;
        return false;
    }
    std::string flags = Tmux("display-message -p -t main '#{alternate_on} #{cursor_flag}'");
    if (flags.substr(0, 3) != "0 1") {
        *why = "alternate screen and cursor flags: " + flags;
        return false;
    }
    return true;
}

void TerminalSession::Signal(const char* name) {
    // The program is the child of the wrapper shell that the pane runs.
    std::string pane = Tmux("display-message -p -t main '#{pane_pid}'");
    std::string child = RunShell("pgrep -P " + std::to_string(static_cast<int>(std::strtol(pane.c_str(), nullptr, 10))));
    int pid = static_cast<int>(std::strtol(child.c_str(), nullptr, 10));
    if (pid > 0) RunShell(std::string("kill -") + name + " " + std::to_string(pid));
}

void TerminalSession::Touch(const std::string& name) {
    std::ofstream file(directory_ + "/" + name);
}
