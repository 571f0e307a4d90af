// The running target's script: the input that decides what the sensor side of
// a link does. The stand-ins of the device calls read it; a target sets it for
// the length of one run.
#ifndef FUZZ_SCRIPT_H
#define FUZZ_SCRIPT_H

#include <stddef.h>
#include <stdint.h>

#include "FuzzReader.h"

// The script for the device calls; null (no scripted device) between runs.
FuzzReader* fuzzScript();
void fuzzSetScript(FuzzReader* script);

// The serial line's sensor side. Each command written brings the answer the
// script gives next; a read with nothing pending takes the script's next
// event. Events: silence, a port failure, raw bytes, the reply to the command
// (its code and register echoed, fields from the script) with a good check,
// any sentence with a good check, a binary packet with a good CRC, or the
// record of the last binary poll with a good CRC.
void fuzzWire_commandSent(const char* bytes, size_t n);
// The port discards what is pending.
void fuzzWire_clear();
// Up to max pending bytes into out; in line mode the bytes end after the
// first CR or LF. -1 for a failed port, 0 when the sensor is silent.
int fuzzWire_read(uint8_t* out, size_t max, bool lineMode, bool* lineEnded);
// Forgets everything between runs.
void fuzzWire_reset();

// The descriptor the SPI stand-ins answer for (open of "/dev/spidev...").
const int kFuzzSpiFd = 1000;

#endif
