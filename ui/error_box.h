// The shared dialog helpers: the error box every failure goes through and
// the centring every dialog does at initialisation.
#pragma once

#include "platform/platform_ui.h"

extern const char kDefaultErrorCaption[];  // "QEV Firwmare Upgrade Error", spelled so

// A task-modal box without owner, OK only. It does not end the process;
// callers do. A null caption shows the default caption.
void ShowUpgradeError(const char* text, const char* caption);

// Centres a top-level window on the primary screen and brings it to the top.
void CenterWindow(WindowHandle window);
