// The serial line of the poll-cycle benchmark, in memory: the framework's
// SerialDevice and the timed read dev_read replaced by a wire that answers
// each prepared request with its prepared reply, at once and whole, so the
// UART link runs its own request building, reads, packet finder and parser on
// real bytes while the wire costs nothing. Linking MemorySerial.cpp puts it in
// place of the host platform's port and timed read.
#ifndef BENCH_MEMORYSERIAL_H
#define BENCH_MEMORYSERIAL_H

#include <stddef.h>
#include <stdint.h>

#include <string>

// Answers request (the bytes the link writes) with reply from now on.
void MemorySerial_prepare(const std::string& request, const std::string& reply);
// Writes that matched no prepared request, and reads that found nothing to
// hand over (the link then sees a silent sensor), since the start.
uint64_t MemorySerial_unanswered();

#endif
