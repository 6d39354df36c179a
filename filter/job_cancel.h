// Cancelling a job the way the CUPS scheduler does it: SIGTERM. The handler
// only sets a flag; the page loop reads it between pages, so a page that is
// being written is finished and the job end sequence still follows.
#pragma once

// Installs the SIGTERM handler (system calls it interrupts are restarted).
void installCancelHandler();
// True once SIGTERM has arrived.
bool jobCancelled();
