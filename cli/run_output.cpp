// Lines and JSON events of the Linux program without dialogs (see run_output.h).
#include "cli/run_output.h"

#include <cstring>

#include "common/shown_text.h"
#include "common/text.h"

namespace {

constexpr std::size_t kTellSize = 2048;

}  // namespace

RunOutput::RunOutput(StandardStreams& streams, bool json) : streams_(streams), json_(json) {
    CopyText(prefix_, sizeof prefix_, "qev-upgrade");
}

void RunOutput::SetPrefix(const char* prefix) {
    std::lock_guard<std::mutex> guard(lock_);
    CopyText(prefix_, sizeof prefix_, prefix);
}

void RunOutput::Event(JsonLine* event, const char* line) {
    std::lock_guard<std::mutex> guard(lock_);
    if (json_) {
        streams_.WriteOutput(event->Finish());
        return;
    }
    if (line == nullptr) return;
    char text[kOutputLineSize];
    std::size_t length = FormatText(text, sizeof text - 1, "%s: %s", prefix_, line);
    MakeShown(text, length, ProcessCharacterSet(), ShownLayout::OneLine);
    text[length] = '\n';
    text[length + 1] = '\0';
    streams_.WriteError(text);
}

void RunOutput::Tell(const char* text) {
    std::lock_guard<std::mutex> guard(lock_);
    char shown[kTellSize];
    std::size_t length = CopyText(shown, sizeof shown - 1, text);
    MakeShown(shown, length, ProcessCharacterSet(), ShownLayout::Lines);
    shown[length] = '\n';
    shown[length + 1] = '\0';
    streams_.WriteError(shown);
}

bool RunOutput::AskYesNo(const char* question) {
    char answer[64];
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            char text[kOutputLineSize];
            std::size_t length = FormatText(text, sizeof text, "%s: %s [y/N] ", prefix_, question);
            MakeShown(text, length, ProcessCharacterSet(), ShownLayout::OneLine);
            streams_.WriteError(text);
        }
        if (streams_.ReadLine(answer, sizeof answer) != LineRead::Line) {
            streams_.WriteError("\n");
            return false;
        }
        const char* start = answer;
        while (*start == ' ' || *start == '\t') ++start;
        std::size_t length = std::strlen(start);
        while (length > 0 && (start[length - 1] == ' ' || start[length - 1] == '\t')) --length;
        if (length == 0 || EqualsIgnoringCase(start, length, "n") || EqualsIgnoringCase(start, length, "no"))
            return false;
        if (EqualsIgnoringCase(start, length, "y") || EqualsIgnoringCase(start, length, "yes")) return true;
        std::lock_guard<std::mutex> guard(lock_);
        streams_.WriteError("Please answer y or n.\n");
    }
}

void BeginEvent(JsonLine* event, const char* kind) { event->Text("event", kind); }
