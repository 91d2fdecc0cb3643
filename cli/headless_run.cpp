// One run of the upgrade without dialogs (see headless_run.h).
#include "cli/headless_run.h"

#include "app/command_line.h"
#include "app/exit_status.h"
#include "app/upgrade_main.h"
#include "cli/hints.h"
#include "cli/run_log.h"
#include "common/text.h"

Outcome RunHeadless(const HeadlessSettings& settings, HeadlessCredentials& credentials, bool json,
                    StandardStreams& streams, RunRecord* record) {
    RunOutput output(streams, json);
    output.SetPrefix(settings.deviceAddressText);
    HeadlessView view(output, settings, credentials);
    HeadlessView listenerView(output, settings, credentials);
    UpgradeSettings upgrade;
    upgrade.requestWaitMs = settings.requestWaitSeconds * 1000u;
    upgrade.replyLimitMs = kReplyLimitSeconds * 1000u;
    Outcome outcome = UpgradeMain(nullptr, view, listenerView, upgrade, record);

    Hint hints[kMaxHints];
    int count = FormHints(*record, outcome, hints);
    for (int i = 0; i < count; ++i) {
        char line[kOutputLineSize];
        FormatText(line, sizeof line, "hint: %s", hints[i].text);
        JsonLine event;
        BeginEvent(&event, "hint");
        event.Text("kind", hints[i].kind);
        event.Text("text", hints[i].text);
        output.Event(&event, line);
    }
    char line[kOutputLineSize];
    FormatText(line, sizeof line, "ended: %s (exit status %d)", OutcomeText(outcome), ExitStatus(outcome));
    JsonLine event;
    BeginEvent(&event, "end");
    event.Text("outcome", OutcomeName(outcome));
    event.Number("exit_status", ExitStatus(outcome));
    event.Text("text", OutcomeText(outcome));
    output.Event(&event, line);
    return outcome;
}
