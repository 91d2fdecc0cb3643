// The failure messages of the upgrade, and the one place where an outcome
// becomes one.
#pragma once

#include "app/upgrade_view.h"
#include "common/outcome.h"

extern const char kFailWinsockInit[];
extern const char kFailOpenHttpSocket[];
extern const char kFailBindHttpSocket[];
extern const char kFailNoResponse[];
extern const char kFailUserAbort[];
extern const char kFailListenerMemory[];
extern const char kFailListenerSocket[];
extern const char kFailListenerBind[];
extern const char kFailSessionMemory[];
extern const char kFailUploadIncomplete[];
extern const char kFailVersionMismatch[];
// When a device query's worker cannot be set up.
extern const char kFailHttpThread[];
// When the TFTP listener's thread cannot be started.
extern const char kFailListenerThread[];
// When the device asks for a password that the front end cannot give (the
// Linux program without dialogs): none was given, or the one given was refused.
extern const char kFailPasswordMissing[];
extern const char kFailPasswordRefused[];

// The message of an outcome; null for those that end the run without a
// word (and for Continue and Upgraded).
const char* FailureText(Outcome outcome);

// Shows the outcome's message, if it has one, through the view.
void ReportOutcome(UpgradeView& view, Outcome outcome);
