// Test hook of the serial port double. A responder, when set, sees every
// write() after it has been recorded and may queue the sensor's reply with
// simOutputStr, so a test can answer each command the way the sensor would.
// With no responder set the double behaves as the plain simulated port.
#ifndef BENCH_SERIALDEVICEDOUBLE_H
#define BENCH_SERIALDEVICEDOUBLE_H

#include "SerialDevice.h"

typedef void (*SerialDeviceResponder)(SerialDevice* device, const char* written, int nBytes, void* context);

// Installs responder (null removes it) for every SerialDevice double; context
// is handed back unchanged on each call.
void SerialDevice_setResponder(SerialDeviceResponder responder, void* context);

#endif
