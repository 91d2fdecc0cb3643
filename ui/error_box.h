// The shared dialog helpers: the error box every failure goes through and
// the centring every dialog does at initialisation.
#pragma once

#include "platform/platform_ui.h"

extern const char kDefaultErrorCaption[];  // "QEV Firwmare Upgrade Error"

// A task-modal box without owner, OK only; returns when it is dismissed. A
// null caption shows the default caption.
void ShowUpgradeError(const char* text, const char* caption);

// Centres a top-level window on the primary screen and brings it to the top.
void CenterWindow(WindowHandle window);
