// The line format of a termios port: baud rate, data bits, stop bits, parity.
#ifndef HOST_PLATFORM_SERIALLINEFORMAT_H
#define HOST_PLATFORM_SERIALLINEFORMAT_H

#include <stddef.h>
#include <termios.h>

// Sets the format in t (character size, stop bits, parity, both speeds; the
// receiver on, modem lines ignored, no hardware flow control). Returns false, t untouched and the
// reason in why, for a value the port cannot take: a baud rate without a
// termios speed, data bits outside 5..8, stop bits other than 1 or 2, parity
// other than "NONE", "EVEN" or "ODD".
bool serialLineFormat(termios* t, int baud, int data, int stop, const char* parity, char* why, size_t whySize);

#endif
