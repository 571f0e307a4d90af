// Platform calls the links make. open, close, ioctl, tcgetattr and tcsetattr
// are the C library's; dev_read is the QNX timed read, supplied on other hosts
// by a port of it (host/io) or, in the bench and the unit tests, by a double
// resolved at link time.
#ifndef AQ9_PLATFORMCALLS_H
#define AQ9_PLATFORMCALLS_H

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/types.h>
#include <termios.h>

// Returns once min bytes have arrived or the timeout has expired (time and
// timeout in tenths of a second); the result is the number of bytes read, or
// -1 on error.
extern "C" int dev_read(int fd, void* buf, unsigned n, unsigned min, unsigned time, unsigned timeout, pid_t proxy,
                        int* armed);

#endif
