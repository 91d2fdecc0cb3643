// One run of the upgrade without dialogs: the two views over one output,
// the upgrade, then its hints and its last event, which says how it ended.
#pragma once

#include "app/run_record.h"
#include "cli/headless_view.h"
#include "cli/standard_streams.h"
#include "common/outcome.h"

// Runs the upgrade as the settings say, its events on the streams (JSON on
// standard output with json, else lines on standard error); fills the record.
Outcome RunHeadless(const HeadlessSettings& settings, HeadlessCredentials& credentials, bool json,
                    StandardStreams& streams, RunRecord* record);
