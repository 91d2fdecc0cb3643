// What the Linux program without dialogs needs of its process: standard
// error for its lines, standard output for its JSON events, standard input
// for the answers to its questions, and Ctrl-C. The process's own are
// SystemStreams; the tests script theirs.
#pragma once

#include "platform/platform_cli.h"

class StandardStreams {
public:
    // Each writes its text with one write.
    virtual void WriteError(const char* text) = 0;
    virtual void WriteOutput(const char* text) = 0;
    // The next line of standard input, as ReadStandardInputLine.
    virtual LineRead ReadLine(char* line, int capacity) = 0;
    // Ctrl-C came: the run is to stop.
    virtual bool Interrupted() = 0;

protected:
    ~StandardStreams() = default;
};

class SystemStreams final : public StandardStreams {
public:
    void WriteError(const char* text) override { WriteStandardError(text); }
    void WriteOutput(const char* text) override { WriteStandardOutput(text); }
    LineRead ReadLine(char* line, int capacity) override { return ReadStandardInputLine(line, capacity, false); }
    bool Interrupted() override { return InterruptRequested(); }
};
