// Where the Linux program without dialogs says what happens: plain lines on
// standard error, each beginning with the device's address (so that the
// lines of several copies side by side can be told apart), or, with --json,
// one JSON object per event on standard output ({"event": KIND, ...}) and
// nothing on standard error. Its questions (without --yes) go to standard
// error either way and are answered on standard input. Both threads of a
// run write through one RunOutput; each line goes out whole.
#pragma once

#include <mutex>

#include "cli/json_line.h"
#include "cli/standard_streams.h"

constexpr int kOutputLineSize = 1024;

class RunOutput {
public:
    RunOutput(StandardStreams& streams, bool json);
    // The lines' prefix, once the device is known.
    void SetPrefix(const char* prefix);
    bool Json() const { return json_; }
    // One event: its JSON object, or its line (control characters shown as '?').
    void Event(JsonLine* event, const char* line);
    // Text for the user before a question, on standard error in either
    // mode, its lines as they are (control characters but line ends shown as '?').
    void Tell(const char* text);
    // Asks on standard error until the answer is yes or no (Enter: no);
    // false too at the end of the input and on Ctrl-C.
    bool AskYesNo(const char* question);
    bool Interrupted() { return streams_.Interrupted(); }

private:
    StandardStreams& streams_;
    const bool json_;
    std::mutex lock_;  // one line at a time
    char prefix_[64];
};

// A JSON event line that begins {"event":"KIND".
void BeginEvent(JsonLine* event, const char* kind);
