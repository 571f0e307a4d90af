// Following the driver's two output blocks from another process: one line per
// new record (a new sample time or a new status), or one look at both.
#ifndef BLOCK_WATCH_H
#define BLOCK_WATCH_H

#include <stdio.h>

struct WatchOptions
{
    bool once = false;  // print both blocks once and end
    bool csv = false;   // CSV rows instead of aligned lines
    int pollMs = 2;     // how often the blocks are looked at
};

// Runs until the driver stops publishing (closes its blocks, or ends without
// closing them: its claim, HostClaim.h, is looked at once a second) or a stop
// is requested (SIGINT, SIGTERM through the host platform). Records go to
// out, messages to err. Returns the exit status: 0, or 1 when no aq9host runs
// or its blocks are not made yet (for once also: when either block holds no
// record yet).
int BlockWatch_run(const WatchOptions& options, FILE* out, FILE* err);

#endif
