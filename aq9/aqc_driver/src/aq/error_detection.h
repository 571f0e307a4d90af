// The two frame checks of the sensor's protocols.
#ifndef AQ_ERROR_DETECTION_H
#define AQ_ERROR_DETECTION_H

#include <stddef.h>
#include <stdint.h>

// XOR of the length bytes (0 for an empty range).
uint8_t AqChecksum8_compute(const char* data, size_t length);

// CRC-16/XMODEM (poly 0x1021, init 0, no reflection, no final XOR). Appending the
// result high byte first makes the CRC of data plus those two bytes 0.
uint16_t AqCrc16_compute(const char* data, size_t length);

#endif
