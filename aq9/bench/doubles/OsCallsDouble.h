// Test hook of the simulated device calls. An SPI responder, when set, plays
// the sensor on the bus: every SPI_IOC_MESSAGE transfer that the running test
// lets succeed is handed to it with the bytes sent and the receive buffer to
// fill. With no responder a transfer leaves the receive buffer untouched.
#ifndef BENCH_OSCALLSDOUBLE_H
#define BENCH_OSCALLSDOUBLE_H

#include <stddef.h>

typedef void (*SpiResponder)(const char* sent, char* received, size_t length, void* context);

// Installs responder (null removes it); context is handed back on each call.
void OsCalls_setSpiResponder(SpiResponder responder, void* context);

#endif
