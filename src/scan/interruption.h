// Ctrl+C and SIGTERM during a scan: the handlers only note the signal, and
// the scan stops between games, so that the output holds whole games only.
// The note is the one process-wide flag of the scan: a signal handler can
// reach nothing else.
#pragma once

namespace interruption {

// Installs the handlers of SIGINT and SIGTERM.
void install();
// The signal that asked the run to stop, or 0 while none did.
int signal();
// Forgets a noted signal (tests).
void clear();

}  // namespace interruption
