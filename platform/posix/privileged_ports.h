// Why a bind was refused, told after the process's own message: ports below
// 1024 need root or CAP_NET_BIND_SERVICE on POSIX, which the TFTP listener's
// ports 69 to 168 are.
#pragma once

#include <cstddef>

// Notes the outcome of one bind: a refusal for want of privilege (error is
// errno's EACCES) extends the range of refused ports; any successful bind
// forgets them. Other refusals (a port in use) leave the note as it is.
void NoteBindOutcome(bool bound, int error, unsigned port);

// When the last binds were refused for want of privilege, writes one line on
// standard error naming the refused ports and the remedy. Called by
// EndProcess after the terminal has been restored.
void WritePrivilegedPortHint();
